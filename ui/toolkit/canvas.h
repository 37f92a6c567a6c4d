#pragma once
// Drawing for custom-drawn controls. Every call carries its own colour, pen
// and font: the canvas keeps no state between calls. The real backend draws
// antialiased into an off-screen buffer; the headless one records the calls.

#include "toolkit/control.h"
#include "toolkit/control_args.h"
#include "toolkit/geometry.h"

#include <string>

namespace vexo::toolkit {

struct TextStyle {
    Font font;
    Color color;
    HAlign align = HAlign::Left;
    VAlign verticalAlign = VAlign::Top;
    bool rightToLeft = false;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void fillRect(Rect r, Color c) = 0;
    virtual void drawRect(Rect r, Color c, float penWidth) = 0;
    // A linear gradient over `r` from `from` to `to`, at `angleDegrees`
    // (0: left to right, clockwise), painted into `area` (often r itself).
    virtual void fillLinearGradient(Rect area, Rect r, Color from, Color to,
                                    float angleDegrees) = 0;
    virtual void fillEllipse(Rect box, Color c) = 0;
    // An arc of the ellipse in `box`; angles in degrees, clockwise from three
    // o'clock.
    virtual void drawArc(Rect box, float startAngle, float sweepAngle, Color c, float penWidth,
                         bool roundCaps) = 0;
    // Text inside `box` (a zero-size box: starting at its corner).
    virtual void drawText(const std::string& text, Rect box, const TextStyle& style) = 0;
};

// A control that draws itself through onPaint, double-buffered.
class DrawnControl : public Control {
public:
    explicit DrawnControl(ControlArgs args = {}) { applyArgs(*this, args); }
    Kind kind() const override { return Kind::Drawn; }
};

} // namespace vexo::toolkit
