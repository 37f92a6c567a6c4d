#pragma once
// My Files: the main way a user frees space. The section indexes the user's
// personal folders (or one folder the user picks), shows the results 250 at
// a time with the largest first, lets the user tick files on the page or take
// every result of the current search, and after a confirmation that lists the
// files hands them one by one to the Recycle Bin through the shared run frame.
//
// The index engine crawls and answers queries on its own threads; the
// section only reads what the engine has published, on a 350-ms UI timer.
// Everything here runs on the UI thread.

#include "index/engine.h"
#include "records/cleanup_report.h"
#include "records/run_frame.h"
#include "shell/services.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::files {

// ---- what the user reads ------------------------------------------------------------

inline constexpr std::string_view kInstruction =
    "حذف المحدد لاختيارك، أو حذف الكل لكل نتائج البحث. التأكيد قبل التنفيذ.";
inline constexpr std::string_view kFirstMessage =
    "جارٍ تجهيز البحث في التنزيلات وسطح المكتب والمستندات والصور والفيديو والموسيقى. لا يفحص "
    "ملفات ويندوز أو البرامج.";

inline constexpr std::string_view kRestartText = "إعادة البحث";
inline constexpr std::string_view kChooseFolderText = "اختار مجلد ملفاتك";
inline constexpr std::string_view kStopSearchText = "إيقاف البحث";
inline constexpr std::string_view kNameBoxName = "اسم الملف";
inline constexpr std::string_view kSizeAll = "كل ملفاتك";
inline constexpr std::string_view kSizeOver100Mb = "أكبر من 100 MB";
inline constexpr std::string_view kSizeOver1Gb = "أكبر من 1 GB";
inline constexpr std::string_view kSearchText = "بحث بالاسم";
inline constexpr std::string_view kSelectPageText = "تحديد الصفحة";
inline constexpr std::string_view kTakeAllText = "حذف الكل";
inline constexpr std::string_view kClearText = "إلغاء التحديد";
inline constexpr std::string_view kDeleteText = "حذف المحدد";
inline constexpr std::string_view kPreviousText = "السابق";
inline constexpr std::string_view kNextText = "التالي";
inline constexpr std::string_view kOpenBinText = "افتح السلة";
inline constexpr std::string_view kStopDeleteText = "إيقاف الحذف";
inline constexpr std::string_view kStoppingDeleteText = "سيتوقف بعد الملف الحالي";

inline constexpr std::string_view kTakeAllTip =
    "يحذف نتائج البحث الحالية من ملفاتك الشخصية بكل الصفحات، إلى السلة وبعد التأكيد.";
inline constexpr std::string_view kDeleteTip = "ينقل الملفات المحددة إلى السلة بعد التأكيد.";

inline constexpr std::string_view kNoRoots = "ما لقيت مجلدات شخصية محلية متاحة.";
inline constexpr std::string_view kPageFailed = "تعذر عرض نتائج البحث؛ راجع سجل التشخيص.";
inline constexpr std::string_view kCrawlFailed =
    "توقف البحث بخطأ؛ النتائج جزئية. التفاصيل بسجل التشخيص.";
inline constexpr std::string_view kTickFailed =
    "تعذر تحديث النتائج؛ أعد البحث أو افتح سجل التشخيص.";
inline constexpr std::string_view kWaitForSearch = "انتظر اكتمال البحث أو أوقفه أولاً.";
inline constexpr std::string_view kNothingMatches = "ماكو ملفات مطابقة للحذف.";
inline constexpr std::string_view kTakeAllFailed = "تعذر تحديد النتائج.";
inline constexpr std::string_view kStopSearchFirst = "أوقف البحث أو انتظر اكتماله أولاً.";
inline constexpr std::string_view kChooseFolderPrompt =
    "اختار مجلد ملفاتك. مجلدات ويندوز والبرامج والروابط محمية.";
inline constexpr std::string_view kFolderRefused =
    "اختار مجلد بيانات شخصي؛ هذا المسار محمي أو رابط.";
inline constexpr std::string_view kTickSomething = "علّم على الملفات اللي تريد تحذفها أولاً.";
inline constexpr std::string_view kConfirmCaption = "راجع اختيارك";

inline constexpr int kPageSize = 250;
inline constexpr int kPollMs = 350;
inline constexpr std::int64_t kHundredMb = 104857600;
inline constexpr std::int64_t kOneGb = 1073741824;

// The confirmation's text for these candidates: count and size, the first
// twelve names, and the reminder about the shell's own prompt.
std::string ConfirmationText(const std::vector<index::VexoFile13>& candidates,
                             const base::Culture& culture);

// The two summary lines, joined by CR LF.
struct SummaryFigures {
    bool deleting = false;
    bool crawling = false;
    bool limit = false;     // the index stopped at a million files
    bool cancelled = false; // the crawl was stopped by the user
    std::int32_t results = 0;
    std::int32_t offset = 0;
    std::int64_t selectedCount = 0;
    std::int64_t selectedBytes = 0;
    bool bulk = false; // the selection is every result of the search
    std::int32_t indexed = 0;
};
std::string SummaryText(const SummaryFigures& figures, const base::Culture& culture);

// What an opening of the section shares with the rest of the application.
struct MyFilesOptions {
    // Keeps the last clean-up report; made from the machine when none.
    std::shared_ptr<records::ReportStore> reports;
    // Where the engines' queries run; none: the process's pool.
    std::shared_ptr<index::Executor> executor;
};

// One opening of the section. Built by OpenSimpleFiles and owned by its form;
// gone when the shell disposes the form.
class MyFilesSection final : public records::RunFrameHost {
public:
    MyFilesSection(shell::ShellServices& services, MyFilesOptions options);
    MyFilesSection(const MyFilesSection&) = delete;
    MyFilesSection& operator=(const MyFilesSection&) = delete;

    // Builds the controls into a new form (the caller hosts it).
    std::unique_ptr<toolkit::Form> Build();
    // The colours that stand out, set after the shell's palette pass.
    void ApplyColours();

    // ---- the section's own actions -----------------------------------------------
    void StartIndexing();
    void RequestPage();
    void Tick();
    void RefreshSummary();
    void SelectPage(bool tick);
    void TakeAll();
    void DeleteSelected();
    void ChooseFolder();
    void Close();

    // ---- RunFrameHost --------------------------------------------------------------
    void Tell(const std::string& text) override { services_.Tell(text); }
    void PumpPending() override { services_.App().pumpPending(); }
    void SetBusy(bool busy) override;
    void ShowProgress(int handled, int total) override;
    platform::NativeWindow Owner() override { return services_.Owner(); }

    // ---- for tests and the shell ---------------------------------------------------
    // The section that lives in `form` (a form made by Build), or null.
    static MyFilesSection* Of(toolkit::Control& form);
    const std::shared_ptr<index::VexoEngine13>& engine() const { return engine_; }
    const std::vector<std::string>& indexRoots() const { return indexRoots_; }
    const std::optional<std::string>& customRoot() const { return customRoot_; }
    bool crawling() const { return crawling_; }
    bool deleting() const { return deleting_; }
    bool hasBulkSelection() const { return bulk_ != nullptr; }
    std::int32_t offset() const { return offset_; }
    toolkit::DataGrid& grid() { return *grid_; }
    toolkit::Label& message() { return *message_; }
    toolkit::Timer& timer() { return *timer_; }

private:
    std::int64_t MinimumSize() const;
    std::string SearchText() const;
    void ReleaseBusy();
    void ShowPage(const index::VexoPage13& page);
    void EndCrawl();
    void FailTick(const std::string& error);
    void SetDeleteBarEnabled(bool enabled);

    shell::ShellServices& services_;
    MyFilesOptions options_;
    records::RemovalRun run_;

    // The state of this opening.
    std::shared_ptr<index::VexoEngine13> engine_;
    std::vector<std::string> indexRoots_;
    std::optional<std::string> customRoot_;
    std::int32_t offset_ = 0;
    std::int32_t requestedToken_ = 0;
    std::int32_t appliedToken_ = 0;
    std::int32_t resultCount_ = 0;
    bool crawling_ = false;
    bool crawlFinished_ = false;
    bool firstRequestMade_ = false;
    bool deleting_ = false;
    index::PageRef bulk_;
    bool disposed_ = false;
    int removedInRun_ = 0;

    // Controls, owned by the form.
    toolkit::Form* form_ = nullptr;
    toolkit::FlowLayout* searchBar_ = nullptr;
    toolkit::FlowLayout* deleteBar_ = nullptr;
    toolkit::Button* restart_ = nullptr;
    toolkit::Button* chooseFolder_ = nullptr;
    toolkit::Button* stopSearch_ = nullptr;
    toolkit::TextBox* nameBox_ = nullptr;
    toolkit::ComboBox* sizeFilter_ = nullptr;
    toolkit::Button* search_ = nullptr;
    toolkit::Button* delete_ = nullptr;
    toolkit::Button* previous_ = nullptr;
    toolkit::Button* next_ = nullptr;
    toolkit::Button* stopDelete_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
    toolkit::Label* message_ = nullptr;
    toolkit::Timer* timer_ = nullptr;
};

// Builds the section into the stage through the shell (which has already run
// its busy test and marked My Files) and starts indexing once it is shown.
void OpenSimpleFiles(shell::ShellServices& services, MyFilesOptions options);

// Adds My Files to the catalog: the navigation button and Home's buttons open
// it. Every opening shares the options (one report store is made with the
// window when none is given).
void RegisterMyFiles(shell::SectionCatalog& catalog, MyFilesOptions options = {});

} // namespace vexo::files
