// The grid's cell edit box: opened over a text cell the user may change (F2
// or a double click), typing keeps the grid's pending edit, Enter or leaving
// the box commits it through the grid, Escape drops it.

#include "toolkit/win32/grid_peer.h"
#include "toolkit/win32/text.h"

#include <algorithm>
#include <vector>

namespace vexo::toolkit::win32 {

LRESULT CALLBACK GridPeer::editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR ref) {
    auto* grid = reinterpret_cast<GridPeer*>(ref);
    return grid->guardMessage(
        [&](LRESULT& result) { return grid->onEditMessage(hwnd, msg, wp, lp, result); },
        [&] { return DefSubclassProc(hwnd, msg, wp, lp); });
}

bool GridPeer::onEditMessage(HWND box, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_GETDLGCODE:
        result = DLGC_WANTALLKEYS | DefSubclassProc(box, msg, wp, lp);
        return true;
    case WM_KILLFOCUS:
        result = DefSubclassProc(box, msg, wp, lp);
        endEdit(true);
        return true;
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_ESCAPE) {
            endEdit(wp == VK_RETURN);
            SetFocus(hwnd_);
            result = 0;
            return true;
        }
        return false;
    case WM_CHAR:
        result = 0;
        return wp == L'\r' || wp == 27; // handled on the key, no beep
    default:
        return false;
    }
}

void GridPeer::beginEditAtCurrentCell() {
    const std::vector<int> rows = grid_.visibleRows();
    const auto at = std::find(rows.begin(), rows.end(), grid_.currentCell().row);
    if (at != rows.end()) {
        beginEdit(static_cast<int>(at - rows.begin()), grid_.currentCell().column);
    }
}

// Opens an edit box over a text cell the user may change; `item` is the row's
// place in the list as shown.
bool GridPeer::beginEdit(int item, int column) {
    const int row = rowAt(item);
    if (row < 0 || column < 0 || column >= static_cast<int>(grid_.columns().size()) ||
        grid_.columns()[static_cast<size_t>(column)].kind != ColumnKind::Text ||
        !grid_.effectivelyEnabled() || grid_.cellReadOnly(row, column)) {
        return false;
    }
    endEdit(true);
    RECT cell{};
    if (!ListView_GetSubItemRect(hwnd_, item, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS,
                                 &cell)) {
        return false;
    }
    const bool rtl = grid_.rightToLeft();
    const std::wstring text = W(grid_.cellText(row, column));
    edit_ = CreateWindowExW(rtl ? WS_EX_RTLREADING : 0, L"EDIT", text.c_str(),
                            WS_CHILD | WS_BORDER | ES_AUTOHSCROLL | (rtl ? ES_RIGHT : ES_LEFT),
                            cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top,
                            hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!edit_) {
        return false;
    }
    editing_ = {row, column};
    SetWindowSubclass(edit_, editProc, 3, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    ShowWindow(edit_, SW_SHOW);
    SetFocus(edit_);
    return true;
}

// Leaves the edit box: committing it through the grid, as any other change of
// the current cell would, or dropping what was typed.
void GridPeer::endEdit(bool commit) {
    if (!edit_) {
        return;
    }
    const std::string text = windowText(edit_);
    const GridCellRef at = editing_;
    closeEditBox();
    if (commit) {
        grid_.userEdit(at.row, at.column, text);
        grid_.commitPendingEdit();
    } else {
        grid_.cancelPendingEdit();
    }
}

// The box goes; what the grid holds as pending stays as it is.
void GridPeer::closeEditBox() {
    if (!edit_) {
        return;
    }
    HWND edit = edit_;
    edit_ = nullptr;
    editing_ = {};
    ShowWindow(edit, SW_HIDE);
    RemoveWindowSubclass(edit, editProc, 3);
    DestroyWindow(edit);
}

} // namespace vexo::toolkit::win32
