// Controls' own behaviour: the grid, value controls, timers, disposal and the
// error hook, on the in-memory backend.

#include "toolkit/headless/headless_app.h"
#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

namespace vexo::toolkit {
namespace {

using headless::HeadlessApp;

GridColumn column(std::string name, std::string header, ColumnKind kind, float weight = 100) {
    GridColumn c;
    c.name = std::move(name);
    c.header = std::move(header);
    c.kind = kind;
    c.fillWeight = weight;
    return c;
}

template <class Args> Args withText(std::string text) {
    Args a;
    a.text = std::move(text);
    return a;
}

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest() {
        FormArgs args;
        args.text = "main";
        args.size = Size{900, 580};
        args.rightToLeft = true;
        form = std::make_unique<Form>(ui.app(), args);
        form->show();
    }

    DataGrid& grid() {
        DataGridArgs args;
        args.dock = Dock::Fill;
        args.columns = {column("Pick", "", ColumnKind::Tick, 18),
                        column("Name", "الاسم", ColumnKind::Text, 100),
                        column("MB", "MB", ColumnKind::Number, 40)};
        args.columns[1].readOnly = args.columns[1].sortable = true;
        args.columns[2].readOnly = args.columns[2].sortable = true;
        args.columns[2].format = [](const CellValue& v) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.1f", std::get<double>(v));
            return std::string(buf);
        };
        return *form->add<DataGrid>(args);
    }

    HeadlessApp ui;
    std::unique_ptr<Form> form;
};

TEST_F(ControlsTest, GridShowsFormattedVisibleRowsAndTicks) {
    DataGrid& g = grid();
    g.addRow({false, std::string("b.txt"), 2.25}, 7);
    g.addRow({false, std::string("a.txt"), 10.0}, 8);
    g.addRow({false, std::string("c.txt"), 0.5}, 9);
    g.setRowHidden(2, true);

    EXPECT_EQ(HeadlessApp::gridRows(g),
              (std::vector<std::vector<std::string>>{{"False", "b.txt", "2.2"},
                                                     {"False", "a.txt", "10.0"}}));
    ui.tickRow(g, 1);
    EXPECT_EQ(g.tickedRows(), std::vector<int>{1});
    EXPECT_EQ(std::any_cast<int>(g.row(1).tag), 8);
    EXPECT_FALSE(g.userEdit(0, 1, std::string("x"))) << "read-only column";

    g.setReadOnly(true);
    EXPECT_FALSE(g.userTick(0));
}

TEST_F(ControlsTest, GridSortsOnlyChosenColumnsAndSelectionFollowsItsRow) {
    DataGrid& g = grid();
    g.addRow({false, std::string("b"), 2.0});
    g.addRow({false, std::string("a"), 10.0});
    g.addRow({false, std::string("c"), 0.5});
    ui.tickRow(g, 0);
    g.userSelect(0);

    g.userHeaderClick(2); // MB ascending
    EXPECT_EQ(g.cellText(0, 1), "c");
    EXPECT_EQ(g.cellText(2, 1), "a");
    EXPECT_EQ(g.selectedRows(), std::set<int>{1}) << "still the row of b";
    EXPECT_EQ(g.tickedRows(), std::vector<int>{1});
    g.userHeaderClick(2); // again: descending
    EXPECT_EQ(g.cellText(0, 1), "a");
    g.userHeaderClick(0); // the tick column is not sortable
    EXPECT_EQ(g.sortColumn(), 2);
}

// Taking a row out moves the rows below up; what the user had selected or
// was on stays on the same rows, and a selected row that goes is announced.
TEST_F(ControlsTest, GridRemovedRowTakesNothingElseWithIt) {
    DataGridArgs args;
    args.multiSelect = true;
    args.columns = {column("Pick", "", ColumnKind::Tick, 18),
                    column("Name", "الاسم", ColumnKind::Text, 100)};
    DataGrid& g = *form->add<DataGrid>(args);
    for (const char* name : {"a", "b", "c", "d"}) {
        g.addRow({false, std::string(name)});
    }
    int selectionEvents = 0;
    g.onSelectionChanged = [&](SelectionChangedEvent&) { ++selectionEvents; };
    ui.tickRow(g, 2);
    g.userSelect(1);
    g.userSelect(3, true);
    selectionEvents = 0;

    g.removeRow(0);
    EXPECT_EQ(g.cellText(0, 1), "b");
    EXPECT_EQ(g.selectedRows(), (std::set<int>{0, 2})) << "still b and d";
    EXPECT_EQ(g.tickedRows(), std::vector<int>{1}) << "still c";
    EXPECT_EQ(g.currentCell().row, 2) << "still d";
    EXPECT_EQ(selectionEvents, 0);

    g.removeRow(2); // d: selected and current
    EXPECT_EQ(g.selectedRows(), std::set<int>{0});
    EXPECT_EQ(g.currentCell().row, -1);
    EXPECT_EQ(selectionEvents, 1);

    g.removeRow(5); // no such row
    EXPECT_EQ(g.rowCount(), 2);
}

// A click on a cell makes it the current cell (what a cell-selecting grid
// paints); a Ctrl-click adds its row only where several rows may be chosen.
TEST_F(ControlsTest, GridClickMakesItsCellCurrentAndAddsOnlyWithMultipleSelection) {
    struct Case {
        bool multiSelect;
        std::set<int> afterCtrlClick;
    };
    for (const Case& c : {Case{false, {2}}, Case{true, {0, 2}}}) {
        SCOPED_TRACE(c.multiSelect ? "multiple" : "single");
        DataGridArgs args;
        args.columns = {column("Pick", "", ColumnKind::Tick),
                        column("Name", "الاسم", ColumnKind::Text),
                        column("Note", "ملاحظة", ColumnKind::Text)};
        args.multiSelect = c.multiSelect;
        args.fullRowSelect = false;
        auto* g = form->add<DataGrid>(args);
        for (int i = 0; i < 3; ++i) {
            g->addRow({false, std::string("a"), std::string("b")});
        }
        g->userSelect(0, false, 1);
        EXPECT_EQ(g->currentCell(), (GridCellRef{0, 1}));
        g->userSelect(2, true, 2);
        EXPECT_EQ(g->selectedRows(), c.afterCtrlClick);
        EXPECT_EQ(g->currentCell(), (GridCellRef{2, 2}));
        g->userSelect(2, false, 7); // no such column: the current one stays
        EXPECT_EQ(g->currentCell(), (GridCellRef{2, 2}));
        g->dispose();
    }
}

// The keys of a list move the current row among the rows on show, a page
// being the rows the grid's height holds; Space ticks the current row.
TEST_F(ControlsTest, GridKeysMoveTheCurrentRowAndSpaceTicksIt) {
    DataGridArgs args;
    args.columns = {column("Pick", "", ColumnKind::Tick), column("Name", "الاسم", ColumnKind::Text),
                    column("Note", "ملاحظة", ColumnKind::Text)};
    args.fullRowSelect = false;
    args.size = Size{400, 24 + 3 * 22 + 10}; // three rows to a page
    auto* g = form->add<DataGrid>(args);
    for (int i = 0; i < 10; ++i) {
        g->addRow({false, "r" + std::to_string(i), std::string()});
    }
    g->setRowHidden(3, true); // on show: 0 1 2 4 5 6 7 8 9

    struct Case {
        int from; // -1: no current row yet
        Key key;
        int to;
    };
    const Case cases[] = {
        {-1, Key::Down, 0},  {0, Key::Up, 0},       {2, Key::Down, 4},   {4, Key::Up, 2},
        {5, Key::Home, 0},   {0, Key::End, 9},      {9, Key::Down, 9},   {0, Key::PageDown, 4},
        {9, Key::PageUp, 6}, {8, Key::PageDown, 9}, {1, Key::PageUp, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " key " + std::to_string(static_cast<int>(c.key)));
        g->setCurrentCell({c.from, 2});
        EXPECT_TRUE(ui.pressKey(*g, c.key));
        EXPECT_EQ(g->selectedRows(), std::set<int>{c.to});
        if (c.from >= 0) {
            EXPECT_EQ(g->currentCell(), (GridCellRef{c.to, 2})) << "the column stays";
        }
    }

    g->setCurrentCell({4, 1});
    EXPECT_TRUE(ui.pressKey(*g, Key::Space));
    EXPECT_EQ(g->tickedRows(), std::vector<int>{4});
    EXPECT_EQ(g->currentCell(), (GridCellRef{4, 0})) << "as a click on the box";
    EXPECT_TRUE(ui.pressKey(*g, Key::Space));
    EXPECT_TRUE(g->tickedRows().empty());
    EXPECT_FALSE(ui.pressKey(*g, Key::A)) << "not a key of the list";

    g->setEnabled(false);
    EXPECT_FALSE(ui.pressKey(*g, Key::Down));
    EXPECT_EQ(g->currentCell(), (GridCellRef{4, 0}));
}

TEST_F(ControlsTest, GridPendingEditIsKeptUntilCommitted) {
    DataGridArgs args;
    args.columns = {column("Pick", "", ColumnKind::Tick),
                    column("Note", "ملاحظة", ColumnKind::Text)};
    auto* g = form->add<DataGrid>(args);
    g->addRow({false, std::string("old")});
    int committed = 0;
    g->onCellValueChanged = [&](Event&) { ++committed; };

    ASSERT_TRUE(g->userEdit(0, 1, std::string("new")));
    EXPECT_EQ(g->cellText(0, 1), "old");
    EXPECT_TRUE(g->hasPendingEdit());
    g->commitPendingEdit();
    EXPECT_EQ(g->cellText(0, 1), "new");
    EXPECT_EQ(committed, 1);
    g->commitPendingEdit();
    EXPECT_EQ(committed, 1) << "nothing left to commit";
}

TEST_F(ControlsTest, GridRefillUnderSuspendedLayoutRepaintsOnce) {
    DataGrid& g = grid();
    auto* peer = HeadlessApp::peerOf(g);
    ASSERT_NE(peer, nullptr);
    const int before = peer->updates(Change::Items);
    g.suspendLayout();
    g.clearRows();
    for (int i = 0; i < 500; ++i) {
        g.addRow({false, "f" + std::to_string(i), static_cast<double>(i)});
    }
    EXPECT_EQ(peer->updates(Change::Items), before);
    g.resumeLayout();
    EXPECT_EQ(peer->updates(Change::Items), before + 1);
    EXPECT_EQ(g.visibleRows().size(), 500u);
}

TEST_F(ControlsTest, GridColumnWidthsFollowFillWeights) {
    DataGrid& g = grid();
    EXPECT_EQ(g.columnWidths(632), (std::vector<int>{72, 400, 160}));
    auto cols = g.columns();
    cols[0].visible = false;
    g.setColumns(cols);
    EXPECT_EQ(g.columnWidths(700), (std::vector<int>{0, 500, 200}));
}

TEST_F(ControlsTest, NumericUpDownKeepsItsRange) {
    NumericUpDownArgs args;
    args.minimum = 1;
    args.maximum = 10;
    args.value = 5;
    auto* n = form->add<NumericUpDown>(args);
    struct Case {
        const char* typed;
        double expected;
    };
    for (const Case& c : std::vector<Case>{{"7", 7}, {"70", 10}, {"-3", 1}, {"abc", 1}}) {
        ui.type(*n, c.typed);
        EXPECT_EQ(n->value(), c.expected) << c.typed;
        EXPECT_EQ(n->text(), std::to_string(static_cast<int>(c.expected))) << c.typed;
    }
    n->userStep(3);
    EXPECT_EQ(n->value(), 4);
}

TEST_F(ControlsTest, TimersFireInVirtualTimeAndStopWithTheirControl) {
    auto* panel = form->add<Panel>();
    Timer* fast = panel->addTimer(70);
    Timer* slow = form->addTimer(250);
    std::vector<std::string> ticks;
    fast->onTick = [&](TimerEvent&) {
        ticks.push_back("fast@" + std::to_string(ui.backend().now()));
    };
    slow->onTick = [&](TimerEvent&) {
        ticks.push_back("slow@" + std::to_string(ui.backend().now()));
        slow->stop();
    };
    fast->start();
    slow->start();
    ui.advanceTime(279);
    EXPECT_EQ(ticks, (std::vector<std::string>{"fast@70", "fast@140", "fast@210", "slow@250"}));

    bool disposed = false;
    panel->onDisposed = [&](DisposedEvent&) { disposed = true; };
    panel->dispose();
    EXPECT_TRUE(disposed);
    ticks.clear();
    ui.advanceTime(1000);
    EXPECT_TRUE(ticks.empty()) << "a disposed section's timer never ticks again";
}

TEST_F(ControlsTest, ErrorsFromHandlersAndTimersReachTheHook) {
    ui.failOnError = false;
    auto* b = form->add<Button>(withText<ButtonArgs>("go"));
    b->onClick = [](ClickEvent&) { throw std::runtime_error("boom"); };
    Timer* t = form->addTimer(100);
    t->onTick = [](TimerEvent&) { throw std::runtime_error("tick failed"); };
    t->start();

    ui.click(*b);
    ui.advanceTime(100);
    EXPECT_EQ(ui.errors(), (std::vector<std::string>{"boom", "tick failed"}));
    ui.advanceTime(100);
    EXPECT_EQ(ui.errors().size(), 3u) << "the timer goes on after an error";
}

TEST_F(ControlsTest, InheritedFontColoursAndReadingOrder) {
    form->setFont("Segoe UI", 10);
    form->setForeColor(Color::rgb(23, 58, 108));
    form->setBackColor(Color::rgb(242, 246, 252));
    auto* panel = form->add<Panel>();
    panel->setBackColor(kWhite);
    auto* label = panel->add<Label>(withText<LabelArgs>("مرحبا"));
    label->setBackColor(Color::transparent());

    EXPECT_EQ(label->font(), (Font{"Segoe UI", 10, false}));
    EXPECT_EQ(label->foreColor(), Color::rgb(23, 58, 108));
    EXPECT_EQ(label->paintedBackColor(), kWhite);
    EXPECT_EQ(label->align(), HAlign::Right);
    panel->setRightToLeft(false);
    EXPECT_EQ(label->align(), HAlign::Left);
}

TEST_F(ControlsTest, RoundedRegionUsesArcsOfTwiceTheRadius) {
    struct Case {
        Size size;
        int radius;
        int diameter;
    };
    for (const Case& c : std::vector<Case>{
             {{152, 43}, 10, 20}, {{152, 43}, 12, 24}, {{300, 245}, 18, 36}, {{30, 12}, 10, 12}}) {
        const Path p = roundedRectPath(c.size, c.radius);
        ASSERT_EQ(p.arcs.size(), 4u);
        EXPECT_EQ(p.arcs[0].box, (Rect{0, 0, c.diameter, c.diameter}));
        EXPECT_EQ(p.arcs[2].box, (Rect{c.size.width - c.diameter - 1,
                                       c.size.height - c.diameter - 1, c.diameter, c.diameter}));
        EXPECT_EQ(p.arcs[2].startAngle, 0);
        EXPECT_EQ(p.arcs[0].startAngle, 180);
    }
}

} // namespace
} // namespace vexo::toolkit
