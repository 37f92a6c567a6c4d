#pragma once
// Drawing shared by the controls we paint ourselves (labels, buttons, the
// grid's header): text placed line by line, and a custom-drawn control's
// picture.

#include "platform/win32/windows_api.h"
#include "toolkit/control.h"

#include <functional>
#include <string>

namespace vexo::toolkit::win32 {

struct TextInBox {
    std::string text;
    RECT box{};
    HAlign align = HAlign::Left;
    VAlign verticalAlign = VAlign::Top;
    Color color;
    HFONT font = nullptr;
    bool rightToLeft = false;
    // Cut with an ellipsis where it does not fit, instead of wrapped.
    bool ellipsis = false;
};

// Text in the box, wrapped at word ends and at CR LF, aligned both ways, in
// the given reading order, on whatever is already drawn there.
void drawTextInBox(HDC dc, const TextInBox& text);

// A custom-drawn control's picture: its background, then its own drawing.
void renderDrawn(Control& control, HDC dc);

// An owner-drawn item drawn off screen by `draw` (given the picture's DC and
// its area from 0, 0) and copied in one go: a label over a moving banner
// repaints with it every few dozen milliseconds.
void drawItemOffscreen(const DRAWITEMSTRUCT& item,
                       const std::function<void(HDC dc, const RECT& area)>& draw);

// The colour a control's text is drawn in: greyed while it is disabled.
Color enabledTextColor(const Control& control);

} // namespace vexo::toolkit::win32
