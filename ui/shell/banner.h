#pragma once
// The animated gradient panel: the header's accent strip and the Home banner.
// A soft blue gradient turns slowly, a faint glow travels from the left edge
// to the right once per cycle, and the bottom 4 px carry an accent line from
// blue to orange. One cycle is 125 ticks of 70 ms (8.75 s).
//
// The banner paints only its background; its children draw on top of it.

#include "toolkit/toolkit.h"

#include <memory>

namespace vexo::shell {

class VexoSolvaneBanner21 : public toolkit::Panel {
public:
    static constexpr int kTickMs = 70;
    static constexpr float kStep = 0.008f;

    // The clock starts at once; it stops when the banner is disposed.
    VexoSolvaneBanner21(toolkit::Application& app, bool motion);
    ~VexoSolvaneBanner21() override;

    bool motion() const { return motion_; }
    void setMotion(bool on) { motion_ = on; }
    // From 0 to 1: where the animation stands.
    float phase() const { return phase_; }
    // The clock's work, also what a test runs as time passes.
    void Tick();

private:
    void Paint(toolkit::PaintEvent& e) const;
    // Stands still while the window it lives in is minimised; a banner not
    // yet in a window moves on.
    bool WindowMinimised() const;

    bool motion_;
    float phase_ = 0.0f;
    std::unique_ptr<toolkit::Timer> clock_;
};

} // namespace vexo::shell
