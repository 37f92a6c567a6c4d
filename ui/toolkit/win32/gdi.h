#pragma once
// The GDI objects the peers draw with, each owned by a UniqueHandle: a font
// built once from the toolkit's description, brushes kept by colour, and an
// off-screen picture that is drawn first and copied to the window in one go.

#include "platform/win32/unique_handle.h"
#include "toolkit/geometry.h"

#include <vector>

namespace vexo::toolkit::win32 {

using platform::win32::UniqueBitmap;
using platform::win32::UniqueBrush;
using platform::win32::UniqueFont;
using platform::win32::UniqueMemoryDc;
using platform::win32::UniqueRegion;

inline COLORREF colorRef(Color c) {
    return RGB(c.r, c.g, c.b);
}

// The font at the screen's resolution, as the toolkit describes it.
UniqueFont createFont(const Font& font);

// Solid brushes by colour, made on first use and kept for the next paint: a
// window erased or a grid drawn on every scroll makes no brush of its own.
class BrushCache {
public:
    HBRUSH brush(COLORREF color);

private:
    struct Entry {
        COLORREF color;
        UniqueBrush brush;
    };
    std::vector<Entry> entries_;
};

// A bitmap the size of the area, selected into a memory DC compatible with
// `target`; copyTo puts it on the target. Double buffering: a label over a
// moving banner repaints with it every few dozen milliseconds.
class OffscreenPicture {
public:
    OffscreenPicture(HDC target, int width, int height);
    ~OffscreenPicture();
    OffscreenPicture(const OffscreenPicture&) = delete;
    OffscreenPicture& operator=(const OffscreenPicture&) = delete;

    HDC dc() const { return dc_.get(); }
    // Copies `size` pixels from `from` in the picture to `to` on the target.
    void copyTo(HDC target, POINT to, SIZE size, POINT from = {0, 0}) const;

private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// The screen's device context, lent for measuring and given back.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

} // namespace vexo::toolkit::win32
