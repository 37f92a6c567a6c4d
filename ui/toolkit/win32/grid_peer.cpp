#include "toolkit/win32/grid_peer.h"

#include "toolkit/win32/text.h"
#include "toolkit/win32/tick_boxes.h"

#include <algorithm>
#include <vector>

namespace vexo::toolkit::win32 {

GridPeer::~GridPeer() {
    if (edit_) {
        HWND edit = edit_;
        edit_ = nullptr;
        RemoveWindowSubclass(edit, editProc, 3);
        DestroyWindow(edit);
    }
    if (header_) {
        RemoveWindowSubclass(header_, headerProc, 2);
    }
}

WindowStyle GridPeer::windowStyle() const {
    // Right to left by column order and reading order rather than a mirrored
    // window: a mirrored list view draws its cell text mirrored under Wine.
    return {.className = WC_LISTVIEWW,
            .style = kChildStyle | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP |
                     static_cast<DWORD>(grid_.multiSelect() ? 0 : LVS_SINGLESEL),
            .exStyle = static_cast<DWORD>(grid_.rightToLeft() ? WS_EX_RTLREADING : 0)};
}

void GridPeer::afterCreate() {
    fillColumns();
    applyLook();
}

void GridPeer::updateKind(Change what) {
    switch (what) {
    case Change::Colors:
    case Change::Style:
        applyLook();
        break;
    case Change::Items:
        refill();
        break;
    case Change::Selection:
        showCurrentRow();
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    default:
        break;
    }
}

void GridPeer::afterBounds() {
    fillColumns();
}

int GridPeer::rowAt(int item) const {
    const std::vector<int> rows = grid_.visibleRows();
    return item >= 0 && item < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(item)] : -1;
}

// ---- columns and look ------------------------------------------------------------

void GridPeer::fillColumns() {
    HWND header = ListView_GetHeader(hwnd_);
    const int existing = header ? Header_GetItemCount(header) : 0;
    if (existing == static_cast<int>(grid_.columns().size())) {
        fitColumnWidths(); // a resize: only the widths follow the fill weights
        return;
    }
    for (int i = existing - 1; i >= 0; --i) {
        ListView_DeleteColumn(hwnd_, i);
    }
    const std::vector<int> widths = grid_.columnWidths(widthForColumns());
    const bool rtl = grid_.rightToLeft();
    for (size_t i = 0; i < grid_.columns().size(); ++i) {
        std::wstring text = W(grid_.columns()[i].header);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = rtl && i > 0 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        col.cx = widths[i];
        col.pszText = text.data();
        SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    if (rtl && !grid_.columns().empty()) {
        // The first column (the tick box) stands at the right.
        std::vector<int> order(grid_.columns().size());
        for (size_t i = 0; i < order.size(); ++i) {
            order[i] = static_cast<int>(order.size() - 1 - i);
        }
        SendMessageW(hwnd_, LVM_SETCOLUMNORDERARRAY, order.size(),
                     reinterpret_cast<LPARAM>(order.data()));
    }
    applyTickBoxes();
}

// The columns share the width by their fill weights, once they are made.
void GridPeer::fitColumnWidths() {
    HWND header = ListView_GetHeader(hwnd_);
    if (!header || Header_GetItemCount(header) != static_cast<int>(grid_.columns().size())) {
        return;
    }
    const std::vector<int> widths = grid_.columnWidths(widthForColumns());
    for (size_t i = 0; i < widths.size(); ++i) {
        if (ListView_GetColumnWidth(hwnd_, static_cast<int>(i)) != widths[i]) {
            ListView_SetColumnWidth(hwnd_, static_cast<int>(i), widths[i]);
        }
    }
    applyTickBoxes();
}

// The width the columns fill: the list's inside less the vertical scroll
// bar's width while the rows are more than fit, whether the bar already
// shows or not. Columns as wide as the whole inside would push a horizontal
// bar out beside the vertical one and cut the captions at the edge.
int GridPeer::widthForColumns() const {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    if (style & WS_VSCROLL) {
        width += bar;
    }
    if (style & WS_HSCROLL) {
        height += GetSystemMetrics(SM_CYHSCROLL);
    }
    if (rowsOverflow(height)) {
        width -= bar;
    }
    return std::max(0, width);
}

// Whether the rows on show are taller than the list's inside below its header.
bool GridPeer::rowsOverflow(int clientHeight) const {
    const int count = ListView_GetItemCount(hwnd_);
    if (count <= 0) {
        return false;
    }
    RECT row{};
    const int rowHeight = ListView_GetItemRect(hwnd_, 0, &row, LVIR_BOUNDS)
                              ? static_cast<int>(row.bottom - row.top)
                              : grid_.look().rowHeight;
    RECT headerBox{}; // laid out by the list even while it is out of sight
    if (header_) {
        GetWindowRect(header_, &headerBox);
    }
    const int below = clientHeight - static_cast<int>(headerBox.bottom - headerBox.top);
    return rowHeight > 0 && count > below / rowHeight;
}

// The grid's look as the style pass left it. Rows take their height from the
// small-icon list, so a list of one-pixel-wide images as tall as a row sets it;
// the header's height is set when the list view lays it out (HDM_LAYOUT).
// Setting the font again makes the list view lay its header out anew.
void GridPeer::applyLook() {
    const DataGrid::Look& look = grid_.look();
    DWORD ex = LVS_EX_DOUBLEBUFFER;
    // Boxes only where the first column is ticked: a read-only list (the
    // folder analysis) shows none.
    if (!grid_.columns().empty() && grid_.columns()[0].kind == ColumnKind::Tick) {
        ex |= LVS_EX_CHECKBOXES;
    }
    if (grid_.fullRowSelect()) {
        ex |= LVS_EX_FULLROWSELECT;
    }
    if (look.platformHeaderStyle) {
        ex |= LVS_EX_GRIDLINES; // otherwise drawn by us in the grid-line colour
    }
    ListView_SetExtendedListViewStyle(hwnd_, ex);
    // Setting the style put the list view's own boxes back.
    tickBoxes_ = SIZE{};
    applyTickBoxes();
    if (!header_) {
        // Made with the first column, not with the list view.
        header_ = ListView_GetHeader(hwnd_);
        if (header_) {
            SetWindowSubclass(header_, headerProc, 2, reinterpret_cast<DWORD_PTR>(this));
        }
    }
    // The list view leaves a pixel below the tallest of image and text.
    HIMAGELIST rows = ImageList_Create(1, std::max(1, look.rowHeight - 1), ILC_COLOR, 1, 0);
    if (HIMAGELIST old = ListView_SetImageList(hwnd_, rows, LVSIL_SMALL)) {
        ImageList_Destroy(old);
    }
    if (font()) {
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), TRUE);
    }
    if (header_) {
        InvalidateRect(header_, nullptr, TRUE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    fitColumnWidths(); // rows of another height fit another number of them
}

// The tick boxes in the middle of the first column's cells, remade when the
// column's width or the rows' height changes.
void GridPeer::applyTickBoxes() {
    if (grid_.columns().empty() || grid_.columns()[0].kind != ColumnKind::Tick) {
        return;
    }
    const SIZE wanted{ListView_GetColumnWidth(hwnd_, 0), std::max(1, grid_.look().rowHeight - 1)};
    if (wanted.cx <= 0 || (wanted.cx == tickBoxes_.cx && wanted.cy == tickBoxes_.cy)) {
        return;
    }
    HIMAGELIST boxes = CreateTickBoxImages(hwnd_, wanted.cx, wanted.cy);
    if (!boxes) {
        return; // the list view's own boxes stay
    }
    tickBoxes_ = wanted;
    if (HIMAGELIST old = ListView_SetImageList(hwnd_, boxes, LVSIL_STATE)) {
        ImageList_Destroy(old);
    }
}

void GridPeer::refill() {
    // The rows may have moved under an open edit box; what was typed is
    // still the grid's pending edit.
    closeEditBox();
    // One count change and one repaint, however many rows changed.
    ListView_SetItemCountEx(hwnd_, static_cast<int>(grid_.visibleRows().size()), LVSICF_NOSCROLL);
    fitColumnWidths(); // more rows than fit leave room for the scroll bar
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// The list's own focus follows the grid's current row (where its keys and a
// screen reader start from), scrolled into view.
void GridPeer::showCurrentRow() {
    const std::vector<int> rows = grid_.visibleRows();
    const auto at = std::find(rows.begin(), rows.end(), grid_.currentCell().row);
    if (at == rows.end()) {
        return;
    }
    const int item = static_cast<int>(at - rows.begin());
    ListView_SetItemState(hwnd_, item, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, item, FALSE);
}

// ---- what the list view asks and tells ------------------------------------------------

bool GridPeer::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (edit_ && reinterpret_cast<HWND>(lp) == edit_) {
            if (HIWORD(wp) == EN_CHANGE && !updating()) {
                grid_.userEdit(editing_.row, editing_.column, windowText(edit_));
            }
            result = 0;
            return true;
        }
        return false;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
        endEdit(true); // the box would stay behind while its cell moves
        return false;
    case WM_KEYDOWN:
        if (wp == VK_F2) {
            beginEditAtCurrentCell();
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool GridPeer::onNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
    case LVN_GETDISPINFOW:
        giveCell(*reinterpret_cast<NMLVDISPINFOW*>(hdr));
        return true;
    case NM_CLICK:
        onClick(*reinterpret_cast<NMITEMACTIVATE*>(hdr));
        return true;
    case LVN_COLUMNCLICK:
        grid_.userHeaderClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return true;
    case NM_DBLCLK:
        onDoubleClick(*reinterpret_cast<NMITEMACTIVATE*>(hdr));
        return true;
    case NM_CUSTOMDRAW: {
        bool handled = false;
        result = onCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(hdr), handled);
        return handled;
    }
    default:
        return false;
    }
}

void GridPeer::giveCell(NMLVDISPINFOW& request) {
    LVITEMW& item = request.item;
    const int row = rowAt(item.iItem);
    if (row < 0) {
        return;
    }
    const int col = item.iSubItem;
    const bool tick = grid_.columns()[static_cast<size_t>(col)].kind == ColumnKind::Tick;
    if (item.mask & LVIF_TEXT) {
        cellText_ = tick ? std::wstring() : W(grid_.cellText(row, col));
        lstrcpynW(item.pszText, cellText_.c_str(), item.cchTextMax);
    }
    if ((item.mask & LVIF_STATE) && col == 0) {
        const CellValue& v = grid_.cell(row, 0);
        const bool ticked = std::holds_alternative<bool>(v) && std::get<bool>(v);
        // No box at all where the first column is not a tick column.
        const int box = grid_.columns()[0].kind != ColumnKind::Tick ? 0 : ticked ? 2 : 1;
        item.state =
            INDEXTOSTATEIMAGEMASK(box) | (grid_.selectedRows().count(row) ? LVIS_SELECTED : 0);
        item.stateMask = LVIS_STATEIMAGEMASK | LVIS_SELECTED;
    }
}

void GridPeer::onClick(const NMITEMACTIVATE& click) {
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    ListView_SubItemHitTest(hwnd_, &hit);
    const int row = rowAt(hit.iItem);
    if (row < 0) {
        return;
    }
    if (hit.flags & LVHT_ONITEMSTATEICON) {
        grid_.userTick(row);
        ListView_RedrawItems(hwnd_, hit.iItem, hit.iItem);
        return;
    }
    grid_.userSelect(row, GetKeyState(VK_CONTROL) < 0, hit.iSubItem);
    // The cell that was current before may be on another row.
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void GridPeer::onDoubleClick(const NMITEMACTIVATE& click) {
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    ListView_SubItemHitTest(hwnd_, &hit);
    if (hit.iItem >= 0 && !(hit.flags & LVHT_ONITEMSTATEICON)) {
        beginEdit(hit.iItem, hit.iSubItem);
    }
    grid_.userDoubleClick();
}

// Whole-row selection paints the row; cell selection only the current cell
// of a selected row, so each cell asks on its own.
LRESULT GridPeer::onCustomDraw(NMLVCUSTOMDRAW& draw, bool& handled) {
    const DataGrid::Look& look = grid_.look();
    const DWORD stage = draw.nmcd.dwDrawStage;
    handled = true;
    if (stage == CDDS_PREPAINT) {
        return CDRF_NOTIFYITEMDRAW;
    }
    if (stage == CDDS_ITEMPOSTPAINT) {
        drawGridLines(draw.nmcd.hdc, draw.nmcd.rc);
        return 0;
    }
    if (stage != CDDS_ITEMPREPAINT && stage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        handled = false;
        return 0;
    }
    const int i = static_cast<int>(draw.nmcd.dwItemSpec);
    const bool cellMode = !grid_.fullRowSelect();
    const bool whole = stage == CDDS_ITEMPREPAINT;
    const int row = rowAt(i);
    bool selected = row >= 0 && grid_.selectedRows().count(row) > 0;
    if (cellMode) {
        selected = selected && !whole && grid_.currentCell().column == draw.iSubItem;
    }
    if (selected) {
        draw.clrTextBk = colorRef(look.selectionBack);
        draw.clrText = colorRef(look.selectionFore);
    } else {
        draw.clrTextBk = (i % 2 == 1 && look.alternatingRowBack)
                             ? colorRef(*look.alternatingRowBack)
                             : colorRef(grid_.paintedBackColor());
        draw.clrText = colorRef(grid_.foreColor());
    }
    draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
    if (whole || draw.iSubItem == 0) {
        paintTickCell(draw.nmcd.hdc, draw.nmcd.rc, draw.clrTextBk);
    }
    LRESULT result = CDRF_NEWFONT;
    if (whole && cellMode) {
        result |= CDRF_NOTIFYSUBITEMDRAW;
    }
    if (whole && !look.platformHeaderStyle) {
        result |= CDRF_NOTIFYPOSTPAINT;
    }
    return result;
}

} // namespace vexo::toolkit::win32
