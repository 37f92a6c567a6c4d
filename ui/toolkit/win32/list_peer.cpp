#include "toolkit/win32/list_peer.h"

#include "toolkit/list_controls.h"
#include "toolkit/win32/text.h"

namespace vexo::toolkit::win32 {

ListPeer::ListPeer(ListControl& list)
    : WindowPeer(list), list_(list), combo_(list.kind() == Kind::ComboBox) {}

WindowStyle ListPeer::windowStyle() const {
    const DWORD style = combo_ ? (CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP)
                               : (LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP |
                                  LBS_NOINTEGRALHEIGHT);
    return {.className = combo_ ? L"COMBOBOX" : L"LISTBOX",
            .style = kChildStyle | style,
            .exStyle = list_.rightToLeft() ? kRightToLeftBoxExStyle : 0};
}

void ListPeer::updateKind(Change what) {
    if (what == Change::Items) {
        refill();
    } else if (what == Change::Selection) {
        SendMessageW(hwnd_, combo_ ? CB_SETCURSEL : LB_SETCURSEL,
                     static_cast<WPARAM>(list_.selectedIndex()), 0);
    }
}

void ListPeer::refill() {
    SendMessageW(hwnd_, combo_ ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const auto& item : list_.items()) {
        const std::wstring w = W(item);
        SendMessageW(hwnd_, combo_ ? CB_ADDSTRING : LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(w.c_str()));
    }
    if (!combo_) {
        SendMessageW(hwnd_, LB_SETHORIZONTALEXTENT,
                     static_cast<WPARAM>(static_cast<ListBox&>(list_).horizontalExtent()), 0);
    }
}

bool ListPeer::onCommand(WORD code) {
    if (code == (combo_ ? CBN_SELCHANGE : LBN_SELCHANGE)) {
        list_.userPick(
            static_cast<int>(SendMessageW(hwnd_, combo_ ? CB_GETCURSEL : LB_GETCURSEL, 0, 0)));
    }
    return true;
}

} // namespace vexo::toolkit::win32
