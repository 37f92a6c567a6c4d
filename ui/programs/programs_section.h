#pragma once
// Programs: the installed programs in a grid, and the ticked ones removed by
// their own uninstallers, one after the other. The product never removes a
// program's files or registry entries itself; it starts the command the
// program registered for its removal and then looks whether the entry has
// gone. Entries of system components and drivers, and entries without a
// command, are shown but cannot be ticked.
//
// The list is read on a worker of its own and taken over by a 180-ms timer.
// The queue runs on the UI thread: while an uninstaller runs, the window's
// messages go through every 150 ms so the pause button and the refusals of
// the close and navigation guards answer.

#include "programs/app_entry.h"
#include "programs/inventory_worker.h"
#include "records/cleanup_report.h"
#include "shell/section.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::programs {

// ---- what the user reads ----------------------------------------------------------

inline constexpr std::string_view kReloadText = "تحديث قائمة البرامج";
inline constexpr std::string_view kSelectVisibleText = "تحديد كل الظاهر القابل للإزالة";
inline constexpr std::string_view kClearTicksText = "إلغاء التحديد";
inline constexpr std::string_view kRemoveText = "إزالة البرامج المحددة";
inline constexpr std::string_view kPauseText = "إيقاف بعد البرنامج الحالي";
inline constexpr std::string_view kPausingText = "سيتوقف بعد الحالي";
inline constexpr std::string_view kSearchName = "ابحث عن برنامج بالاسم أو الناشر";
inline constexpr std::string_view kBulkText = "إزالة كل الظاهر القابل للإزالة";
inline constexpr std::string_view kWindowsListText = "قائمة برامج ويندوز";
inline constexpr std::string_view kWindowsListUri = "ms-settings:appsfeatures";

// Row states.
inline constexpr std::string_view kStateProtected = "مكون محمي";
inline constexpr std::string_view kStateNoCommand = "لا يوجد أمر إزالة";
inline constexpr std::string_view kStateReady = "جاهز للمراجعة";
inline constexpr std::string_view kStateRunning = "جارٍ تشغيل أداة الإزالة";
inline constexpr std::string_view kStateVanished = "غير موجود في القائمة";
inline constexpr std::string_view kStateCheckWindow = "تحقق من اكتمال نافذة الإزالة";
inline constexpr std::string_view kStateReviewAfterReload = "راجع القائمة بعد التحديث";
inline constexpr std::string_view kStateRemoved = "أزيل من قائمة البرامج";
inline constexpr std::string_view kStateFailed = "تعذر/ألغي";

// The footer.
inline constexpr std::string_view kLoading = "جارٍ تحميل البرامج بالخلفية...";
inline constexpr std::string_view kStartFailed = "تعذر بدء تحميل البرامج: ";
inline constexpr std::string_view kLoadFailed = "تعذر تحميل البرامج: ";
inline constexpr std::string_view kSomeUnreadable =
    " توجد عناصر تعذر قراءتها؛ التفاصيل بسجل التشخيص.";
inline constexpr std::string_view kNoEntries =
    "لم يرجع فحص السجل أي برامج. افتح سجل التشخيص أو استخدم زر قائمة ويندوز؛ لا توجد عملية "
    "حذف.";

// Message boxes.
inline constexpr std::string_view kTickFirst = "حدد البرامج أولاً.";
inline constexpr std::string_view kConfirmHead =
    "إزالة هذه البرامج؟ ملفات إعداداتها قد تتأثر. راجع القائمة:\r\n";
inline constexpr std::string_view kConfirmCaption = "تأكيد قائمة الإزالة";
inline constexpr std::string_view kContinuePrompt =
    "قد يكون برنامج الإزالة فتح نافذة أخرى. أكملها أولاً. هل انتهيت وتريد متابعة البرنامج "
    "التالي؟ اختر لا لإيقاف الطابور.";
inline constexpr std::string_view kContinueCaption = "متابعة";
inline constexpr std::string_view kFailureCaption = "لم تكتمل الإزالة";
inline constexpr std::string_view kFinishFirst = "أكمل إزالة البرنامج الجاري أولاً.";

inline constexpr std::string_view kReportKind = "برامج";

inline constexpr int kLoadPollMs = 180;
inline constexpr int kUninstallerPollMs = 150;

// "تم تحميل N برنامج. …": the footer of a finished load.
std::string LoadedText(std::size_t count);

// The state a row starts with.
std::string_view InitialState(const AppEntry& entry);

// A size as the grid shows it: the culture's decimal separator, no grouping,
// no trailing zeros ("1.5", "12", "0").
std::string SizeText(double mb, const base::Culture& culture);

// What an opening of the section shares with the rest of the application.
struct ProgramsOptions {
    // Keeps the last clean-up report; made from the machine when none.
    std::shared_ptr<records::ReportStore> reports;
    // Where the inventory runs; none: a thread of its own.
    InventoryWorkerStart startWorker;
};

// One opening of the section.
class ProgramsSection final : public shell::ShellSection {
public:
    ProgramsSection(shell::SectionContext& context, ProgramsOptions options);
    ~ProgramsSection() override;
    ProgramsSection(const ProgramsSection&) = delete;
    ProgramsSection& operator=(const ProgramsSection&) = delete;

    // ---- the shell's side ------------------------------------------------------------
    // The controls in a new form, and the first load already running, so that
    // the user first sees the list's controls disabled.
    std::unique_ptr<toolkit::Control> Build() override;
    // Abandons a running load.
    void Leaving() override;

    // ---- the section's own actions -----------------------------------------------
    void Load();
    void Reload();
    void TakeLoad();
    void Filter();
    void SelectVisible();
    void ClearTicks();
    void Pause();
    void RemoveVisible();
    void RunQueue();

    // ---- for tests and the benchmark ------------------------------------------------
    bool loading() const { return worker_ != nullptr; }
    bool busy() const { return busy_; }
    toolkit::DataGrid& grid() { return *grid_; }
    toolkit::Label& footer() { return *footer_; }
    toolkit::Timer& timer() { return *timer_; }
    toolkit::TextBox& searchBox() { return *search_; }
    // The rows for these entries, in their order, replacing what the grid held.
    void ShowEntries(const std::vector<AppEntry>& entries);

private:
    struct QueueCounts {
        int attempted = 0;
        int successes = 0;
        std::vector<std::string> logLines;
    };
    // A row as the queue knows it: its place is looked up by its number,
    // since the user may have sorted the grid.
    struct ProgramRow {
        int number = 0;
        AppEntry entry;
    };

    void SetListControlsEnabled(bool enabled);
    void EndLoad();
    void AbandonLoad();
    void SetState(int number, std::string_view state);
    int RowOf(int number) const;
    std::vector<ProgramRow> ChosenRows();
    bool Confirm(const std::vector<ProgramRow>& chosen);
    // Returns false when the user ends the queue at the continue prompt.
    bool Uninstall(const ProgramRow& row, QueueCounts& counts);
    // Starts the uninstaller and waits for it; the exit code as logged.
    std::string StartAndWait(const std::string& program, const std::string& arguments);
    void Fail(const ProgramRow& row, const std::string& text, QueueCounts& counts);
    void FinishQueue(const std::vector<records::DriveReading>& before, const QueueCounts& counts,
                     bool stopped);
    bool EntryExists(const AppEntry& entry);

    shell::SectionContext& context_;
    ProgramsOptions options_;

    std::unique_ptr<InventoryWorker> worker_;
    bool busy_ = false;
    bool stop_ = false;
    base::Lease queueLease_;

    toolkit::Form* form_ = nullptr;
    toolkit::Button* reload_ = nullptr;
    toolkit::Button* selectVisible_ = nullptr;
    toolkit::Button* clearTicks_ = nullptr;
    toolkit::Button* remove_ = nullptr;
    toolkit::Button* pause_ = nullptr;
    toolkit::TextBox* search_ = nullptr;
    toolkit::Button* bulk_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
    toolkit::Label* footer_ = nullptr;
    toolkit::Timer* timer_ = nullptr;
};

// Makes one opening of the section for the shell to show; a report store is
// made from the machine when the options have none.
std::unique_ptr<ProgramsSection> OpenPrograms(shell::SectionContext& context,
                                              ProgramsOptions options);

// Adds Programs to the catalog: the navigation entry and Home's programs
// button open it.
void RegisterPrograms(shell::SectionCatalog& catalog, ProgramsOptions options = {});

} // namespace vexo::programs
