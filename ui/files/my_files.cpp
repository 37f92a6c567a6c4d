#include "files/my_files.h"

#include "base/culture.h"
#include "base/trim.h"
#include "files/section_parts.h"
#include "records/path_guard.h"
#include "records/recycle.h"
#include "shell/style.h"

#include <exception>
#include <stdexcept>

namespace vexo::files {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

constexpr double kMb = kBytesInMb;
constexpr double kGb = kBytesInGb;
constexpr std::size_t kNamesInPrompt = 12;

} // namespace

// ---- texts ----------------------------------------------------------------------------

std::string ConfirmationText(const std::vector<index::VexoFile13>& candidates,
                             const base::Culture& culture) {
    std::int64_t total = 0;
    for (const index::VexoFile13& f : candidates) {
        total += f.Bytes;
    }
    std::string names;
    for (std::size_t i = 0; i < candidates.size() && i < kNamesInPrompt; ++i) {
        if (i > 0) {
            names += "\r\n";
        }
        names += candidates[i].Name;
    }
    if (candidates.size() > kNamesInPrompt) {
        names += "\r\nوأسماء إضافية بالقائمة المختارة.";
    }
    return "نقل " + std::to_string(candidates.size()) + " ملف (" +
           base::FormatN(static_cast<double>(total) / kGb, 2, culture) + " GB) إلى السلة؟\r\n" +
           names +
           "\r\nيشمل نتائج البحث المختارة فقط. تنتقل للسلة؛ إذا طلب ويندوز حذفاً نهائياً، ألغِه "
           "إذا ما تريده.";
}

std::string SummaryText(const SummaryFigures& f, const base::Culture& culture) {
    const char* phase = f.deleting   ? "جارٍ نقل الملفات"
                        : f.crawling ? "البحث مستمر"
                                     : "جاهز للمراجعة";
    const char* note = f.limit ? " | وصل حد مليون ملف؛ النتائج جزئية"
                       : f.cancelled ? " | نتائج جزئية بعد الإيقاف"
                                     : "";
    std::string text = phase;
    text += " | نتائج: " + base::FormatN(f.results, 0, culture);
    text += " | صفحة " + std::to_string(f.offset / kPageSize + 1);
    text += " | المحدد: " + std::to_string(f.selectedCount) + " ملف (" +
            base::FormatN(static_cast<double>(f.selectedBytes) / kGb, 2, culture) + " GB)";
    text += note;
    text += "\r\n";
    text += f.bulk ? "محدد: كل نتائج البحث الحالية ضمن ملفاتك الشخصية."
                   : "التحديد اليدوي لهذه الصفحة فقط.";
    text += " ملفات مفحوصة: " + std::to_string(f.indexed);
    text += " | الملفات بالسلة تبقى تشغل مساحة حتى إفراغها.";
    return text;
}

// ---- building -------------------------------------------------------------------------

MyFilesSection::MyFilesSection(shell::SectionContext& context, MyFilesOptions options)
    : context_(context), options_(std::move(options)),
      run_(context.Machine(), *options_.reports, context) {}

// The crawl borrows the machine; it ends with the section even when the
// window goes without the user leaving first.
MyFilesSection::~MyFilesSection() {
    StopEngine();
}

std::unique_ptr<toolkit::Control> MyFilesSection::Build() {
    toolkit::FormArgs formArgs;
    formArgs.accessibleName = "my-files";
    auto form = std::make_unique<toolkit::Form>(context_.App(), formArgs);
    form_ = form.get();

    toolkit::TableLayoutArgs tableArgs;
    tableArgs.dock = Dock::Fill;
    tableArgs.margin = Spacing{};
    tableArgs.columns = {toolkit::Track::percent(100)};
    tableArgs.rows = {toolkit::Track::pixels(44), toolkit::Track::pixels(48),
                      toolkit::Track::pixels(48), toolkit::Track::fill(),
                      toolkit::Track::pixels(72)};
    auto* table = form->add<toolkit::TableLayout>(tableArgs);

    // Row 1: what the two delete buttons do.
    toolkit::LabelArgs instructionArgs;
    instructionArgs.text = std::string(kInstruction);
    instructionArgs.dock = Dock::Fill;
    instructionArgs.font = toolkit::Font{"Segoe UI", 12.0f, true};
    instructionArgs.align = toolkit::HAlign::Right;
    instructionArgs.verticalAlign = toolkit::VAlign::Middle;
    table->addAt<toolkit::Label>(0, 0, instructionArgs);

    // Row 2: the search bar.
    toolkit::FlowLayoutArgs barArgs;
    barArgs.dock = Dock::Fill;
    barArgs.direction = toolkit::FlowDirection::RightToLeft;
    barArgs.wrap = false;
    barArgs.autoScroll = true;
    // The whole 48-px row: a 38-px button and its margins fit, so the bar
    // scrolls only sideways, when the window is too narrow for it.
    barArgs.margin = Spacing{};
    searchBar_ = table->addAt<toolkit::FlowLayout>(0, 1, barArgs);
    restart_ = shell::AddBarButton(*searchBar_, kRestartText);
    auto* chooseFolder = shell::AddBarButton(*searchBar_, kChooseFolderText);
    stopSearch_ = shell::AddBarButton(*searchBar_, kStopSearchText);
    toolkit::TextBoxArgs nameArgs;
    nameArgs.size = toolkit::Size{200, 28};
    nameArgs.accessibleName = std::string(kNameBoxName);
    nameBox_ = searchBar_->add<toolkit::TextBox>(nameArgs);
    toolkit::ListArgs sizeArgs;
    sizeArgs.size = toolkit::Size{160, 28};
    sizeArgs.items = {std::string(kSizeAll), std::string(kSizeOver100Mb),
                      std::string(kSizeOver1Gb)};
    sizeArgs.selectedIndex = 0;
    sizeFilter_ = searchBar_->add<toolkit::ComboBox>(sizeArgs);
    auto* search = shell::AddBarButton(*searchBar_, kSearchText);

    // Row 3: the delete bar.
    auto* deleteBar = table->addAt<toolkit::FlowLayout>(0, 2, barArgs);
    selectPage_ = shell::AddBarButton(*deleteBar, kSelectPageText);
    takeAll_ = shell::AddBarButton(*deleteBar, kTakeAllText);
    takeAll_->setTooltip(std::string(kTakeAllTip));
    clear_ = shell::AddBarButton(*deleteBar, kClearText);
    delete_ = shell::AddBarButton(*deleteBar, kDeleteText);
    delete_->setTooltip(std::string(kDeleteTip));
    previous_ = shell::AddBarButton(*deleteBar, kPreviousText);
    next_ = shell::AddBarButton(*deleteBar, kNextText);
    openBin_ = shell::AddBarButton(*deleteBar, kOpenBinText);
    stopDelete_ = shell::AddBarButton(*deleteBar, kStopDeleteText);

    // Row 4: the results.
    const base::Culture culture = context_.Culture();
    toolkit::DataGridArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.fullRowSelect = true;
    gridArgs.columns = {
        {"Pick", "اختيار", toolkit::ColumnKind::Tick, 14, {}, false, false, true},
        {"Name", "الملف", toolkit::ColumnKind::Text, 60, {}, true, false, true},
        {"MB", "الحجم MB", toolkit::ColumnKind::Number, 25,
         [culture](const toolkit::CellValue& v) {
             return std::holds_alternative<double>(v)
                        ? base::FormatN(std::get<double>(v), 2, culture)
                        : std::string();
         },
         true, false, true},
        {"Path", "مكان الملف", toolkit::ColumnKind::Text, 110, {}, true, false, true},
    };
    grid_ = table->addAt<toolkit::DataGrid>(0, 3, gridArgs);

    // Row 5: the summary, and every message of a run.
    toolkit::LabelArgs messageArgs;
    messageArgs.text = std::string(kFirstMessage);
    messageArgs.dock = Dock::Fill;
    message_ = table->addAt<toolkit::Label>(0, 4, messageArgs);

    timer_ = form->addTimer(kPollMs);
    timer_->onTick = [this](toolkit::TimerEvent&) { Tick(); };

    restart_->onClick = [this](toolkit::ClickEvent&) { StartIndexing(); };
    chooseFolder->onClick = [this](toolkit::ClickEvent&) { ChooseFolder(); };
    stopSearch_->onClick = [this](toolkit::ClickEvent&) {
        if (engine_) {
            engine_->Cancel();
        }
    };
    auto searchFromFirst = [this] {
        offset_ = 0;
        RequestPage();
    };
    search->onClick = [searchFromFirst](toolkit::ClickEvent&) { searchFromFirst(); };
    sizeFilter_->onSelectionChanged = [searchFromFirst](toolkit::SelectionChangedEvent&) {
        searchFromFirst();
    };
    selectPage_->onClick = [this](toolkit::ClickEvent&) { SelectPage(true); };
    clear_->onClick = [this](toolkit::ClickEvent&) { SelectPage(false); };
    takeAll_->onClick = [this](toolkit::ClickEvent&) { TakeAll(); };
    delete_->onClick = [this](toolkit::ClickEvent&) { DeleteSelected(); };
    previous_->onClick = [this](toolkit::ClickEvent&) {
        if (offset_ >= kPageSize) {
            offset_ -= kPageSize;
            RequestPage();
            UpdateControls();
        }
    };
    next_->onClick = [this](toolkit::ClickEvent&) {
        if (offset_ + kPageSize < resultCount_) {
            offset_ += kPageSize;
            RequestPage();
            UpdateControls();
        }
    };
    openBin_->onClick = [this](toolkit::ClickEvent&) {
        context_.OpenTool("explorer.exe", "shell:RecycleBinFolder");
    };
    stopDelete_->onClick = [this](toolkit::ClickEvent&) {
        run_.RequestStop();
        stopDelete_->setText(std::string(kStoppingDeleteText));
    };
    grid_->onTickChanged = [this](toolkit::TickChangedEvent&) {
        if (!deleting()) {
            bulk_.reset();
        }
        RefreshSummary();
    };
    return form;
}

void MyFilesSection::Shown() {
    // After the palette pass: the destructive and the primary action stand out.
    shell::MakeDestructive(*delete_);
    shell::MakePrimary(*restart_);
    StartIndexing();
}

void MyFilesSection::Leaving() {
    StopEngine();
    timer_->stop();
}

void MyFilesSection::StopEngine() {
    if (engine_) {
        engine_->Cancel();
        engine_->InvalidateQueries();
    }
}

void MyFilesSection::UpdateControls() {
    const bool crawling = this->crawling();
    const bool deleting = this->deleting();
    // While files go to the bin, only the stop button answers.
    searchBar_->setEnabled(!deleting);
    grid_->setEnabled(!deleting);
    restart_->setEnabled(!crawling);
    stopSearch_->setEnabled(crawling);
    for (toolkit::Button* b : {selectPage_, takeAll_, clear_, openBin_}) {
        b->setEnabled(!deleting);
    }
    delete_->setEnabled(!deleting && !crawling && !tickFailed_);
    previous_->setEnabled(!deleting && offset_ > 0);
    next_->setEnabled(!deleting && offset_ + kPageSize < resultCount_);
    stopDelete_->setEnabled(deleting);
}

// ---- indexing -------------------------------------------------------------------------

void MyFilesSection::StartIndexing() {
    if (crawling() || deleting()) {
        return;
    }
    try {
        platform::Machine& machine = context_.Machine();
        const std::vector<std::string> candidates =
            customRoot_ ? std::vector<std::string>{*customRoot_}
                        : records::PersonalFolderCandidates(machine);
        std::vector<std::string> roots = records::ValidateIndexRoots(machine, candidates);
        if (roots.empty()) {
            UpdateControls();
            context_.Tell(std::string(kNoRoots));
            return;
        }
        if (engine_) {
            engine_->InvalidateQueries();
        }
        indexRoots_ = roots;
        index::VexoEngine13::Dependencies engineDependencies;
        engineDependencies.files = Borrow(machine.files());
        engineDependencies.clock = Borrow(machine.clock());
        engineDependencies.culture = context_.Culture();
        engineDependencies.executor = options_.executor;
        engine_ = index::VexoEngine13::Create(std::move(engineDependencies));
        offset_ = 0;
        appliedToken_ = 0;
        requestedToken_ = 0;
        crawlFinished_ = false;
        firstRequestMade_ = false;
        tickFailed_ = false;
        bulk_.reset();
        grid_->clearRows();
        resultCount_ = 0;

        engine_->Start(std::move(roots));
        crawl_ = context_.HoldEmbedded([engine = engine_] { engine->Cancel(); });
        UpdateControls();
        timer_->start();
    } catch (const std::exception& e) {
        crawl_.Release();
        UpdateControls();
        context_.Diagnose(e.what());
        context_.Tell(e.what());
    }
}

std::int64_t MyFilesSection::MinimumSize() const {
    switch (sizeFilter_->selectedIndex()) {
    case 1:
        return kHundredMb;
    case 2:
        return kOneGb;
    default:
        return 0;
    }
}

std::string MyFilesSection::SearchText() const {
    return std::string(base::TrimSpace(nameBox_->text()));
}

void MyFilesSection::RequestPage() {
    if (!engine_ || deleting()) {
        return;
    }
    bulk_.reset();
    index::Filter filter;
    filter.text = SearchText();
    filter.min = MinimumSize();
    requestedToken_ = engine_->Request(filter, index::SortOrder::kLargestFirst, offset_, kPageSize);
}

void MyFilesSection::ShowPage(const index::VexoPage13& page) {
    grid_->suspendLayout();
    grid_->clearRows();
    for (const index::VexoFile13& f : page.Rows) {
        grid_->addRow({false, f.Name, static_cast<double>(f.Bytes) / kMb, f.Path}, f);
    }
    grid_->resumeLayout();
    resultCount_ = page.Total;
}

void MyFilesSection::EndCrawl() {
    crawlFinished_ = true;
    crawl_.Release();
    UpdateControls();
    RequestPage();
    const std::string error = engine_->Error();
    if (!error.empty()) {
        context_.Diagnose(error);
        context_.Tell(std::string(kCrawlFailed));
    }
}

void MyFilesSection::Tick() {
    if (!engine_ || deleting()) {
        return;
    }
    try {
        const index::PageRef page = engine_->Page();
        if (page && page->Token == requestedToken_ && page->Token != appliedToken_) {
            appliedToken_ = page->Token;
            if (!page->Error.empty()) {
                context_.Diagnose(page->Error);
                context_.Tell(std::string(kPageFailed));
            } else {
                ShowPage(*page);
            }
        }
        if (!firstRequestMade_ && engine_->Count() > 0) {
            firstRequestMade_ = true;
            RequestPage();
        }
        if (engine_->Done() && !crawlFinished_) {
            EndCrawl();
        }
        UpdateControls();
        RefreshSummary();
    } catch (...) {
        FailTick(ErrorText(std::current_exception()));
    }
}

void MyFilesSection::FailTick(const std::string& error) {
    timer_->stop();
    engine_->Cancel();
    crawl_.Release();
    tickFailed_ = true;
    UpdateControls();
    context_.Diagnose(error);
    message_->setText(std::string(kTickFailed));
}

void MyFilesSection::RefreshSummary() {
    SummaryFigures f;
    f.deleting = deleting();
    f.crawling = crawling();
    f.results = resultCount_;
    f.offset = offset_;
    if (bulk_) {
        f.bulk = true;
        f.selectedCount = bulk_->Total;
        f.selectedBytes = bulk_->Bytes;
    } else {
        for (int row : grid_->tickedRows()) {
            ++f.selectedCount;
            if (const auto* file = std::any_cast<index::VexoFile13>(&grid_->row(row).tag)) {
                f.selectedBytes += file->Bytes;
            }
        }
    }
    if (engine_) {
        f.limit = engine_->Limit();
        f.cancelled = engine_->CancelRequested();
        f.indexed = engine_->Count();
    }
    message_->setText(SummaryText(f, context_.Culture()));
}

// ---- selection ------------------------------------------------------------------------

void MyFilesSection::SelectPage(bool tick) {
    bulk_.reset();
    const int pick = grid_->columnIndex("Pick");
    for (int row = 0; row < grid_->rowCount(); ++row) {
        grid_->setCell(row, pick, tick);
    }
    RefreshSummary();
}

void MyFilesSection::TakeAll() {
    if (crawling() || deleting() || !engine_) {
        context_.Tell(std::string(kWaitForSearch));
        return;
    }
    try {
        index::PageRef all = engine_->SelectForRemoval(SearchText(), MinimumSize());
        const int pick = grid_->columnIndex("Pick");
        for (int row = 0; row < grid_->rowCount(); ++row) {
            grid_->setCell(row, pick, false);
        }
        bulk_ = std::move(all);
        RefreshSummary();
        if (bulk_->Total == 0) {
            context_.Tell(std::string(kNothingMatches));
            return;
        }
        delete_->userClick();
    } catch (const std::exception& e) {
        context_.Diagnose(e.what());
        context_.Tell(std::string(kTakeAllFailed));
    }
}

// ---- the custom folder ----------------------------------------------------------------

void MyFilesSection::ChooseFolder() {
    if (crawling() || deleting()) {
        context_.Tell(std::string(kStopSearchFirst));
        return;
    }
    toolkit::FolderBrowserArgs args;
    args.owner = form_;
    args.description = std::string(kChooseFolderPrompt);
    const toolkit::ChosenPath chosen = context_.App().browseFolder(args);
    if (!chosen) {
        return;
    }
    if (!records::TestSimpleFileRoot(context_.Machine(), *chosen)) {
        context_.Tell(std::string(kFolderRefused));
        return;
    }
    customRoot_ = *chosen;
    StartIndexing();
}

// ---- removal --------------------------------------------------------------------------

void MyFilesSection::DeleteSelected() {
    if (crawling() || deleting()) {
        context_.Tell(std::string(kWaitForSearch));
        return;
    }
    grid_->commitPendingEdit();
    std::vector<index::VexoFile13> chosen;
    if (bulk_) {
        chosen = bulk_->Rows;
    } else {
        for (int row : grid_->tickedRows()) {
            if (const auto* file = std::any_cast<index::VexoFile13>(&grid_->row(row).tag)) {
                chosen.push_back(*file);
            }
        }
    }
    if (chosen.empty()) {
        context_.Tell(std::string(kTickSomething));
        return;
    }
    toolkit::MessageBoxArgs box;
    box.owner = form_;
    box.text = ConfirmationText(chosen, context_.Culture());
    box.caption = std::string(kConfirmCaption);
    box.buttons = toolkit::MessageButtons::YesNo;
    box.icon = toolkit::MessageIcon::Warning;
    if (context_.App().messageBox(box) != toolkit::DialogResult::Yes) {
        return;
    }

    std::vector<records::RemovalCandidate> candidates;
    candidates.reserve(chosen.size());
    for (const index::VexoFile13& f : chosen) {
        records::RemovalCandidate c;
        c.path = f.Path;
        c.indexedBytes = f.Bytes;
        candidates.push_back(std::move(c));
    }
    run_.Run(RemovalOf(), candidates);
}

records::RemovalSection MyFilesSection::RemovalOf() {
    records::RemovalSection section;
    section.flow = records::RemovalFlow::MyFiles;
    section.roots = indexRoots_;
    section.onStart = [this] {
        removedInRun_ = 0;
        stopDelete_->setText(std::string(kStopDeleteText));
        if (engine_) {
            engine_->InvalidateQueries();
        }
        requestedToken_ = -1;
        UpdateControls();
    };
    // The engine that listed the files drops each one that has left.
    section.onRemoved = [this, engine = engine_](const records::RemovalCandidate& c,
                                                 const records::RecycleOutcome& outcome) {
        ++removedInRun_;
        if (engine) {
            engine->RemovePath(outcome.fullPath.empty() ? c.path : outcome.fullPath,
                               c.indexedBytes);
        }
    };
    section.onProgress = [this](int handled, int /*total*/) {
        message_->setText("تم نقل " + std::to_string(removedInRun_) + " | لم ينقل " +
                          std::to_string(handled - removedInRun_));
    };
    section.followUp = [this] {
        bulk_.reset();
        offset_ = 0;
        UpdateControls();
        RequestPage();
        context_.DrivesChanged();
    };
    return section;
}

// ---- the shell's side -----------------------------------------------------------------

std::unique_ptr<MyFilesSection> OpenSimpleFiles(shell::SectionContext& context,
                                                MyFilesOptions options) {
    if (!options.reports) {
        options.reports = std::make_shared<records::ReportStore>(context.Machine());
    }
    return std::make_unique<MyFilesSection>(context, std::move(options));
}

void RegisterMyFiles(shell::SectionCatalog& catalog, MyFilesOptions options) {
    // One report store for every opening, so that every run's report is the
    // last one in memory too; made with the first opening when none is given.
    auto shared = std::make_shared<MyFilesOptions>(std::move(options));
    catalog.Add(shell::Section::MyFiles, {.make = [shared](shell::SectionContext& context) {
                    if (!shared->reports) {
                        shared->reports = std::make_shared<records::ReportStore>(context.Machine());
                    }
                    return OpenSimpleFiles(context, *shared);
                }});
}

} // namespace vexo::files
