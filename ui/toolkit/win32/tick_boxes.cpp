#include "toolkit/win32/tick_boxes.h"

#include "toolkit/win32/gdi.h"

#include <algorithm>
#include <uxtheme.h>
#include <vsstyle.h>

namespace vexo::toolkit::win32 {

namespace {

// Never a colour of a box: the parts left in it become transparent.
constexpr COLORREF kGround = RGB(255, 0, 255);
constexpr int kBoxSize = 13;

enum class Box { Clear, Ticked };

struct ThemeTraits {
    using Handle = HTHEME;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { CloseThemeData(h); }
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle empty() noexcept { return nullptr; }
    static bool live(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { ImageList_Destroy(h); }
};

void DrawBox(HDC dc, HTHEME theme, const RECT& cell, Box box) {
    const UniqueBrush ground(CreateSolidBrush(kGround));
    FillRect(dc, &cell, ground.get());
    const int left = cell.left + (cell.right - cell.left - kBoxSize) / 2;
    const int top = cell.top + (cell.bottom - cell.top - kBoxSize) / 2;
    RECT r{left, top, left + kBoxSize, top + kBoxSize};
    if (theme) {
        DrawThemeBackground(theme, dc, BP_CHECKBOX,
                            box == Box::Ticked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL, &r,
                            nullptr);
        return;
    }
    DrawFrameControl(dc, &r, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (box == Box::Ticked ? DFCS_CHECKED : 0));
}

} // namespace

HIMAGELIST CreateTickBoxImages(HWND list, int width, int height) {
    width = std::max(width, kBoxSize);
    height = std::max(height, kBoxSize);
    platform::win32::UniqueHandle<ImageListTraits> images(
        ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 2, 0));
    if (!images) {
        return nullptr;
    }
    HDC screen = GetDC(list);
    const UniqueMemoryDc dc(CreateCompatibleDC(screen));
    const UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(list, screen);
    const platform::win32::UniqueHandle<ThemeTraits> theme(OpenThemeData(list, L"BUTTON"));
    if (!dc || !bitmap) {
        return nullptr;
    }
    for (Box box : {Box::Clear, Box::Ticked}) {
        HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
        DrawBox(dc.get(), theme.get(), RECT{0, 0, width, height}, box);
        SelectObject(dc.get(), old);
        if (ImageList_AddMasked(images.get(), bitmap.get(), kGround) < 0) {
            return nullptr;
        }
    }
    return images.release();
}

} // namespace vexo::toolkit::win32
