#include "shell/banner.h"

#include "shell/style.h"

namespace vexo::shell {

namespace {
constexpr toolkit::Color kGradientFrom = toolkit::Color::rgb(231, 241, 255);
constexpr toolkit::Color kGlow = toolkit::Color::argb(25, 24, 93, 228);
constexpr toolkit::Color kLineTo = toolkit::Color::rgb(244, 159, 65);
constexpr int kGlowSize = 210;
constexpr int kLineHeight = 4;
} // namespace

VexoSolvaneBanner21::VexoSolvaneBanner21(toolkit::Application& app, bool motion)
    : motion_(motion), clock_(std::make_unique<toolkit::Timer>(app, kTickMs)) {
    onPaint = [this](toolkit::PaintEvent& e) { Paint(e); };
    clock_->onTick = [this](toolkit::TimerEvent&) { Tick(); };
    clock_->start();
}

VexoSolvaneBanner21::~VexoSolvaneBanner21() {
    clock_->stop();
}

bool VexoSolvaneBanner21::WindowMinimised() const {
    const toolkit::Control* top = this;
    while (top->parent()) {
        top = top->parent();
    }
    const auto* form = dynamic_cast<const toolkit::Form*>(top);
    return form && form->minimized();
}

void VexoSolvaneBanner21::Tick() {
    if (!motion_ || !effectivelyVisible() || isDisposing() || WindowMinimised()) {
        return; // a stopped banner keeps its last picture
    }
    phase_ += kStep;
    if (phase_ > 1.0f) {
        phase_ = 0.0f;
    }
    invalidate();
}

void VexoSolvaneBanner21::Paint(toolkit::PaintEvent& e) const {
    const toolkit::Rect r = e.clientArea;
    if (r.width < 2 || r.height < 2) {
        return;
    }
    toolkit::Canvas& canvas = *e.canvas;
    canvas.fillLinearGradient(r, r, kGradientFrom, palette::kWhite, 15.0f + 35.0f * phase_);
    const int glowX = -90 + static_cast<int>(static_cast<float>(r.width + 50) * phase_);
    canvas.fillEllipse({glowX, -90, kGlowSize, kGlowSize}, kGlow);
    canvas.fillLinearGradient({0, r.height - kLineHeight, r.width, kLineHeight}, r,
                              palette::kAccent, kLineTo, 180.0f * phase_);
}

} // namespace vexo::shell
