#include "toolkit/win32/numeric_up_down_peer.h"

#include "toolkit/text_box.h"
#include "toolkit/win32/text.h"

namespace vexo::toolkit::win32 {

NumericUpDownPeer::NumericUpDownPeer(NumericUpDown& box) : WindowPeer(box), box_(box) {}

WindowStyle NumericUpDownPeer::windowStyle() const {
    const bool rtl = box_.rightToLeft();
    return {.className = L"EDIT",
            .style = kChildStyle | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL |
                     static_cast<DWORD>(rtl ? ES_RIGHT : ES_LEFT),
            .exStyle = static_cast<DWORD>(rtl ? (WS_EX_RTLREADING | WS_EX_RIGHT) : 0)};
}

// The arrows live inside the box, so it keeps the bounds the layout gave it.
void NumericUpDownPeer::afterCreate() {
    arrows_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(arrows_, UDM_SETRANGE32, static_cast<WPARAM>(-1000000), 1000000);
    applyBounds();
}

void NumericUpDownPeer::afterBounds() {
    if (!arrows_) {
        return;
    }
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const int w = 16;
    SetWindowPos(arrows_, nullptr, box_.rightToLeft() ? 0 : rc.right - w, 0, w, rc.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The arrows tell the box they sit in, not the form.
bool NumericUpDownPeer::onMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lp)->code != UDN_DELTAPOS) {
        return false;
    }
    box_.userStep(-reinterpret_cast<NMUPDOWN*>(lp)->iDelta);
    result = 1; // we keep the value, not the arrows
    return true;
}

bool NumericUpDownPeer::onCommand(WORD code) {
    if (code == EN_KILLFOCUS) {
        box_.userEnter(windowText(hwnd_));
    }
    return true;
}

} // namespace vexo::toolkit::win32
