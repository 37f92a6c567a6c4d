#pragma once
// The device browser: every file of the local drives (or of one of them),
// indexed by the engine and searched by name or path, size range, extension,
// category and age, sorted five ways and shown a page at a time. From here
// the user locates a file in Explorer, opens its properties, copies its path
// or name, exports the page or every result as CSV, lists the extensions that
// take the most room, and moves the results that lie in the personal folders
// to the Recycle Bin through the bulk review. Everything outside the personal
// folders is shown for reading only.
//
// The engine crawls, queries, exports and prepares on its own threads; the
// section only reads what it has published, on a 300-ms UI timer. Everything
// here runs on the UI thread.

#include "base/lease.h"
#include "index/engine.h"
#include "records/cleanup_report.h"
#include "shell/section.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::files {

// ---- what the user reads ------------------------------------------------------------

inline constexpr std::string_view kBrowserFirstMetrics =
    "مستعرض الجهاز | ابدأ فهرسة الأقراص لعرض الملفات";
inline constexpr std::string_view kBrowserFirstInfo =
    "حذف نتائج الملفات الشخصية متاح من الزر أعلاه بعد المراجعة. ملفات ويندوز والبرامج للعرض "
    "فقط. الأحجام منطقية؛ الملفات المحمية والسحابية غير المحمّلة والروابط تُتجاوز. الحد مليون "
    "ملف للفهرس.";

inline constexpr std::string_view kAllDrives = "كل الأقراص المحلية";
inline constexpr std::string_view kStartText = "بدء الفهرسة";
inline constexpr std::string_view kStopText = "إيقاف";
inline constexpr std::string_view kRefreshDrivesText = "تحديث الأقراص";
inline constexpr std::string_view kClearIndexText = "مسح الفهرس من الذاكرة";
inline constexpr std::string_view kBulkDeleteText = "حذف كل النتائج القابلة للحذف";
inline constexpr std::string_view kBulkPreparingText = "تجهيز المراجعة بالخلفية…";

inline constexpr std::string_view kSearchLabel = "الاسم / المسار";
inline constexpr std::string_view kSearchBoxName = "اسم الملف أو المسار";
inline constexpr std::string_view kMinimumLabel = "من MB";
inline constexpr std::string_view kMaximumLabel = "إلى MB (0=بلا حد)";
inline constexpr std::string_view kExtensionLabel = "الامتداد";
inline constexpr std::string_view kExtensionBoxName = "امتداد مثل mp4";
inline constexpr std::string_view kAgeLabel = "أقدم من أيام";
inline constexpr std::string_view kApplyText = "تطبيق البحث";
inline constexpr std::string_view kResetText = "إلغاء الفلاتر";

inline constexpr std::string_view kBrowserPreviousText = "السابق";
inline constexpr std::string_view kBrowserNextText = "التالي";
inline constexpr std::string_view kLocateText = "المجلد";
inline constexpr std::string_view kPropertiesText = "خصائص";
inline constexpr std::string_view kCopyPathText = "نسخ المسار";
inline constexpr std::string_view kCopyNameText = "نسخ الاسم";
inline constexpr std::string_view kReportsText = "التقارير ▾";

inline constexpr std::string_view kPageExportText = "تصدير الصفحة CSV";
inline constexpr std::string_view kAllExportText = "تصدير نتائج البحث كلها CSV";
inline constexpr std::string_view kStatisticsText = "أكبر 20 امتداداً حسب الحجم";

inline constexpr std::string_view kCategories[] = {
    "كل الأنواع", "فيديو", "صور", "مستندات", "أرشيفات", "مثبتات برامج", "صوت", "صور أقراص",
};
inline constexpr std::string_view kSorts[] = {
    "الأكبر أولاً", "الأصغر أولاً", "الاسم", "الأحدث تعديلاً", "المسار",
};
inline constexpr std::string_view kPageSizes[] = {"100", "250", "500"};

inline constexpr std::string_view kSearchTip = "اسم الملف أو جزء من المسار — Ctrl+F";
inline constexpr std::string_view kExtensionTip = "امتداد واحد مثل mp4 أو .pdf";
inline constexpr std::string_view kSortTip = "الترتيب يشمل نتائج الفهرس كلها، مو الصفحة فقط";
inline constexpr std::string_view kAgeTip =
    "0 يعرض كل التواريخ. العدد الموجب يعرض الملفات الأقدم من عدد الأيام.";

inline constexpr std::string_view kCrawlDetail = "فحص للعرض؛ حذف ملفاتك من قسم الملفات الشخصية.";
inline constexpr std::string_view kClearedMetrics =
    "تم مسح الفهرس من الذاكرة؛ ملفات الجهاز لم تتغير.";
inline constexpr std::string_view kClearedInfo = "ابدأ فهرسة جديدة.";
inline constexpr std::string_view kQueryingNote = " | جارٍ البحث والترتيب";

inline constexpr std::string_view kPhaseError = "توقف بخطأ";
inline constexpr std::string_view kPhaseLimit = "حد مليون ملف — نتائج جزئية";
inline constexpr std::string_view kPhaseStopped = "متوقف — جزئي";
inline constexpr std::string_view kPhaseDone = "اكتمل المتاح";
inline constexpr std::string_view kPhaseRunning = "الفهرسة مستمرة";

inline constexpr std::string_view kRangeRefused = "الحد الأعلى لازم يكون أكبر من الحد الأدنى.";
inline constexpr std::string_view kNoDrives = "ماكو أقراص متاحة.";
inline constexpr std::string_view kQueryFailed = "تعذر البحث؛ راجع سجل التشخيص.";
inline constexpr std::string_view kTickFailedInfo =
    "تعذر تحديث الواجهة؛ راجع سجل التشخيص ثم أعد الفحص.";
inline constexpr std::string_view kCopyPathFailed = "تعذر نسخ المسار.";
inline constexpr std::string_view kCopyNameFailed = "تعذر نسخ الاسم.";
inline constexpr std::string_view kPropertiesFailed = "تعذر فتح الخصائص: ";
inline constexpr std::string_view kWaitForScan = "انتظر اكتمال الفحص والبحث، أو أوقف الفحص أولاً.";
inline constexpr std::string_view kWaitForExport = "انتظر اكتمال التصدير.";
inline constexpr std::string_view kApplyFirst = "طبّق البحث أولاً.";
inline constexpr std::string_view kEmptyPage = "ماكو نتائج بالصفحة.";
inline constexpr std::string_view kPageSaved = "تم حفظ تقرير الصفحة.";
inline constexpr std::string_view kScanFirst = "ابدأ الفحص أولاً.";
inline constexpr std::string_view kExportStillRuns = "التصدير السابق مستمر.";
inline constexpr std::string_view kExportStarted =
    "بدأ تصدير لقطة النتائج المفهرسة حالياً بالخلفية. إذا الفهرسة مستمرة، التقرير جزئي.";
inline constexpr std::string_view kExportReport = "تقرير التصدير: ";
inline constexpr std::string_view kStatisticsHead =
    "أكبر الامتدادات في الفهرس الحالي — الأحجام منطقية";

inline constexpr std::string_view kCsvFilter = "CSV (*.csv)|*.csv";
inline constexpr std::string_view kPageFileName = "Vexo-page.csv";
inline constexpr std::string_view kAllFileName = "Vexo-results.csv";

inline constexpr int kBrowserTickMs = 300;
inline constexpr int kDefaultPageSize = 250;

// The page as a CSV file: the byte-order mark, the quoted header, then one
// line per record with every field quoted (the size too), names that a
// spreadsheet would run as a formula guarded by an apostrophe, CR LF after
// every line.
std::string PageCsv(const std::vector<index::VexoFile13>& rows);

// What the info line and the metrics line show at one tick.
struct BrowserFigures {
    std::string_view phase;
    std::int32_t indexed = 0;
    std::int64_t bytes = 0;
    std::int32_t results = 0;
    std::int32_t offset = 0;
    std::int32_t pageSize = kDefaultPageSize;
    std::int64_t rate = 0; // files a second over the whole crawl
    double seconds = 0;    // the crawl clock
    std::int64_t skipped = 0;
    bool querying = false;
    std::string detail;
};
std::string MetricsText(const BrowserFigures& figures, const base::Culture& culture);
std::string InfoText(const BrowserFigures& figures, const base::Culture& culture);

// The detail of a selected file: its path, then its size and last write.
std::string DetailText(const index::VexoFile13& file, const base::Culture& culture);

// What an opening of the section shares with the rest of the application.
struct DeviceBrowserOptions {
    // Keeps the last clean-up report; made from the machine when none.
    std::shared_ptr<records::ReportStore> reports;
    // Where the engines' queries run; none: the process's pool.
    std::shared_ptr<index::Executor> executor;
};

// One opening of the section, made by the shell and destroyed once the user
// leaves it.
class DeviceBrowserSection final : public shell::ShellSection {
public:
    // `options.reports` must be set.
    DeviceBrowserSection(shell::SectionContext& context, DeviceBrowserOptions options);
    ~DeviceBrowserSection() override;
    DeviceBrowserSection(const DeviceBrowserSection&) = delete;
    DeviceBrowserSection& operator=(const DeviceBrowserSection&) = delete;

    // ---- the shell's side ------------------------------------------------------------
    std::unique_ptr<toolkit::Control> Build() override;
    // The colours that stand out, after the palette pass.
    void Shown() override;
    // Disposal: the engine's work is told to stop and its answers dropped.
    void Leaving() override;

    // ---- the section's own actions -----------------------------------------------
    void StartIndexing();
    void RequestPage();
    void Tick();
    void FillDrives();
    void ClearIndex();
    void BulkRemoval();
    void ExportPage();
    void ExportAll();
    void ShowStatistics();
    void Locate();
    void ShowProperties();
    void CopySelected(bool path);
    void OpenReports();

    // ---- for tests and the benchmark ------------------------------------------------
    const std::shared_ptr<index::VexoEngine13>& engine() const { return engine_; }
    bool crawling() const { return crawling_; }
    bool querying() const { return querying_; }
    bool bulkWaiting() const { return bulkWaiting_; }
    bool bulkActive() const { return bulkActive_; }
    bool hasFilter() const { return filter_.has_value(); }
    std::int32_t offset() const { return offset_; }
    std::int32_t resultCount() const { return resultCount_; }
    const std::vector<std::string>& driveRoots() const { return driveRoots_; }
    int pageSize() const;
    toolkit::Form& form() { return *form_; }
    toolkit::DataGrid& grid() { return *grid_; }
    toolkit::Label& metrics() { return *metrics_; }
    toolkit::Label& info() { return *info_; }
    toolkit::Timer& timer() { return *timer_; }
    toolkit::TextBox& searchBox() { return *search_; }
    toolkit::PopupMenu& reportsMenu() { return *reportsMenu_; }
    // Copies a published page into the grid, as a tick does.
    void ShowPage(const index::VexoPage13& page);

private:
    struct RecordedFilter {
        index::Filter filter;
        index::SortOrder order = index::kLargestFirst;
    };

    void SetScanControls(bool crawling);
    void FailTick(const std::string& description);
    void OpenReview();
    void ApplyPage(const index::VexoPage13& page);
    const index::VexoFile13* SelectedFile() const;
    double CrawlSeconds() const;

    shell::SectionContext& context_;
    DeviceBrowserOptions options_;

    // The state of this opening.
    std::shared_ptr<index::VexoEngine13> engine_;
    std::int32_t offset_ = 0;
    std::int32_t resultCount_ = 0;
    bool crawling_ = false;
    std::int32_t wantedToken_ = 0;
    std::int32_t appliedToken_ = 0;
    bool finalRefreshMade_ = false;
    bool disposed_ = false;
    std::optional<RecordedFilter> filter_;
    std::string detail_;
    bool querying_ = false;
    bool earlyRequestMade_ = false;
    bool bulkWaiting_ = false;
    bool bulkActive_ = false;
    std::vector<std::string> bulkRoots_;
    std::vector<std::string> driveRoots_;
    // The crawl clock: when it started and, once stopped, how long it ran.
    std::int64_t crawlStartedNanos_ = 0;
    std::optional<std::int64_t> crawlRanNanos_;
    bool crawlClockRunning_ = false;

    // The application is busy while any of these is held: the crawl (with
    // its cancel as the stop), an export, a bulk removal.
    base::Lease crawlBusy_;
    base::Lease exportBusy_;
    base::Lease bulkBusy_;

    // Controls, owned by the form.
    toolkit::Form* form_ = nullptr;
    toolkit::Label* metrics_ = nullptr;
    toolkit::ComboBox* drives_ = nullptr;
    toolkit::Button* start_ = nullptr;
    toolkit::Button* stop_ = nullptr;
    toolkit::Button* refreshDrives_ = nullptr;
    toolkit::Button* clearIndex_ = nullptr;
    toolkit::Button* bulkDelete_ = nullptr;
    toolkit::TextBox* search_ = nullptr;
    toolkit::NumericUpDown* minimum_ = nullptr;
    toolkit::NumericUpDown* maximum_ = nullptr;
    toolkit::TextBox* extension_ = nullptr;
    toolkit::ComboBox* category_ = nullptr;
    toolkit::NumericUpDown* age_ = nullptr;
    toolkit::ComboBox* sort_ = nullptr;
    toolkit::Button* apply_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
    toolkit::Button* previous_ = nullptr;
    toolkit::Button* next_ = nullptr;
    toolkit::ComboBox* pageSizes_ = nullptr;
    toolkit::Button* reports_ = nullptr;
    toolkit::Label* info_ = nullptr;
    toolkit::Timer* timer_ = nullptr;
    std::unique_ptr<toolkit::PopupMenu> reportsMenu_;
};

// Makes one opening of the section for the shell to show; a report store is
// made from the machine when the options have none.
std::unique_ptr<DeviceBrowserSection> OpenDeviceBrowser(shell::SectionContext& context,
                                                        DeviceBrowserOptions options);

// Adds the device browser to the catalog: the More menu's entry opens it.
void RegisterDeviceBrowser(shell::SectionCatalog& catalog, DeviceBrowserOptions options = {});

} // namespace vexo::files
