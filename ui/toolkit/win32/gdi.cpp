#include "toolkit/win32/gdi.h"

#include "toolkit/win32/text.h"

#include <algorithm>

namespace vexo::toolkit::win32 {

UniqueFont createFont(const Font& font) {
    const std::wstring face = W(font.name);
    ScreenDc screen;
    const int height =
        -MulDiv(static_cast<int>(font.points * 100), GetDeviceCaps(screen.get(), LOGPIXELSY), 7200);
    return UniqueFont(CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  CLEARTYPE_QUALITY, DEFAULT_PITCH, face.c_str()));
}

// A peer paints with a handful of colours (a grid's rows, lines and header);
// past that the oldest goes, so a control whose colour keeps changing holds
// no more than this many brushes.
constexpr size_t kBrushesKept = 8;

HBRUSH BrushCache::brush(COLORREF wanted) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& e) { return e.color == wanted; });
    if (found != entries_.end()) {
        return found->brush.get();
    }
    if (entries_.size() >= kBrushesKept) {
        entries_.erase(entries_.begin());
    }
    entries_.push_back({wanted, UniqueBrush(CreateSolidBrush(wanted))});
    return entries_.back().brush.get();
}

OffscreenPicture::OffscreenPicture(HDC target, int width, int height)
    : dc_(CreateCompatibleDC(target)),
      bitmap_(CreateCompatibleBitmap(target, std::max(1, width), std::max(1, height))) {
    previous_ = SelectObject(dc_.get(), bitmap_.get());
}

OffscreenPicture::~OffscreenPicture() {
    // The bitmap leaves the DC before either is deleted.
    SelectObject(dc_.get(), previous_);
}

void OffscreenPicture::copyTo(HDC target, POINT to, SIZE size, POINT from) const {
    BitBlt(target, to.x, to.y, size.cx, size.cy, dc_.get(), from.x, from.y, SRCCOPY);
}

} // namespace vexo::toolkit::win32
