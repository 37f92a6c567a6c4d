// The grid's drawing: its column header in its own colours and height, the
// tick cell on the row's colour, and the grid lines.

#include "toolkit/win32/drawing.h"
#include "toolkit/win32/grid_peer.h"

#include <algorithm>

namespace vexo::toolkit::win32 {

LRESULT CALLBACK GridPeer::headerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR ref) {
    auto* grid = reinterpret_cast<GridPeer*>(ref);
    return grid->guardMessage(
        [&](LRESULT& result) { return grid->onHeaderMessage(msg, wp, lp, result); },
        [&] { return DefSubclassProc(hwnd, msg, wp, lp); });
}

// The header's messages, seen before the system's header control.
bool GridPeer::onHeaderMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const DataGrid::Look& look = grid_.look();
    switch (msg) {
    case HDM_LAYOUT: {
        auto* layout = reinterpret_cast<HDLAYOUT*>(lp);
        result = DefSubclassProc(header_, msg, wp, lp);
        if (result && layout->pwpos && layout->prc) {
            layout->pwpos->cy = look.headerHeight;
            layout->prc->top = layout->pwpos->y + look.headerHeight;
        }
        return true;
    }
    case WM_ERASEBKGND:
        if (look.platformHeaderStyle) {
            return false;
        }
        result = 1; // painted whole in WM_PAINT
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        if (look.platformHeaderStyle) {
            return false;
        }
        if (msg == WM_PRINTCLIENT || wp) {
            paintHeader(reinterpret_cast<HDC>(wp));
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(header_, &ps);
            paintHeader(dc);
            EndPaint(header_, &ps);
        }
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

// The column header drawn by us: the platform's header look would ignore the
// grid's colours and height. Each column's caption in its own box (the boxes
// follow the grid's column order, right to left included), a line between
// columns and under the header, and a small arrow on the sorted column.
void GridPeer::paintHeader(HDC dc) {
    const DataGrid::Look& look = grid_.look();
    RECT rc;
    GetClientRect(header_, &rc);
    const int w = std::max(1L, rc.right);
    const int h = std::max(1L, rc.bottom);
    OffscreenPicture picture(dc, w, h);
    HDC mem = picture.dc();
    FillRect(mem, &rc, brush(look.headerBack));
    HBRUSH line = brush(look.gridLines);
    const bool rtl = grid_.rightToLeft();
    const int count = Header_GetItemCount(header_);
    for (int i = 0; i < count && i < static_cast<int>(grid_.columns().size()); ++i) {
        RECT item{};
        if (!Header_GetItemRect(header_, i, &item) || item.right <= item.left) {
            continue;
        }
        const GridColumn& column = grid_.columns()[static_cast<size_t>(i)];
        RECT box{item.left + 8, item.top, item.right - 8, item.bottom};
        if (grid_.sortColumn() == i) {
            // The arrow stands at the caption's far end.
            const int cx = rtl ? item.left + 12 : item.right - 12;
            const int cy = (item.top + item.bottom) / 2;
            const POINT up[3] = {{cx - 4, cy + 2}, {cx + 4, cy + 2}, {cx, cy - 2}};
            const POINT down[3] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
            HGDIOBJ oldBrush = SelectObject(mem, brush(look.headerFore));
            HGDIOBJ oldPen = SelectObject(mem, GetStockObject(NULL_PEN));
            Polygon(mem, grid_.sortAscending() ? up : down, 3);
            SelectObject(mem, oldPen);
            SelectObject(mem, oldBrush);
            (rtl ? box.left : box.right) += 16;
        }
        if (box.right > box.left) {
            drawTextInBox(mem, {.text = column.header,
                                .box = box,
                                .align = rtl ? HAlign::Right : HAlign::Left,
                                .verticalAlign = VAlign::Middle,
                                .color = look.headerFore,
                                .font = font(),
                                .rightToLeft = rtl});
        }
        RECT edge{item.right - 1, item.top, item.right, item.bottom};
        FillRect(mem, &edge, line);
    }
    RECT bottom{0, h - 1, w, h};
    FillRect(mem, &bottom, line);
    picture.copyTo(dc, {0, 0}, {w, h});
}

// The list view draws the tick box on its own ground, not the row's: the
// cell takes the row's colour first and the box's clear parts show it.
void GridPeer::paintTickCell(HDC dc, const RECT& row, COLORREF color) {
    if (tickBoxes_.cx <= 0 || !header_) {
        return;
    }
    RECT column{};
    if (!Header_GetItemRect(header_, 0, &column)) {
        return;
    }
    MapWindowPoints(header_, hwnd_, reinterpret_cast<POINT*>(&column), 2);
    const RECT cell{column.left, row.top, column.right, row.bottom};
    FillRect(dc, &cell, brush(color));
}

// Lines under a row and between its cells, in the grid-line colour, at the
// header's column edges (which follow the grid's column order).
void GridPeer::drawGridLines(HDC dc, const RECT& row) {
    HBRUSH line = brush(grid_.look().gridLines);
    RECT under{row.left, row.bottom - 1, row.right, row.bottom};
    FillRect(dc, &under, line);
    const int count = header_ ? Header_GetItemCount(header_) : 0;
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (!Header_GetItemRect(header_, i, &item)) {
            continue;
        }
        MapWindowPoints(header_, hwnd_, reinterpret_cast<POINT*>(&item), 2);
        RECT edge{item.right - 1, row.top, item.right, row.bottom};
        FillRect(dc, &edge, line);
    }
}

} // namespace vexo::toolkit::win32
