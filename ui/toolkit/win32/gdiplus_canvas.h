#pragma once
// The canvas on GDI+: antialiased, drawn into the off-screen buffer of a
// double-buffered control.

#include "platform/win32/windows_api.h"
#include "toolkit/canvas.h"
#include "toolkit/win32/gdi.h"

namespace Gdiplus {
class Graphics;
}

namespace vexo::toolkit::win32 {

class GdiplusCanvas : public Canvas {
public:
    explicit GdiplusCanvas(Gdiplus::Graphics& g) : g_(g) {}
    void fillRect(Rect r, Color c) override;
    void drawRect(Rect r, Color c, float penWidth) override;
    void fillLinearGradient(Rect area, Rect r, Color from, Color to, float angle) override;
    void fillEllipse(Rect box, Color c) override;
    void drawArc(Rect box, float start, float sweep, Color c, float penWidth,
                 bool roundCaps) override;
    void drawText(const std::string& text, Rect box, const TextStyle& style) override;

private:
    Gdiplus::Graphics& g_;
};

// A GDI region of the figure (SetWindowRgn takes it over when released).
UniqueRegion regionFromPath(const Path& path);

} // namespace vexo::toolkit::win32
