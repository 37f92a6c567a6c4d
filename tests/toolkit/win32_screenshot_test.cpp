// The real windows under Wine: a form holding every kind of control is shown,
// saved as a picture when VEXO_SCREENSHOT_DIR names a folder, and read back
// window by window to check that each stands where the layout engine put it
// and shows its text.

#include "base/utf.h"
#include "platform/win32/windows_api.h"
#include "toolkit/toolkit.h"
#include "toolkit/win32/gdiplus_api.h"
#include "toolkit/win32/win32_backend.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexo::toolkit {
namespace {

using win32::Win32Backend;

template <class Args> Args named(std::string text) {
    Args a;
    a.text = std::move(text);
    a.dock = Dock::Fill;
    return a;
}

void savePng(HWND hwnd, const std::wstring& path) {
    RECT r;
    GetClientRect(hwnd, &r);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, r.right, r.bottom, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(mem, old);
    {
        Gdiplus::Bitmap picture(bmp, nullptr);
        // The PNG encoder of GDI+.
        const CLSID png = {
            0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        EXPECT_EQ(picture.Save(path.c_str(), &png, nullptr), Gdiplus::Ok);
    }
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

std::wstring windowText(HWND h) {
    const int n = GetWindowTextLengthW(h);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(h, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return w;
}

// The grid's look as the product's palette sets it.
DataGrid::Look paletteLook() {
    DataGrid::Look look;
    look.platformHeaderStyle = false;
    look.headerHeight = 44;
    look.headerBack = Color::rgb(236, 243, 254);
    look.headerFore = Color::rgb(45, 79, 129);
    look.gridLines = Color::rgb(229, 236, 247);
    look.rowHeight = 40;
    look.alternatingRowBack = Color::rgb(246, 249, 254);
    look.selectionBack = Color::rgb(24, 93, 228);
    look.selectionFore = kWhite;
    look.border = false;
    return look;
}

GridColumn tickColumn(float fillWeight = 100) {
    GridColumn c;
    c.kind = ColumnKind::Tick;
    c.fillWeight = fillWeight;
    return c;
}

GridColumn textColumn(std::string header) {
    GridColumn c;
    c.header = std::move(header);
    return c;
}

// A right-to-left window (600 px wide unless asked) holding one grid; a test
// adds its rows, then shows it in the palette's look.
struct GridWindow {
    GridWindow(int height, std::vector<GridColumn> columns,
               DataGridArgs args = named<DataGridArgs>(""), int width = 600)
        : form(app, formArgs(width, height)) {
        args.columns = std::move(columns);
        grid = form.add<DataGrid>(args);
    }
    void show() {
        grid->setLook(paletteLook());
        form.show();
        app.pumpPending();
    }
    HWND list() const { return Win32Backend::windowOf(*grid); }

    static FormArgs formArgs(int width, int height) {
        FormArgs fa;
        fa.text = "VEXO";
        fa.size = Size{width, height};
        fa.rightToLeft = true;
        return fa;
    }

    Application app{std::make_unique<Win32Backend>()};
    Form form;
    DataGrid* grid = nullptr;
};

TEST(Win32Toolkit, EveryControlKindStandsWhereTheLayoutPutsItWithItsText) {
    Application app(std::make_unique<Win32Backend>());
    FormArgs fa;
    fa.text = "VEXO SOLVANE | إدارة الجهاز — v23";
    fa.size = Size{900, 580};
    fa.rightToLeft = true;
    fa.font = Font{"Segoe UI", 10, false};
    fa.foreColor = Color::rgb(23, 58, 108);
    fa.backColor = Color::rgb(242, 246, 252);
    Form form(app, fa);

    TableLayoutArgs ta;
    ta.dock = Dock::Fill;
    ta.margin = Spacing{};
    ta.padding = Spacing{20, 8, 20, 16};
    ta.columns = {Track::percent(56), Track::percent(44)};
    ta.rows = {Track::pixels(44), Track::pixels(48), Track::pixels(48), Track::percent(100),
               Track::pixels(72)};
    auto* table = form.add<TableLayout>(ta);

    LabelArgs heading = named<LabelArgs>("تحكّم أذكى. مساحة أوسع.");
    heading.font = Font{"Segoe UI", 16, true};
    auto* title = table->add<Label>(heading);
    title->setCell({0, 0, 2, 1});

    TextBoxArgs search = named<TextBoxArgs>("بحث عن ملف");
    table->addAt<TextBox>(0, 1, search);
    ListArgs combo = named<ListArgs>("");
    combo.items = {"الأكبر أولاً", "الأحدث أولاً"};
    combo.selectedIndex = 0;
    table->addAt<ComboBox>(1, 1, combo);

    FlowLayoutArgs fl;
    fl.direction = FlowDirection::RightToLeft;
    fl.dock = Dock::Fill;
    auto* bar = table->addAt<FlowLayout>(0, 2, fl);
    ButtonArgs ba;
    ba.text = "حذف المحدد";
    ba.size = Size{152, 38};
    ba.borderColor = Color::rgb(214, 226, 244);
    ba.hoverColor = Color::rgb(232, 242, 255);
    ba.pressedColor = Color::rgb(212, 230, 255);
    ba.backColor = kWhite;
    auto* remove = bar->add<Button>(ba);
    remove->setRegion(roundedRectPath(remove->size(), 10));
    CheckBoxArgs ca;
    ca.text = "تحديد الكل";
    ca.size = Size{120, 30};
    bar->add<CheckBox>(ca);
    NumericUpDownArgs na;
    na.size = Size{80, 26};
    na.value = 250;
    na.maximum = 1000;
    table->addAt<NumericUpDown>(1, 2, na);

    DataGridArgs ga;
    ga.dock = Dock::Fill;
    GridColumn pick;
    pick.name = "Pick";
    pick.kind = ColumnKind::Tick;
    pick.fillWeight = 18;
    GridColumn name;
    name.name = "Name";
    name.header = "الاسم";
    GridColumn mb;
    mb.name = "MB";
    mb.header = "الحجم MB";
    mb.kind = ColumnKind::Number;
    mb.fillWeight = 40;
    mb.sortable = true;
    ga.columns = {pick, name, mb};
    ga.backColor = kWhite;
    auto* grid = table->addAt<DataGrid>(0, 3, ga);
    grid->addRow({true, std::string("تقرير سنوي.pdf"), 12.5});
    grid->addRow({false, std::string("صورة العائلة.jpg"), 3.0});
    grid->addRow({false, std::string("ملاحظات.txt"), 0.5});
    grid->setLook(paletteLook());
    grid->sortBy(2, false);
    grid->selectRow(1);
    ListArgs la = named<ListArgs>("");
    la.items = {"C:\\Users\\سارة\\Downloads\\ملف طويل جدا جدا جدا جدا جدا جدا.zip", "D:\\"};
    table->addAt<ListBox>(1, 3, la);

    auto* meter = table->addAt<DrawnControl>(0, 4, named<ControlArgs>(""));
    meter->onPaint = [](PaintEvent& e) {
        e.canvas->fillLinearGradient(e.clientArea, e.clientArea, Color::rgb(231, 241, 255), kWhite,
                                     15);
        e.canvas->fillEllipse({-40, -40, 120, 120}, Color::argb(25, 24, 93, 228));
        e.canvas->drawArc({10, 8, 50, 50}, -90, 360, Color::rgb(230, 237, 248), 10, false);
        e.canvas->drawArc({10, 8, 50, 50}, -90, 250, Color::rgb(24, 93, 228), 10, true);
        TextStyle ts;
        ts.font = Font{"Segoe UI", 12, true};
        ts.color = Color::rgb(23, 58, 108);
        ts.align = HAlign::Right;
        ts.verticalAlign = VAlign::Middle;
        ts.rightToLeft = true;
        e.canvas->drawText("المستخدم: 69%", {70, 0, e.clientArea.width - 80, e.clientArea.height},
                           ts);
    };
    LabelArgs note = named<LabelArgs>("متاح 120.5 GB");
    table->addAt<Label>(1, 4, note);

    form.show();
    HWND top = Win32Backend::windowOf(form);
    ASSERT_NE(top, nullptr);
    for (int i = 0; i < 5; ++i) {
        app.pumpPending();
        UpdateWindow(top);
    }
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    app.pumpPending();

    if (const char* dir = std::getenv("VEXO_SCREENSHOT_DIR"); dir && *dir) {
        savePng(top, base::Widen(dir) + L"\\toolkit.png");
    }

    // Every control's window: where the layout says, with the text it shows.
    int checked = 0;
    std::function<void(Control&)> walk = [&](Control& c) {
        for (const auto& child : c.children()) {
            Control& ctl = *child;
            HWND h = Win32Backend::windowOf(ctl);
            ASSERT_NE(h, nullptr) << ctl.text();
            RECT wr;
            GetWindowRect(h, &wr);
            MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&wr), 2);
            Rect expected = ctl.boundsInForm();
            // A closed drop-down list keeps the platform's own height.
            if (ctl.kind() == Kind::ComboBox) {
                expected.height = wr.bottom - wr.top;
            }
            EXPECT_EQ((Rect{wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top}), expected)
                << "control \"" << ctl.text() << "\" of kind " << static_cast<int>(ctl.kind());
            if (ctl.kind() != Kind::ComboBox && ctl.kind() != Kind::ListBox &&
                ctl.kind() != Kind::DataGrid) {
                EXPECT_EQ(windowText(h), base::Widen(ctl.text())) << ctl.text();
            }
            ++checked;
            walk(ctl);
        }
    };
    walk(form);
    EXPECT_EQ(checked, 12);
    EXPECT_EQ(windowText(top), base::Widen(fa.text));

    // The grid shows its rows through the virtual list.
    HWND list = Win32Backend::windowOf(*grid);
    EXPECT_EQ(SendMessageW(list, 0x1004 /* LVM_GETITEMCOUNT */, 0, 0), 3);
}

// A right-to-left grid in the palette's look: its own header at the height it
// asks for with the tick column at the right, rows at theirs; a click on a
// sortable caption sorts, again the other way, one on another caption does not.
TEST(Win32Toolkit, GridHeaderHasItsHeightAndSortsOnAClick) {
    GridColumn mb = textColumn("الحجم MB");
    mb.kind = ColumnKind::Number;
    mb.sortable = true;
    GridWindow window(400, {tickColumn(20), textColumn("الاسم"), mb});
    DataGrid* grid = window.grid;
    grid->addRow({false, std::string("ب"), std::int64_t{2}});
    grid->addRow({false, std::string("أ"), std::int64_t{1}});
    grid->addRow({false, std::string("ج"), std::int64_t{3}});
    window.show();

    HWND list = window.list();
    HWND header = ListView_GetHeader(list);
    ASSERT_NE(header, nullptr);
    RECT hr;
    GetWindowRect(header, &hr);
    EXPECT_EQ(hr.bottom - hr.top, 44);
    RECT row{};
    ASSERT_TRUE(ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS));
    EXPECT_EQ(row.bottom - row.top, 40);
    EXPECT_GE(row.top, 44) << "the first row starts under the header";
    RECT tick{};
    RECT size{};
    Header_GetItemRect(header, 0, &tick);
    Header_GetItemRect(header, 2, &size);
    EXPECT_GT(tick.left, size.left) << "the tick column stands at the right";

    auto clickCaption = [&](int column) {
        RECT r{};
        Header_GetItemRect(header, column, &r);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
        window.app.pumpPending();
    };
    auto names = [&] {
        std::string out;
        for (int r = 0; r < grid->rowCount(); ++r) {
            out += grid->cellText(r, 1);
        }
        return out;
    };
    clickCaption(2);
    EXPECT_EQ(grid->sortColumn(), 2);
    EXPECT_TRUE(grid->sortAscending());
    EXPECT_EQ(names(), "أبج");
    clickCaption(2);
    EXPECT_FALSE(grid->sortAscending());
    EXPECT_EQ(names(), "جبأ");
    clickCaption(1); // not sortable
    EXPECT_EQ(grid->sortColumn(), 2);
    EXPECT_EQ(names(), "جبأ");
}

// The palette's colours reach the screen: the header's background, the
// alternating row, and the selection over the whole row or, when the grid
// selects cells, over the current cell only.
TEST(Win32Toolkit, GridPaintsItsSelectionOverTheRowOrTheCurrentCell) {
    struct Case {
        bool fullRowSelect;
        bool otherCellSelected;
    };
    for (const Case& c : {Case{true, true}, Case{false, false}}) {
        SCOPED_TRACE(c.fullRowSelect ? "whole rows" : "cells");
        DataGridArgs ga = named<DataGridArgs>("");
        ga.fullRowSelect = c.fullRowSelect;
        ga.backColor = kWhite;
        GridWindow window(300, {tickColumn(), textColumn("الاسم"), textColumn("الاسم")}, ga);
        DataGrid* grid = window.grid;
        for (int i = 0; i < 3; ++i) {
            grid->addRow({false, std::string("أ"), std::string("ب")});
        }
        window.show();
        grid->userSelect(2, false, 1);
        window.app.pumpPending();
        HWND list = window.list();
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

        // A point near the cell's left edge: the text stands at its right.
        auto colourAt = [&](int item, int column) {
            RECT cell{};
            ListView_GetSubItemRect(list, item, column, LVIR_BOUNDS, &cell);
            HDC dc = GetDC(list);
            const COLORREF got = GetPixel(dc, cell.left + 3, (cell.top + cell.bottom) / 2);
            ReleaseDC(list, dc);
            return got;
        };
        const COLORREF blue = RGB(24, 93, 228);
        EXPECT_EQ(colourAt(2, 1), blue);
        EXPECT_EQ(colourAt(2, 2) == blue, c.otherCellSelected);
        EXPECT_EQ(colourAt(1, 1), RGB(246, 249, 254)) << "the alternating row";
        EXPECT_EQ(colourAt(0, 1), RGB(255, 255, 255));
        HWND header = ListView_GetHeader(list);
        HDC dc = GetDC(header);
        EXPECT_EQ(GetPixel(dc, 3, 3), RGB(236, 243, 254)) << "the header";
        ReleaseDC(header, dc);
    }
}

// A text cell the user may change opens a box over itself (F2 or a double
// click); what is typed is the grid's pending edit; Enter commits it through
// the grid, Escape drops it. Read-only cells open nothing.
TEST(Win32Toolkit, GridTextCellsEditInABoxCommittedThroughTheGrid) {
    struct Case {
        const char* what;
        bool byDoubleClick;
        int column;
        WPARAM closeKey;
        bool opens;
        const char* after;
    };
    const Case cases[] = {
        {"F2, Enter", false, 1, VK_RETURN, true, "جديد"},
        {"double click, Enter", true, 1, VK_RETURN, true, "جديد"},
        {"F2, Escape", false, 1, VK_ESCAPE, true, "قديم"},
        {"read-only column", false, 2, VK_RETURN, false, "قديم"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GridColumn where = textColumn("المكان");
        where.readOnly = true;
        GridWindow window(300, {tickColumn(), textColumn("الاسم"), where});
        DataGrid* grid = window.grid;
        grid->addRow({false, std::string("قديم"), std::string("قديم")});
        int committed = 0;
        grid->onCellValueChanged = [&](Event&) { ++committed; };
        window.show();

        HWND list = window.list();
        if (c.byDoubleClick) {
            RECT cell{};
            ListView_GetSubItemRect(list, 0, c.column, LVIR_BOUNDS, &cell);
            const LPARAM at =
                MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
            SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            SendMessageW(list, WM_LBUTTONUP, 0, at);
        } else {
            grid->setCurrentCell({0, c.column});
            SendMessageW(list, WM_KEYDOWN, VK_F2, 0);
        }
        HWND box = FindWindowExW(list, nullptr, L"EDIT", nullptr);
        ASSERT_EQ(box != nullptr, c.opens);
        if (box) {
            EXPECT_EQ(windowText(box), L"قديم");
            SetWindowTextW(box, L"جديد");
            EXPECT_TRUE(grid->hasPendingEdit());
            SendMessageW(box, WM_KEYDOWN, c.closeKey, 0);
            EXPECT_FALSE(IsWindow(box));
        }
        window.app.pumpPending();
        EXPECT_FALSE(grid->hasPendingEdit());
        EXPECT_EQ(grid->cellText(0, c.column), c.after);
        EXPECT_EQ(committed, c.after == std::string("جديد") ? 1 : 0);
    }
}

// The list's keys reach the grid: its current row moves, the list's own
// focus follows it into view, and Space ticks the row.
TEST(Win32Toolkit, GridKeysMoveItsCurrentRowAndTheListFollows) {
    GridWindow window(200, {tickColumn(), textColumn("الاسم")});
    DataGrid* grid = window.grid;
    for (int i = 0; i < 40; ++i) {
        grid->addRow({false, std::to_string(i)});
    }
    window.show();
    HWND list = window.list();
    auto focused = [&] { return ListView_GetNextItem(list, -1, LVNI_FOCUSED); };

    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(grid->selectedRows(), std::set<int>{0}) << "from no row, the first";
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(grid->selectedRows(), std::set<int>{1});
    EXPECT_EQ(focused(), 1);
    SendMessageW(list, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(grid->selectedRows(), std::set<int>{39});
    EXPECT_EQ(focused(), 39);
    const int top = ListView_GetTopIndex(list);
    EXPECT_LE(top, 39);
    EXPECT_GT(top + ListView_GetCountPerPage(list), 39) << "the last row in view";
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(grid->tickedRows(), std::vector<int>{39});
}

// The tick box stands in the middle of its cell, on the row's own colour,
// and a click in the middle of the cell ticks the row.
TEST(Win32Toolkit, GridTickBoxStandsInTheMiddleOfItsCell) {
    DataGridArgs ga = named<DataGridArgs>("");
    ga.backColor = kWhite;
    GridWindow window(250, {tickColumn(18), textColumn("الاسم")}, ga);
    DataGrid* grid = window.grid;
    grid->addRow({false, std::string("أ")});
    grid->addRow({true, std::string("ب")});
    window.show();
    HWND list = window.list();
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // The row's height from the list, the column's place from the header (the
    // first column's own rectangle is the whole row's).
    auto tickCell = [&](int item) {
        RECT row{}, column{};
        ListView_GetItemRect(list, item, &row, LVIR_BOUNDS);
        Header_GetItemRect(ListView_GetHeader(list), 0, &column);
        return RECT{column.left, row.top, column.right, row.bottom};
    };

    for (int item : {0, 1}) {
        SCOPED_TRACE(item == 0 ? "clear" : "ticked");
        const RECT cell = tickCell(item);
        const int midX = (cell.left + cell.right) / 2;
        const int midY = (cell.top + cell.bottom) / 2;
        // The box's edges along the cell's middle lines, found by colour;
        // the cell's last column and row of pixels are grid lines.
        HDC dc = GetDC(list);
        const COLORREF ground = GetPixel(dc, cell.left + 2, midY);
        EXPECT_EQ(ground, item == 0 ? RGB(255, 255, 255) : RGB(246, 249, 254)) << "the row's own";
        int left = cell.right, right = -1, top = cell.bottom, bottom = -1;
        for (int x = cell.left; x < cell.right - 1; ++x) {
            if (GetPixel(dc, x, midY) != ground) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        for (int y = cell.top; y < cell.bottom - 1; ++y) {
            if (GetPixel(dc, midX, y) != ground) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        ReleaseDC(list, dc);
        ASSERT_GE(right, 0) << "no box in the cell";
        EXPECT_LE(std::abs((left + right) / 2 - midX), 2) << left << ".." << right;
        EXPECT_LE(std::abs((top + bottom) / 2 - midY), 2) << top << ".." << bottom;
        EXPECT_LT(right - left, 20) << "the box alone, not the ground";
    }

    // A selected row's colour reaches under its box too.
    grid->userSelect(1);
    window.app.pumpPending();
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    {
        const RECT cell = tickCell(1);
        HDC dc = GetDC(list);
        EXPECT_EQ(GetPixel(dc, cell.left + 2, (cell.top + cell.bottom) / 2), RGB(24, 93, 228));
        ReleaseDC(list, dc);
    }
    if (const char* dir = std::getenv("VEXO_SCREENSHOT_DIR")) {
        savePng(list, base::Widen(dir) + L"\\toolkit-ticks.png");
    }

    const RECT cell = tickCell(0);
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    window.app.pumpPending();
    EXPECT_EQ(grid->tickedRows(), (std::vector<int>{0, 1}));
}

TEST(Win32Toolkit, GridWithoutATickColumnShowsNoBoxes) {
    for (bool ticked : {false, true}) {
        SCOPED_TRACE(ticked ? "first column ticked" : "text only");
        std::vector<GridColumn> columns{textColumn("الاسم"), textColumn("المسار")};
        if (ticked) {
            columns.insert(columns.begin(), tickColumn(18));
        }
        GridWindow window(200, columns);
        window.grid->addRow(ticked
                                ? std::vector<CellValue>{false, std::string("أ"), std::string("ب")}
                                : std::vector<CellValue>{std::string("أ"), std::string("ب")});
        window.show();
        const DWORD ex = ListView_GetExtendedListViewStyle(window.list());
        EXPECT_EQ((ex & LVS_EX_CHECKBOXES) != 0, ticked);
    }
}

bool hasStyle(HWND h, LONG_PTR style) {
    return (GetWindowLongPtrW(h, GWL_STYLE) & style) == style;
}

// What a user measures is the whole window; a scrolling column shows its bar
// only when its content is taller than itself; a kept view taken out of its
// window waits out of sight, never on the desktop, until it is placed again.
TEST(Win32Toolkit, WindowSizeScrollBarAndKeptViewsStayInsideTheForm) {
    Application app(std::make_unique<Win32Backend>());
    FormArgs fa;
    fa.text = "VEXO";
    fa.size = Size{900, 580};
    fa.minimumSize = Size{900, 580};
    Form form(app, fa);
    TableLayoutArgs ta;
    ta.dock = Dock::Fill;
    ta.margin = Spacing{};
    ta.columns = {Track::fill(), Track::pixels(185)};
    auto* grid = form.add<TableLayout>(ta);
    PanelArgs pa = named<PanelArgs>("");
    pa.margin = Spacing{};
    auto* stage = grid->addAt<Panel>(0, 0, pa);
    FlowLayoutArgs fl = named<FlowLayoutArgs>("");
    fl.direction = FlowDirection::TopDown;
    fl.wrap = false;
    fl.autoScroll = true;
    auto* column = grid->addAt<FlowLayout>(1, 0, fl);
    ButtonArgs ba;
    ba.text = "الرئيسية";
    ba.size = Size{152, 43};
    column->add<Button>(ba);
    auto* view = stage->add<Label>(named<LabelArgs>("مساحة جهازك — أرقام فعلية"));
    form.show();
    app.pumpPending();

    HWND top = Win32Backend::windowOf(form);
    ASSERT_NE(top, nullptr);
    RECT window;
    GetWindowRect(top, &window);
    EXPECT_EQ((Size{window.right - window.left, window.bottom - window.top}), (Size{900, 580}));
    RECT client;
    GetClientRect(top, &client);
    EXPECT_EQ(grid->bounds(), (Rect{0, 0, client.right, client.bottom}));

    HWND columnWindow = Win32Backend::windowOf(*column);
    EXPECT_FALSE(hasStyle(columnWindow, WS_VSCROLL)) << "the content fits";
    for (int i = 0; i < 15; ++i) {
        column->add<Button>(ba);
    }
    EXPECT_TRUE(hasStyle(columnWindow, WS_VSCROLL)) << "the content overflows";

    HWND viewWindow = Win32Backend::windowOf(*view);
    std::unique_ptr<Control> kept = stage->release(view);
    app.pumpPending();
    EXPECT_FALSE(IsWindowVisible(viewWindow));
    EXPECT_TRUE(hasStyle(viewWindow, WS_CHILD));
    EXPECT_NE(GetAncestor(viewWindow, GA_ROOT), top);
    stage->adopt(std::move(kept));
    app.pumpPending();
    EXPECT_TRUE(IsWindowVisible(viewWindow));
    EXPECT_EQ(GetParent(viewWindow), Win32Backend::windowOf(*stage));
}

// A tip given to a control is registered with the tooltip window, and taken
// away with an empty text or with the control.
TEST(Win32Toolkit, TipsComeAndGoWithTheirControls) {
    auto backend = std::make_unique<Win32Backend>();
    Win32Backend& windows = *backend;
    Application app(std::move(backend));
    FormArgs fa;
    fa.text = "VEXO";
    fa.size = Size{600, 400};
    fa.rightToLeft = true;
    Form form(app, fa);
    ButtonArgs ba;
    ba.text = "تحديد الكل";
    ba.size = Size{120, 38};
    ba.tooltip = "يحدد كل الملفات المعروضة";
    auto* all = form.add<Button>(ba);
    auto* none = form.add<Label>(named<LabelArgs>("بلا تلميح"));
    form.show();

    HWND tips = windows.tooltipWindow();
    auto count = [&] { return SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0); };
    EXPECT_EQ(count(), 1);
    none->setTooltip("نص التلميح");
    EXPECT_EQ(count(), 2);
    all->setTooltip("");
    EXPECT_EQ(count(), 1);
    none->dispose();
    EXPECT_EQ(count(), 0);
}

// Windows shutting down or the user signing out asks the form through
// WM_QUERYENDSESSION; a form whose handler refuses answers FALSE, so the
// session waits for it, and the form stays open either way.
TEST(Win32Toolkit, EndOfTheSessionAsksTheFormWhichMayRefuse) {
    Application app(std::make_unique<Win32Backend>());
    FormArgs fa;
    fa.text = "VEXO";
    fa.size = Size{600, 400};
    Form form(app, fa);
    bool refuse = false;
    int asked = 0;
    form.onEndSessionQuery = [&](CloseEvent& e) {
        ++asked;
        e.cancel = refuse;
    };
    form.show();
    HWND top = Win32Backend::windowOf(form);
    ASSERT_NE(top, nullptr);

    struct Case {
        bool refuse;
        LPARAM why;
        LRESULT answer;
    } cases[] = {
        {true, 0, FALSE},                 // shutting down
        {true, ENDSESSION_LOGOFF, FALSE}, // signing out
        {false, 0, TRUE},
    };
    for (const Case& c : cases) {
        refuse = c.refuse;
        EXPECT_EQ(SendMessageW(top, WM_QUERYENDSESSION, 0, c.why), c.answer)
            << "refuse " << c.refuse << ", reason " << c.why;
        EXPECT_TRUE(IsWindow(top));
        EXPECT_TRUE(form.shown());
    }
    EXPECT_EQ(asked, 3);
}

// ---- what the windows tell the toolkit -------------------------------------------

// An error escaping a handler of a double click on a grid's cell reaches the
// application's error hook; the window procedure returns normally and the
// grid goes on working.
TEST(Win32Toolkit, GridDoubleClickHandlerErrorReachesTheErrorHook) {
    GridColumn where = textColumn("المكان");
    where.readOnly = true; // no edit box opens over it
    GridWindow window(300, {tickColumn(), where});
    DataGrid* grid = window.grid;
    grid->addRow({false, std::string("C:\\")});
    std::vector<std::string> errors;
    window.app.onError = [&](const ErrorReport& report) { errors.push_back(report.message); };
    grid->onCellDoubleClick = [](Event&) { throw std::runtime_error("لا يمكن فتح المجلد"); };
    window.show();

    HWND list = window.list();
    RECT cell{};
    ListView_GetSubItemRect(list, 0, 1, LVIR_BOUNDS, &cell);
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    window.app.pumpPending();

    EXPECT_EQ(errors, std::vector<std::string>{"لا يمكن فتح المجلد"});
    grid->setCurrentCell({0, 1});
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(grid->tickedRows(), std::vector<int>{0}) << "the grid still takes its keys";
}

// A key pressed in a form, in a panel of ours or in a system control reaches
// the form's handler with the Ctrl, Shift and Alt keys held at the time.
TEST(Win32Toolkit, KeyEventsCarryCtrlShiftAndAltFromEveryWindow) {
    Application app(std::make_unique<Win32Backend>());
    Form form(app, GridWindow::formArgs(600, 400));
    PanelArgs pa = named<PanelArgs>("");
    auto* panel = form.add<Panel>(pa);
    TextBoxArgs ta;
    ta.size = Size{200, 26};
    auto* search = panel->add<TextBox>(ta);
    std::vector<KeyEvent> seen;
    form.onKeyDown = [&](KeyEvent& e) {
        seen.push_back(e);
        e.didHandle = true;
    };
    form.show();
    app.pumpPending();

    struct Case {
        const char* where;
        Control* target;
        bool control;
        bool shift;
        bool alt;
    };
    const Case cases[] = {
        {"form, Ctrl", &form, true, false, false},
        {"panel, Ctrl", panel, true, false, false},
        {"panel, Ctrl+Shift", panel, true, true, false},
        {"text box, Ctrl", search, true, false, false},
        {"form, Alt", &form, false, false, true},
        {"form, none", &form, false, false, false},
    };
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        BYTE held[256];
        std::copy(std::begin(keys), std::end(keys), held);
        held[VK_CONTROL] = c.control ? 0x80 : 0;
        held[VK_SHIFT] = c.shift ? 0x80 : 0;
        held[VK_MENU] = c.alt ? 0x80 : 0;
        ASSERT_TRUE(SetKeyboardState(held));
        seen.clear();
        SendMessageW(Win32Backend::windowOf(*c.target), WM_KEYDOWN, 'F', 0);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].key, Key::F);
        EXPECT_EQ(seen[0].control, c.control);
        EXPECT_EQ(seen[0].shift, c.shift);
        EXPECT_EQ(seen[0].alt, c.alt);
    }
    SetKeyboardState(keys);
}

// Width-filling columns fit beside the vertical scroll bar when there are
// more rows than fit, and fill the whole width when there are not: no
// horizontal bar either way, and every caption (the tick column's at the
// right edge included) reads whole. Rows come before the grid shows, after
// it, and go again.
TEST(Win32Toolkit, GridColumnsFitBesideTheVerticalScrollBar) {
    struct Case {
        const char* what;
        int rowsBeforeShow;
        int rowsAfterShow;
        bool overflows;
    };
    const Case cases[] = {
        {"a few rows", 3, 3, false},
        {"a full page from the start", 250, 250, true},
        {"a full page once shown", 0, 250, true},
        {"a full page cut to a few", 250, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GridColumn pick = tickColumn(14);
        pick.header = "اختيار";
        GridColumn name = textColumn("الملف");
        name.fillWeight = 60;
        GridColumn mb = textColumn("الحجم MB");
        mb.kind = ColumnKind::Number;
        mb.fillWeight = 25;
        GridColumn path = textColumn("مكان الملف");
        path.fillWeight = 110;
        GridWindow window(500, {pick, name, mb, path}, named<DataGridArgs>(""), 1000);
        DataGrid* grid = window.grid;
        auto fillRows = [&](int count) {
            grid->suspendLayout();
            grid->clearRows();
            for (int i = 0; i < count; ++i) {
                grid->addRow({false, std::string("ملف ") + std::to_string(i), double(i),
                              std::string("C:\\Users\\سارة\\Documents")});
            }
            grid->resumeLayout();
        };
        fillRows(c.rowsBeforeShow);
        window.show();
        fillRows(c.rowsAfterShow);
        window.app.pumpPending();

        HWND list = window.list();
        EXPECT_EQ(hasStyle(list, WS_VSCROLL), c.overflows);
        EXPECT_FALSE(hasStyle(list, WS_HSCROLL));
        SCROLLBARINFO bar{};
        bar.cbSize = sizeof bar;
        if (GetScrollBarInfo(list, OBJID_HSCROLL, &bar)) {
            EXPECT_TRUE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "a horizontal bar shows";
        }

        RECT client;
        GetClientRect(list, &client);
        HWND header = ListView_GetHeader(list);
        HDC dc = GetDC(header);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
        int shared = 0;
        for (int i = 0; i < Header_GetItemCount(header); ++i) {
            RECT item{};
            ASSERT_TRUE(Header_GetItemRect(header, i, &item));
            const std::wstring caption =
                base::Widen(grid->columns()[static_cast<size_t>(i)].header);
            SIZE text{};
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
            EXPECT_GE(item.left, 0) << "column " << i;
            EXPECT_LE(item.right, client.right) << "column " << i << " cut at the edge";
            EXPECT_LE(text.cx + 16, item.right - item.left) << "caption of column " << i;
            shared += item.right - item.left;
        }
        SelectObject(dc, old);
        ReleaseDC(header, dc);
        EXPECT_EQ(shared, client.right) << "the columns fill the width beside the bar";
        if (const char* dir = std::getenv("VEXO_SCREENSHOT_DIR"); dir && *dir && c.overflows) {
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            savePng(list, base::Widen(dir) + L"\\toolkit-full-page.png");
        }
    }
}

} // namespace
} // namespace vexo::toolkit
