#include "toolkit/win32/tick_boxes.h"

#include <algorithm>
#include <uxtheme.h>
#include <vsstyle.h>

namespace vexo::toolkit::win32 {

namespace {

// Never a colour of a box: the parts left in it become transparent.
constexpr COLORREF kGround = RGB(255, 0, 255);
constexpr int kBoxSize = 13;

enum class Box { Clear, Ticked };

void DrawBox(HDC dc, HTHEME theme, const RECT& cell, Box box) {
    HBRUSH ground = CreateSolidBrush(kGround);
    FillRect(dc, &cell, ground);
    DeleteObject(ground);
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
    HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 2, 0);
    if (!images) {
        return nullptr;
    }
    HDC screen = GetDC(list);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(list, screen);
    HTHEME theme = OpenThemeData(list, L"BUTTON");
    bool complete = dc && bitmap;
    for (Box box : {Box::Clear, Box::Ticked}) {
        if (!complete) {
            break;
        }
        HGDIOBJ old = SelectObject(dc, bitmap);
        DrawBox(dc, theme, RECT{0, 0, width, height}, box);
        SelectObject(dc, old);
        complete = ImageList_AddMasked(images, bitmap, kGround) >= 0;
    }
    if (theme) {
        CloseThemeData(theme);
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    if (dc) {
        DeleteDC(dc);
    }
    if (!complete) {
        ImageList_Destroy(images);
        return nullptr;
    }
    return images;
}

} // namespace vexo::toolkit::win32
