#include "toolkit/win32/gdiplus_canvas.h"

#include "toolkit/win32/gdiplus_api.h"
#include "toolkit/win32/text.h"

namespace vexo::toolkit::win32 {

namespace {

Gdiplus::Color gc(Color c) {
    return Gdiplus::Color(c.a, c.r, c.g, c.b);
}
Gdiplus::Rect gr(Rect r) {
    return Gdiplus::Rect(r.x, r.y, r.width, r.height);
}

} // namespace

void GdiplusCanvas::fillRect(Rect r, Color c) {
    Gdiplus::SolidBrush b(gc(c));
    g_.FillRectangle(&b, gr(r));
}

void GdiplusCanvas::drawRect(Rect r, Color c, float w) {
    Gdiplus::Pen p(gc(c), w);
    g_.DrawRectangle(&p, gr(r));
}

void GdiplusCanvas::fillLinearGradient(Rect area, Rect r, Color from, Color to, float angle) {
    if (r.width <= 0 || r.height <= 0) {
        return;
    }
    Gdiplus::LinearGradientBrush b(gr(r), gc(from), gc(to), angle, FALSE);
    g_.FillRectangle(&b, gr(area));
}

void GdiplusCanvas::fillEllipse(Rect box, Color c) {
    Gdiplus::SolidBrush b(gc(c));
    g_.FillEllipse(&b, gr(box));
}

void GdiplusCanvas::drawArc(Rect box, float start, float sweep, Color c, float w, bool roundCaps) {
    Gdiplus::Pen p(gc(c), w);
    if (roundCaps) {
        p.SetStartCap(Gdiplus::LineCapRound);
        p.SetEndCap(Gdiplus::LineCapRound);
    }
    g_.DrawArc(&p, gr(box), start, sweep);
}

void GdiplusCanvas::drawText(const std::string& text, Rect box, const TextStyle& style) {
    const std::wstring face = W(style.font.name);
    Gdiplus::Font font(face.c_str(), style.font.points,
                       style.font.bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular,
                       Gdiplus::UnitPoint);
    Gdiplus::SolidBrush brush(gc(style.color));
    Gdiplus::StringFormat format;
    auto align = [](int a) {
        return a == 0 ? Gdiplus::StringAlignmentNear
                      : (a == 1 ? Gdiplus::StringAlignmentCenter : Gdiplus::StringAlignmentFar);
    };
    format.SetAlignment(align(static_cast<int>(style.align)));
    format.SetLineAlignment(align(static_cast<int>(style.verticalAlign)));
    if (style.rightToLeft) {
        format.SetFormatFlags(Gdiplus::StringFormatFlagsDirectionRightToLeft);
    }
    const std::wstring w = W(text);
    g_.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    const Gdiplus::PointF corner(static_cast<float>(box.x), static_cast<float>(box.y));
    if (box.width <= 0 || box.height <= 0) {
        if (!style.rightToLeft) {
            g_.DrawString(w.c_str(), -1, &font, corner, &brush);
            return;
        }
        // Right to left from a point would end the text there; it starts
        // there, so it gets a box of its own size.
        Gdiplus::RectF need;
        g_.MeasureString(w.c_str(), -1, &font, corner, &format, &need);
        g_.DrawString(w.c_str(), -1, &font,
                      Gdiplus::RectF(corner.X, corner.Y, need.Width, need.Height), &format, &brush);
        return;
    }
    Gdiplus::RectF rf(static_cast<float>(box.x), static_cast<float>(box.y),
                      static_cast<float>(box.width), static_cast<float>(box.height));
    g_.DrawString(w.c_str(), -1, &font, rf, &format, &brush);
}

UniqueRegion regionFromPath(const Path& path) {
    Gdiplus::GraphicsPath gp;
    for (const Arc& a : path.arcs) {
        gp.AddArc(gr(a.box), a.startAngle, a.sweepAngle);
    }
    gp.CloseFigure();
    Gdiplus::Region region(&gp);
    ScreenDc screen;
    Gdiplus::Graphics g(screen.get());
    return UniqueRegion(region.GetHRGN(&g));
}

} // namespace vexo::toolkit::win32
