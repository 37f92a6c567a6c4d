#include "toolkit/win32/text_box_peer.h"

#include "toolkit/text_box.h"
#include "toolkit/win32/text.h"

namespace vexo::toolkit::win32 {

TextBoxPeer::TextBoxPeer(TextBox& box) : WindowPeer(box), box_(box) {}

WindowStyle TextBoxPeer::windowStyle() const {
    const bool rtl = box_.rightToLeft();
    DWORD style = kChildStyle | WS_TABSTOP | WS_BORDER | (rtl ? ES_RIGHT : ES_LEFT);
    if (box_.multiline()) {
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        if (!box_.wordWrap()) {
            style |= ES_AUTOHSCROLL;
        }
        const ScrollBars bars = box_.scrollBars();
        if (bars == ScrollBars::Vertical || bars == ScrollBars::Both) {
            style |= WS_VSCROLL;
        }
        if (bars == ScrollBars::Horizontal || bars == ScrollBars::Both) {
            style |= WS_HSCROLL;
        }
    } else {
        style |= ES_AUTOHSCROLL;
    }
    if (box_.readOnly()) {
        style |= ES_READONLY;
    }
    return {.className = L"EDIT", .style = style, .exStyle = rtl ? kRightToLeftBoxExStyle : 0};
}

void TextBoxPeer::updateKind(Change what) {
    if (what == Change::Selection && box_.allSelected()) {
        SendMessageW(hwnd_, EM_SETSEL, 0, -1);
    }
}

bool TextBoxPeer::onCommand(WORD code) {
    if (code == EN_CHANGE) {
        box_.userType(windowText(hwnd_));
    }
    return true;
}

} // namespace vexo::toolkit::win32
