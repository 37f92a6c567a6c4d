#pragma once
// Temporary files: every file in the user's temporary folder that has not
// been written for more than seven days, found by walking the folder, and the
// ones the user ticks moved to the Recycle Bin through the shared run frame.
//
// The section does not use the file index. It walks the folder breadth first
// on the UI thread, letting window messages through as it goes, so rows
// appear while it walks and its stop button answers. Links and offline
// folders are neither listed nor followed, and the walk starts only from a
// real folder on drive C:.
//
// Its removal skips the path guard: the temporary folder lies inside the
// protected application-data folder, and what can be listed is restricted
// instead. Every file is still re-read, refused when it is a folder or a
// link, and checked to have gone.
//
// The view is built once, with the main window, and kept for its life; every
// entry empties the grid, so results never survive leaving the section. Its
// busy state is the application's older pair (`busy` and `stop`).

#include "base/ordinal.h"
#include "index/local_time.h"
#include "records/cleanup_report.h"
#include "records/run_frame.h"
#include "shell/section.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::files {

// ---- what the user reads ------------------------------------------------------------

inline constexpr std::string_view kTempHeading = "ملفات مؤقتة — مراجعة قبل الحذف";
inline constexpr std::string_view kTempScanText = "بحث المؤقتات الأقدم من 7 أيام";
inline constexpr std::string_view kTempStopText = "إيقاف البحث";
inline constexpr std::string_view kTempSelectAllText = "تحديد الكل";
inline constexpr std::string_view kTempSelectNoneText = "إلغاء التحديد";
inline constexpr std::string_view kTempDeleteText = "حذف المحدد";
inline constexpr std::string_view kTempFilterName = "بحث في النتائج بالاسم أو المسار";
inline constexpr std::string_view kTempSizeLabel = "أكبر من MB:";
inline constexpr std::string_view kTempTickFirst = "حدد الملفات المطلوبة أولاً.";
inline constexpr std::string_view kTempConfirmCaption = "تأكيد الملفات المحددة";

// Files written more recently than this are left alone.
inline constexpr std::int64_t kTempAgeTicks = 7LL * 24 * 3600 * 10'000'000;
// While walking, the window's messages go through after every this many
// files seen (and after every folder).
inline constexpr int kTempPumpEvery = 100;

// The confirmation: how many files, and their MB cells' sum in GB.
std::string TempConfirmationText(std::size_t count, double totalMb, const base::Culture& culture);

// A length in MB as the grid holds it: bytes / 1048576 rounded to 2 decimals,
// ties to even.
double TempSizeMb(std::int64_t bytes);

// Whether a file last written at `lastWrite` is old enough to be listed at
// `now` (both UTC): more than seven days before now, in the user's local
// wall time.
bool OlderThanSevenDays(index::LocalTime& local, platform::FileTime lastWrite,
                        platform::FileTime now);

// What the section shares with the rest of the application.
struct TempFilesOptions {
    // Keeps the last clean-up report; made from the machine when none.
    std::shared_ptr<records::ReportStore> reports;
};

class TemporaryFilesSection final : public shell::ShellSection {
public:
    // `options.reports` must be set.
    TemporaryFilesSection(shell::SectionContext& context, TempFilesOptions options);
    TemporaryFilesSection(const TemporaryFilesSection&) = delete;
    TemporaryFilesSection& operator=(const TemporaryFilesSection&) = delete;

    // ---- the shell's side ------------------------------------------------------------
    // The tool bar over the grid, once, with the window.
    std::unique_ptr<toolkit::Control> Build() override;
    // Every entry: an empty filter and an empty grid.
    void Refresh() override;

    // ---- the section's own actions -----------------------------------------------
    // Walks the temporary folder and fills the grid; returns when done.
    void Scan();
    // The scan ends after the entry it is on.
    void StopScan();
    // Ticks or clears every row, hidden ones included.
    void SelectAll(bool tick);
    // Shows the rows whose name or path holds the filter's text.
    void ApplyFilter();
    // Every ticked row, hidden ones included, to the Recycle Bin.
    void RemoveSelected();

    // ---- for tests -------------------------------------------------------------------
    bool scanning() const { return work_ == Work::Scanning; }
    bool removing() const { return work_ == Work::Removing; }
    toolkit::DataGrid& grid() { return *grid_; }
    toolkit::TextBox& filterBox() { return *filter_; }
    toolkit::NumericUpDown& sizeBox() { return *size_; }

private:
    enum class Work { Idle, Scanning, Removing };

    // Marks the application busy (or not) for a scan, and the controls with it.
    void Busy(bool value);
    // Every control's enabled state from the section's work.
    void UpdateControls();
    void Walk();
    void ListOne(const std::string& folder, std::deque<std::string>& queue);
    records::RemovalSection RemovalOf();

    shell::SectionContext& context_;
    TempFilesOptions options_;
    records::RemovalRun run_;
    Work work_ = Work::Idle;
    base::Lease scanLease_;

    // The scan's state. The folder walked (empty when none was) is where
    // every removal checks its file still lies.
    std::string walkedRoot_;
    int filesSeen_ = 0;
    index::LocalTime local_;
    base::IgnoreCaseSet visited_;

    // Controls, owned by the view.
    toolkit::Control* view_ = nullptr;
    toolkit::Button* scan_ = nullptr;
    toolkit::Button* stop_ = nullptr;
    toolkit::Button* selectAll_ = nullptr;
    toolkit::Button* selectNone_ = nullptr;
    toolkit::Button* delete_ = nullptr;
    toolkit::TextBox* filter_ = nullptr;
    toolkit::NumericUpDown* size_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
};

// Adds the section to the catalog, kept for the window's life; the More
// menu's "ملفات مؤقتة" opens it.
void RegisterTemporaryFiles(shell::SectionCatalog& catalog, TempFilesOptions options = {});

} // namespace vexo::files
