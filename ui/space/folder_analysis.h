#pragma once
// Folder analysis: where the space of one drive goes. The section lists the
// ready fixed drives with their figures, measures every entry directly under
// the chosen drive's root on the scanner's own thread, shows the entries as
// each one finishes, sorts them largest first at the end, and keeps the rows
// of a complete run so that "آخر تحليل محفوظ" can show them again without
// scanning. It reads only: system and program folders are measured like any
// other, and the one action on a row is to open it in Explorer.
//
// Everything here runs on the UI thread; the scanner's rows and counts are
// read on a 250-ms timer.

#include "shell/section.h"
#include "space/folder_scan.h"
#include "space/saved_analysis.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vexo::space {

// ---- what the user reads ------------------------------------------------------------

inline constexpr std::string_view kAnalyseText = "تحليل القرص المحدد";
inline constexpr std::string_view kStopAnalysisText = "إيقاف التحليل";
inline constexpr std::string_view kOpenFolderText = "فتح المجلد المحدد";
inline constexpr std::string_view kDrivesViewText = "عرض الأقراص والمساحة";
inline constexpr std::string_view kSavedViewText = "آخر تحليل محفوظ";

inline constexpr std::string_view kReadOnlyNotice =
    "التحليل للعرض فقط: يشمل مجلدات النظام والبرامج ولا يحذفها. قد يتجاوز ملفات محمية وروابط "
    "وملفات سحابية. الأحجام هي مجموع أطوال الملفات؛ قد تختلف عن المساحة الفعلية على القرص.";
inline constexpr std::string_view kStarting =
    "بدء فحص جديد بالخلفية؛ يمكنك تحريك النافذة وإيقاف الفحص.";
inline constexpr std::string_view kStartFailed = "تعذر بدء الفحص؛ افتح سجل التشخيص.";
inline constexpr std::string_view kStopping = "جارٍ إيقاف التحليل؛ النتائج جزئية.";
inline constexpr std::string_view kEndedByError = "توقف بخطأ؛ افتح سجل التشخيص";
inline constexpr std::string_view kEndedByRequest = "توقف بطلبك؛ النتائج جزئية";
inline constexpr std::string_view kEndedComplete = "اكتمل فحص العناصر المتاحة";
inline constexpr std::string_view kEndReminder =
    " | الأحجام منطقية وقد تختلف عن المستخدم الفعلي. لا تحذف مجلدات النظام يدوياً.";
inline constexpr std::string_view kTickFailed =
    "تعذر عرض النتائج؛ التفاصيل في سجل التشخيص. يمكنك إعادة الفحص.";
inline constexpr std::string_view kNoSavedAnalysis = "ماكو تحليل محفوظ لهذا القرص؛ سوّ فحص أولاً.";

inline constexpr int kAnalysisTickMs = 250;

// The bottom label while a scan runs: the entry being measured, the counts
// so far and the whole seconds since the start (N0).
std::string ProgressText(const std::string& current, std::int64_t files, std::int64_t skipped,
                         double seconds, const base::Culture& culture);
// The bottom label once a scan has ended: how it ended and its counts.
std::string EndText(std::string_view state, std::int64_t files, std::int64_t skipped);
// The drives view's note: "مستخدم " + the used GB at 2 decimals (full stop,
// no grouping, no trailing zeros) + " GB".
std::string UsedNote(std::int64_t usedBytes);

// One opening of the section, made by the shell and destroyed once the user
// leaves it. Busy exactly while it holds a scanner.
class StorageSection final : public shell::ShellSection {
public:
    explicit StorageSection(shell::SectionContext& context);
    // A scan still running is asked to stop; its thread ends on its own.
    ~StorageSection() override;
    StorageSection(const StorageSection&) = delete;
    StorageSection& operator=(const StorageSection&) = delete;

    // ---- the shell's side ------------------------------------------------------------
    // The controls in a new form.
    std::unique_ptr<toolkit::Control> Build() override;
    // The drive list, filled once, and the drives view.
    void Shown() override;
    // Stops the scan and the timer.
    void Leaving() override;

    // ---- the section's own actions -----------------------------------------------
    // Every ready fixed drive as a row (never a removable one).
    void ShowDrives();
    void StartAnalysis();
    void StopAnalysis();
    void Tick();
    void OpenSelectedFolder();
    void ShowSavedAnalysis();

    // ---- for tests -------------------------------------------------------------------
    bool busy() const { return scan_ != nullptr; }
    const std::shared_ptr<VexoFastScan10>& scanner() const { return scan_; }
    toolkit::ComboBox& driveList() { return *drives_; }
    toolkit::DataGrid& grid() { return *grid_; }
    toolkit::Label& status() { return *status_; }
    toolkit::Timer& timer() { return *timer_; }

private:
    void AddDriveRow(const std::string& root);
    void AddResultRow(const VexoFolder10& folder);
    void EndAnalysis();
    void SaveRows();
    void FailTick(const std::string& error);
    // Not busy any more: the lease dropped, the controls as between runs.
    void Idle();
    void SetRunning(bool running);
    double ElapsedSeconds() const;

    shell::SectionContext& context_;

    // The state of this opening.
    std::shared_ptr<VexoFastScan10> scan_;
    // Held while scan_ is; declared after it, so that it is dropped first.
    base::Lease work_;
    std::string savedPath_;
    std::int64_t startedNanos_ = 0;

    // Controls, owned by the form.
    toolkit::ComboBox* drives_ = nullptr;
    toolkit::Button* analyse_ = nullptr;
    toolkit::Button* stop_ = nullptr;
    toolkit::Button* openFolder_ = nullptr;
    toolkit::Button* drivesView_ = nullptr;
    toolkit::Button* savedView_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
    toolkit::Label* status_ = nullptr;
    toolkit::Timer* timer_ = nullptr;
};

// Makes one opening of the section for the shell to show.
std::unique_ptr<StorageSection> OpenStorage(shell::SectionContext& context);

// Adds Folder analysis to the catalog: the More menu's "تحليل المجلدات"
// opens it.
void RegisterFolderAnalysis(shell::SectionCatalog& catalog);

} // namespace vexo::space
