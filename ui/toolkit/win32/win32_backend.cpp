#include "toolkit/win32/win32_backend.h"

#include "toolkit/button.h"
#include "toolkit/containers.h"
#include "toolkit/label.h"
#include "toolkit/list_controls.h"
#include "toolkit/menu.h"
#include "toolkit/text_box.h"
#include "toolkit/timer.h"
#include "toolkit/win32/button_peer.h"
#include "toolkit/win32/form_peer.h"
#include "toolkit/win32/gdi.h"
#include "toolkit/win32/gdiplus_api.h"
#include "toolkit/win32/grid_peer.h"
#include "toolkit/win32/label_peer.h"
#include "toolkit/win32/list_peer.h"
#include "toolkit/win32/numeric_up_down_peer.h"
#include "toolkit/win32/panel_peer.h"
#include "toolkit/win32/text.h"
#include "toolkit/win32/text_box_peer.h"

#include <algorithm>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

namespace vexo::toolkit::win32 {

namespace {

const wchar_t kTimerClass[] = L"VexoTimers";

HWND formWindow(Control* c) {
    for (; c; c = c->parent()) {
        if (c->kind() == Kind::Form) {
            if (HWND h = Win32Backend::windowOf(*c)) {
                return GetAncestor(h, GA_ROOT);
            }
        }
    }
    return nullptr;
}

// The peer of a control's kind, not made yet.
std::unique_ptr<WindowPeer> peerFor(Control& control) {
    switch (control.kind()) {
    case Kind::Form:
        return std::make_unique<FormPeer>(static_cast<Form&>(control));
    case Kind::Panel:
    case Kind::TableLayout:
    case Kind::FlowLayout:
    case Kind::Drawn:
        return std::make_unique<PanelPeer>(control);
    case Kind::Label:
        return std::make_unique<LabelPeer>(static_cast<Label&>(control));
    case Kind::Button:
        return std::make_unique<ButtonPeer>(static_cast<Button&>(control));
    case Kind::CheckBox:
        return std::make_unique<CheckBoxPeer>(static_cast<CheckBox&>(control));
    case Kind::TextBox:
        return std::make_unique<TextBoxPeer>(static_cast<TextBox&>(control));
    case Kind::NumericUpDown:
        return std::make_unique<NumericUpDownPeer>(static_cast<NumericUpDown&>(control));
    case Kind::ComboBox:
    case Kind::ListBox:
        return std::make_unique<ListPeer>(static_cast<ListControl&>(control));
    case Kind::DataGrid:
        return std::make_unique<GridPeer>(static_cast<DataGrid&>(control));
    }
    return std::make_unique<PanelPeer>(control);
}

} // namespace

Win32Backend::Win32Backend() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = timerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTimerClass;
    RegisterClassExW(&wc);
    timerWindow_ = CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(timerWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    parking_ = CreateWindowExW(WS_EX_TOOLWINDOW, kTimerClass, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                               0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

Win32Backend::~Win32Backend() {
    if (tooltips_) {
        DestroyWindow(tooltips_);
    }
    DestroyWindow(parking_);
    DestroyWindow(timerWindow_);
    Gdiplus::GdiplusShutdown(gdiplusToken_);
}

HWND Win32Backend::tooltipWindow() {
    if (!tooltips_) {
        tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        // A width makes the tip break its lines at CR LF and at word ends.
        SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, 420);
    }
    return tooltips_;
}

HWND Win32Backend::windowOf(const Control& control) {
    auto* p = dynamic_cast<WindowPeer*>(control.peer());
    return p ? p->hwnd() : nullptr;
}

std::unique_ptr<ControlPeer> Win32Backend::createPeer(Control& control) {
    std::unique_ptr<WindowPeer> peer = peerFor(control);
    peer->create();
    return peer;
}

Size Win32Backend::measureText(const std::string& text, const Font& font, int maxWidth) {
    ScreenDc screen;
    const UniqueFont f = createFont(font);
    HGDIOBJ old = SelectObject(screen.get(), f.get());
    const std::wstring w = W(text.empty() ? std::string(" ") : text);
    RECT r{0, 0, maxWidth > 0 ? maxWidth : 0, 0};
    DrawTextW(screen.get(), w.c_str(), -1, &r,
              DT_CALCRECT | DT_NOPREFIX | (maxWidth > 0 ? DT_WORDBREAK : 0));
    SelectObject(screen.get(), old);
    return {text.empty() ? 0 : r.right - r.left, r.bottom - r.top};
}

// ---- timers ---------------------------------------------------------------------

LRESULT CALLBACK Win32Backend::timerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        auto* timer = reinterpret_cast<Timer*>(wp);
        // Only timers still running: a stopped one may have a message queued.
        if (self && self->timers_.count(timer)) {
            timer->fire();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Backend::startTimer(Timer& timer) {
    timers_.insert(&timer);
    SetTimer(timerWindow_, reinterpret_cast<UINT_PTR>(&timer),
             static_cast<UINT>(std::max(1, timer.interval())), nullptr);
}

void Win32Backend::stopTimer(Timer& timer) {
    timers_.erase(&timer);
    KillTimer(timerWindow_, reinterpret_cast<UINT_PTR>(&timer));
}

// ---- forms ----------------------------------------------------------------------

void Win32Backend::runModal(Form& form) {
    // A dialog owned by a section belongs to the window that hosts it: only a
    // top-level window can own another, and the whole of it must be disabled.
    HWND owner = form.owner() ? windowOf(*form.owner()) : nullptr;
    if (owner) {
        owner = GetAncestor(owner, GA_ROOT);
    }
    auto* peer = dynamic_cast<WindowPeer*>(form.peer());
    if (!peer) {
        return;
    }
    if (owner) {
        SetWindowLongPtrW(peer->hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
        EnableWindow(owner, FALSE);
    }
    ShowWindow(peer->hwnd(), SW_SHOW);
    MSG msg;
    while (form.shown() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(peer->hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

void Win32Backend::closeForm(Form& form) {
    if (HWND h = windowOf(form)) {
        ShowWindow(h, SW_HIDE);
    }
}

void Win32Backend::showPopupMenu(PopupMenu& menu, Control& at, Point where) {
    HMENU h = CreatePopupMenu();
    for (size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& item = menu.items[i];
        if (item.text.empty()) {
            AppendMenuW(h, MF_SEPARATOR, 0, nullptr);
        } else {
            const std::wstring w = W(item.text);
            AppendMenuW(h, MF_STRING | (item.enabled ? 0 : MF_GRAYED), i + 1, w.c_str());
        }
    }
    HWND hwnd = windowOf(at);
    POINT p{where.x, where.y};
    ClientToScreen(hwnd, &p);
    const UINT flags = TPM_RETURNCMD | TPM_LEFTBUTTON | (menu.rightToLeft ? TPM_LAYOUTRTL : 0);
    const int chosen = TrackPopupMenu(h, flags, p.x, p.y, 0, hwnd, nullptr);
    DestroyMenu(h);
    menu.choose(chosen - 1);
}

// ---- modal dialogs --------------------------------------------------------------

DialogResult Win32Backend::messageBox(const MessageBoxArgs& args) {
    UINT type = 0;
    switch (args.buttons) {
    case MessageButtons::Ok:
        type = MB_OK;
        break;
    case MessageButtons::OkCancel:
        type = MB_OKCANCEL;
        break;
    case MessageButtons::YesNo:
        type = MB_YESNO;
        break;
    case MessageButtons::YesNoCancel:
        type = MB_YESNOCANCEL;
        break;
    case MessageButtons::RetryCancel:
        type = MB_RETRYCANCEL;
        break;
    }
    switch (args.icon) {
    case MessageIcon::None:
        break;
    case MessageIcon::Information:
        type |= MB_ICONINFORMATION;
        break;
    case MessageIcon::Warning:
        type |= MB_ICONWARNING;
        break;
    case MessageIcon::Error:
        type |= MB_ICONERROR;
        break;
    case MessageIcon::Question:
        type |= MB_ICONQUESTION;
        break;
    }
    if (args.rightToLeftReading) {
        type |= MB_RTLREADING | MB_RIGHT;
    }
    const std::wstring text = W(args.text);
    const std::wstring caption = W(args.caption);
    switch (MessageBoxW(formWindow(args.owner), text.c_str(), caption.c_str(), type)) {
    case IDOK:
        return DialogResult::Ok;
    case IDCANCEL:
        return DialogResult::Cancel;
    case IDYES:
        return DialogResult::Yes;
    case IDNO:
        return DialogResult::No;
    case IDRETRY:
        return DialogResult::Retry;
    default:
        return DialogResult::None;
    }
}

ChosenPath Win32Backend::browseFolder(const FolderBrowserArgs& args) {
    const std::wstring title = W(args.description);
    BROWSEINFOW bi{};
    bi.hwndOwner = formWindow(args.owner);
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
    if (!pidl) {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH * 4] = {};
    const BOOL ok = SHGetPathFromIDListEx(pidl, path, MAX_PATH * 4, GPFIDL_DEFAULT);
    CoTaskMemFree(pidl);
    if (!ok) {
        return std::nullopt;
    }
    return N(path);
}

ChosenPath Win32Backend::saveFile(const SaveFileArgs& args) {
    std::wstring filter = W(args.filter);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.push_back(L'\0');
    std::wstring file = W(args.fileName);
    file.resize(32768, L'\0');
    const std::wstring title = W(args.title);
    const std::wstring ext = W(args.defaultExtension);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = formWindow(args.owner);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags =
        OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | (args.overwritePrompt ? OFN_OVERWRITEPROMPT : 0);
    if (!GetSaveFileNameW(&ofn)) {
        return std::nullopt;
    }
    return N(file.c_str());
}

std::string Win32Backend::clipboardText() {
    if (!OpenClipboard(nullptr)) {
        return {};
    }
    std::string out;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            out = N(p);
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return out;
}

bool Win32Backend::setClipboardText(const std::string& text) {
    const std::wstring w = W(text);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(wchar_t));
    if (!mem) {
        return false;
    }
    auto* to = static_cast<wchar_t*>(GlobalLock(mem));
    if (!to) {
        GlobalFree(mem);
        return false;
    }
    std::copy(w.c_str(), w.c_str() + w.size() + 1, to);
    GlobalUnlock(mem);
    // Opened for a window of ours: with no owner, EmptyClipboard leaves the
    // clipboard to nobody and SetClipboardData then refuses the text.
    if (!OpenClipboard(timerWindow_)) {
        GlobalFree(mem);
        return false;
    }
    EmptyClipboard();
    // Once the clipboard has taken the memory it is the clipboard's.
    const bool taken = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    if (!taken) {
        GlobalFree(mem);
    }
    CloseClipboard();
    return taken;
}

void Win32Backend::pumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

Rect Win32Backend::primaryWorkingArea() {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

} // namespace vexo::toolkit::win32
