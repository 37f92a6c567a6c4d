#include "toolkit/win32/form_peer.h"

#include "toolkit/containers.h"

#include <algorithm>

namespace vexo::toolkit::win32 {

WindowStyle FormPeer::windowStyle() const {
    if (form_.hosted()) {
        return {.style = WS_CHILD | WS_CLIPCHILDREN};
    }
    return {.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
            .exStyle = static_cast<DWORD>(form_.rightToLeft() ? WS_EX_RTLREADING : 0)};
}

void FormPeer::afterCreate() {
    if (topLevel()) {
        measureFrame();
    }
}

void FormPeer::showCreated() {
    ShowWindow(hwnd_, form_.hosted() ? SW_SHOWNA : SW_SHOW);
}

bool FormPeer::topLevel() const {
    return !form_.hosted();
}

// The form's bounds are the whole window; its children get the client area,
// so the form learns how thick the frame the system drew around it is.
void FormPeer::measureFrame() {
    RECT window;
    RECT client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    const Spacing frame{origin.x - window.left, origin.y - window.top,
                        window.right - (origin.x + client.right),
                        window.bottom - (origin.y + client.bottom)};
    OwnChange own(*this);
    form_.setFrame(frame);
}

void FormPeer::onResized(WPARAM how) {
    form_.setMinimized(how == SIZE_MINIMIZED);
    if (how == SIZE_MINIMIZED) {
        return;
    }
    measureFrame();
    RECT window;
    GetWindowRect(hwnd_, &window);
    Rect b = form_.bounds();
    b.width = window.right - window.left;
    b.height = window.bottom - window.top;
    OwnChange own(*this);
    form_.setBounds(b);
}

bool FormPeer::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_SIZE:
        if (topLevel() && !updating()) {
            onResized(wp);
        }
        return false; // the system's own handling follows
    case WM_GETMINMAXINFO:
        if (topLevel()) {
            // The minimum holds for the whole window, as the bounds do.
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            const Size least = form_.minimumSize();
            mm->ptMinTrackSize.x = std::max<LONG>(mm->ptMinTrackSize.x, least.width);
            mm->ptMinTrackSize.y = std::max<LONG>(mm->ptMinTrackSize.y, least.height);
            result = 0;
            return true;
        }
        return false;
    case WM_CLOSE:
        form_.requestClose();
        result = 0;
        return true;
    case WM_QUERYENDSESSION:
        // Shutting down or signing out asks every top-level window; FALSE
        // keeps the session (and the work the form guards) alive.
        if (topLevel()) {
            result = form_.queryEndSession() ? TRUE : FALSE;
            return true;
        }
        return false;
    default:
        return PanelPeer::onMessage(msg, wp, lp, result);
    }
}

} // namespace vexo::toolkit::win32
