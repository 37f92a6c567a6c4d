#include "toolkit/win32/drawing.h"

#include "toolkit/win32/gdi.h"
#include "toolkit/win32/gdiplus_api.h"
#include "toolkit/win32/gdiplus_canvas.h"
#include "toolkit/win32/text.h"

#include <algorithm>
#include <vector>

namespace vexo::toolkit::win32 {

namespace {

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
}

// The lines of a text as shown in `width` pixels: one per CR LF, each broken
// at the last space that keeps it inside (a word wider than the box keeps its
// own line). Spaces inside a line are kept as written.
std::vector<std::wstring> wrapLines(HDC dc, const std::wstring& text, int width) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        std::wstring paragraph = text.substr(start, end == std::wstring::npos ? end : end - start);
        if (!paragraph.empty() && paragraph.back() == L'\r') {
            paragraph.pop_back();
        }
        std::wstring line;
        bool first = true;
        size_t i = 0;
        for (;;) {
            const size_t space = std::min(paragraph.find(L' ', i), paragraph.size());
            const std::wstring word = paragraph.substr(i, space - i);
            std::wstring longer = first ? word : line + L' ' + word;
            if (!first && width > 0 && !word.empty() && textWidth(dc, longer) > width) {
                lines.push_back(line);
                longer = word;
            }
            line = std::move(longer);
            first = false;
            if (space >= paragraph.size()) {
                break;
            }
            i = space + 1;
        }
        lines.push_back(line);
        if (end == std::wstring::npos) {
            return lines;
        }
        start = end + 1;
    }
}

// A line cut at its end with an ellipsis so that it fits `width` pixels;
// `more` marks it as cut even when it fits (lines below it are left out).
std::wstring cutToWidth(HDC dc, std::wstring line, int width, bool more) {
    if (!more && (width <= 0 || textWidth(dc, line) <= width)) {
        return line;
    }
    const std::wstring dots = L"\u2026";
    while (!line.empty() && width > 0 && textWidth(dc, line + dots) > width) {
        line.pop_back();
    }
    return line + dots;
}

// The lines of a text that is cut rather than wrapped: one per CR LF, as
// many as fit the height, each cut to the width.
std::vector<std::wstring> cutLines(HDC dc, const std::wstring& text, int width, int height,
                                   int lineHeight) {
    std::vector<std::wstring> lines = wrapLines(dc, text, 0);
    const size_t fit = lineHeight > 0 ? static_cast<size_t>(std::max(1, height / lineHeight)) : 1;
    const bool more = lines.size() > fit;
    if (more) {
        lines.resize(fit);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i] = cutToWidth(dc, std::move(lines[i]), width, more && i + 1 == lines.size());
    }
    return lines;
}

} // namespace

// Each line is placed by ExtTextOutW's own alignment rather than by
// DrawTextW: Wine's DrawTextW measures Arabic before shaping joins its
// letters, so right-aligned Arabic stopped short of the right edge (by 53 px
// on a 500-px line of the heading at 19 pt).
void drawTextInBox(HDC dc, const TextInBox& text) {
    const RECT& box = text.box;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorRef(text.color));
    HGDIOBJ old = SelectObject(dc, text.font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int lineHeight = static_cast<int>(tm.tmHeight);
    const std::vector<std::wstring> lines =
        text.ellipsis
            ? cutLines(dc, W(text.text), box.right - box.left, box.bottom - box.top, lineHeight)
            : wrapLines(dc, W(text.text), box.right - box.left);
    const int spare = (box.bottom - box.top) - lineHeight * static_cast<int>(lines.size());
    int y = box.top;
    if (spare > 0 && text.verticalAlign != VAlign::Top) {
        y += text.verticalAlign == VAlign::Middle ? spare / 2 : spare;
    }
    const bool rtl = text.rightToLeft;
    UINT textAlign = TA_TOP | TA_NOUPDATECP | (rtl ? TA_RTLREADING : 0);
    int x = box.left;
    if (text.align == HAlign::Center) {
        textAlign |= TA_CENTER;
        x = (box.left + box.right) / 2;
    } else if (text.align == HAlign::Right) {
        textAlign |= TA_RIGHT;
        x = box.right;
    } else {
        textAlign |= TA_LEFT;
    }
    const UINT oldAlign = SetTextAlign(dc, textAlign);
    for (const std::wstring& line : lines) {
        ExtTextOutW(dc, x, y, ETO_CLIPPED | (rtl ? ETO_RTLREADING : 0), &box, line.c_str(),
                    static_cast<UINT>(line.size()), nullptr);
        y += lineHeight;
    }
    SetTextAlign(dc, oldAlign);
    SelectObject(dc, old);
}

void renderDrawn(Control& control, HDC dc) {
    Gdiplus::Graphics g(dc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const Color back = control.paintedBackColor();
    g.Clear(Gdiplus::Color(255, back.r, back.g, back.b));
    GdiplusCanvas canvas(g);
    control.paint(canvas);
}

void drawItemOffscreen(const DRAWITEMSTRUCT& item,
                       const std::function<void(HDC dc, const RECT& area)>& draw) {
    const RECT& rc = item.rcItem;
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) {
        return;
    }
    OffscreenPicture picture(item.hDC, w, h);
    draw(picture.dc(), RECT{0, 0, w, h});
    picture.copyTo(item.hDC, {rc.left, rc.top}, {w, h});
}

Color enabledTextColor(const Control& control) {
    return control.effectivelyEnabled() ? control.foreColor() : Color::rgb(150, 150, 150);
}

} // namespace vexo::toolkit::win32
