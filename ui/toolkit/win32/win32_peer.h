#pragma once
// One real window per control. The peer owns its window, font and brush and
// releases them with itself; the window finds its peer through a window
// property, so no table maps handles to objects.

#include "platform/win32/windows_api.h"
#include "toolkit/control.h"
#include "toolkit/data_grid.h"

#include <commctrl.h>
#include <string>

namespace vexo::toolkit::win32 {

class Win32Peer : public ControlPeer {
public:
    explicit Win32Peer(Control& control);
    ~Win32Peer() override;
    Win32Peer(const Win32Peer&) = delete;
    Win32Peer& operator=(const Win32Peer&) = delete;

    void update(Change what) override;
    void invalidate() override;
    void focus() override;

    HWND hwnd() const { return hwnd_; }
    Control& control() const { return control_; }
    static Win32Peer* of(HWND hwnd);

    // Messages a parent window reflects to the child they concern.
    bool onCommand(WORD code);
    bool onNotify(NMHDR* hdr, LRESULT& result);
    HBRUSH onColor(HDC dc);
    void onDrawItem(DRAWITEMSTRUCT* dis);
    // Seen by the subclass before the common control: hover and cursor.
    void trackMouse(UINT msg);
    bool handCursor() const;
    // Our own window class (forms, panels, drawn controls).
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // The grid's column header, seen before the system's header control.
    bool onHeaderMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // The grid's cell edit box: typing keeps the grid's pending edit, Enter or
    // leaving the box commits it, Escape drops it.
    bool onGridMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool onEditMessage(UINT msg, WPARAM wp);

    bool closed = false;

private:
    void create();
    void applyFont();
    void applyBounds();
    bool topLevelForm() const;
    void measureFrame();
    void refillItems();
    void applyRegion();
    void applyTooltip();
    TTTOOLINFOW toolInfo();
    void fillGridColumns();
    void applyGridLook();
    void applyTickBoxes();
    void paintTickCell(HDC dc, const RECT& row, COLORREF color);
    void paintHeader(HDC dc);
    void drawGridLines(HDC dc, const RECT& row);
    void showCurrentRow();
    bool beginEdit(int item, int column);
    void endEdit(bool commit);
    void closeEditBox();
    std::string editText() const;
    void paintBackground(HDC dc, const RECT& area);
    void drawTextIn(HDC dc, RECT box, const std::string& text, HAlign align, VAlign valign,
                    Color color);
    Color textColor() const;
    void drawLabel(HDC dc, const RECT& area);
    void drawButton(HDC dc, const RECT& area, bool pressed);
    HWND parentWindow() const;

    Control& control_;
    HWND hwnd_ = nullptr;
    HWND spin_ = nullptr; // the arrows of a numeric up-down
    HFONT font_ = nullptr;
    HBRUSH brush_ = nullptr;
    COLORREF brushColor_ = 0;
    bool updating_ = false; // our own change, not the user's
    bool hover_ = false;
    bool subclassed_ = false;
    std::wstring cellText_; // kept alive for the list view's display request
    HWND header_ = nullptr; // a grid's column header, subclassed
    SIZE tickBoxes_{};      // the size the grid's tick-box images were made for
    HWND edit_ = nullptr;   // a grid's open cell edit box
    GridCellRef editing_;
    std::wstring tipText_;
    HWND tooltips_ = nullptr; // the backend's, once this control has a tip
    bool tipShown_ = false;
};

} // namespace vexo::toolkit::win32
