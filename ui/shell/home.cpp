#include "shell/home.h"

#include "platform/path_rules.h"
#include "shell/banner.h"
#include "shell/meter.h"
#include "shell/style.h"

#include <memory>
#include <stdexcept>

namespace vexo::shell {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

constexpr std::string_view kApplicationsHeading = "تطبيقاتك — اختار ثم أزل";
constexpr std::string_view kDetails =
    "أرقام القرص فعلية من ويندوز — تُحدّث كل 5 ثوانٍ.\r\n"
    "تقرير التنظيف يوضح حجم المنقول للسلة وفرق مساحة القرص كلٌ على حدة.\r\n"
    "ملفات النظام للعرض، وحذف ملفاتك الشخصية بعد مراجعة العدد والحجم.";

struct WindowsDrive {
    std::string root;
    double total = 0;
    double free = 0;
};

// The drive that holds the Windows folder: its total size and its total free
// bytes (not what quotas leave the user, unlike the drive cards).
WindowsDrive ReadWindowsDrive(platform::Machine& machine) {
    std::optional<std::string> windir = machine.environment().Get("WINDIR");
    const std::string root = windir ? platform::paths::Root(*windir) : std::string();
    if (root.empty()) {
        throw std::runtime_error("The WINDIR variable names no drive.");
    }
    base::Result<platform::VolumeReading> reading = machine.volumes().Read(root);
    if (!reading.ok()) {
        throw std::runtime_error(reading.error().message);
    }
    return {root, static_cast<double>(reading->total), static_cast<double>(reading->totalFree)};
}

toolkit::Button* BigButton(toolkit::TableLayout& row, int column, const char* text) {
    toolkit::ButtonArgs args;
    args.text = text;
    args.dock = Dock::Fill;
    args.margin = Spacing::all(6);
    return row.addAt<toolkit::Button>(column, 0, args);
}

std::unique_ptr<toolkit::TableLayout> TwoColumns(float first, float second) {
    toolkit::TableLayoutArgs args;
    args.dock = Dock::Fill;
    args.margin = Spacing{};
    args.columns = {toolkit::Track::percent(first), toolkit::Track::percent(second)};
    args.rows = {toolkit::Track::fill()};
    return std::make_unique<toolkit::TableLayout>(args);
}

} // namespace

void ShowStart14(SectionContext& context) {
    context.OpenSection(Section::Home);
}

void RegisterHome(SectionCatalog& catalog) {
    catalog.Add(Section::Home, {.make = [](SectionContext& context) {
                    return std::make_unique<HomeSection>(context);
                }});
}

std::unique_ptr<toolkit::Control> HomeSection::Build() {
    toolkit::TableLayoutArgs gridArgs;
    gridArgs.dock = Dock::Fill;
    gridArgs.margin = Spacing{};
    gridArgs.rows = {toolkit::Track::pixels(220), toolkit::Track::pixels(135),
                     toolkit::Track::fill()};
    auto grid = std::make_unique<toolkit::TableLayout>(gridArgs);
    grid->setAccessibleName("home");

    auto* top = static_cast<toolkit::TableLayout*>(grid->adopt(TwoColumns(56, 44)));
    top->setCell({0, 0});

    auto* banner = top->addAt<VexoSolvaneBanner21>(0, 0, context_.App(), context_.Motion());
    banner->setDock(Dock::Fill);
    banner->setMargin(Spacing::all(6));
    banner->setPadding({20, 15, 20, 15});
    toolkit::ButtonArgs reviewArgs;
    reviewArgs.text = "راجع ملفاتي  ←";
    reviewArgs.dock = Dock::Bottom;
    reviewArgs.size = toolkit::Size{0, 42};
    review_ = banner->add<toolkit::Button>(reviewArgs);
    toolkit::LabelArgs greetingArgs;
    greetingArgs.text = "مساحة تستاهلها.\r\nوتحكّم يسهّل يومك.";
    greetingArgs.dock = Dock::Fill;
    greetingArgs.font = toolkit::Font{"Segoe UI", 18.0f, true};
    greetingArgs.backColor = toolkit::Color::transparent();
    greetingArgs.align = toolkit::HAlign::Right;
    greetingArgs.verticalAlign = toolkit::VAlign::Middle;
    banner->add<toolkit::Label>(greetingArgs);

    meter_ = top->addAt<VexoSolvaneMeter21>(1, 0, context_.Culture());
    meter_->setDock(Dock::Fill);
    meter_->setMargin(Spacing::all(6));
    ReadMeter(/*nameTheDrive=*/true);

    auto* actions = static_cast<toolkit::TableLayout*>(grid->adopt(TwoColumns(50, 50)));
    actions->setCell({0, 1});
    files_ = BigButton(*actions, 0, "ملفاتي\r\nبحث • تحديد • مراجعة الحذف");
    apps_ = BigButton(*actions, 1, "التطبيقات\r\nعرض البرامج المثبتة وإزالتها بالتتابع");

    toolkit::LabelArgs detailsArgs;
    detailsArgs.text = std::string(kDetails);
    detailsArgs.dock = Dock::Fill;
    detailsArgs.padding = Spacing{16, 14, 16, 0};
    grid->addAt<toolkit::Label>(0, 2, detailsArgs);

    auto openFiles = [this](toolkit::ClickEvent&) { context_.OpenSection(Section::MyFiles); };
    review_->onClick = openFiles;
    files_->onClick = openFiles;
    apps_->onClick = [this](toolkit::ClickEvent&) {
        context_.OpenSection(Section::Applications, kApplicationsHeading);
    };
    content_ = grid.get();
    return grid;
}

void HomeSection::Shown() {
    MakePrimary(*review_);
    files_->setFont("Segoe UI", 12.0f, true);
    apps_->setFont("Segoe UI", 12.0f, true);

    // A timer of the content: it stops when the user opens another section.
    toolkit::Timer* refresh = content_->addTimer(kMeterRefreshMs);
    refresh->onTick = [this](toolkit::TimerEvent&) {
        if (!context_.Minimised()) {
            ReadMeter(/*nameTheDrive=*/false);
        }
    };
    refresh->start();
}

void HomeSection::ReadMeter(bool nameTheDrive) {
    try {
        const WindowsDrive drive = ReadWindowsDrive(context_.Machine());
        if (nameTheDrive) {
            meter_->drive = "Windows (" +
                            std::string(platform::paths::TrimTrailingBackslashes(drive.root)) + ")";
        }
        meter_->totalBytes = drive.total;
        meter_->freeBytes = drive.free;
        meter_->invalidate();
    } catch (const std::exception& e) {
        context_.Diagnose(e.what());
    }
}

} // namespace vexo::shell
