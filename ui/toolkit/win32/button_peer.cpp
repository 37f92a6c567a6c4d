#include "toolkit/win32/button_peer.h"

#include "toolkit/button.h"
#include "toolkit/win32/drawing.h"

namespace vexo::toolkit::win32 {

// ---- the flat button -----------------------------------------------------------

ButtonPeer::ButtonPeer(Button& button) : WindowPeer(button), button_(button) {}

WindowStyle ButtonPeer::windowStyle() const {
    return {.className = L"BUTTON", .style = kChildStyle | BS_OWNERDRAW | WS_TABSTOP};
}

void ButtonPeer::updateKind(Change what) {
    if (what == Change::Text) {
        InvalidateRect(hwnd_, nullptr, FALSE); // drawn by us
    }
}

bool ButtonPeer::onMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
        trackMouse(msg);
        return false; // the button's own handling follows
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT && button_.handCursor()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool ButtonPeer::onCommand(WORD code) {
    if (code == BN_CLICKED) {
        button_.userClick();
    }
    return true;
}

void ButtonPeer::onDrawItem(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    drawItemOffscreen(item, [&](HDC dc, const RECT& area) { draw(dc, area, pressed); });
}

void ButtonPeer::trackMouse(UINT msg) {
    const bool inside = msg == WM_MOUSEMOVE;
    if (inside && !hover_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd_, 0};
        TrackMouseEvent(&tme);
    }
    if (inside != hover_) {
        hover_ = inside;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void ButtonPeer::draw(HDC dc, const RECT& area, bool pressed) {
    Color back = control_.paintedBackColor();
    if (pressed && button_.pressedColor()) {
        back = *button_.pressedColor();
    } else if (hover_ && button_.hoverColor()) {
        back = *button_.hoverColor();
    }
    FillRect(dc, &area, brush(back));
    if (button_.borderColor()) {
        // Inside the visible shape, so rounded corners keep their whole border.
        HBRUSH frame = brush(*button_.borderColor());
        UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(hwnd_, shape.get()) != ERROR) {
            FrameRgn(dc, shape.get(), frame, 1, 1);
        } else {
            FrameRect(dc, &area, frame);
        }
    }
    const Spacing& padding = control_.padding();
    drawTextInBox(dc, {.text = control_.text(),
                       .box = RECT{area.left + padding.left, area.top, area.right - padding.right,
                                   area.bottom},
                       .align = button_.align(),
                       .verticalAlign = VAlign::Middle,
                       .color = enabledTextColor(control_),
                       .font = font(),
                       .rightToLeft = control_.rightToLeft()});
}

// ---- the tick box ----------------------------------------------------------------

CheckBoxPeer::CheckBoxPeer(CheckBox& box) : WindowPeer(box), box_(box) {}

WindowStyle CheckBoxPeer::windowStyle() const {
    const bool rtl = box_.rightToLeft();
    return {.className = L"BUTTON",
            .style = kChildStyle | BS_AUTOCHECKBOX | WS_TABSTOP |
                     static_cast<DWORD>(rtl ? (BS_RIGHTBUTTON | BS_RIGHT) : 0),
            .exStyle = static_cast<DWORD>(rtl ? WS_EX_RTLREADING : 0)};
}

void CheckBoxPeer::updateKind(Change what) {
    if (what == Change::Value) {
        SendMessageW(hwnd_, BM_SETCHECK, box_.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool CheckBoxPeer::onCommand(WORD code) {
    if (code == BN_CLICKED) {
        const bool now = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (now != box_.checked()) {
            box_.userToggle();
        }
    }
    return true;
}

} // namespace vexo::toolkit::win32
