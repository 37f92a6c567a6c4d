#pragma once
// What every control's real window shares: its creation, font, bounds,
// region, tooltip and colours, and the one dispatch every message from the
// system goes through. Each control kind is a small peer deriving from it
// (grid_peer.h, button_peer.h, ...) and adds only what is its own.
//
// The window finds its peer through a window property, so no table maps
// handles to objects. Our own window class (forms, panels, drawn controls)
// gets the peer through lpCreateParams; common controls are subclassed. A
// parent reflects WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR* and WM_DRAWITEM to the
// peer of the child that sent them.
//
// Errors: every message is handled inside Application::dispatch, so an error
// escaping a handler, or the peer's own code, reaches the application's error
// hook and the window procedure returns normally.

#include "platform/win32/windows_api.h"
#include "toolkit/control.h"
#include "toolkit/win32/gdi.h"

#include <commctrl.h>
#include <functional>
#include <string>

namespace vexo::toolkit::win32 {

class Win32Backend;

// What a kind's window is made of. No class name: our own window class.
struct WindowStyle {
    const wchar_t* className = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
};

// A child window placed among its siblings, as most controls are.
inline constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS;
// A right-to-left box that scrolls its text: read from the right, aligned to
// the right, its vertical scroll bar on the left where the lines end.
inline constexpr DWORD kRightToLeftBoxExStyle =
    WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;

class WindowPeer : public ControlPeer {
public:
    ~WindowPeer() override;
    WindowPeer(const WindowPeer&) = delete;
    WindowPeer& operator=(const WindowPeer&) = delete;

    // Makes the window and shows the control's state in it. Called by the
    // backend once the peer is built, so the kind's own parts take part.
    void create();

    void update(Change what) final;
    void invalidate() override;
    void focus() override;

    HWND hwnd() const { return hwnd_; }
    Control& control() const { return control_; }
    static WindowPeer* of(HWND hwnd);

    // The one dispatch: runs `handle(result)` (true when it took the message)
    // through the application's error hook, and returns `result`, or what
    // `fallback()` returns when the message was not taken or its handling
    // failed.
    template <class Handle, class Fallback>
    LRESULT guardMessage(Handle&& handle, Fallback&& fallback) {
        LRESULT result = 0;
        bool handled = false;
        guard([&] { handled = handle(result); });
        return handled ? result : fallback();
    }
    // A message to this peer's own window; `otherwise` is the system's
    // procedure it falls back to (DefWindowProcW, or DefSubclassProc for a
    // subclassed common control).
    LRESULT dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC otherwise);

protected:
    explicit WindowPeer(Control& control) : control_(control) {}

    virtual WindowStyle windowStyle() const = 0;
    // After the window is made, before its font, items and state are applied.
    virtual void afterCreate() {}
    // Shows the new window: a control shows when it is visible.
    virtual void showCreated();
    // The kind's own part of a change, after the part every window shares.
    virtual void updateKind(Change /*what*/) {}
    // The window was placed anew; what sits inside it follows.
    virtual void afterBounds() {}
    // The kind's messages, seen before the common ones; true when taken.
    virtual bool onMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }
    // Messages the parent reflects to the child they concern.
    virtual bool onCommand(WORD /*code*/) { return false; }
    virtual bool onNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
    virtual void onDrawItem(const DRAWITEMSTRUCT& /*item*/) {}

    // Runs `fn` through the application's error hook.
    void guard(const std::function<void()>& fn);
    HWND parentWindow() const;
    Win32Backend* backend() const;
    HFONT font() const { return font_.get(); }
    HBRUSH brush(Color color) { return brushes_.brush(colorRef(color)); }
    HBRUSH brush(COLORREF color) { return brushes_.brush(color); }
    void applyBounds();

    // Marks a change made by us, not by the user, for as long as it lives:
    // the notifications it causes raise no user event.
    class OwnChange {
    public:
        explicit OwnChange(WindowPeer& peer) : flag_(peer.updating_), was_(flag_) { flag_ = true; }
        ~OwnChange() { flag_ = was_; }
        OwnChange(const OwnChange&) = delete;
        OwnChange& operator=(const OwnChange&) = delete;

    private:
        bool& flag_;
        bool was_;
    };
    bool updating() const { return updating_; }

    Control& control_;
    HWND hwnd_ = nullptr;

private:
    bool handleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool onKeyDown(WPARAM key);
    bool reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    HBRUSH onColor(HDC dc);
    void applyFont();
    void applyRegion();
    void applyParent();
    void applyTooltip();
    TTTOOLINFOW toolInfo();

    bool updating_ = false;
    bool subclassed_ = false;
    UniqueFont font_;
    BrushCache brushes_;
    std::wstring tipText_;
    HWND tooltips_ = nullptr; // the backend's, once this control has a tip
    bool tipShown_ = false;
};

} // namespace vexo::toolkit::win32
