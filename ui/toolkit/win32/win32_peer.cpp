#include "toolkit/win32/win32_peer.h"

#include <algorithm>
#include <commctrl.h>
#include <objidl.h>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/containers.h"
#include "toolkit/data_grid.h"
#include "toolkit/label.h"
#include "toolkit/list_controls.h"
#include "toolkit/text_box.h"
#include "toolkit/win32/gdiplus_canvas.h"
#include "toolkit/win32/text.h"
#include "toolkit/win32/tick_boxes.h"
#include "toolkit/win32/win32_backend.h"

#include <gdiplus.h>
#include <vector>

namespace vexo::toolkit::win32 {

namespace {

const wchar_t kPeerProp[] = L"VexoPeer";
const wchar_t kWindowClass[] = L"VexoWindow";

COLORREF cr(Color c) {
    return RGB(c.r, c.g, c.b);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetPropW(hwnd, kPeerProp, cs->lpCreateParams);
    }
    if (Win32Peer* peer = Win32Peer::of(hwnd)) {
        return peer->handle(hwnd, msg, wp, lp);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Common controls see their own messages first, so a button can track the mouse.
LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* peer = reinterpret_cast<Win32Peer*>(ref);
    if (peer->control().kind() == Kind::DataGrid) {
        LRESULT result = 0;
        if (peer->onGridMessage(msg, wp, lp, result)) {
            return result;
        }
    }
    if (msg == WM_NOTIFY && peer->control().kind() == Kind::NumericUpDown) {
        LRESULT result = 0; // the arrows inside the box
        if (peer->onNotify(reinterpret_cast<NMHDR*>(lp), result)) {
            return result;
        }
    }
    switch (msg) {
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
        peer->trackMouse(msg);
        break;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT && peer->handCursor()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        if (peer->control().kind() == Kind::Label) {
            return 1; // painted whole when drawn
        }
        break;
    default:
        break;
    }
    if (msg == WM_KEYDOWN) {
        KeyEvent e;
        e.key = static_cast<Key>(wp);
        e.control = GetKeyState(VK_CONTROL) < 0;
        e.shift = GetKeyState(VK_SHIFT) < 0;
        for (Control* c = &peer->control(); c; c = c->parent()) {
            if (c->userKeyDown(e)) {
                return 0;
            }
        }
        // Before the common control's own keys: a grid's current row is
        // ours, and the list would move its focus without us.
        if (peer->control().userKeyDefault(e)) {
            return 0;
        }
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK headerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    LRESULT result = 0;
    if (reinterpret_cast<Win32Peer*>(ref)->onHeaderMessage(msg, wp, lp, result)) {
        return result;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_GETDLGCODE) {
        return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, msg, wp, lp);
    }
    if (msg == WM_KILLFOCUS) {
        const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        reinterpret_cast<Win32Peer*>(ref)->onEditMessage(msg, wp);
        return r;
    }
    if (reinterpret_cast<Win32Peer*>(ref)->onEditMessage(msg, wp)) {
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
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

} // namespace

namespace {

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
}

// The lines of a text as shown in `width` pixels: one per CR LF, each broken
// at the last space that keeps it inside (a word wider than the box keeps its
// own line). Spaces inside a line are kept as written.
std::vector<std::wstring> wrapLines(HDC dc, const std::wstring& text, int width) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        std::wstring paragraph = text.substr(start, end == std::wstring::npos ? end : end - start);
        if (!paragraph.empty() && paragraph.back() == L'\r') {
            paragraph.pop_back();
        }
        std::wstring line;
        bool first = true;
        size_t i = 0;
        for (;;) {
            const size_t space = std::min(paragraph.find(L' ', i), paragraph.size());
            const std::wstring word = paragraph.substr(i, space - i);
            std::wstring longer = first ? word : line + L' ' + word;
            if (!first && width > 0 && !word.empty() && textWidth(dc, longer) > width) {
                lines.push_back(line);
                longer = word;
            }
            line = std::move(longer);
            first = false;
            if (space >= paragraph.size()) {
                break;
            }
            i = space + 1;
        }
        lines.push_back(line);
        if (end == std::wstring::npos) {
            return lines;
        }
        start = end + 1;
    }
}

// A custom-drawn control's picture: its background, then its own drawing.
void renderDrawn(Control& control, HDC dc) {
    Gdiplus::Graphics g(dc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const Color back = control.paintedBackColor();
    g.Clear(Gdiplus::Color(255, back.r, back.g, back.b));
    GdiplusCanvas canvas(g);
    control.paint(canvas);
}

} // namespace

Win32Peer* Win32Peer::of(HWND hwnd) {
    return static_cast<Win32Peer*>(GetPropW(hwnd, kPeerProp));
}

Win32Peer::Win32Peer(Control& control) : control_(control) {
    create();
}

Win32Peer::~Win32Peer() {
    if (tipShown_) {
        TTTOOLINFOW ti = toolInfo();
        SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    if (edit_) {
        HWND edit = edit_;
        edit_ = nullptr;
        RemoveWindowSubclass(edit, editProc, 3);
        DestroyWindow(edit);
    }
    if (header_) {
        RemoveWindowSubclass(header_, headerProc, 2);
    }
    if (hwnd_) {
        // No call into the control here: it may be half destroyed already.
        RemovePropW(hwnd_, kPeerProp);
        if (subclassed_) {
            RemoveWindowSubclass(hwnd_, subclassProc, 1);
        }
        DestroyWindow(hwnd_);
    }
    if (spin_) {
        DestroyWindow(spin_);
    }
    if (font_) {
        DeleteObject(font_);
    }
    if (brush_) {
        DeleteObject(brush_);
    }
}

HWND Win32Peer::parentWindow() const {
    for (Control* p = control_.parent(); p; p = p->parent()) {
        if (auto* pp = dynamic_cast<Win32Peer*>(p->peer())) {
            return pp->hwnd_;
        }
    }
    return nullptr;
}

void Win32Peer::create() {
    registerClass();
    const bool rtl = control_.rightToLeft();
    const Rect b = control_.bounds();
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
    const wchar_t* cls = kWindowClass;
    const DWORD rtlText = rtl ? (WS_EX_RTLREADING | WS_EX_RIGHT) : 0;
    bool common = true;
    switch (control_.kind()) {
    case Kind::Form: {
        common = false;
        auto& f = static_cast<Form&>(control_);
        if (f.hosted()) {
            style = WS_CHILD | WS_CLIPCHILDREN;
        } else {
            style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
            ex = rtl ? WS_EX_RTLREADING : 0;
        }
        break;
    }
    case Kind::Panel:
    case Kind::TableLayout:
    case Kind::FlowLayout:
    case Kind::Drawn:
        common = false;
        style |= WS_CLIPCHILDREN; // a scrolling flow gets its bar once it overflows
        break;
    case Kind::Label:
        // Drawn by us (drawLabel): the system's static draws neither right-to-left
        // reading order, nor vertical centring, nor a see-through background.
        cls = L"STATIC";
        style |= SS_OWNERDRAW | SS_NOPREFIX | SS_NOTIFY; // notify: takes the mouse, for its tip
        ex = rtl ? WS_EX_RTLREADING : 0;
        break;
    case Kind::Button:
        cls = L"BUTTON";
        style |= BS_OWNERDRAW | WS_TABSTOP;
        break;
    case Kind::CheckBox:
        cls = L"BUTTON";
        style |= BS_AUTOCHECKBOX | WS_TABSTOP | (rtl ? (BS_RIGHTBUTTON | BS_RIGHT) : 0);
        ex = rtl ? WS_EX_RTLREADING : 0;
        break;
    case Kind::TextBox: {
        cls = L"EDIT";
        auto& t = static_cast<TextBox&>(control_);
        style |= WS_TABSTOP | WS_BORDER | (rtl ? ES_RIGHT : ES_LEFT);
        if (t.multiline()) {
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
            if (!t.wordWrap()) {
                style |= ES_AUTOHSCROLL;
            }
            if (t.scrollBars() == ScrollBars::Vertical || t.scrollBars() == ScrollBars::Both) {
                style |= WS_VSCROLL;
            }
            if (t.scrollBars() == ScrollBars::Horizontal || t.scrollBars() == ScrollBars::Both) {
                style |= WS_HSCROLL;
            }
        } else {
            style |= ES_AUTOHSCROLL;
        }
        if (t.readOnly()) {
            style |= ES_READONLY;
        }
        ex = rtlText;
        break;
    }
    case Kind::NumericUpDown:
        cls = L"EDIT";
        style |= WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | (rtl ? ES_RIGHT : ES_LEFT);
        ex = rtlText;
        break;
    case Kind::ComboBox:
        cls = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        ex = rtlText;
        break;
    case Kind::ListBox:
        cls = L"LISTBOX";
        style |=
            LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP | LBS_NOINTEGRALHEIGHT;
        ex = rtlText;
        break;
    case Kind::DataGrid: {
        cls = WC_LISTVIEWW;
        auto& g = static_cast<DataGrid&>(control_);
        style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP |
                 (g.multiSelect() ? 0 : LVS_SINGLESEL);
        // Right to left by column order and reading order rather than a mirrored
        // window: a mirrored list view draws its cell text mirrored under Wine.
        ex = rtl ? WS_EX_RTLREADING : 0;
        break;
    }
    }
    HWND parent = parentWindow();
    if (!parent) {
        style &= ~static_cast<DWORD>(WS_CHILD);
    }
    const std::wstring text = W(control_.text());
    hwnd_ = CreateWindowExW(ex, cls, text.c_str(), style, b.x, b.y, b.width, b.height, parent,
                            nullptr, GetModuleHandleW(nullptr), common ? nullptr : this);
    if (!hwnd_) {
        return;
    }
    if (topLevelForm()) {
        measureFrame();
    }
    if (common) {
        SetPropW(hwnd_, kPeerProp, this);
        SetWindowSubclass(hwnd_, subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
        subclassed_ = true;
    }
    if (control_.kind() == Kind::NumericUpDown) {
        // The arrows live inside the box, so it keeps the bounds the layout gave it.
        spin_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(spin_, UDM_SETRANGE32, static_cast<WPARAM>(-1000000), 1000000);
        applyBounds();
    }
    if (control_.kind() == Kind::DataGrid) {
        fillGridColumns();
        applyGridLook();
    }
    applyFont();
    refillItems();
    update(Change::Selection);
    update(Change::Value);
    update(Change::Enabled);
    update(Change::Scroll);
    update(Change::Tooltip);
    applyRegion();
    if (control_.kind() != Kind::Form && control_.effectivelyVisible()) {
        ShowWindow(hwnd_, SW_SHOWNA);
    }
    if (control_.kind() == Kind::Form) {
        if (static_cast<Form&>(control_).hosted()) {
            ShowWindow(hwnd_, SW_SHOWNA);
        } else {
            ShowWindow(hwnd_, SW_SHOW);
        }
    }
}

void Win32Peer::applyFont() {
    const Font f = control_.font();
    HFONT old = font_;
    const std::wstring face = W(f.name);
    HDC dc = GetDC(nullptr);
    const int height =
        -MulDiv(static_cast<int>(f.points * 100), GetDeviceCaps(dc, LOGPIXELSY), 7200);
    ReleaseDC(nullptr, dc);
    font_ = CreateFontW(height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                        DEFAULT_PITCH, face.c_str());
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (old) {
        DeleteObject(old);
    }
}

TTTOOLINFOW Win32Peer::toolInfo() {
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE; // understood with or without the styles manifest
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS | (control_.rightToLeft() ? TTF_RTLREADING : 0);
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = tipText_.data();
    return ti;
}

// The control's tip, shown while the mouse rests on it; none when empty.
void Win32Peer::applyTooltip() {
    if (tipShown_) {
        TTTOOLINFOW ti = toolInfo();
        SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        tipShown_ = false;
    }
    if (control_.tooltip().empty() || !control_.application()) {
        return;
    }
    auto* backend = dynamic_cast<Win32Backend*>(&control_.application()->backend());
    if (!backend) {
        return;
    }
    tooltips_ = backend->tooltipWindow();
    tipText_ = W(control_.tooltip());
    TTTOOLINFOW ti = toolInfo();
    tipShown_ = SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

bool Win32Peer::topLevelForm() const {
    return control_.kind() == Kind::Form && !static_cast<Form&>(control_).hosted();
}

// The form's bounds are the whole window; its children get the client area,
// so the form learns how thick the frame the system drew around it is.
void Win32Peer::measureFrame() {
    RECT window;
    RECT client;
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    const Spacing frame{origin.x - window.left, origin.y - window.top,
                        window.right - (origin.x + client.right),
                        window.bottom - (origin.y + client.bottom)};
    updating_ = true;
    static_cast<Form&>(control_).setFrame(frame);
    updating_ = false;
}

void Win32Peer::applyBounds() {
    const Rect b = control_.bounds();
    SetWindowPos(hwnd_, nullptr, b.x, b.y, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (spin_) {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        const int w = 16;
        SetWindowPos(spin_, nullptr, control_.rightToLeft() ? 0 : rc.right - w, 0, w, rc.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (control_.kind() == Kind::DataGrid) {
        fillGridColumns();
    }
    if (control_.kind() == Kind::FlowLayout) {
        update(Change::Scroll); // the page is the new height
    }
}

void Win32Peer::applyRegion() {
    if (!control_.region()) {
        SetWindowRgn(hwnd_, nullptr, TRUE);
        return;
    }
    SetWindowRgn(hwnd_, regionFromPath(*control_.region()), TRUE); // the window owns it now
}

void Win32Peer::fillGridColumns() {
    auto& g = static_cast<DataGrid&>(control_);
    HWND header = ListView_GetHeader(hwnd_);
    const int existing = header ? Header_GetItemCount(header) : 0;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const std::vector<int> widths = g.columnWidths(rc.right - rc.left);
    if (existing == static_cast<int>(g.columns().size())) {
        // A resize: only the widths follow the fill weights.
        for (size_t i = 0; i < widths.size(); ++i) {
            ListView_SetColumnWidth(hwnd_, static_cast<int>(i), widths[i]);
        }
        applyTickBoxes();
        return;
    }
    for (int i = existing - 1; i >= 0; --i) {
        ListView_DeleteColumn(hwnd_, i);
    }
    for (size_t i = 0; i < g.columns().size(); ++i) {
        std::wstring text = W(g.columns()[i].header);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = control_.rightToLeft() && i > 0 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        col.cx = widths[i];
        col.pszText = text.data();
        SendMessageW(hwnd_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    if (control_.rightToLeft() && !g.columns().empty()) {
        // The first column (the tick box) stands at the right.
        std::vector<int> order(g.columns().size());
        for (size_t i = 0; i < order.size(); ++i) {
            order[i] = static_cast<int>(order.size() - 1 - i);
        }
        SendMessageW(hwnd_, LVM_SETCOLUMNORDERARRAY, order.size(),
                     reinterpret_cast<LPARAM>(order.data()));
    }
    applyTickBoxes();
}

// The grid's look as the style pass left it. Rows take their height from the
// small-icon list, so a list of one-pixel-wide images as tall as a row sets it;
// the header's height is set when the list view lays it out (HDM_LAYOUT).
// Setting the font again makes the list view lay its header out anew.
void Win32Peer::applyGridLook() {
    auto& g = static_cast<DataGrid&>(control_);
    const DataGrid::Look& look = g.look();
    DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_DOUBLEBUFFER;
    if (g.fullRowSelect()) {
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
    if (font_) {
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    }
    if (header_) {
        InvalidateRect(header_, nullptr, TRUE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// The list view draws the tick box on its own ground, not the row's: the
// cell takes the row's colour first and the box's clear parts show it.
void Win32Peer::paintTickCell(HDC dc, const RECT& row, COLORREF color) {
    if (tickBoxes_.cx <= 0 || !header_) {
        return;
    }
    RECT column{};
    if (!Header_GetItemRect(header_, 0, &column)) {
        return;
    }
    MapWindowPoints(header_, hwnd_, reinterpret_cast<POINT*>(&column), 2);
    const RECT cell{column.left, row.top, column.right, row.bottom};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &cell, brush);
    DeleteObject(brush);
}

// The tick boxes in the middle of the first column's cells, remade when the
// column's width or the rows' height changes.
void Win32Peer::applyTickBoxes() {
    const auto& g = static_cast<DataGrid&>(control_);
    if (g.columns().empty() || g.columns()[0].kind != ColumnKind::Tick) {
        return;
    }
    const SIZE wanted{ListView_GetColumnWidth(hwnd_, 0), std::max(1, g.look().rowHeight - 1)};
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

bool Win32Peer::onHeaderMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    const DataGrid::Look& look = static_cast<DataGrid&>(control_).look();
    switch (msg) {
    case HDM_LAYOUT: {
        auto* layout = reinterpret_cast<HDLAYOUT*>(lp);
        result = DefSubclassProc(header_, msg, wp, lp);
        if (result && layout->pwpos && layout->prc) {
            layout->pwpos->cy = look.headerHeight;
            layout->prc->top = layout->pwpos->y + look.headerHeight;
        }
        return true;
    }
    case WM_ERASEBKGND:
        if (look.platformHeaderStyle) {
            return false;
        }
        result = 1; // painted whole in WM_PAINT
        return true;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        if (look.platformHeaderStyle) {
            return false;
        }
        if (msg == WM_PRINTCLIENT || wp) {
            paintHeader(reinterpret_cast<HDC>(wp));
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(header_, &ps);
            paintHeader(dc);
            EndPaint(header_, &ps);
        }
        return true;
    }
    default:
        return false;
    }
}

// The column header drawn by us: the platform's header look would ignore the
// grid's colours and height. Each column's caption in its own box (the boxes
// follow the grid's column order, right to left included), a line between
// columns and under the header, and a small arrow on the sorted column.
void Win32Peer::paintHeader(HDC dc) {
    auto& g = static_cast<DataGrid&>(control_);
    const DataGrid::Look& look = g.look();
    RECT rc;
    GetClientRect(header_, &rc);
    const int w = std::max(1L, rc.right);
    const int h = std::max(1L, rc.bottom);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    HBRUSH back = CreateSolidBrush(cr(look.headerBack));
    FillRect(mem, &rc, back);
    DeleteObject(back);
    HBRUSH line = CreateSolidBrush(cr(look.gridLines));
    const bool rtl = control_.rightToLeft();
    const int count = Header_GetItemCount(header_);
    for (int i = 0; i < count && i < static_cast<int>(g.columns().size()); ++i) {
        RECT item{};
        if (!Header_GetItemRect(header_, i, &item) || item.right <= item.left) {
            continue;
        }
        const GridColumn& column = g.columns()[static_cast<size_t>(i)];
        RECT box{item.left + 8, item.top, item.right - 8, item.bottom};
        if (g.sortColumn() == i) {
            // The arrow stands at the caption's far end.
            const int cx = rtl ? item.left + 12 : item.right - 12;
            const int cy = (item.top + item.bottom) / 2;
            const POINT up[3] = {{cx - 4, cy + 2}, {cx + 4, cy + 2}, {cx, cy - 2}};
            const POINT down[3] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
            HBRUSH arrow = CreateSolidBrush(cr(look.headerFore));
            HGDIOBJ oldBrush = SelectObject(mem, arrow);
            HGDIOBJ oldPen = SelectObject(mem, GetStockObject(NULL_PEN));
            Polygon(mem, g.sortAscending() ? up : down, 3);
            SelectObject(mem, oldPen);
            SelectObject(mem, oldBrush);
            DeleteObject(arrow);
            (rtl ? box.left : box.right) += 16;
        }
        if (box.right > box.left) {
            drawTextIn(mem, box, column.header, rtl ? HAlign::Right : HAlign::Left, VAlign::Middle,
                       look.headerFore);
        }
        RECT edge{item.right - 1, item.top, item.right, item.bottom};
        FillRect(mem, &edge, line);
    }
    RECT bottom{0, h - 1, w, h};
    FillRect(mem, &bottom, line);
    DeleteObject(line);
    BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBmp);
    DeleteObject(bmp);
    DeleteDC(mem);
}

// The list's own focus follows the grid's current row (where its keys and a
// screen reader start from), scrolled into view.
void Win32Peer::showCurrentRow() {
    const auto& g = static_cast<DataGrid&>(control_);
    const std::vector<int> rows = g.visibleRows();
    const auto at = std::find(rows.begin(), rows.end(), g.currentCell().row);
    if (at == rows.end()) {
        return;
    }
    const int item = static_cast<int>(at - rows.begin());
    ListView_SetItemState(hwnd_, item, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, item, FALSE);
}

// Lines under a row and between its cells, in the grid-line colour, at the
// header's column edges (which follow the grid's column order).
void Win32Peer::drawGridLines(HDC dc, const RECT& row) {
    HBRUSH line = CreateSolidBrush(cr(static_cast<DataGrid&>(control_).look().gridLines));
    RECT under{row.left, row.bottom - 1, row.right, row.bottom};
    FillRect(dc, &under, line);
    const int count = header_ ? Header_GetItemCount(header_) : 0;
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (!Header_GetItemRect(header_, i, &item)) {
            continue;
        }
        MapWindowPoints(header_, hwnd_, reinterpret_cast<POINT*>(&item), 2);
        RECT edge{item.right - 1, row.top, item.right, row.bottom};
        FillRect(dc, &edge, line);
    }
    DeleteObject(line);
}

bool Win32Peer::onGridMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (edit_ && reinterpret_cast<HWND>(lp) == edit_) {
            if (HIWORD(wp) == EN_CHANGE && !updating_) {
                static_cast<DataGrid&>(control_).userEdit(editing_.row, editing_.column,
                                                          editText());
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
            const auto& g = static_cast<DataGrid&>(control_);
            const std::vector<int> rows = g.visibleRows();
            const auto at = std::find(rows.begin(), rows.end(), g.currentCell().row);
            if (at != rows.end()) {
                beginEdit(static_cast<int>(at - rows.begin()), g.currentCell().column);
            }
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

std::string Win32Peer::editText() const {
    const int n = GetWindowTextLengthW(edit_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(edit_, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return N(w);
}

// Opens an edit box over a text cell the user may change; `item` is the row's
// place in the list as shown.
bool Win32Peer::beginEdit(int item, int column) {
    auto& g = static_cast<DataGrid&>(control_);
    const std::vector<int> rows = g.visibleRows();
    if (item < 0 || item >= static_cast<int>(rows.size()) || column < 0 ||
        column >= static_cast<int>(g.columns().size()) ||
        g.columns()[static_cast<size_t>(column)].kind != ColumnKind::Text ||
        !g.effectivelyEnabled()) {
        return false;
    }
    const int row = rows[static_cast<size_t>(item)];
    if (g.cellReadOnly(row, column)) {
        return false;
    }
    endEdit(true);
    RECT cell{};
    if (!ListView_GetSubItemRect(hwnd_, item, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS,
                                 &cell)) {
        return false;
    }
    const bool rtl = control_.rightToLeft();
    const std::wstring text = W(g.cellText(row, column));
    edit_ = CreateWindowExW(rtl ? WS_EX_RTLREADING : 0, L"EDIT", text.c_str(),
                            WS_CHILD | WS_BORDER | ES_AUTOHSCROLL | (rtl ? ES_RIGHT : ES_LEFT),
                            cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top,
                            hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!edit_) {
        return false;
    }
    editing_ = {row, column};
    SetWindowSubclass(edit_, editProc, 3, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    ShowWindow(edit_, SW_SHOW);
    SetFocus(edit_);
    return true;
}

bool Win32Peer::onEditMessage(UINT msg, WPARAM wp) {
    switch (msg) {
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_ESCAPE) {
            const bool commit = wp == VK_RETURN;
            endEdit(commit);
            SetFocus(hwnd_);
            return true;
        }
        return false;
    case WM_CHAR:
        return wp == L'\r' || wp == 27; // handled on the key, no beep
    case WM_KILLFOCUS:
        endEdit(true);
        return true;
    default:
        return false;
    }
}

// Leaves the edit box: committing it through the grid, as any other change of
// the current cell would, or dropping what was typed.
void Win32Peer::endEdit(bool commit) {
    if (!edit_) {
        return;
    }
    auto& g = static_cast<DataGrid&>(control_);
    const std::string text = editText();
    const GridCellRef at = editing_;
    closeEditBox();
    if (commit) {
        g.userEdit(at.row, at.column, text);
        g.commitPendingEdit();
    } else {
        g.cancelPendingEdit();
    }
}

// The box goes; what the grid holds as pending stays as it is.
void Win32Peer::closeEditBox() {
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

void Win32Peer::refillItems() {
    updating_ = true;
    switch (control_.kind()) {
    case Kind::ComboBox:
    case Kind::ListBox: {
        auto& l = static_cast<ListControl&>(control_);
        const bool combo = control_.kind() == Kind::ComboBox;
        SendMessageW(hwnd_, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
        for (const auto& item : l.items()) {
            const std::wstring w = W(item);
            SendMessageW(hwnd_, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(w.c_str()));
        }
        if (!combo) {
            SendMessageW(hwnd_, LB_SETHORIZONTALEXTENT,
                         static_cast<WPARAM>(static_cast<ListBox&>(l).horizontalExtent()), 0);
        }
        break;
    }
    case Kind::DataGrid: {
        auto& g = static_cast<DataGrid&>(control_);
        // The rows may have moved under an open edit box; what was typed is
        // still the grid's pending edit.
        closeEditBox();
        // One count change and one repaint, however many rows changed.
        ListView_SetItemCountEx(hwnd_, static_cast<int>(g.visibleRows().size()), LVSICF_NOSCROLL);
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    }
    default:
        break;
    }
    updating_ = false;
}

void Win32Peer::update(Change what) {
    if (!hwnd_) {
        return;
    }
    updating_ = true;
    switch (what) {
    case Change::Text: {
        const std::wstring w = W(control_.text());
        SetWindowTextW(hwnd_, w.c_str());
        if (control_.kind() == Kind::Label || control_.kind() == Kind::Button) {
            InvalidateRect(hwnd_, nullptr, FALSE); // drawn by us
        }
        break;
    }
    case Change::Font:
        applyFont();
        break;
    case Change::Colors:
    case Change::Style:
        if (control_.kind() == Kind::DataGrid) {
            applyGridLook();
        }
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
    case Change::Parent: {
        HWND parent = parentWindow();
        if (!parent) {
            // Taken out of its window but kept (a persistent section view): it
            // waits out of sight, under a window nobody sees, until it is placed
            // again. Without a parent it would surface on the desktop.
            ShowWindow(hwnd_, SW_HIDE);
            if (auto* backend = dynamic_cast<Win32Backend*>(&control_.application()->backend())) {
                SetParent(hwnd_, backend->parkingWindow());
            }
            break;
        }
        SetWindowLongPtrW(hwnd_, GWL_STYLE,
                          (GetWindowLongPtrW(hwnd_, GWL_STYLE) &
                           ~static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW | WS_POPUP)) |
                              WS_CHILD);
        SetParent(hwnd_, parent);
        applyBounds();
        ShowWindow(hwnd_, control_.effectivelyVisible() ? SW_SHOWNA : SW_HIDE);
        break;
    }
    case Change::Items:
        refillItems();
        break;
    case Change::Selection:
        if (control_.kind() == Kind::ComboBox) {
            SendMessageW(hwnd_, CB_SETCURSEL,
                         static_cast<WPARAM>(static_cast<ListControl&>(control_).selectedIndex()),
                         0);
        } else if (control_.kind() == Kind::ListBox) {
            SendMessageW(hwnd_, LB_SETCURSEL,
                         static_cast<WPARAM>(static_cast<ListControl&>(control_).selectedIndex()),
                         0);
        } else if (control_.kind() == Kind::DataGrid) {
            showCurrentRow();
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        break;
    case Change::Value:
        if (control_.kind() == Kind::CheckBox) {
            SendMessageW(hwnd_, BM_SETCHECK,
                         static_cast<CheckBox&>(control_).checked() ? BST_CHECKED : BST_UNCHECKED,
                         0);
        }
        break;
    case Change::Tooltip:
        applyTooltip();
        break;
    case Change::Scroll:
        if (auto* fl = dynamic_cast<FlowLayout*>(&control_)) {
            // The bar shows only while the content is taller than the flow.
            const bool needed = fl->needsVerticalScroll();
            ShowScrollBar(hwnd_, SB_VERT, needed);
            if (needed) {
                SCROLLINFO si{};
                si.cbSize = sizeof si;
                si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
                si.nMax = fl->scrollExtent().height - 1;
                si.nPage = static_cast<UINT>(fl->displayRect().height);
                si.nPos = fl->scrollOffset().y;
                SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
            }
        }
        break;
    }
    updating_ = false;
}

void Win32Peer::invalidate() {
    InvalidateRect(hwnd_, nullptr, FALSE);
    // A see-through label shows this control's painting, so it follows it.
    for (const auto& child : control_.children()) {
        auto* peer = dynamic_cast<Win32Peer*>(child->peer());
        if (peer && child->kind() == Kind::Label && child->backColor().isTransparent()) {
            InvalidateRect(peer->hwnd_, nullptr, FALSE);
        }
    }
}

void Win32Peer::focus() {
    SetFocus(hwnd_);
}

// ---- messages reflected from the parent --------------------------------------

bool Win32Peer::onCommand(WORD code) {
    if (updating_) {
        return true;
    }
    switch (control_.kind()) {
    case Kind::Button:
        if (code == BN_CLICKED) {
            static_cast<Button&>(control_).userClick();
        }
        return true;
    case Kind::CheckBox:
        if (code == BN_CLICKED) {
            auto& box = static_cast<CheckBox&>(control_);
            const bool now = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (now != box.checked()) {
                box.userToggle();
            }
        }
        return true;
    case Kind::TextBox:
    case Kind::NumericUpDown:
        if (code == EN_CHANGE && control_.kind() == Kind::TextBox) {
            const int n = GetWindowTextLengthW(hwnd_);
            std::wstring w(static_cast<size_t>(n) + 1, L'\0');
            GetWindowTextW(hwnd_, w.data(), n + 1);
            w.resize(static_cast<size_t>(n));
            static_cast<TextBox&>(control_).userType(N(w));
        } else if (code == EN_KILLFOCUS && control_.kind() == Kind::NumericUpDown) {
            const int n = GetWindowTextLengthW(hwnd_);
            std::wstring w(static_cast<size_t>(n) + 1, L'\0');
            GetWindowTextW(hwnd_, w.data(), n + 1);
            w.resize(static_cast<size_t>(n));
            static_cast<NumericUpDown&>(control_).userEnter(N(w));
        }
        return true;
    case Kind::ComboBox:
        if (code == CBN_SELCHANGE) {
            static_cast<ListControl&>(control_).userPick(
                static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
        }
        return true;
    case Kind::ListBox:
        if (code == LBN_SELCHANGE) {
            static_cast<ListControl&>(control_).userPick(
                static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)));
        }
        return true;
    default:
        return false;
    }
}

bool Win32Peer::onNotify(NMHDR* hdr, LRESULT& result) {
    if (control_.kind() == Kind::NumericUpDown && hdr->code == UDN_DELTAPOS) {
        auto* nm = reinterpret_cast<NMUPDOWN*>(hdr);
        static_cast<NumericUpDown&>(control_).userStep(-nm->iDelta);
        result = 1; // we keep the value, not the arrows
        return true;
    }
    if (control_.kind() != Kind::DataGrid) {
        return false;
    }
    auto& g = static_cast<DataGrid&>(control_);
    const std::vector<int> rows = g.visibleRows();
    switch (hdr->code) {
    case LVN_GETDISPINFOW: {
        auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
        if (di->item.iItem < 0 || di->item.iItem >= static_cast<int>(rows.size())) {
            return true;
        }
        const int row = rows[static_cast<size_t>(di->item.iItem)];
        const int col = di->item.iSubItem;
        const bool tick = g.columns()[static_cast<size_t>(col)].kind == ColumnKind::Tick;
        if (di->item.mask & LVIF_TEXT) {
            cellText_ = tick ? std::wstring() : W(g.cellText(row, col));
            lstrcpynW(di->item.pszText, cellText_.c_str(), di->item.cchTextMax);
        }
        if ((di->item.mask & LVIF_STATE) && col == 0) {
            const CellValue& v = g.cell(row, 0);
            const bool ticked = std::holds_alternative<bool>(v) && std::get<bool>(v);
            di->item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1) |
                             (g.selectedRows().count(row) ? LVIS_SELECTED : 0);
            di->item.stateMask = LVIS_STATEIMAGEMASK | LVIS_SELECTED;
        }
        return true;
    }
    case NM_CLICK: {
        auto* ia = reinterpret_cast<NMITEMACTIVATE*>(hdr);
        LVHITTESTINFO hit{};
        hit.pt = ia->ptAction;
        ListView_SubItemHitTest(hwnd_, &hit);
        if (hit.iItem >= 0 && hit.iItem < static_cast<int>(rows.size())) {
            const int row = rows[static_cast<size_t>(hit.iItem)];
            if (hit.flags & LVHT_ONITEMSTATEICON) {
                g.userTick(row);
                ListView_RedrawItems(hwnd_, hit.iItem, hit.iItem);
            } else {
                g.userSelect(row, GetKeyState(VK_CONTROL) < 0, hit.iSubItem);
                // The cell that was current before may be on another row.
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
        }
        return true;
    }
    case LVN_COLUMNCLICK:
        g.userHeaderClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return true;
    case NM_DBLCLK: {
        auto* ia = reinterpret_cast<NMITEMACTIVATE*>(hdr);
        LVHITTESTINFO hit{};
        hit.pt = ia->ptAction;
        ListView_SubItemHitTest(hwnd_, &hit);
        if (hit.iItem >= 0 && !(hit.flags & LVHT_ONITEMSTATEICON)) {
            beginEdit(hit.iItem, hit.iSubItem);
        }
        Event e;
        if (g.onCellDoubleClick) {
            g.onCellDoubleClick(e);
        }
        return true;
    }
    case NM_CUSTOMDRAW: {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        const auto& look = g.look();
        const DWORD stage = cd->nmcd.dwDrawStage;
        if (stage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
            return true;
        }
        if (stage == CDDS_ITEMPOSTPAINT) {
            drawGridLines(cd->nmcd.hdc, cd->nmcd.rc);
            return true;
        }
        if (stage != CDDS_ITEMPREPAINT && stage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            return false;
        }
        // Whole-row selection paints the row; cell selection only the
        // current cell of a selected row, so each cell asks on its own.
        const int i = static_cast<int>(cd->nmcd.dwItemSpec);
        const bool cellMode = !g.fullRowSelect();
        const bool whole = stage == CDDS_ITEMPREPAINT;
        const int row =
            i >= 0 && i < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(i)] : -1;
        bool selected = row >= 0 && g.selectedRows().count(row) > 0;
        if (cellMode) {
            selected = selected && !whole && g.currentCell().column == cd->iSubItem;
        }
        if (selected) {
            cd->clrTextBk = cr(look.selectionBack);
            cd->clrText = cr(look.selectionFore);
        } else {
            cd->clrTextBk = (i % 2 == 1 && look.alternatingRowBack) ? cr(*look.alternatingRowBack)
                                                                    : cr(g.paintedBackColor());
            cd->clrText = cr(g.foreColor());
        }
        cd->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        if (whole || cd->iSubItem == 0) {
            paintTickCell(cd->nmcd.hdc, cd->nmcd.rc, cd->clrTextBk);
        }
        result = CDRF_NEWFONT;
        if (whole && cellMode) {
            result |= CDRF_NOTIFYSUBITEMDRAW;
        }
        if (whole && !look.platformHeaderStyle) {
            result |= CDRF_NOTIFYPOSTPAINT;
        }
        return true;
    }
    default:
        return false;
    }
}

HBRUSH Win32Peer::onColor(HDC dc) {
    SetTextColor(dc, cr(control_.foreColor()));
    const Color back = control_.paintedBackColor();
    SetBkColor(dc, cr(back));
    if (!brush_ || brushColor_ != cr(back)) {
        if (brush_) {
            DeleteObject(brush_);
        }
        brush_ = CreateSolidBrush(cr(back));
        brushColor_ = cr(back);
    }
    return brush_;
}

void Win32Peer::onDrawItem(DRAWITEMSTRUCT* dis) {
    const RECT rc = dis->rcItem;
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) {
        return;
    }
    // Drawn off screen and copied in one go: a label over a moving banner
    // repaints with it every few dozen milliseconds.
    HDC mem = CreateCompatibleDC(dis->hDC);
    HBITMAP bmp = CreateCompatibleBitmap(dis->hDC, w, h);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    const RECT area{0, 0, w, h};
    if (control_.kind() == Kind::Label) {
        drawLabel(mem, area);
    } else {
        drawButton(mem, area, (dis->itemState & ODS_SELECTED) != 0);
    }
    BitBlt(dis->hDC, rc.left, rc.top, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldBmp);
    DeleteObject(bmp);
    DeleteDC(mem);
}

// What shows behind the control: its own colour, or, when it is see-through,
// whatever the first control below it with a background paints there (a
// banner's gradient included).
void Win32Peer::paintBackground(HDC dc, const RECT& area) {
    const Control* painter = &control_;
    POINT offset{0, 0};
    while (painter->parent() && painter->backColor().isTransparent()) {
        offset.x += painter->bounds().x;
        offset.y += painter->bounds().y;
        painter = painter->parent();
    }
    if (painter != &control_ && painter->onPaint) {
        // The painter's whole picture, as it shows it, and our piece of it.
        const Size whole = painter->size();
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp =
            CreateCompatibleBitmap(dc, std::max(1, whole.width), std::max(1, whole.height));
        HGDIOBJ old = SelectObject(mem, bmp);
        renderDrawn(*const_cast<Control*>(painter), mem);
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, mem,
               offset.x, offset.y, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        return;
    }
    HBRUSH fill = CreateSolidBrush(cr(painter->paintedBackColor()));
    FillRect(dc, &area, fill);
    DeleteObject(fill);
}

// Text in the box, wrapped at word ends and at CR LF, aligned both ways, in
// the control's reading order. Each line is placed by ExtTextOutW's own
// alignment rather than by DrawTextW: Wine's DrawTextW measures Arabic before
// shaping joins its letters, so right-aligned Arabic stopped short of the
// right edge (by 53 px on a 500-px line of the heading at 19 pt).
void Win32Peer::drawTextIn(HDC dc, RECT box, const std::string& text, HAlign align, VAlign valign,
                           Color color) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, cr(color));
    HGDIOBJ old = SelectObject(dc, font_);
    const std::vector<std::wstring> lines = wrapLines(dc, W(text), box.right - box.left);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int lineHeight = static_cast<int>(tm.tmHeight);
    const int spare = (box.bottom - box.top) - lineHeight * static_cast<int>(lines.size());
    int y = box.top;
    if (spare > 0 && valign != VAlign::Top) {
        y += valign == VAlign::Middle ? spare / 2 : spare;
    }
    const bool rtl = control_.rightToLeft();
    UINT textAlign = TA_TOP | TA_NOUPDATECP | (rtl ? TA_RTLREADING : 0);
    int x = box.left;
    if (align == HAlign::Center) {
        textAlign |= TA_CENTER;
        x = (box.left + box.right) / 2;
    } else if (align == HAlign::Right) {
        textAlign |= TA_RIGHT;
        x = box.right;
    } else {
        textAlign |= TA_LEFT;
    }
    const UINT oldAlign = SetTextAlign(dc, textAlign);
    for (const std::wstring& line : lines) {
        ExtTextOutW(dc, x, y, ETO_CLIPPED | (rtl ? ETO_RTLREADING : 0), &box, line.c_str(),
                    static_cast<UINT>(line.size()), nullptr);
        y += lineHeight;
    }
    SetTextAlign(dc, oldAlign);
    SelectObject(dc, old);
}

Color Win32Peer::textColor() const {
    return control_.effectivelyEnabled() ? control_.foreColor() : Color::rgb(150, 150, 150);
}

void Win32Peer::drawLabel(HDC dc, const RECT& area) {
    auto& l = static_cast<Label&>(control_);
    paintBackground(dc, area);
    RECT box = area;
    box.left += control_.padding().left;
    box.top += control_.padding().top;
    box.right -= control_.padding().right;
    box.bottom -= control_.padding().bottom;
    drawTextIn(dc, box, control_.text(), l.align(), l.verticalAlign(), textColor());
}

void Win32Peer::drawButton(HDC dc, const RECT& area, bool pressed) {
    auto& b = static_cast<Button&>(control_);
    Color back = control_.paintedBackColor();
    if (pressed && b.pressedColor()) {
        back = *b.pressedColor();
    } else if (hover_ && b.hoverColor()) {
        back = *b.hoverColor();
    }
    HBRUSH fill = CreateSolidBrush(cr(back));
    FillRect(dc, &area, fill);
    DeleteObject(fill);
    if (b.borderColor()) {
        // Inside the visible shape, so rounded corners keep their whole border.
        HBRUSH frame = CreateSolidBrush(cr(*b.borderColor()));
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        if (GetWindowRgn(hwnd_, shape) != ERROR) {
            FrameRgn(dc, shape, frame, 1, 1);
        } else {
            FrameRect(dc, &area, frame);
        }
        DeleteObject(shape);
        DeleteObject(frame);
    }
    RECT box = area;
    box.left += control_.padding().left;
    box.right -= control_.padding().right;
    drawTextIn(dc, box, control_.text(), b.align(), VAlign::Middle, textColor());
}

void Win32Peer::trackMouse(UINT msg) {
    if (control_.kind() != Kind::Button) {
        return;
    }
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

bool Win32Peer::handCursor() const {
    return control_.kind() == Kind::Button && static_cast<Button&>(control_).handCursor();
}

// ---- our own window class ------------------------------------------------------

LRESULT Win32Peer::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (!hwnd_) {
        hwnd_ = hwnd; // messages arrive before CreateWindowExW returns
    }
    switch (msg) {
    case WM_ERASEBKGND: {
        if (control_.onPaint) {
            return 1; // painted whole in WM_PAINT
        }
        RECT rc;
        GetClientRect(hwnd_, &rc);
        HBRUSH b = CreateSolidBrush(cr(control_.paintedBackColor()));
        FillRect(reinterpret_cast<HDC>(wp), &rc, b);
        DeleteObject(b);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        if (control_.onPaint) {
            RECT rc;
            GetClientRect(hwnd_, &rc);
            // Double-buffered: drawn off screen, then copied in one go.
            HDC mem = CreateCompatibleDC(dc);
            HBITMAP bmp =
                CreateCompatibleBitmap(dc, std::max(1L, rc.right), std::max(1L, rc.bottom));
            HGDIOBJ old = SelectObject(mem, bmp);
            renderDrawn(control_, mem);
            BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteObject(bmp);
            DeleteDC(mem);
        }
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_COMMAND:
        if (lp) {
            if (Win32Peer* child = of(reinterpret_cast<HWND>(lp))) {
                if (child->onCommand(HIWORD(wp))) {
                    return 0;
                }
            }
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (Win32Peer* child = of(hdr->hwndFrom)) {
            LRESULT result = 0;
            if (child->onNotify(hdr, result)) {
                return result;
            }
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        if (Win32Peer* child = of(reinterpret_cast<HWND>(lp))) {
            return reinterpret_cast<LRESULT>(child->onColor(reinterpret_cast<HDC>(wp)));
        }
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (Win32Peer* child = of(dis->hwndItem)) {
            child->onDrawItem(dis);
            return TRUE;
        }
        break;
    }
    case WM_VSCROLL:
        if (auto* fl = dynamic_cast<FlowLayout*>(&control_)) {
            Point p = fl->scrollOffset();
            switch (LOWORD(wp)) {
            case SB_LINEUP:
                p.y -= 20;
                break;
            case SB_LINEDOWN:
                p.y += 20;
                break;
            case SB_PAGEUP:
                p.y -= fl->displayRect().height;
                break;
            case SB_PAGEDOWN:
                p.y += fl->displayRect().height;
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION:
                p.y = HIWORD(wp);
                break;
            default:
                break;
            }
            fl->setScrollOffset(p);
            return 0;
        }
        break;
    case WM_SIZE:
        if (topLevelForm() && !updating_) {
            auto& f = static_cast<Form&>(control_);
            f.setMinimized(wp == SIZE_MINIMIZED);
            if (wp != SIZE_MINIMIZED) {
                measureFrame();
                RECT window;
                GetWindowRect(hwnd_, &window);
                Rect b = f.bounds();
                b.width = window.right - window.left;
                b.height = window.bottom - window.top;
                updating_ = true;
                f.setBounds(b);
                updating_ = false;
            }
        }
        break;
    case WM_GETMINMAXINFO:
        if (topLevelForm()) {
            // The minimum holds for the whole window, as the bounds do.
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            const Size least = control_.minimumSize();
            mm->ptMinTrackSize.x = std::max<LONG>(mm->ptMinTrackSize.x, least.width);
            mm->ptMinTrackSize.y = std::max<LONG>(mm->ptMinTrackSize.y, least.height);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (control_.kind() == Kind::Form) {
            static_cast<Form&>(control_).requestClose();
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        // Shutting down or signing out asks every top-level window; FALSE
        // keeps the session (and the work the form guards) alive.
        if (topLevelForm()) {
            return static_cast<Form&>(control_).queryEndSession() ? TRUE : FALSE;
        }
        break;
    case WM_KEYDOWN: {
        KeyEvent e;
        e.key = static_cast<Key>(wp);
        for (Control* c = &control_; c; c = c->parent()) {
            if (c->userKeyDown(e)) {
                return 0;
            }
        }
        break;
    }
    case WM_DESTROY:
        closed = true;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

} // namespace vexo::toolkit::win32
