#include "files/device_browser.h"

#include "base/csv.h"
#include "base/culture.h"
#include "base/datetime.h"
#include "base/text_file.h"
#include "base/trim.h"
#include "files/bulk_review.h"
#include "files/section_parts.h"
#include "records/path_guard.h"
#include "shell/style.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

namespace vexo::files {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

constexpr double kMb = kBytesInMb;
constexpr double kGb = kBytesInGb;
constexpr std::int64_t kBytesPerMb = 1048576;

// A small label of the filter bar, sized to its text.
void AddLabel(toolkit::FlowLayout& bar, std::string_view text) {
    toolkit::LabelArgs args;
    args.text = std::string(text);
    args.autoSize = true;
    args.padding = Spacing{3, 7, 3, 0};
    bar.add<toolkit::Label>(args);
}

toolkit::FlowLayout* AddBar(toolkit::TableLayout& table, int row) {
    toolkit::FlowLayoutArgs args;
    args.dock = Dock::Fill;
    args.margin = Spacing{};
    args.direction = toolkit::FlowDirection::RightToLeft;
    args.wrap = true;
    args.autoScroll = true;
    return table.addAt<toolkit::FlowLayout>(0, row, args);
}

toolkit::ComboBox* AddList(toolkit::FlowLayout& bar, int width, std::vector<std::string> items,
                           int selected) {
    toolkit::ListArgs args;
    args.size = toolkit::Size{width, 28};
    args.items = std::move(items);
    args.selectedIndex = selected;
    return bar.add<toolkit::ComboBox>(args);
}

template <std::size_t N> std::vector<std::string> Items(const std::string_view (&texts)[N]) {
    return std::vector<std::string>(std::begin(texts), std::end(texts));
}

toolkit::NumericUpDown* AddNumber(toolkit::FlowLayout& bar, double maximum, int width) {
    toolkit::NumericUpDownArgs args;
    args.minimum = 0;
    args.maximum = maximum;
    args.decimals = 0;
    args.value = 0;
    args.size = toolkit::Size{width, 28};
    return bar.add<toolkit::NumericUpDown>(args);
}

toolkit::TextBox* AddTextBox(toolkit::FlowLayout& bar, int width, std::string_view name,
                             std::string_view tip) {
    toolkit::TextBoxArgs args;
    args.size = toolkit::Size{width, 28};
    args.accessibleName = std::string(name);
    args.tooltip = std::string(tip);
    return bar.add<toolkit::TextBox>(args);
}

void AppendQuoted(std::string& out, std::int64_t value) {
    out += '"';
    out += std::to_string(value);
    out += '"';
}

} // namespace

// ---- texts ----------------------------------------------------------------------------

std::string PageCsv(const std::vector<index::VexoFile13>& rows) {
    std::string out(base::kUtf8Bom);
    out += "\"Name\",\"Bytes\",\"Extension\",\"Modified\",\"Path\"\r\n";
    for (const index::VexoFile13& f : rows) {
        out += base::CsvField(f.Name);
        out += ',';
        AppendQuoted(out, f.Bytes);
        out += ',';
        out += base::CsvField(f.Extension);
        out += ',';
        out += base::CsvField(base::FormatSortable(f.Modified));
        out += ',';
        out += base::CsvField(f.Path);
        out += "\r\n";
    }
    return out;
}

std::string MetricsText(const BrowserFigures& f, const base::Culture& culture) {
    return std::string(f.phase) + " | " + base::FormatN(f.indexed, 0, culture) + " ملف | " +
           base::FormatN(static_cast<double>(f.bytes) / kGb, 2, culture) +
           " GB | نتائج: " + base::FormatN(f.results, 0, culture);
}

std::string InfoText(const BrowserFigures& f, const base::Culture& culture) {
    const std::int32_t page = f.pageSize > 0 ? f.offset / f.pageSize + 1 : 1;
    return "الصفحة " + std::to_string(page) + " | متوسط الفحص " +
           base::FormatN(f.rate, 0, culture) + " ملف/ث | " + base::FormatN(f.seconds, 0, culture) +
           " ثانية | متجاوز " + base::FormatN(f.skipped, 0, culture) +
           (f.querying ? std::string(kQueryingNote) : std::string()) + "\r\n" + f.detail;
}

std::string DetailText(const index::VexoFile13& file, const base::Culture& culture) {
    return file.Path + "\r\nالحجم: " + base::FormatN(file.Bytes, 0, culture) +
           " بايت | آخر تعديل: " + base::FormatGeneral(file.Modified, culture);
}

// ---- building -------------------------------------------------------------------------

DeviceBrowserSection::DeviceBrowserSection(shell::SectionContext& context,
                                           DeviceBrowserOptions options)
    : context_(context), options_(std::move(options)) {}

// The crawl borrows the machine; it ends with the section even when the
// window goes without the user leaving first.
DeviceBrowserSection::~DeviceBrowserSection() {
    if (engine_) {
        engine_->Cancel();
        engine_->InvalidateQueries();
    }
}

std::unique_ptr<toolkit::Control> DeviceBrowserSection::Build() {
    toolkit::FormArgs formArgs;
    formArgs.accessibleName = "device-browser";
    auto form = std::make_unique<toolkit::Form>(context_.App(), formArgs);
    form_ = form.get();

    toolkit::TableLayoutArgs tableArgs;
    tableArgs.dock = Dock::Fill;
    tableArgs.margin = Spacing{};
    tableArgs.padding = Spacing::all(12);
    tableArgs.columns = {toolkit::Track::percent(100)};
    tableArgs.rows = {toolkit::Track::pixels(58),  toolkit::Track::pixels(48),
                      toolkit::Track::pixels(100), toolkit::Track::fill(),
                      toolkit::Track::pixels(48),  toolkit::Track::pixels(78)};
    auto* table = form->add<toolkit::TableLayout>(tableArgs);

    // Row 1: the figures of the index.
    toolkit::LabelArgs metricsArgs;
    metricsArgs.text = std::string(kBrowserFirstMetrics);
    metricsArgs.dock = Dock::Fill;
    metricsArgs.font = toolkit::Font{"Segoe UI", 13.0f, true};
    metricsArgs.align = toolkit::HAlign::Right;
    metricsArgs.verticalAlign = toolkit::VAlign::Middle;
    metrics_ = table->addAt<toolkit::Label>(0, 0, metricsArgs);

    // Row 2: what is indexed.
    toolkit::FlowLayout* scanBar = AddBar(*table, 1);
    drives_ = AddList(*scanBar, 180, {}, -1);
    drives_->setAccessibleName("drives");
    start_ = shell::AddBarButton(*scanBar, kStartText);
    stop_ = shell::AddBarButton(*scanBar, kStopText);
    stop_->setEnabled(false);
    refreshDrives_ = shell::AddBarButton(*scanBar, kRefreshDrivesText);
    clearIndex_ = shell::AddBarButton(*scanBar, kClearIndexText);
    bulkDelete_ = shell::AddBarButton(*scanBar, kBulkDeleteText);

    // Row 3: the search.
    toolkit::FlowLayout* filterBar = AddBar(*table, 2);
    AddLabel(*filterBar, kSearchLabel);
    search_ = AddTextBox(*filterBar, 210, kSearchBoxName, kSearchTip);
    AddLabel(*filterBar, kMinimumLabel);
    minimum_ = AddNumber(*filterBar, 1'000'000, 75);
    minimum_->setAccessibleName("minimum");
    AddLabel(*filterBar, kMaximumLabel);
    maximum_ = AddNumber(*filterBar, 1'000'000, 75);
    maximum_->setAccessibleName("maximum");
    AddLabel(*filterBar, kExtensionLabel);
    extension_ = AddTextBox(*filterBar, 80, kExtensionBoxName, kExtensionTip);
    category_ = AddList(*filterBar, 120, Items(kCategories), 0);
    category_->setAccessibleName("category");
    AddLabel(*filterBar, kAgeLabel);
    age_ = AddNumber(*filterBar, 36'500, 65);
    age_->setAccessibleName("age");
    age_->setTooltip(std::string(kAgeTip));
    sort_ = AddList(*filterBar, 130, Items(kSorts), 0);
    sort_->setAccessibleName("sort");
    sort_->setTooltip(std::string(kSortTip));
    apply_ = shell::AddBarButton(*filterBar, kApplyText);
    toolkit::Button* reset = shell::AddBarButton(*filterBar, kResetText);

    // Row 4: the results, for reading only.
    const base::Culture culture = context_.Culture();
    toolkit::DataGridArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.readOnly = true;
    gridArgs.multiSelect = false;
    gridArgs.fullRowSelect = true;
    gridArgs.accessibleName = "results";
    auto text = [](const char* name, const char* header, float weight) {
        return toolkit::GridColumn{name,  header, toolkit::ColumnKind::Text, weight, {}, true,
                                   false, true};
    };
    gridArgs.columns = {
        text("Name", "اسم الملف", 100),
        {"MB", "الحجم MB", toolkit::ColumnKind::Number, 100,
         [culture](const toolkit::CellValue& v) {
             return std::holds_alternative<double>(v)
                        ? base::FormatN(std::get<double>(v), 2, culture)
                        : std::string();
         },
         true, false, true},
        text("Ext", "النوع", 100),
        text("Modified", "آخر تعديل", 100),
        text("Path", "المسار الكامل", 200),
    };
    grid_ = table->addAt<toolkit::DataGrid>(0, 3, gridArgs);

    // Row 5: the page and the selected file.
    toolkit::FlowLayout* actionBar = AddBar(*table, 4);
    previous_ = shell::AddBarButton(*actionBar, kBrowserPreviousText);
    next_ = shell::AddBarButton(*actionBar, kBrowserNextText);
    previous_->setEnabled(false);
    next_->setEnabled(false);
    pageSizes_ = AddList(*actionBar, 75, Items(kPageSizes), 1);
    pageSizes_->setAccessibleName("page-size");
    toolkit::Button* locate = shell::AddBarButton(*actionBar, kLocateText);
    toolkit::Button* properties = shell::AddBarButton(*actionBar, kPropertiesText);
    toolkit::Button* copyPath = shell::AddBarButton(*actionBar, kCopyPathText);
    toolkit::Button* copyName = shell::AddBarButton(*actionBar, kCopyNameText);
    reports_ = shell::AddBarButton(*actionBar, kReportsText);

    // Row 6: where the crawl stands, and the selected file.
    toolkit::LabelArgs infoArgs;
    infoArgs.text = std::string(kBrowserFirstInfo);
    infoArgs.dock = Dock::Fill;
    infoArgs.ellipsis = true;
    info_ = table->addAt<toolkit::Label>(0, 5, infoArgs);

    reportsMenu_ = std::make_unique<toolkit::PopupMenu>(context_.App());
    reportsMenu_->rightToLeft = true;
    reportsMenu_->items = {
        {std::string(kPageExportText), [this] { ExportPage(); }},
        {std::string(kAllExportText), [this] { ExportAll(); }},
        {std::string(kStatisticsText), [this] { ShowStatistics(); }},
    };

    timer_ = form->addTimer(kBrowserTickMs);
    timer_->onTick = [this](toolkit::TimerEvent&) { Tick(); };

    auto fromFirstPage = [this] {
        offset_ = 0;
        RequestPage();
    };
    start_->onClick = [this](toolkit::ClickEvent&) { StartIndexing(); };
    stop_->onClick = [this](toolkit::ClickEvent&) {
        if (engine_) {
            engine_->Cancel();
        }
    };
    refreshDrives_->onClick = [this](toolkit::ClickEvent&) { FillDrives(); };
    clearIndex_->onClick = [this](toolkit::ClickEvent&) { ClearIndex(); };
    bulkDelete_->onClick = [this](toolkit::ClickEvent&) { BulkRemoval(); };
    apply_->onClick = [fromFirstPage](toolkit::ClickEvent&) { fromFirstPage(); };
    reset->onClick = [this, fromFirstPage](toolkit::ClickEvent&) {
        search_->setText({});
        extension_->setText({});
        minimum_->setValue(0);
        maximum_->setValue(0);
        age_->setValue(0);
        category_->setSelectedIndex(0);
        sort_->setSelectedIndex(0);
        fromFirstPage();
    };
    previous_->onClick = [this](toolkit::ClickEvent&) {
        if (offset_ > 0) {
            offset_ = std::max(0, offset_ - pageSize());
            RequestPage();
        }
    };
    next_->onClick = [this](toolkit::ClickEvent&) {
        if (offset_ + pageSize() < resultCount_) {
            offset_ += pageSize();
            RequestPage();
        }
    };
    pageSizes_->onSelectionChanged = [fromFirstPage](toolkit::SelectionChangedEvent&) {
        fromFirstPage();
    };
    locate->onClick = [this](toolkit::ClickEvent&) { Locate(); };
    grid_->onCellDoubleClick = [this](toolkit::Event&) { Locate(); };
    properties->onClick = [this](toolkit::ClickEvent&) { ShowProperties(); };
    copyPath->onClick = [this](toolkit::ClickEvent&) { CopySelected(true); };
    copyName->onClick = [this](toolkit::ClickEvent&) { CopySelected(false); };
    reports_->onClick = [this](toolkit::ClickEvent&) { OpenReports(); };
    grid_->onSelectionChanged = [this](toolkit::SelectionChangedEvent&) {
        if (const index::VexoFile13* file = SelectedFile()) {
            detail_ = DetailText(*file, context_.Culture());
        }
    };
    // The section sees keys before its controls do: Ctrl+F anywhere brings
    // the search box up; Enter in the box searches from the first page.
    search_->onKeyDown = [fromFirstPage](toolkit::KeyEvent& e) {
        if (!e.control && !e.alt && e.key == toolkit::Key::Enter) {
            fromFirstPage();
            e.didHandle = true;
        }
    };
    form->onKeyDown = [this](toolkit::KeyEvent& e) {
        if (e.control && !e.alt && e.key == toolkit::Key::F) {
            search_->focus();
            search_->selectAll();
            e.didHandle = true;
        }
    };

    FillDrives();
    return form;
}

void DeviceBrowserSection::Shown() {
    for (toolkit::Control* field :
         std::initializer_list<toolkit::Control*>{search_, extension_, minimum_, maximum_, age_}) {
        field->setBackColor(toolkit::Color::rgb(255, 255, 255));
        field->setForeColor(toolkit::Color::rgb(23, 58, 108));
    }
    shell::MakePrimary(*start_);
    shell::MakePrimary(*apply_);
}

void DeviceBrowserSection::Leaving() {
    disposed_ = true;
    if (engine_) {
        engine_->Cancel();
        engine_->InvalidateQueries();
    }
    timer_->stop();
    reportsMenu_.reset();
}

int DeviceBrowserSection::pageSize() const {
    switch (pageSizes_->selectedIndex()) {
    case 0:
        return 100;
    case 2:
        return 500;
    default:
        return kDefaultPageSize;
    }
}

// ---- drives ---------------------------------------------------------------------------

void DeviceBrowserSection::FillDrives() {
    std::vector<std::string> items{std::string(kAllDrives)};
    driveRoots_.clear();
    platform::Volumes& volumes = context_.Machine().volumes();
    std::vector<std::string> roots;
    try {
        roots = volumes.DriveRoots();
    } catch (const std::exception& e) {
        context_.Diagnose(std::string("Ostrel drives: ") + e.what());
    }
    for (const std::string& root : roots) {
        try {
            const platform::DriveType type = volumes.TypeOf(root);
            const bool local =
                type == platform::DriveType::Fixed || type == platform::DriveType::Removable;
            if (local && volumes.IsReady(root)) {
                items.push_back(root);
                driveRoots_.push_back(root);
            }
        } catch (...) {
            // A drive that cannot be asked about is not offered.
        }
    }
    drives_->setItems(std::move(items));
    drives_->setSelectedIndex(0);
}

// ---- indexing -------------------------------------------------------------------------

void DeviceBrowserSection::SetScanControls(bool crawling) {
    start_->setEnabled(!crawling);
    drives_->setEnabled(!crawling);
    refreshDrives_->setEnabled(!crawling);
    clearIndex_->setEnabled(!crawling);
    stop_->setEnabled(crawling);
}

void DeviceBrowserSection::StartIndexing() {
    if (crawling_ || bulkWaiting_ || bulkActive_ || (engine_ && engine_->ExportBusy())) {
        return;
    }
    try {
        std::vector<std::string> roots;
        const int chosen = drives_->selectedIndex();
        if (chosen <= 0) {
            roots = driveRoots_;
        } else if (static_cast<std::size_t>(chosen) <= driveRoots_.size()) {
            roots = {driveRoots_[static_cast<std::size_t>(chosen) - 1]};
        }
        if (roots.empty()) {
            context_.Tell(std::string(kNoDrives));
            return;
        }
        if (engine_) {
            engine_->InvalidateQueries();
            engine_.reset();
        }
        platform::Machine& machine = context_.Machine();
        index::VexoEngine13::Dependencies dependencies;
        dependencies.files = Borrow(machine.files());
        dependencies.clock = Borrow(machine.clock());
        dependencies.culture = context_.Culture();
        dependencies.executor = options_.executor;
        engine_ = index::VexoEngine13::Create(std::move(dependencies));
        offset_ = 0;
        resultCount_ = 0;
        wantedToken_ = 0;
        appliedToken_ = 0;
        finalRefreshMade_ = false;
        earlyRequestMade_ = false;
        querying_ = false;
        crawling_ = true;
        detail_ = std::string(kCrawlDetail);
        grid_->clearRows();
        crawlBusy_ = context_.HoldEmbedded([this] {
            if (engine_) {
                engine_->Cancel();
            }
        });
        engine_->Start(std::move(roots));
        crawlStartedNanos_ = machine.clock().MonotonicNanos();
        crawlRanNanos_.reset();
        crawlClockRunning_ = true;
        SetScanControls(true);
        timer_->start();
    } catch (...) {
        const std::string description = ErrorText(std::current_exception());
        crawling_ = false;
        crawlBusy_.Release();
        SetScanControls(false);
        context_.Tell(description);
        context_.Diagnose(description);
    }
}

double DeviceBrowserSection::CrawlSeconds() const {
    if (crawlRanNanos_) {
        return static_cast<double>(*crawlRanNanos_) / 1e9;
    }
    if (!crawlClockRunning_) {
        return 0;
    }
    const std::int64_t now = context_.Machine().clock().MonotonicNanos();
    return static_cast<double>(std::max<std::int64_t>(0, now - crawlStartedNanos_)) / 1e9;
}

void DeviceBrowserSection::ClearIndex() {
    if (crawling_ || bulkWaiting_ || bulkActive_ || (engine_ && engine_->ExportBusy())) {
        return;
    }
    if (engine_) {
        engine_->InvalidateQueries();
    }
    timer_->stop();
    engine_.reset();
    grid_->clearRows();
    resultCount_ = 0;
    metrics_->setText(std::string(kClearedMetrics));
    info_->setText(std::string(kClearedInfo));
}

// ---- searching ------------------------------------------------------------------------

void DeviceBrowserSection::RequestPage() {
    if (!engine_ || disposed_) {
        return;
    }
    const auto minimum = static_cast<std::int64_t>(minimum_->value());
    const auto maximum = static_cast<std::int64_t>(maximum_->value());
    if (maximum > 0 && maximum < minimum) {
        context_.Tell(std::string(kRangeRefused));
        return;
    }
    RecordedFilter recorded;
    recorded.filter.text = std::string(base::TrimSpace(search_->text()));
    recorded.filter.min = minimum * kBytesPerMb;
    recorded.filter.max = maximum * kBytesPerMb;
    recorded.filter.extension = std::string(base::TrimSpace(extension_->text()));
    recorded.filter.category =
        static_cast<index::Category>(std::max(0, category_->selectedIndex()));
    recorded.filter.older = static_cast<std::int32_t>(age_->value());
    recorded.order = static_cast<index::SortOrder>(std::max(0, sort_->selectedIndex()));
    filter_ = recorded;
    querying_ = true;
    wantedToken_ = engine_->Request(recorded.filter, recorded.order, offset_, pageSize());
}

void DeviceBrowserSection::ShowPage(const index::VexoPage13& page) {
    {
        toolkit::SuspendedLayout hold(*grid_);
        grid_->clearRows();
        for (const index::VexoFile13& f : page.Rows) {
            grid_->addRow({f.Name, static_cast<double>(f.Bytes) / kMb, f.Extension,
                           base::FormatMinutes(f.Modified), f.Path},
                          f);
        }
    }
    resultCount_ = page.Total;
    previous_->setEnabled(offset_ > 0);
    next_->setEnabled(offset_ + pageSize() < resultCount_);
}

void DeviceBrowserSection::ApplyPage(const index::VexoPage13& page) {
    // Recorded as applied before anything is told, so a tick that runs while
    // the message is open does not tell it again.
    appliedToken_ = page.Token;
    querying_ = false;
    if (!page.Error.empty()) {
        context_.Diagnose("Ostrel query: " + page.Error);
        context_.Tell(std::string(kQueryFailed));
        return;
    }
    ShowPage(page);
}

// ---- the tick -------------------------------------------------------------------------

void DeviceBrowserSection::Tick() {
    if (!engine_ || disposed_) {
        return;
    }
    if (bulkActive_) {
        return;
    }
    try {
        if (bulkWaiting_) {
            if (!bulkBusy_.held()) {
                bulkBusy_ = context_.HoldEmbeddedKeepingStop();
            }
            if (engine_->RemovalBusy()) {
                return;
            }
            OpenReview();
            return;
        }

        if (const index::PageRef page = engine_->Page();
            page && page->Token == wantedToken_ && page->Token != appliedToken_) {
            ApplyPage(*page);
        }

        const std::string error = engine_->Error();
        std::string_view phase = kPhaseRunning;
        if (!error.empty()) {
            phase = kPhaseError;
        } else if (engine_->Limit()) {
            phase = kPhaseLimit;
        } else if (engine_->Done() && engine_->CancelRequested()) {
            phase = kPhaseStopped;
        } else if (engine_->Done()) {
            phase = kPhaseDone;
        }
        const base::Culture& culture = context_.Culture();
        BrowserFigures figures;
        figures.phase = phase;
        figures.indexed = engine_->Count();
        figures.bytes = engine_->Bytes();
        figures.results = resultCount_;
        figures.offset = offset_;
        figures.pageSize = pageSize();
        figures.seconds = CrawlSeconds();
        figures.rate = figures.seconds > 0
                           ? std::llround(static_cast<double>(figures.indexed) / figures.seconds)
                           : 0;
        figures.skipped = engine_->Skipped();
        figures.querying = querying_;
        figures.detail = detail_;
        metrics_->setText(MetricsText(figures, culture));
        info_->setText(InfoText(figures, culture));

        if (!engine_->Done() && !earlyRequestMade_ && engine_->Count() > 0) {
            earlyRequestMade_ = true;
            RequestPage();
        }

        if (engine_->Done() && !finalRefreshMade_) {
            finalRefreshMade_ = true;
            crawlRanNanos_ = static_cast<std::int64_t>(CrawlSeconds() * 1e9);
            crawling_ = false;
            SetScanControls(false);
            RequestPage();
            if (const std::string crawlError = engine_->Error(); !crawlError.empty()) {
                context_.Diagnose("Ostrel index: " + crawlError);
            }
        }

        if (!crawling_) {
            crawlBusy_.Release();
        }
        if (!engine_->ExportBusy()) {
            exportBusy_.Release();
        }

        if (const std::string message = engine_->TakeExportMessage(); !message.empty()) {
            context_.Tell(std::string(kExportReport) + message);
        }
        if (const std::string message = engine_->TakeStatsMessage(); !message.empty()) {
            context_.Tell(std::string(kStatisticsHead) + "\r\n" + message);
        }
    } catch (...) {
        FailTick(ErrorText(std::current_exception()));
    }
}

void DeviceBrowserSection::FailTick(const std::string& description) {
    timer_->stop();
    if (engine_) {
        engine_->Cancel();
    }
    crawling_ = false;
    crawlBusy_.Release();
    exportBusy_.Release();
    bulkBusy_.Release();
    SetScanControls(false);
    context_.Diagnose("Ostrel UI: " + description);
    info_->setText(std::string(kTickFailedInfo));
}

// ---- bulk removal ---------------------------------------------------------------------

void DeviceBrowserSection::BulkRemoval() {
    if (crawling_ || querying_ || bulkWaiting_ || bulkActive_ || !engine_) {
        context_.Tell(std::string(kWaitForScan));
        return;
    }
    if (engine_->ExportBusy()) {
        context_.Tell(std::string(kWaitForExport));
        return;
    }
    if (!filter_) {
        context_.Tell(std::string(kApplyFirst));
        return;
    }
    bulkRoots_ = records::GetPersonalRoots22(context_.Machine());
    bulkWaiting_ = true;
    bulkDelete_->setEnabled(false);
    bulkDelete_->setText(std::string(kBulkPreparingText));
    bulkBusy_ = context_.HoldEmbeddedKeepingStop();
    engine_->PrepareRemoval(filter_->filter, bulkRoots_);
    timer_->start();
}

void DeviceBrowserSection::OpenReview() {
    bulkWaiting_ = false;
    bulkActive_ = true;
    // The section's state comes back whatever the dialog did.
    struct Back {
        DeviceBrowserSection& s;
        ~Back() {
            s.bulkActive_ = false;
            s.bulkBusy_.Release();
            s.bulkDelete_->setEnabled(true);
            s.bulkDelete_->setText(std::string(kBulkDeleteText));
        }
    };
    {
        Back back{*this};
        const index::PageRef set = engine_->RemovalPage();
        const index::VexoPage13 none;
        OpenBulkReview22(*form_, engine_, set ? *set : none, bulkRoots_,
                         {context_, *options_.reports});
    }
    offset_ = 0;
    RequestPage();
}

// ---- exports and statistics -------------------------------------------------------------

void DeviceBrowserSection::OpenReports() {
    // Just below the button's left edge; in a right-to-left layout the menu
    // then opens towards the rest of the bar.
    reportsMenu_->openAt(*reports_, {0, reports_->size().height});
}

void DeviceBrowserSection::ExportPage() {
    if (grid_->rowCount() == 0) {
        context_.Tell(std::string(kEmptyPage));
        return;
    }
    try {
        toolkit::SaveFileArgs args;
        args.owner = form_;
        args.filter = std::string(kCsvFilter);
        args.fileName = std::string(kPageFileName);
        args.defaultExtension = "csv";
        args.overwritePrompt = true;
        const toolkit::ChosenPath chosen = context_.App().saveFile(args);
        if (!chosen) {
            return;
        }
        std::vector<index::VexoFile13> rows;
        rows.reserve(static_cast<std::size_t>(grid_->rowCount()));
        for (int row = 0; row < grid_->rowCount(); ++row) {
            if (const auto* f = std::any_cast<index::VexoFile13>(&grid_->row(row).tag)) {
                rows.push_back(*f);
            }
        }
        const base::Status written =
            context_.Machine().files().WriteAllBytes(*chosen, PageCsv(rows));
        if (!written.ok()) {
            context_.Tell(written.error().message);
            return;
        }
        context_.Tell(std::string(kPageSaved));
    } catch (const std::exception& e) {
        context_.Tell(e.what());
    }
}

void DeviceBrowserSection::ExportAll() {
    if (!engine_) {
        context_.Tell(std::string(kScanFirst));
        return;
    }
    if (engine_->ExportBusy()) {
        context_.Tell(std::string(kExportStillRuns));
        return;
    }
    try {
        if (!filter_) {
            RequestPage();
        }
        toolkit::SaveFileArgs args;
        args.owner = form_;
        args.filter = std::string(kCsvFilter);
        args.fileName = std::string(kAllFileName);
        args.defaultExtension = "csv";
        args.overwritePrompt = true;
        const toolkit::ChosenPath chosen = context_.App().saveFile(args);
        if (!chosen) {
            return;
        }
        // Without a recorded search (the size range was refused) every file
        // of the index goes out, largest first.
        const RecordedFilter recorded = filter_.value_or(RecordedFilter{});
        if (engine_->Export(*chosen, recorded.filter, recorded.order)) {
            if (!exportBusy_.held()) {
                exportBusy_ = context_.HoldEmbeddedKeepingStop();
            }
            timer_->start();
            context_.Tell(std::string(kExportStarted));
        }
    } catch (const std::exception& e) {
        context_.Tell(e.what());
    }
}

void DeviceBrowserSection::ShowStatistics() {
    if (!engine_) {
        return;
    }
    engine_->Statistics();
    timer_->start();
}

// ---- the selected file ------------------------------------------------------------------

const index::VexoFile13* DeviceBrowserSection::SelectedFile() const {
    const std::set<int>& selected = grid_->selectedRows();
    if (selected.empty()) {
        return nullptr;
    }
    const int row = *selected.begin();
    if (row < 0 || row >= grid_->rowCount()) {
        return nullptr;
    }
    return std::any_cast<index::VexoFile13>(&grid_->row(row).tag);
}

void DeviceBrowserSection::Locate() {
    if (const index::VexoFile13* file = SelectedFile()) {
        context_.OpenTool("explorer.exe", "/select,\"" + file->Path + "\"");
    }
}

void DeviceBrowserSection::ShowProperties() {
    const index::VexoFile13* file = SelectedFile();
    if (!file) {
        return;
    }
    platform::ShellLaunch launch;
    launch.verb = "properties";
    launch.file = file->Path;
    launch.owner = context_.Owner();
    launch.noErrorUi = true;
    auto shown = context_.Machine().processes().OpenWithShell(launch);
    if (!shown.ok()) {
        context_.Tell(std::string(kPropertiesFailed) + shown.error().message);
    }
}

void DeviceBrowserSection::CopySelected(bool path) {
    const index::VexoFile13* file = SelectedFile();
    if (!file) {
        return;
    }
    if (!context_.App().setClipboardText(path ? file->Path : file->Name)) {
        context_.Tell(std::string(path ? kCopyPathFailed : kCopyNameFailed));
    }
}

// ---- the shell's side -----------------------------------------------------------------

std::unique_ptr<DeviceBrowserSection> OpenDeviceBrowser(shell::SectionContext& context,
                                                        DeviceBrowserOptions options) {
    if (!options.reports) {
        options.reports = std::make_shared<records::ReportStore>(context.Machine());
    }
    return std::make_unique<DeviceBrowserSection>(context, std::move(options));
}

void RegisterDeviceBrowser(shell::SectionCatalog& catalog, DeviceBrowserOptions options) {
    auto shared = std::make_shared<DeviceBrowserOptions>(std::move(options));
    catalog.Add(shell::Section::DeviceBrowser, {.make = [shared](shell::SectionContext& context) {
                    if (!shared->reports) {
                        shared->reports = std::make_shared<records::ReportStore>(context.Machine());
                    }
                    return OpenDeviceBrowser(context, *shared);
                }});
}

} // namespace vexo::files
