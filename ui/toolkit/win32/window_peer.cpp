#include "toolkit/win32/window_peer.h"

#include "toolkit/application.h"
#include "toolkit/win32/gdiplus_canvas.h"
#include "toolkit/win32/text.h"
#include "toolkit/win32/win32_backend.h"

namespace vexo::toolkit::win32 {

namespace {

const wchar_t kPeerProp[] = L"VexoPeer";
const wchar_t kWindowClass[] = L"VexoWindow";

// Our own window class: forms, panels, layouts and drawn controls.
LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetPropW(hwnd, kPeerProp, cs->lpCreateParams);
    }
    if (WindowPeer* peer = WindowPeer::of(hwnd)) {
        return peer->dispatch(hwnd, msg, wp, lp, DefWindowProcW);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Common controls see their own messages first, so a button can track the
// mouse and a grid keeps its current row.
LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    return reinterpret_cast<WindowPeer*>(ref)->dispatch(hwnd, msg, wp, lp, DefSubclassProc);
}

void registerClass() {
    static bool done = false;
    if (done) {
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
    done = true;
}

// A key as the toolkit sees it, with the Ctrl, Shift and Alt keys held now.
KeyEvent keyEventFor(WPARAM key) {
    KeyEvent e;
    e.key = static_cast<Key>(key);
    e.control = GetKeyState(VK_CONTROL) < 0;
    e.shift = GetKeyState(VK_SHIFT) < 0;
    e.alt = GetKeyState(VK_MENU) < 0;
    return e;
}

} // namespace

WindowPeer* WindowPeer::of(HWND hwnd) {
    return static_cast<WindowPeer*>(GetPropW(hwnd, kPeerProp));
}

WindowPeer::~WindowPeer() {
    if (tipShown_) {
        TTTOOLINFOW ti = toolInfo();
        SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    if (hwnd_) {
        // No call into the control here: it may be half destroyed already.
        RemovePropW(hwnd_, kPeerProp);
        if (subclassed_) {
            RemoveWindowSubclass(hwnd_, subclassProc, 1);
        }
        DestroyWindow(hwnd_);
    }
}

HWND WindowPeer::parentWindow() const {
    for (Control* p = control_.parent(); p; p = p->parent()) {
        if (auto* pp = dynamic_cast<WindowPeer*>(p->peer())) {
            return pp->hwnd_;
        }
    }
    return nullptr;
}

Win32Backend* WindowPeer::backend() const {
    Application* app = control_.application();
    return app ? dynamic_cast<Win32Backend*>(&app->backend()) : nullptr;
}

void WindowPeer::create() {
    registerClass();
    const WindowStyle kind = windowStyle();
    DWORD style = kind.style;
    HWND parent = parentWindow();
    if (!parent) {
        style &= ~static_cast<DWORD>(WS_CHILD);
    }
    const bool ownClass = kind.className == nullptr;
    const Rect b = control_.bounds();
    const std::wstring text = W(control_.text());
    hwnd_ = CreateWindowExW(kind.exStyle, ownClass ? kWindowClass : kind.className, text.c_str(),
                            style, b.x, b.y, b.width, b.height, parent, nullptr,
                            GetModuleHandleW(nullptr), ownClass ? this : nullptr);
    if (!hwnd_) {
        return;
    }
    if (!ownClass) {
        SetPropW(hwnd_, kPeerProp, this);
        SetWindowSubclass(hwnd_, subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
        subclassed_ = true;
    }
    afterCreate();
    applyFont();
    for (Change what : {Change::Items, Change::Selection, Change::Value, Change::Enabled,
                        Change::Scroll, Change::Tooltip, Change::Region}) {
        update(what);
    }
    showCreated();
}

void WindowPeer::showCreated() {
    if (control_.effectivelyVisible()) {
        ShowWindow(hwnd_, SW_SHOWNA);
    }
}

void WindowPeer::applyFont() {
    UniqueFont old = std::move(font_); // deleted once the window holds the new one
    font_ = createFont(control_.font());
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

TTTOOLINFOW WindowPeer::toolInfo() {
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE; // understood with or without the styles manifest
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS | (control_.rightToLeft() ? TTF_RTLREADING : 0);
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = tipText_.data();
    return ti;
}

// The control's tip, shown while the mouse rests on it; none when empty.
void WindowPeer::applyTooltip() {
    if (tipShown_) {
        TTTOOLINFOW ti = toolInfo();
        SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        tipShown_ = false;
    }
    Win32Backend* windows = backend();
    if (control_.tooltip().empty() || !windows) {
        return;
    }
    tooltips_ = windows->tooltipWindow();
    tipText_ = W(control_.tooltip());
    TTTOOLINFOW ti = toolInfo();
    tipShown_ = SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

void WindowPeer::applyBounds() {
    const Rect b = control_.bounds();
    SetWindowPos(hwnd_, nullptr, b.x, b.y, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
    afterBounds();
}

void WindowPeer::applyRegion() {
    if (!control_.region()) {
        SetWindowRgn(hwnd_, nullptr, TRUE);
        return;
    }
    UniqueRegion shape = regionFromPath(*control_.region());
    if (SetWindowRgn(hwnd_, shape.get(), TRUE)) {
        shape.release(); // the window owns it now
    }
}

void WindowPeer::applyParent() {
    HWND parent = parentWindow();
    if (!parent) {
        // Taken out of its window but kept (a persistent section view): it
        // waits out of sight, under a window nobody sees, until it is placed
        // again. Without a parent it would surface on the desktop.
        ShowWindow(hwnd_, SW_HIDE);
        if (Win32Backend* windows = backend()) {
            SetParent(hwnd_, windows->parkingWindow());
        }
        return;
    }
    SetWindowLongPtrW(hwnd_, GWL_STYLE,
                      (GetWindowLongPtrW(hwnd_, GWL_STYLE) &
                       ~static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW | WS_POPUP)) |
                          WS_CHILD);
    SetParent(hwnd_, parent);
    applyBounds();
    ShowWindow(hwnd_, control_.effectivelyVisible() ? SW_SHOWNA : SW_HIDE);
}

void WindowPeer::update(Change what) {
    if (!hwnd_) {
        return;
    }
    OwnChange own(*this);
    switch (what) {
    case Change::Text: {
        const std::wstring w = W(control_.text());
        SetWindowTextW(hwnd_, w.c_str());
        break;
    }
    case Change::Font:
        applyFont();
        break;
    case Change::Colors:
    case Change::Style:
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case Change::Enabled:
        EnableWindow(hwnd_, control_.enabled());
        break;
    case Change::Visible:
        ShowWindow(hwnd_, control_.visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Change::Bounds:
        applyBounds();
        break;
    case Change::Region:
        applyRegion();
        break;
    case Change::Parent:
        applyParent();
        break;
    case Change::Tooltip:
        applyTooltip();
        break;
    case Change::Items:
    case Change::Selection:
    case Change::Value:
    case Change::Scroll:
        break; // the kind's own
    }
    updateKind(what);
}

void WindowPeer::invalidate() {
    InvalidateRect(hwnd_, nullptr, FALSE);
    // A see-through label shows this control's painting, so it follows it.
    for (const auto& child : control_.children()) {
        auto* peer = dynamic_cast<WindowPeer*>(child->peer());
        if (peer && child->kind() == Kind::Label && child->backColor().isTransparent()) {
            InvalidateRect(peer->hwnd_, nullptr, FALSE);
        }
    }
}

void WindowPeer::focus() {
    SetFocus(hwnd_);
}

// ---- the one dispatch ----------------------------------------------------------

void WindowPeer::guard(const std::function<void()>& fn) {
    if (Application* app = control_.application()) {
        app->dispatch(fn);
        return;
    }
    try {
        fn();
    } catch (...) {
        // No application to tell; still nothing goes through the window procedure.
    }
}

LRESULT WindowPeer::dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC otherwise) {
    if (!hwnd_) {
        hwnd_ = hwnd; // messages arrive before CreateWindowExW returns
    }
    return guardMessage([&](LRESULT& result) { return handleMessage(msg, wp, lp, result); },
                        [&] { return otherwise(hwnd, msg, wp, lp); });
}

bool WindowPeer::handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (onMessage(msg, wp, lp, result)) {
        return true;
    }
    switch (msg) {
    case WM_KEYDOWN:
        result = 0;
        return onKeyDown(wp);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
        return reflect(msg, wp, lp, result);
    default:
        return false;
    }
}

// The key goes to the control and then up through its parents until one
// handles it; then to what the control itself does with it (a grid moves its
// current row), before the common control's own keys would.
bool WindowPeer::onKeyDown(WPARAM key) {
    KeyEvent e = keyEventFor(key);
    for (Control* c = &control_; c; c = c->parent()) {
        if (c->userKeyDown(e)) {
            return true;
        }
    }
    return control_.userKeyDefault(e);
}

bool WindowPeer::reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND: {
        WindowPeer* child = lp ? of(reinterpret_cast<HWND>(lp)) : nullptr;
        if (!child) {
            return false;
        }
        result = 0;
        return child->updating_ || child->onCommand(HIWORD(wp));
    }
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        WindowPeer* child = of(hdr->hwndFrom);
        return child && child->onNotify(hdr, result);
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        WindowPeer* child = of(item->hwndItem);
        if (!child) {
            return false;
        }
        child->onDrawItem(*item);
        result = TRUE;
        return true;
    }
    default: { // the WM_CTLCOLOR family
        WindowPeer* child = of(reinterpret_cast<HWND>(lp));
        if (!child) {
            return false;
        }
        result = reinterpret_cast<LRESULT>(child->onColor(reinterpret_cast<HDC>(wp)));
        return true;
    }
    }
}

HBRUSH WindowPeer::onColor(HDC dc) {
    SetTextColor(dc, colorRef(control_.foreColor()));
    const Color back = control_.paintedBackColor();
    SetBkColor(dc, colorRef(back));
    return brush(back);
}

} // namespace vexo::toolkit::win32
