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
#include "shell/section.h"

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

// One opening of the section, made by the shell and destroyed once the user
// leaves it. Its controls' enabled state follows from its state alone, in
// UpdateControls.
class MyFilesSection final : public shell::ShellSection {
public:
    // `options.reports` must be set.
    MyFilesSection(shell::SectionContext& context, MyFilesOptions options);
    ~MyFilesSection() override;
    MyFilesSection(const MyFilesSection&) = delete;
    MyFilesSection& operator=(const MyFilesSection&) = delete;

    // ---- the shell's side ------------------------------------------------------------
    // The controls in a new form.
    std::unique_ptr<toolkit::Control> Build() override;
    // The colours that stand out (after the palette pass), then the first
    // crawl.
    void Shown() override;
    // Cancels the crawl and stops the poll.
    void Leaving() override;

    // ---- the section's own actions -----------------------------------------------
    void StartIndexing();
    void RequestPage();
    void Tick();
    void RefreshSummary();
    void SelectPage(bool tick);
    void TakeAll();
    void DeleteSelected();
    void ChooseFolder();

    // ---- for tests -------------------------------------------------------------------
    const std::shared_ptr<index::VexoEngine13>& engine() const { return engine_; }
    const std::vector<std::string>& indexRoots() const { return indexRoots_; }
    const std::optional<std::string>& customRoot() const { return customRoot_; }
    bool crawling() const { return crawl_.held(); }
    bool deleting() const { return run_.running(); }
    bool hasBulkSelection() const { return bulk_ != nullptr; }
    std::int32_t offset() const { return offset_; }
    toolkit::DataGrid& grid() { return *grid_; }
    toolkit::Label& message() { return *message_; }
    toolkit::Timer& timer() { return *timer_; }

private:
    // Every control's enabled state from the section's state; called after
    // every change of it.
    void UpdateControls();
    std::int64_t MinimumSize() const;
    std::string SearchText() const;
    void ShowPage(const index::VexoPage13& page);
    void EndCrawl();
    void FailTick(const std::string& error);
    void StopEngine();
    records::RemovalSection RemovalOf();

    shell::SectionContext& context_;
    MyFilesOptions options_;
    records::RemovalRun run_;

    // The state of this opening.
    std::shared_ptr<index::VexoEngine13> engine_;
    // Held while the crawl runs.
    base::Lease crawl_;
    std::vector<std::string> indexRoots_;
    std::optional<std::string> customRoot_;
    std::int32_t offset_ = 0;
    std::int32_t requestedToken_ = 0;
    std::int32_t appliedToken_ = 0;
    std::int32_t resultCount_ = 0;
    bool crawlFinished_ = false;
    bool firstRequestMade_ = false;
    // A tick failed: the results stand as they were, not to be removed from
    // until the next crawl.
    bool tickFailed_ = false;
    index::PageRef bulk_;
    int removedInRun_ = 0;

    // Controls, owned by the form.
    toolkit::Form* form_ = nullptr;
    toolkit::FlowLayout* searchBar_ = nullptr;
    toolkit::Button* restart_ = nullptr;
    toolkit::Button* stopSearch_ = nullptr;
    toolkit::TextBox* nameBox_ = nullptr;
    toolkit::ComboBox* sizeFilter_ = nullptr;
    toolkit::Button* selectPage_ = nullptr;
    toolkit::Button* takeAll_ = nullptr;
    toolkit::Button* clear_ = nullptr;
    toolkit::Button* delete_ = nullptr;
    toolkit::Button* previous_ = nullptr;
    toolkit::Button* next_ = nullptr;
    toolkit::Button* openBin_ = nullptr;
    toolkit::Button* stopDelete_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
    toolkit::Label* message_ = nullptr;
    toolkit::Timer* timer_ = nullptr;
};

// Makes one opening of the section for the shell to show; a report store is
// made from the machine when the options have none.
std::unique_ptr<MyFilesSection> OpenSimpleFiles(shell::SectionContext& context,
                                                MyFilesOptions options);

// Adds My Files to the catalog: the navigation button and Home's buttons open
// it. Every opening shares the options (one report store is made with the
// window when none is given).
void RegisterMyFiles(shell::SectionCatalog& catalog, MyFilesOptions options = {});

} // namespace vexo::files
