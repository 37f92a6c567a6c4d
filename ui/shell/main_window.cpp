#include "shell/main_window.h"

#include "diagnostics/diagnostics.h"
#include "shell/banner.h"

#include <algorithm>

namespace vexo::shell {

using toolkit::Button;
using toolkit::Control;
using toolkit::Dock;
using toolkit::Spacing;

namespace {

constexpr int kNavWidth = 185;
constexpr int kHeaderHeight = 98;
constexpr toolkit::Size kNavItemSize{152, 43};
constexpr toolkit::Color kBrandLineColor = palette::kAccent;

// The entry point of each visible navigation button, top to bottom.
struct NavEntry {
    Section section;
    const char* text;
};
constexpr NavEntry kVisibleSections[] = {
    {Section::Home, "الرئيسية"},
    {Section::MyFiles, "ملفاتي"},
    {Section::Applications, "التطبيقات"},
    {Section::DiskSpace, "مساحة القرص"},
    {Section::CleanupReport, "تقرير التنظيف"},
};
constexpr Section kMarkerSections[] = {Section::DeviceBrowser, Section::FolderAnalysis,
                                       Section::TemporaryFiles, Section::FunctionsGuide};

} // namespace

toolkit::Size MainWindowSize(toolkit::Rect workingArea) {
    const int width = std::min(1180, workingArea.width - 24);
    const int height = std::min(780, workingArea.height - 24);
    return {std::max(900, width), std::max(580, height)};
}

std::string_view SectionHeading(Section section) {
    switch (section) {
    case Section::Home:
        return "تحكّم أذكى. مساحة أوسع.";
    case Section::MyFiles:
        return "ملفاتي — حدّد وانقل للسلة";
    case Section::Applications:
        return "البرامج المثبّتة — إزالة بالتتابع";
    case Section::DiskSpace:
        return "مساحة جهازك — أرقام فعلية";
    case Section::CleanupReport:
        return "تقرير التنظيف — قبل وبعد";
    case Section::DeviceBrowser:
        return "كل ملفات الجهاز";
    case Section::FolderAnalysis:
        return "تحليل المجلدات";
    case Section::TemporaryFiles:
        return "ملفات مؤقتة — مراجعة قبل الحذف";
    case Section::FunctionsGuide:
        return "دليل الوظائف والحدود الفعلية";
    }
    return {};
}

MainWindow::MainWindow(toolkit::Application& app, platform::Machine& machine,
                       SectionCatalog catalog, WindowHooks hooks)
    : app_(app), machine_(machine), catalog_(std::move(catalog)), hooks_(std::move(hooks)),
      culture_(machine.environment().UserCulture()) {
    Build();
}

MainWindow::~MainWindow() = default;

// ---- construction -----------------------------------------------------------------

void MainWindow::Build() {
    toolkit::FormArgs args;
    args.text = std::string(kWindowTitle);
    args.size = MainWindowSize(app_.primaryWorkingArea());
    args.minimumSize = toolkit::Size{900, 580};
    args.rightToLeft = true;
    args.font = toolkit::Font{"Segoe UI", 10.0f, false};
    args.foreColor = palette::kText;
    args.backColor = palette::kPage;
    form_ = std::make_unique<toolkit::Form>(app_, args);
    form_->onCloseRequest = [this](toolkit::CloseEvent& e) { OnCloseRequest(e); };
    // Windows shutting down or the user signing out is a close request too.
    form_->onEndSessionQuery = [this](toolkit::CloseEvent& e) { OnCloseRequest(e); };
    form_->onShown = [this](toolkit::Event&) { OnFirstShown(); };

    form_->suspendLayout();
    // The one container laid out left to right, so that the navigation column
    // stands at the right edge whatever the reading order.
    toolkit::TableLayoutArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.margin = Spacing{};
    gridArgs.rightToLeft = false;
    gridArgs.columns = {toolkit::Track::fill(), toolkit::Track::pixels(kNavWidth)};
    gridArgs.rows = {toolkit::Track::fill()};
    auto* grid = form_->add<toolkit::TableLayout>(gridArgs);
    BuildContentColumn(*grid);
    BuildNavigation(*grid);
    BuildMoreMenu();

    MakeKeptSections();

    StyleVexoWindow(*form_, pearl_);
    header_->setBackColor(palette::kWhite);
    nav_->setBackColor(palette::kWhite);
    brandLine_->setForeColor(kBrandLineColor);
    form_->resumeLayout();
}

void MainWindow::MakeKeptSections() {
    for (const auto& [section, entry] : catalog_.sections()) {
        if (entry.kept && entry.make) {
            Kept kept;
            kept.section = entry.make(*this);
            std::unique_ptr<Control> view = kept.section->Build();
            kept.view = view.get();
            parkedViews_.push_back(std::move(view));
            kept_[section] = std::move(kept);
        }
    }
}

void MainWindow::BuildContentColumn(Control& grid) {
    toolkit::TableLayoutArgs columnArgs;
    columnArgs.dock = Dock::Fill;
    columnArgs.margin = Spacing{};
    columnArgs.rightToLeft = true;
    columnArgs.rows = {toolkit::Track::pixels(kHeaderHeight), toolkit::Track::fill()};
    auto* column =
        static_cast<toolkit::TableLayout&>(grid).addAt<toolkit::TableLayout>(0, 0, columnArgs);

    toolkit::PanelArgs headerArgs;
    headerArgs.dock = Dock::Fill;
    headerArgs.margin = Spacing{};
    headerArgs.padding = Spacing{22, 12, 22, 8};
    headerArgs.backColor = palette::kWhite;
    header_ = column->addAt<toolkit::Panel>(0, 0, headerArgs);

    toolkit::LabelArgs brandArgs;
    brandArgs.text = "VEXO / SOLVANE 23";
    brandArgs.dock = Dock::Top;
    brandArgs.size = toolkit::Size{0, 26};
    brandArgs.font = toolkit::Font{"Segoe UI", 10.0f, true};
    brandArgs.foreColor = kBrandLineColor;
    brandArgs.backColor = toolkit::Color::transparent();
    brandLine_ = header_->add<toolkit::Label>(brandArgs);

    strip_ = header_->add<VexoSolvaneBanner21>(app_, motion_);
    strip_->setDock(Dock::Bottom);
    strip_->setSize({0, 5});

    toolkit::LabelArgs headingArgs;
    headingArgs.text = std::string(kFirstHeading);
    headingArgs.dock = Dock::Fill;
    headingArgs.font = toolkit::Font{"Segoe UI", 19.0f, true};
    headingArgs.foreColor = palette::kText;
    headingArgs.backColor = toolkit::Color::transparent();
    headingArgs.align = toolkit::HAlign::Right;
    headingArgs.verticalAlign = toolkit::VAlign::Middle;
    heading_ = header_->add<toolkit::Label>(headingArgs);

    toolkit::PanelArgs stageArgs;
    stageArgs.dock = Dock::Fill;
    stageArgs.margin = Spacing{};
    stageArgs.padding = Spacing{20, 8, 20, 16};
    stageArgs.backColor = palette::kPage;
    stage_ = column->addAt<toolkit::Panel>(0, 1, stageArgs);
}

void MainWindow::BuildNavigation(Control& grid) {
    toolkit::FlowLayoutArgs navArgs;
    navArgs.direction = toolkit::FlowDirection::TopDown;
    navArgs.wrap = false;
    navArgs.autoScroll = true;
    navArgs.dock = Dock::Fill;
    navArgs.margin = Spacing{};
    navArgs.padding = Spacing{10, 20, 10, 10};
    navArgs.backColor = palette::kWhite;
    navArgs.rightToLeft = false;
    nav_ = static_cast<toolkit::TableLayout&>(grid).addAt<toolkit::FlowLayout>(1, 0, navArgs);

    toolkit::LabelArgs brandArgs;
    brandArgs.text = "VEXO\r\nSOLVANE NOVARE";
    brandArgs.size = toolkit::Size{155, 76};
    brandArgs.font = toolkit::Font{"Segoe UI", 13.0f, true};
    brandArgs.foreColor = palette::kText;
    brandArgs.align = toolkit::HAlign::Center;
    brandArgs.verticalAlign = toolkit::VAlign::Middle;
    nav_->add<toolkit::Label>(brandArgs);

    auto placeInColumn = [](Button& b) {
        b.setSize(kNavItemSize);
        b.setMargin({0, 5, 0, 5});
        b.setAlign(toolkit::HAlign::Center);
    };
    for (const NavEntry& entry : kVisibleSections) {
        Button* b = NavButton(entry.text);
        nav_->adopt(std::unique_ptr<Control>(markers_.back().release()));
        markers_.pop_back();
        placeInColumn(*b);
        const Section section = entry.section;
        b->onClick = [this, section](toolkit::ClickEvent&) { OpenSection(section); };
        buttonOf_[section] = b;
    }
    for (Section section : kMarkerSections) {
        buttonOf_[section] = NavButton(std::string(SectionHeading(section)));
    }

    toolkit::ButtonArgs moreArgs;
    moreArgs.text = std::string(kMoreText);
    more_ = nav_->add<Button>(moreArgs);
    placeInColumn(*more_);
    more_->onClick = [this](toolkit::ClickEvent&) { OpenMoreMenu(); };

    toolkit::ButtonArgs toggleArgs;
    toggleArgs.text = std::string(kMotionOnText);
    toggleArgs.size = kNavItemSize;
    toggle_ = nav_->add<Button>(toggleArgs);
    toggle_->onClick = [this](toolkit::ClickEvent&) { ToggleMotion(); };

    // Rounded before the palette pass, so that they keep radius 12 while the
    // pass gives every other button 10.
    for (const NavEntry& entry : kVisibleSections) {
        pearl_.Round(*buttonOf_[entry.section], 12);
    }
    pearl_.Round(*more_, 12);
}

// A section button: kept in the list SelectSection colours. It is made
// outside the window; the caller places it (or keeps it as a hidden marker).
Button* MainWindow::NavButton(const std::string& text) {
    toolkit::ButtonArgs args;
    args.text = text;
    args.size = toolkit::Size{190, 46};
    args.margin = Spacing{0, 4, 0, 4};
    args.padding = Spacing{10, 0, 10, 0};
    args.align = toolkit::HAlign::Right;
    markers_.push_back(std::make_unique<Button>(args));
    sectionButtons_.push_back(markers_.back().get());
    return markers_.back().get();
}

void MainWindow::BuildMoreMenu() {
    moreMenu_ = std::make_unique<toolkit::PopupMenu>(app_);
    moreMenu_->rightToLeft = true;
    auto section = [this](Section s) { return [this, s] { OpenSection(s); }; };
    auto tool = [this](MoreTool t) { return [this, t] { RunTool(t); }; };
    moreMenu_->items = {
        {"كل ملفات الجهاز", section(Section::DeviceBrowser)},
        {"تحليل المجلدات", section(Section::FolderAnalysis)},
        {"ملفات مؤقتة", section(Section::TemporaryFiles)},
        {"سلة المحذوفات", tool(MoreTool::RecycleBin)},
        {"تنظيف ويندوز", tool(MoreTool::WindowsCleanup)},
        {"التحديثات", tool(MoreTool::Updates)},
        {"سجل التشخيص", tool(MoreTool::DiagnosticsLog)},
        {"دليل الوظائف", section(Section::FunctionsGuide)},
    };
}

// ---- showing and closing ------------------------------------------------------------

void MainWindow::ShowModal() {
    form_->showModal(nullptr);
    moreMenu_.reset();
    if (driveTimer_) {
        driveTimer_->stop();
        driveTimer_.reset();
    }
}

void MainWindow::OnFirstShown() {
    if (firstShown_) {
        return;
    }
    firstShown_ = true;
    if (hooks_.setWindowIcon) {
        try {
            std::optional<std::string> exe = machine_.environment().Get("VEXO_APP_EXE23");
            if (exe && !exe->empty()) {
                hooks_.setWindowIcon(*form_, *exe);
            }
        } catch (...) {
            // The default icon stays.
        }
    }
    OpenSection(Section::Home);
    driveTimer_ = std::make_unique<toolkit::Timer>(app_, 5000);
    driveTimer_->onTick = [this](toolkit::TimerEvent&) {
        if (!Minimised()) {
            DrivesChanged();
        }
    };
    driveTimer_->start();
}

bool MainWindow::RequestClose() {
    return form_->requestClose();
}

void MainWindow::OnCloseRequest(toolkit::CloseEvent& e) {
    bool refuse = false;
    if (busy_.busy) {
        // The scan ends at its next check; a later close succeeds.
        busy_.stop = true;
        refuse = true;
    }
    if (busy_.embeddedBusy) {
        refuse = true;
        if (auto stop = busy_.embeddedStop) {
            stop();
        }
        Tell(std::string(kCloseWait));
    }
    e.cancel = refuse;
}

// ---- navigation ----------------------------------------------------------------------

bool MainWindow::CanNavigate() {
    if (!busy_.busy && !busy_.embeddedBusy) {
        return true;
    }
    Tell(std::string(kNavigateRefusal));
    return false;
}

// The busy test comes first, so that every entry is refused alike while work
// runs, whether its section is part of this build or not.
void MainWindow::OpenSection(Section section, std::string_view heading) {
    if (!CanNavigate()) {
        return;
    }
    const SectionEntry* entry = catalog_.Find(section);
    if (!entry || !entry->make) {
        return; // not part of this build: nothing to open
    }
    SelectSection(SectionButton(section), heading.empty() ? SectionHeading(section) : heading);
    if (entry->kept) {
        ShowKept(section);
    } else {
        ShowOpened(*entry);
    }
}

void MainWindow::ShowOpened(const SectionEntry& entry) {
    opened_ = entry.make(*this);
    std::unique_ptr<Control> content = opened_->Build();
    opened_->Refresh();
    Host(std::move(content));
    shown_ = opened_.get();
    shown_->Shown();
}

void MainWindow::ShowKept(Section section) {
    Kept& kept = kept_.at(section);
    kept.section->Refresh();
    auto it = std::find_if(parkedViews_.begin(), parkedViews_.end(),
                           [&](const auto& p) { return p.get() == kept.view; });
    if (it != parkedViews_.end()) {
        std::unique_ptr<Control> owned = std::move(*it);
        parkedViews_.erase(it);
        owned->setDock(Dock::Fill);
        stage_->adopt(std::move(owned));
    }
    Style(*kept.view);
    shown_ = kept.section.get();
    shown_->Shown();
}

ShellSection* MainWindow::KeptSection(Section section) {
    auto it = kept_.find(section);
    return it == kept_.end() ? nullptr : it->second.section.get();
}

void MainWindow::RunTool(MoreTool tool) {
    if (!CanNavigate()) {
        return;
    }
    const auto* run = catalog_.FindTool(tool);
    if (run && *run) {
        (*run)(*this);
    }
}

void MainWindow::OpenMoreMenu() {
    moreMenu_->openAt(*more_, {0, more_->size().height});
}

void MainWindow::SelectSection(Button& button, std::string_view heading) {
    for (Button* b : sectionButtons_) {
        b->setBackColor(palette::kWhite);
        b->setForeColor(kNavText);
    }
    button.setBackColor(kNavSelectedBack);
    button.setForeColor(kNavSelectedText);
    heading_->setText(std::string(heading));

    if (ShellSection* left = std::exchange(shown_, nullptr)) {
        left->Leaving();
    }
    {
        toolkit::SuspendedLayout hold(*stage_);
        std::vector<Control*> present;
        for (const auto& c : stage_->children()) {
            present.push_back(c.get());
        }
        for (Control* c : present) {
            const bool isKept = std::any_of(kept_.begin(), kept_.end(),
                                            [c](const auto& k) { return k.second.view == c; });
            if (isKept) {
                parkedViews_.push_back(stage_->release(c));
            } else {
                c->dispose(); // its timers stop with it
            }
        }
    }
    opened_.reset(); // after its content: nothing it points into is left
}

Button& MainWindow::SectionButton(Section section) {
    return *buttonOf_.at(section);
}

void MainWindow::Host(std::unique_ptr<Control> content) {
    Control& c = *content;
    c.setDock(Dock::Fill);
    stage_->adopt(std::move(content));
    if (auto* form = dynamic_cast<toolkit::Form*>(&c)) {
        form->setFont(std::nullopt);
        form->setRightToLeft(true);
        form->show();
    }
    Style(c);
}

// ---- helpers ---------------------------------------------------------------------------

void MainWindow::Tell(const std::string& text) {
    toolkit::MessageBoxArgs box;
    box.owner = form_.get();
    box.text = text;
    box.caption = std::string(kTellCaption);
    app_.messageBox(box);
}

toolkit::DialogResult MainWindow::Ask(toolkit::MessageBoxArgs box) {
    box.owner = form_.get();
    return app_.messageBox(box);
}

void MainWindow::OpenTool(const std::string& target, const std::string& arguments) {
    platform::ShellLaunch launch;
    launch.verb = "open";
    launch.file = target;
    launch.arguments = arguments;
    launch.owner = Owner();
    // The refusal is told once, in our words: the shell shows no box of its own.
    launch.noErrorUi = true;
    auto started = machine_.processes().OpenWithShell(launch);
    if (!started.ok()) {
        Tell(std::string(kOpenFailed) + started.error().message);
    }
}

base::Lease MainWindow::OnDrivesChanged(std::function<void()> changed) {
    const int id = nextSubscriber_++;
    driveSubscribers_[id] = std::move(changed);
    return base::Lease([this, id] { driveSubscribers_.erase(id); });
}

// A subscriber may drop its own subscription or another's while told: each is
// looked up again just before it is called.
void MainWindow::DrivesChanged() {
    std::vector<int> ids;
    for (const auto& subscriber : driveSubscribers_) {
        ids.push_back(subscriber.first);
    }
    for (int id : ids) {
        auto it = driveSubscribers_.find(id);
        if (it != driveSubscribers_.end()) {
            std::function<void()> changed = it->second;
            changed();
        }
    }
}

base::Lease MainWindow::HoldRunBusy(records::RemovalFlow flow, std::function<void()> stop) {
    if (flow == records::RemovalFlow::TemporaryFiles) {
        return busy_.HoldScan();
    }
    return busy_.HoldEmbedded(std::move(stop));
}

void MainWindow::Diagnose(std::string_view message) {
    diagnostics::WriteDriveDiagnostic(machine_, message);
}

platform::NativeWindow MainWindow::Owner() {
    return hooks_.nativeWindow ? hooks_.nativeWindow(*form_) : 0;
}

void MainWindow::ToggleMotion() {
    motion_ = !motion_;
    toggle_->setText(std::string(motion_ ? kMotionOnText : kMotionOffText));
    std::vector<Control*> pending{form_.get()};
    while (!pending.empty()) {
        Control* c = pending.back();
        pending.pop_back();
        if (auto* banner = dynamic_cast<VexoSolvaneBanner21*>(c)) {
            banner->setMotion(motion_);
        }
        for (const auto& child : c->children()) {
            pending.push_back(child.get());
        }
    }
}

} // namespace vexo::shell
