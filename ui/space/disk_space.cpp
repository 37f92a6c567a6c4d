#include "space/disk_space.h"

#include "shell/style.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace vexo::space {

namespace {

using toolkit::Dock;
using toolkit::Spacing;

constexpr double kGb = 1073741824.0;
constexpr toolkit::Size kCardSize{300, 245};
constexpr int kCardRadius = 18;

constexpr std::string_view kExplanation =
    "قراءة فعلية للمساحة من ويندوز، وليست نتيجة فحص تقديرية.\r\n"
    "تحليل القرص يعرض أحجام مجلدات النظام والبرامج للقراءة فقط. إزالة البرامج من قسم "
    "البرامج، وحذف الملفات من قسم الملفات بعد مراجعتها. المساحة المستخدمة لا تصل إلى صفر مع "
    "وجود ويندوز.";

bool GetsACard(platform::DriveType type) {
    return type == platform::DriveType::Fixed || type == platform::DriveType::Removable;
}

} // namespace

// ---- usage bar -------------------------------------------------------------------

UsageBar::UsageBar() {
    setBackColor(kBarTrack);
    onPaint = [this](toolkit::PaintEvent& e) {
        const int filled = FilledWidth();
        if (filled > 0) {
            e.canvas->fillRect({0, 0, filled, e.clientArea.height}, shell::palette::kAccent);
        }
    };
}

void UsageBar::setFraction(double f) {
    fraction_ = std::isnan(f) ? 0.0 : std::clamp(f, 0.0, 1.0);
    invalidate();
}

int UsageBar::FilledWidth() const {
    const double f = std::isnan(fraction_) ? 0.0 : std::clamp(fraction_, 0.0, 1.0);
    // nearbyint rounds halves to the even neighbour in the default mode.
    return static_cast<int>(std::nearbyint(displayRect().width * f));
}

// ---- dashboard ----------------------------------------------------------------------

DiskSpaceDashboard::DiskSpaceDashboard(shell::SectionContext& context)
    : context_(context),
      drivesChanged_(context.OnDrivesChanged([this] { RefreshDriveWidgets(); })) {}

std::unique_ptr<toolkit::Control> DiskSpaceDashboard::Build() {
    toolkit::TableLayoutArgs args;
    args.dock = Dock::Fill;
    args.margin = Spacing{};
    args.rows = {toolkit::Track::pixels(55), toolkit::Track::fill(), toolkit::Track::pixels(120)};
    auto view = std::make_unique<toolkit::TableLayout>(args);
    view->setAccessibleName("disk-space");

    toolkit::LabelArgs summaryArgs;
    summaryArgs.dock = Dock::Fill;
    summaryArgs.font = toolkit::Font{"Segoe UI", 12.0f, true};
    summary_ = view->addAt<toolkit::Label>(0, 0, summaryArgs);

    toolkit::FlowLayoutArgs cardArgs;
    cardArgs.direction = toolkit::FlowDirection::RightToLeft;
    cardArgs.wrap = true;
    cardArgs.autoScroll = true;
    cardArgs.dock = Dock::Fill;
    cards_ = view->addAt<toolkit::FlowLayout>(0, 1, cardArgs);

    toolkit::LabelArgs explanationArgs;
    explanationArgs.text = std::string(kExplanation);
    explanationArgs.dock = Dock::Fill;
    explanationArgs.padding = Spacing::all(10);
    view->addAt<toolkit::Label>(0, 2, explanationArgs);

    view_ = view.get();
    return view;
}

void DiskSpaceDashboard::ShowSpace14() {
    context_.OpenSection(shell::Section::DiskSpace);
}

void DiskSpaceDashboard::Shown() {
    // The palette gives every panel the page colour; cards stay white and
    // bars keep their track.
    for (const auto& card : cards_->children()) {
        card->setBackColor(shell::palette::kWhite);
    }
    for (const DriveWidget& w : widgets_) {
        w.bar->setBackColor(kBarTrack);
    }
}

void DiskSpaceDashboard::BuildDriveCards() {
    cards_->clearChildren();
    widgets_.clear();
    platform::Volumes& volumes = context_.Machine().volumes();
    {
        // Resumed however the rebuild ends, so the next one lays out again.
        toolkit::SuspendedLayout hold(*cards_);
        for (const std::string& root : volumes.DriveRoots()) {
            if (!GetsACard(volumes.TypeOf(root)) || !volumes.IsReady(root)) {
                continue;
            }
            // Only the name is read here: a drive whose space cannot be read
            // still gets its card, and the refresh below says so on it.
            base::Result<std::string> label = volumes.Label(root);
            if (!label.ok()) {
                throw std::runtime_error(label.error().message);
            }
            BuildCard(root, *label);
        }
    }
    RefreshDriveWidgets();
}

void DiskSpaceDashboard::BuildCard(const std::string& root, const std::string& label) {
    toolkit::PanelArgs cardArgs;
    cardArgs.size = kCardSize;
    cardArgs.margin = Spacing::all(8);
    cardArgs.backColor = shell::palette::kWhite;
    auto* card = cards_->add<toolkit::Panel>(cardArgs);
    context_.Pearl().Round(*card, kCardRadius);

    toolkit::LabelArgs nameArgs;
    nameArgs.text = root + "  " + label;
    nameArgs.bounds = toolkit::Rect{18, 15, 260, 38};
    nameArgs.font = toolkit::Font{"Segoe UI", 17.0f, true};
    card->add<toolkit::Label>(nameArgs);

    toolkit::LabelArgs infoArgs;
    infoArgs.bounds = toolkit::Rect{18, 62, 260, 93};
    infoArgs.font = toolkit::Font{"Segoe UI", 11.0f, false};
    auto* info = card->add<toolkit::Label>(infoArgs);

    auto* bar = card->add<UsageBar>();
    bar->setBounds({18, 167, 260, 12});

    toolkit::ButtonArgs openArgs;
    openArgs.text = "فتح القرص ←";
    openArgs.bounds = toolkit::Rect{18, 192, 260, 34};
    auto* open = card->add<toolkit::Button>(openArgs);
    open->tag = root;
    open->onClick = [this, root](toolkit::ClickEvent&) {
        context_.OpenTool("explorer.exe", "\"" + root + "\"");
    };

    widgets_.push_back({root, info, bar});
}

void DiskSpaceDashboard::RefreshDriveWidgets() {
    if (!summary_) {
        return; // told before the dashboard was built
    }
    double capacity = 0;
    double available = 0;
    for (const DriveWidget& w : widgets_) {
        RefreshOne(w, capacity, available);
    }
    const base::Culture& culture = context_.Culture();
    summary_->setText("الأقراص: " + std::to_string(widgets_.size()) +
                      "  |  الكلي: " + base::FormatN(capacity / kGb, 1, culture) +
                      " GB  |  المتاح لك: " + base::FormatN(available / kGb, 1, culture) + " GB");
}

void DiskSpaceDashboard::RefreshOne(const DriveWidget& w, double& capacity, double& available) {
    platform::Volumes& volumes = context_.Machine().volumes();
    const base::Culture& culture = context_.Culture();
    try {
        if (!volumes.IsReady(w.root)) {
            // The bar keeps its last fill and the drive adds nothing.
            w.info->setText(std::string(kDriveNotReady));
            return;
        }
        base::Result<platform::VolumeReading> reading = volumes.Read(w.root);
        if (!reading.ok()) {
            throw std::runtime_error(reading.error().message);
        }
        const platform::VolumeReading& r = *reading;
        capacity += static_cast<double>(r.total);
        available += static_cast<double>(r.available);
        const std::int64_t used = r.total - r.totalFree;
        w.info->setText("المستخدم: " + base::FormatN(static_cast<double>(used) / kGb, 2, culture) +
                        " GB\r\nالمتاح لك: " +
                        base::FormatN(static_cast<double>(r.available) / kGb, 2, culture) +
                        " GB\r\nالكلي: " +
                        base::FormatN(static_cast<double>(r.total) / kGb, 2, culture) + " GB");
        try {
            const double fraction =
                r.total > 0 ? static_cast<double>(used) / static_cast<double>(r.total) : 0.0;
            w.bar->setFraction(fraction);
        } catch (const std::exception& e) {
            context_.Diagnose(e.what()); // the text already set stays
        }
    } catch (const std::exception& e) {
        w.info->setText(std::string(kDriveReadFailed));
        context_.Diagnose(e.what());
    }
}

void RegisterDiskSpace(shell::SectionCatalog& catalog) {
    catalog.Add(shell::Section::DiskSpace,
                {.make =
                     [](shell::SectionContext& context) {
                         return std::make_unique<DiskSpaceDashboard>(context);
                     },
                 .kept = true});
}

} // namespace vexo::space
