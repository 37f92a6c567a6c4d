// vexo-driver.exe: drives the product's windows from outside, for the Wine
// end-to-end suites. Every control of the product is a real window carrying
// its text, so the driver finds windows and controls by their text alone.
//
//   wait-window TITLE [MS]          wait until a visible top-level window has that title
//   wait-gone TITLE [MS]            wait until no visible top-level window has that title
//   window-rect TITLE               "x y width height clientX clientY clientWidth
//                                   clientHeight", all in screen pixels
//   texts TITLE                     one line per visible control: class, rect, text
//   strays TITLE                    one line per other visible top-level window of
//                                   the same process: class, rect, text
//   wait-text TITLE TEXT [MS]       wait for a visible control with exactly that text;
//                                   prints "class x y width height" (client coordinates)
//   wait-text-containing TITLE TEXT [MS]
//                                   the same for a control whose text holds TEXT
//                                   anywhere (a status line that also counts)
//   click TITLE TEXT                click the visible control with exactly that text;
//                                   prints "done", or "pending" while its handler waits
//   click-containing TITLE TEXT     the same for a control whose text holds TEXT (a
//                                   button of two lines, found by one of them)
//   type TITLE TEXT [INDEX]         put TEXT into the first visible edit box (or the
//                                   INDEX-th, 0 the first, in creation order), as if
//                                   typed and then left
//   close TITLE                     ask the window to close (WM_CLOSE)
//   answer-box CAPTION BUTTON [MS]  wait for a message box, print "icon=... owner=..."
//                                   and its text, then press the button with that text
//   rows TITLE                      the row count of the first visible grid (list view)
//   tick-row TITLE ROW              click the tick box of that row (0 is the top) of
//                                   the first visible grid; prints "done" or "pending"
//   cells TITLE                     one line per row of the first visible grid, top to
//                                   bottom: "ticked", "clear" or "none" for the tick
//                                   box, then the text of every other column (every
//                                   column, after "none") in the grid's own column
//                                   order, separated by tabs
//   pick TITLE ITEM                 choose ITEM in the first visible drop-down list that
//                                   holds it, as the user does (its owner hears of it)
//   menu-choose TITLE INDEX [MS]    wait for the pop-up menu the window's program opened
//                                   and choose its entry INDEX (0 is the top) with the keys
//   edit-text TITLE                 the first visible multi-line text box: a line naming
//                                   its settings (multiline, readonly, vscroll, wrap, rtl),
//                                   then its whole text with the line ends it holds
//   select-row TITLE ROW            select that row of the first visible grid by its
//                                   keys; prints "done" or "pending"
//   save-as PATH [MS]               wait for a save dialog, print "title=... name=...
//                                   owner=..." (name: the proposed file name), enter PATH
//                                   and save
//   clipboard                       the text on the clipboard
//
// Every wait is bounded (MS, 10000 by default). Exit status: 0 done,
// 1 not found or timed out, 2 wrong use. Output is UTF-8.
//
// Pictures are taken from the X display (ImageMagick) with the rectangle
// window-rect gives: under Wine a copy from the screen's device context
// reads black for another process's windows.

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <commctrl.h>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultWaitMs = 10000;
constexpr DWORD kPollMs = 50;

// ---- output ---------------------------------------------------------------------

void Print(const std::wstring& line) {
    const std::wstring withEnd = line + L"\n";
    const int bytes = WideCharToMultiByte(
        CP_UTF8, 0, withEnd.data(), static_cast<int>(withEnd.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), static_cast<int>(withEnd.size()), utf8.data(),
                        bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
              &written, nullptr);
}

int Fail(const std::wstring& why, int status = 1) {
    const std::wstring line = L"vexo-driver: " + why + L"\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), bytes,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
              &written, nullptr);
    return status;
}

// ---- finding windows ------------------------------------------------------------

// Reads the stored text without sending a message, so a busy or hung
// target cannot block the driver.
std::wstring TextOf(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    const int length = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(0, length)));
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    return name;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindTopLevel(const std::wstring& title) {
    for (HWND hwnd : TopLevelWindows()) {
        if (IsWindowVisible(hwnd) && TextOf(hwnd) == title) {
            return hwnd;
        }
    }
    return nullptr;
}

// Every descendant, in creation order (EnumChildWindows walks the whole tree).
std::vector<HWND> Descendants(HWND top) {
    std::vector<HWND> found;
    EnumChildWindows(
        top,
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

enum class Match { Exactly, Containing };

HWND FindControl(HWND top, const std::wstring& text, Match match = Match::Exactly) {
    for (HWND hwnd : Descendants(top)) {
        if (!IsWindowVisible(hwnd)) {
            continue;
        }
        const std::wstring shown = TextOf(hwnd);
        if (match == Match::Exactly ? shown == text : shown.find(text) != std::wstring::npos) {
            return hwnd;
        }
    }
    return nullptr;
}

// Polls `probe` until it gives a window or the time is up.
template <typename Probe> HWND WaitFor(DWORD timeoutMs, Probe probe) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND hwnd = probe()) {
            return hwnd;
        }
        if (GetTickCount64() >= deadline) {
            return nullptr;
        }
        Sleep(kPollMs);
    }
}

// The control's rectangle in the client coordinates of its top-level window.
RECT ClientRectIn(HWND top, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    if (r.left > r.right) {
        std::swap(r.left, r.right); // a mirrored parent reports its corners swapped
    }
    return r;
}

std::wstring RectText(const RECT& r) {
    return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
           std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top);
}

DWORD WaitArgument(int argc, wchar_t** argv, int index) {
    if (argc <= index) {
        return kDefaultWaitMs;
    }
    return static_cast<DWORD>(std::wcstoul(argv[index], nullptr, 10));
}

// ---- clicking -------------------------------------------------------------------

// Sent, so that the click's handler has run when the driver returns and the
// next command sees its effect; bounded, because a handler that opens a
// message box only returns once someone answers it. Prints "done" or
// "pending" (the handler still runs, typically showing a box).
constexpr UINT kClickWaitMs = 5000;

void Click(HWND control) {
    DWORD_PTR ignored = 0;
    bool done = false;
    if (_wcsicmp(ClassOf(control).c_str(), L"Button") == 0) {
        done = SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, kClickWaitMs, &ignored);
    } else {
        RECT r{};
        GetClientRect(control, &r);
        const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
        done =
            SendMessageTimeoutW(control, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, kClickWaitMs,
                                &ignored) &&
            SendMessageTimeoutW(control, WM_LBUTTONUP, 0, at, SMTO_NORMAL, kClickWaitMs, &ignored);
    }
    Print(done ? L"done" : L"pending");
}

// ---- grids ----------------------------------------------------------------------

// The grid's list view answers questions about its rows through structures
// in its own process: they are written into that process's memory, asked
// about, and read back.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, SIZE_T size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ != nullptr) {
            at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (at_ != nullptr) {
            VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        }
        if (process_ != nullptr) {
            CloseHandle(process_);
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return at_ != nullptr; }
    LPARAM address() const { return reinterpret_cast<LPARAM>(at_); }
    bool Write(const void* data) {
        SIZE_T done = 0;
        return WriteProcessMemory(process_, at_, data, size_, &done) && done == size_;
    }
    bool Read(void* data) {
        SIZE_T done = 0;
        return ReadProcessMemory(process_, at_, data, size_, &done) && done == size_;
    }

private:
    SIZE_T size_;
    HANDLE process_ = nullptr;
    void* at_ = nullptr;
};

HWND FirstGrid(HWND top) {
    for (HWND hwnd : Descendants(top)) {
        if (IsWindowVisible(hwnd) && ClassOf(hwnd) == WC_LISTVIEWW) {
            return hwnd;
        }
    }
    return nullptr;
}

bool Ask(HWND list, UINT message, WPARAM w, RemoteBuffer& buffer, LRESULT* answer = nullptr) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list, message, w, buffer.address(), SMTO_NORMAL, kDefaultWaitMs,
                             &result)) {
        return false;
    }
    if (answer != nullptr) {
        *answer = static_cast<LRESULT>(result);
    }
    return true;
}

// Finds the row's tick box by asking the list view what lies under points
// along the middle of the row, then clicks it as a mouse would.
int TickRow(HWND list, int row) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    RemoteBuffer rect(list, sizeof(RECT));
    RemoteBuffer hit(list, sizeof(LVHITTESTINFO));
    LRESULT found = 0;
    if (!rect.ok() || !hit.ok() || !rect.Write(&bounds) ||
        !Ask(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), rect, &found) || !found ||
        !rect.Read(&bounds)) {
        return Fail(L"no row " + std::to_wstring(row) + L" in the grid");
    }
    const int y = (bounds.top + bounds.bottom) / 2;
    for (int x = bounds.left; x < bounds.right; x += 2) {
        LVHITTESTINFO info{};
        info.pt = {x, y};
        if (!hit.Write(&info) || !Ask(list, LVM_SUBITEMHITTEST, 0, hit) || !hit.Read(&info)) {
            return Fail(L"the grid does not answer");
        }
        if (info.iItem == row && (info.flags & LVHT_ONITEMSTATEICON) != 0) {
            const LPARAM at = MAKELPARAM(x, y);
            DWORD_PTR ignored = 0;
            const bool done =
                SendMessageTimeoutW(list, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, kClickWaitMs,
                                    &ignored) &&
                SendMessageTimeoutW(list, WM_LBUTTONUP, 0, at, SMTO_NORMAL, kClickWaitMs, &ignored);
            Print(done ? L"done" : L"pending");
            return 0;
        }
    }
    return Fail(L"row " + std::to_wstring(row) + L" shows no tick box");
}

// Reads every row back from the list view: the tick box from the row's
// state image (1 clear, 2 ticked), the other columns' texts as the list view
// shows them; without a tick box ("none") the first column's text too.
constexpr int kCellChars = 1024;

std::wstring TickName(UINT state) {
    switch ((state & LVIS_STATEIMAGEMASK) >> 12) {
    case 1:
        return L"clear";
    case 2:
        return L"ticked";
    default:
        return L"none";
    }
}

int Cells(HWND list) {
    DWORD_PTR rows = 0;
    DWORD_PTR columns = 0;
    if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kDefaultWaitMs, &rows) ||
        !SendMessageTimeoutW(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0, SMTO_NORMAL,
                             kDefaultWaitMs, &columns)) {
        return Fail(L"the grid does not answer");
    }
    struct Request {
        LVITEMW item;
        wchar_t text[kCellChars];
    };
    RemoteBuffer remote(list, sizeof(Request));
    if (!remote.ok()) {
        return Fail(L"the grid's process cannot be read");
    }
    auto* at = reinterpret_cast<Request*>(remote.address());
    for (int row = 0; row < static_cast<int>(rows); ++row) {
        std::wstring line;
        for (int column = 0; column < static_cast<int>(columns); ++column) {
            Request request{};
            request.item.mask = LVIF_TEXT | (column == 0 ? LVIF_STATE : 0);
            request.item.iItem = row;
            request.item.iSubItem = column;
            request.item.stateMask = LVIS_STATEIMAGEMASK;
            request.item.pszText = at->text;
            request.item.cchTextMax = kCellChars;
            if (!remote.Write(&request) || !Ask(list, LVM_GETITEMW, 0, remote) ||
                !remote.Read(&request)) {
                return Fail(L"the grid does not answer");
            }
            request.text[kCellChars - 1] = L'\0';
            if (column == 0) {
                // A grid without tick boxes shows its first column's text here.
                line = TickName(request.item.state);
                if (line == L"none") {
                    line += L"\t" + std::wstring(request.text);
                }
            } else {
                line += L"\t" + std::wstring(request.text);
            }
        }
        Print(line);
    }
    return 0;
}

// ---- drop-down lists ------------------------------------------------------------

// The list that holds the entry is found by asking each (the string is
// carried between processes), then the entry is chosen and the owner told,
// as a choice with the mouse does.
int Pick(HWND top, const std::wstring& item) {
    for (HWND combo : Descendants(top)) {
        if (!IsWindowVisible(combo) || _wcsicmp(ClassOf(combo).c_str(), L"ComboBox") != 0) {
            continue;
        }
        DWORD_PTR at = 0;
        if (!SendMessageTimeoutW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(item.c_str()), SMTO_NORMAL,
                                 kDefaultWaitMs, &at) ||
            static_cast<LRESULT>(at) == CB_ERR) {
            continue;
        }
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(combo, CB_SETCURSEL, at, 0, SMTO_NORMAL, kDefaultWaitMs, &ignored);
        const WPARAM change = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(combo)), CBN_SELCHANGE);
        SendMessageTimeoutW(GetParent(combo), WM_COMMAND, change, reinterpret_cast<LPARAM>(combo),
                            SMTO_NORMAL, kClickWaitMs, &ignored);
        Print(L"done");
        return 0;
    }
    return Fail(L"no drop-down list holds \"" + item + L"\"");
}

// ---- rows, the save dialog and the clipboard ------------------------------------

// Selects the row as the keyboard would: Home, then Down once per row. (A
// click sent from outside leaves the list view waiting in its own drag
// detection under Wine.)
int SelectRow(HWND list, int row) {
    DWORD_PTR ignored = 0;
    bool done =
        SendMessageTimeoutW(list, WM_KEYDOWN, VK_HOME, 0, SMTO_NORMAL, kClickWaitMs, &ignored) != 0;
    for (int i = 0; done && i < row; ++i) {
        done = SendMessageTimeoutW(list, WM_KEYDOWN, VK_DOWN, 0, SMTO_NORMAL, kClickWaitMs,
                                   &ignored) != 0;
    }
    Print(done ? L"done" : L"pending");
    return 0;
}

// The file name box of the common save dialog: the edit inside the combo box
// with id 0x047C (Explorer style), or the edit with id 0x0480.
HWND FileNameBox(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, 0x047C)) {
        for (HWND hwnd : Descendants(combo)) {
            if (_wcsicmp(ClassOf(hwnd).c_str(), L"Edit") == 0) {
                return hwnd;
            }
        }
    }
    return GetDlgItem(dialog, 0x0480);
}

int SaveAs(const std::wstring& path, DWORD timeoutMs) {
    HWND dialog = WaitFor(timeoutMs, []() -> HWND {
        for (HWND hwnd : TopLevelWindows()) {
            if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && FileNameBox(hwnd)) {
                return hwnd;
            }
        }
        return nullptr;
    });
    if (dialog == nullptr) {
        return Fail(L"no save dialog");
    }
    HWND name = FileNameBox(dialog);
    // An edit box's text lives in the box, not in the window: it is asked for.
    std::wstring proposed(1024, L'\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutW(name, WM_GETTEXT, proposed.size(),
                        reinterpret_cast<LPARAM>(proposed.data()), SMTO_NORMAL, kDefaultWaitMs,
                        &length);
    proposed.resize(std::min<size_t>(length, proposed.size()));
    Print(L"title=" + TextOf(dialog) + L" name=" + proposed +
          (GetWindow(dialog, GW_OWNER) != nullptr ? L" owner=window" : L" owner=none"));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL,
                        kDefaultWaitMs, &ignored);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return 0;
}

int Clipboard() {
    if (!OpenClipboard(nullptr)) {
        return Fail(L"the clipboard cannot be opened");
    }
    std::wstring text;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    Print(text);
    return 0;
}

// ---- pop-up menus ---------------------------------------------------------------

// The menu's own loop reads the keys of its thread: the arrow down to the
// entry, then Enter, as the user presses them.
int ChooseMenuEntry(HWND top, int index, DWORD waitMs) {
    DWORD process = 0;
    GetWindowThreadProcessId(top, &process);
    HWND menu = WaitFor(waitMs, [&]() -> HWND {
        for (HWND hwnd : TopLevelWindows()) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == process && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") {
                return hwnd;
            }
        }
        return nullptr;
    });
    if (menu == nullptr) {
        return Fail(L"no pop-up menu open");
    }
    for (int i = 0; i <= index; ++i) {
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    Print(L"done");
    return 0;
}

// ---- text boxes -----------------------------------------------------------------

// WM_GETTEXT is carried between processes, so the box's own text (not the
// window caption GetWindowText reads for another process) comes back whole.
int PrintEditText(HWND top) {
    for (HWND hwnd : Descendants(top)) {
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        if (!IsWindowVisible(hwnd) || _wcsicmp(ClassOf(hwnd).c_str(), L"Edit") != 0 ||
            (style & ES_MULTILINE) == 0) {
            continue;
        }
        const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
        std::wstring settings = L"multiline";
        settings += (style & ES_READONLY) != 0 ? L" readonly" : L"";
        settings += (style & WS_VSCROLL) != 0 ? L" vscroll" : L"";
        settings += (style & (ES_AUTOHSCROLL | WS_HSCROLL)) == 0 ? L" wrap" : L"";
        settings += (exStyle & WS_EX_RTLREADING) != 0 ? L" rtl" : L"";
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kDefaultWaitMs,
                                 &length)) {
            return Fail(L"the text box does not answer");
        }
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                 reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                                 kDefaultWaitMs, &copied)) {
            return Fail(L"the text box does not give its text");
        }
        text.resize(static_cast<size_t>(copied));
        Print(settings);
        Print(text);
        return 0;
    }
    return Fail(L"no multi-line text box in the window");
}

// ---- message boxes --------------------------------------------------------------

// A message box's text sits in the static control with id 0xFFFF; its icon
// in a static control with id 0x0440.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 0x0440;

// Another process's icon handle cannot be read here, so the icon is told by
// what the screen shows: each standard icon is drawn on the box's own
// background and compared with the pixels of the icon control.
std::vector<COLORREF> Pixels(HDC source, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            pixels.push_back(GetPixel(memory, column, row));
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

std::vector<COLORREF> Drawn(HICON icon, COLORREF background, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels = Pixels(memory, 0, 0, width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::wstring IconName(HWND box) {
    HWND iconControl = GetDlgItem(box, kBoxIconId);
    // Wine keeps the icon control of a box without icon on show, holding none
    // (an icon's handle means the same in every process).
    DWORD_PTR held = 0;
    if (iconControl == nullptr || !IsWindowVisible(iconControl) ||
        (SendMessageTimeoutW(iconControl, STM_GETICON, 0, 0, SMTO_NORMAL, kDefaultWaitMs, &held) &&
         held == 0)) {
        return L"none";
    }
    RECT r{};
    GetWindowRect(iconControl, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    const std::vector<COLORREF> shown = Pixels(screen, r.left, r.top, width, height);
    ReleaseDC(nullptr, screen);
    if (shown.empty()) {
        return L"other";
    }

    struct Known {
        LPCWSTR id;
        const wchar_t* name;
    };
    const Known known[] = {{IDI_ERROR, L"error"},
                           {IDI_WARNING, L"warning"},
                           {IDI_INFORMATION, L"information"},
                           {IDI_QUESTION, L"question"}};
    for (const Known& k : known) {
        const std::vector<COLORREF> drawn =
            Drawn(LoadIconW(nullptr, k.id), shown.front(), width, height);
        size_t same = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            same += shown[i] == drawn[i] ? 1 : 0;
        }
        if (same * 100 >= shown.size() * 95) {
            return k.name;
        }
    }
    return L"other";
}

// Button texts may carry an accelerator mark ("&Yes").
std::wstring WithoutMnemonic(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    return text;
}

int AnswerBox(const std::wstring& caption, const std::wstring& button, DWORD timeoutMs) {
    HWND box = WaitFor(timeoutMs, [&]() -> HWND {
        for (HWND hwnd : TopLevelWindows()) {
            if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && TextOf(hwnd) == caption) {
                return hwnd;
            }
        }
        return nullptr;
    });
    if (box == nullptr) {
        return Fail(L"no message box \"" + caption + L"\"");
    }
    RedrawWindow(box, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Print(L"icon=" + IconName(box) +
          (GetWindow(box, GW_OWNER) != nullptr ? L" owner=window" : L" owner=none"));
    HWND text = GetDlgItem(box, kBoxTextId);
    Print(text != nullptr ? TextOf(text) : std::wstring());
    for (HWND hwnd : Descendants(box)) {
        if (_wcsicmp(ClassOf(hwnd).c_str(), L"Button") == 0 &&
            WithoutMnemonic(TextOf(hwnd)) == button) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
            return 0;
        }
    }
    return Fail(L"the message box has no button \"" + button + L"\"");
}

// ---- commands -------------------------------------------------------------------

int Usage() {
    return Fail(L"usage: vexo-driver wait-window|wait-gone|window-rect|texts|strays|wait-text|"
                L"wait-text-containing|click|click-containing|type|close|answer-box|rows|"
                L"tick-row|cells|pick|menu-choose|edit-text|select-row|save-as|clipboard "
                L"ARGS...",
                2);
}

int Run(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"clipboard") {
        return Clipboard();
    }
    if (argc < 3) {
        return Usage();
    }
    const std::wstring command = argv[1];
    const std::wstring title = argv[2];

    if (command == L"wait-window") {
        HWND top = WaitFor(WaitArgument(argc, argv, 3), [&] { return FindTopLevel(title); });
        return top != nullptr ? 0 : Fail(L"no window \"" + title + L"\"");
    }
    if (command == L"wait-gone") {
        const HWND gone = reinterpret_cast<HWND>(1);
        HWND result = WaitFor(WaitArgument(argc, argv, 3),
                              [&] { return FindTopLevel(title) == nullptr ? gone : nullptr; });
        return result != nullptr ? 0 : Fail(L"the window \"" + title + L"\" is still there");
    }
    if (command == L"save-as") {
        return SaveAs(title, WaitArgument(argc, argv, 3));
    }
    if (command == L"answer-box") {
        if (argc < 4) {
            return Usage();
        }
        return AnswerBox(title, argv[3], WaitArgument(argc, argv, 4));
    }

    HWND top = FindTopLevel(title);
    if (top == nullptr) {
        return Fail(L"no window \"" + title + L"\"");
    }
    if (command == L"window-rect") {
        RECT outer{};
        RECT client{};
        GetWindowRect(top, &outer);
        GetClientRect(top, &client);
        MapWindowPoints(top, nullptr, reinterpret_cast<POINT*>(&client), 2);
        Print(RectText(outer) + L" " + RectText(client));
        return 0;
    }
    if (command == L"texts") {
        for (HWND hwnd : Descendants(top)) {
            if (IsWindowVisible(hwnd)) {
                Print(ClassOf(hwnd) + L"\t" + RectText(ClientRectIn(top, hwnd)) + L"\t" +
                      TextOf(hwnd));
            }
        }
        return 0;
    }
    if (command == L"edit-text") {
        return PrintEditText(top);
    }
    if (command == L"strays") {
        DWORD process = 0;
        GetWindowThreadProcessId(top, &process);
        for (HWND hwnd : TopLevelWindows()) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (hwnd != top && owner == process && IsWindowVisible(hwnd)) {
                RECT r{};
                GetWindowRect(hwnd, &r);
                Print(ClassOf(hwnd) + L"\t" + RectText(r) + L"\t" + TextOf(hwnd));
            }
        }
        return 0;
    }
    if (command == L"rows") {
        HWND list = FirstGrid(top);
        if (list == nullptr) {
            return Fail(L"no grid in \"" + title + L"\"");
        }
        DWORD_PTR count = 0;
        if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kDefaultWaitMs,
                                 &count)) {
            return Fail(L"the grid does not answer");
        }
        Print(std::to_wstring(count));
        return 0;
    }
    if (command == L"cells") {
        HWND list = FirstGrid(top);
        return list != nullptr ? Cells(list) : Fail(L"no grid in \"" + title + L"\"");
    }
    if (command == L"close") {
        PostMessageW(top, WM_CLOSE, 0, 0);
        return 0;
    }
    if (argc < 4) {
        return Usage();
    }
    const std::wstring operand = argv[3];
    if (command == L"wait-text" || command == L"wait-text-containing") {
        const Match match = command == L"wait-text" ? Match::Exactly : Match::Containing;
        HWND control =
            WaitFor(WaitArgument(argc, argv, 4), [&] { return FindControl(top, operand, match); });
        if (control == nullptr) {
            return Fail((match == Match::Exactly ? L"no control \"" : L"no control holding \"") +
                        operand + L"\" in \"" + title + L"\"");
        }
        Print(ClassOf(control) + L" " + RectText(ClientRectIn(top, control)));
        return 0;
    }
    if (command == L"tick-row") {
        HWND list = FirstGrid(top);
        if (list == nullptr) {
            return Fail(L"no grid in \"" + title + L"\"");
        }
        return TickRow(list, static_cast<int>(std::wcstol(operand.c_str(), nullptr, 10)));
    }
    if (command == L"menu-choose") {
        return ChooseMenuEntry(top, static_cast<int>(std::wcstol(operand.c_str(), nullptr, 10)),
                               WaitArgument(argc, argv, 4));
    }
    if (command == L"select-row") {
        HWND list = FirstGrid(top);
        if (list == nullptr) {
            return Fail(L"no grid in \"" + title + L"\"");
        }
        return SelectRow(list, static_cast<int>(std::wcstol(operand.c_str(), nullptr, 10)));
    }
    if (command == L"pick") {
        return Pick(top, operand);
    }
    if (command == L"click" || command == L"click-containing") {
        HWND control =
            FindControl(top, operand, command == L"click" ? Match::Exactly : Match::Containing);
        if (control == nullptr) {
            return Fail(L"no control \"" + operand + L"\" in \"" + title + L"\"");
        }
        Click(control);
        return 0;
    }
    if (command == L"type") {
        const int wanted = argc > 4 ? static_cast<int>(std::wcstol(argv[4], nullptr, 10)) : 0;
        HWND box = nullptr;
        int seen = 0;
        for (HWND hwnd : Descendants(top)) {
            if (IsWindowVisible(hwnd) && _wcsicmp(ClassOf(hwnd).c_str(), L"Edit") == 0 &&
                seen++ == wanted) {
                box = hwnd;
                break;
            }
        }
        if (box == nullptr) {
            return Fail(L"no edit box " + std::to_wstring(wanted) + L" in \"" + title + L"\"");
        }
        // The box tells its owner of the change as it would of typing; then
        // the owner hears that the focus left it (a numeric field takes its
        // value then).
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(operand.c_str()),
                                 SMTO_NORMAL, kClickWaitMs, &ignored)) {
            return Fail(L"the edit box does not answer");
        }
        const WPARAM left = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(box)), EN_KILLFOCUS);
        SendMessageTimeoutW(GetParent(box), WM_COMMAND, left, reinterpret_cast<LPARAM>(box),
                            SMTO_NORMAL, kClickWaitMs, &ignored);
        return 0;
    }
    return Usage();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    return Run(argc, argv);
}
