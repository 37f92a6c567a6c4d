// The layout engine through real controls on the in-memory backend: the
// positions a section can rely on, on both backends.

#include "toolkit/headless/headless_app.h"
#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

namespace vexo::toolkit {
namespace {

using headless::HeadlessApp;

struct TrackCase {
    const char* name;
    int available;
    std::vector<Track> tracks;
    std::vector<int> expected;
};

TEST(ResolveTracks, SharesSpaceByKind) {
    const std::vector<TrackCase> cases = {
        {"rows of a file section",
         580,
         {Track::pixels(44), Track::pixels(48), Track::pixels(48), Track::percent(100),
          Track::pixels(72)},
         {44, 48, 48, 368, 72}},
        {"percent columns", 1000, {Track::percent(56), Track::percent(44)}, {560, 440}},
        {"odd width: remainder to the last flexible",
         101,
         {Track::percent(50), Track::percent(50)},
         {50, 51}},
        {"fill shares what percent leaves",
         400,
         {Track::pixels(100), Track::percent(50), Track::fill(), Track::fill()},
         {100, 150, 75, 75}},
        {"percent over 100 is scaled", 300, {Track::percent(100), Track::percent(200)}, {100, 200}},
        {"percent under 100 leaves the rest empty", 200, {Track::percent(25)}, {50}},
        {"pixels larger than the space", 50, {Track::pixels(80), Track::fill()}, {80, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolveTracks(c.available, c.tracks), c.expected) << c.name;
    }
}

class LayoutTest : public ::testing::Test {
protected:
    Form& form(Size s, bool rtl = true) {
        FormArgs args;
        args.text = "VEXO";
        args.size = s;
        args.rightToLeft = rtl;
        form_ = std::make_unique<Form>(ui.app(), args);
        return *form_;
    }

    HeadlessApp ui;
    std::unique_ptr<Form> form_;
};

// A control filling its cell, without margins, so the cell itself is seen.
template <class T = Panel> T* filler(Control& parent) {
    T* c = parent.add<T>();
    c->setMargin({});
    c->setDock(Dock::Fill);
    return c;
}

TEST_F(LayoutTest, FileSectionRowsInAFormOf900x580) {
    Form& f = form({900, 580});
    TableLayoutArgs args;
    args.dock = Dock::Fill;
    args.margin = Spacing{};
    args.columns = {Track::percent(100)};
    args.rows = {Track::pixels(44), Track::pixels(48), Track::pixels(48), Track::percent(100),
                 Track::pixels(72)};
    auto* table = f.add<TableLayout>(args);
    std::vector<Panel*> rows;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(filler(*table));
    }
    f.show();

    EXPECT_EQ(table->bounds(), (Rect{0, 0, 900, 580}));
    const std::vector<Rect> expected = {
        {0, 0, 900, 44}, {0, 44, 900, 48}, {0, 92, 900, 48}, {0, 140, 900, 368}, {0, 508, 900, 72}};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->bounds(), expected[i]) << "row " << i;
    }

    // Growing the form gives the whole difference to the fill row.
    f.setSize({1000, 700});
    EXPECT_EQ(rows[3]->bounds(), (Rect{0, 140, 1000, 488}));
    EXPECT_EQ(rows[4]->bounds(), (Rect{0, 628, 1000, 72}));
}

TEST_F(LayoutTest, FormSizeIsTheWholeWindowAndItsFrameIsTakenFromTheChildren) {
    Form& f = form({1180, 776});
    auto* content = filler(f);
    f.show();
    EXPECT_EQ(content->bounds(), (Rect{0, 0, 1180, 776})) << "no frame in memory";

    // A frame of 8 px at the sides and the bottom, 31 px with the caption.
    f.setFrame({8, 31, 8, 8});
    EXPECT_EQ(f.size(), (Size{1180, 776}));
    EXPECT_EQ(content->bounds(), (Rect{0, 0, 1164, 737}));
    f.setSize({1000, 700});
    EXPECT_EQ(content->bounds(), (Rect{0, 0, 984, 661}));
}

TEST_F(LayoutTest, RightToLeftTableMirrorsColumnsAndALeftToRightOneDoesNot) {
    Form& f = form({1000, 600});
    // The shell grid: explicitly left to right, content then a 185-px column.
    TableLayoutArgs shellArgs;
    shellArgs.dock = Dock::Fill;
    shellArgs.margin = Spacing{};
    shellArgs.rightToLeft = false;
    shellArgs.columns = {Track::percent(100), Track::pixels(185)};
    auto* shell = f.add<TableLayout>(shellArgs);
    auto* content = filler(*shell);
    auto* nav = filler(*shell);
    // Inside the content column: a right-to-left two-column grid 56 % / 44 %.
    TableLayoutArgs homeArgs;
    homeArgs.dock = Dock::Fill;
    homeArgs.margin = Spacing{};
    homeArgs.rightToLeft = true;
    homeArgs.columns = {Track::percent(56), Track::percent(44)};
    auto* home = content->add<TableLayout>(homeArgs);
    auto* first = filler(*home);
    auto* second = filler(*home);
    f.show();

    EXPECT_EQ(content->bounds(), (Rect{0, 0, 815, 600}));
    EXPECT_EQ(nav->bounds(), (Rect{815, 0, 185, 600}));
    EXPECT_EQ(first->bounds(), (Rect{359, 0, 456, 600})) << "the first column is at the right";
    EXPECT_EQ(second->bounds(), (Rect{0, 0, 359, 600}));
    EXPECT_EQ(nav->boundsInForm(), (Rect{815, 0, 185, 600}));
    EXPECT_EQ(first->boundsInForm(), (Rect{359, 0, 456, 600}));
}

TEST_F(LayoutTest, TableCellsHonourMarginsSpansAndUndockedSizes) {
    Form& f = form({400, 200});
    TableLayoutArgs args;
    args.dock = Dock::Fill;
    args.margin = Spacing{};
    args.padding = Spacing{10, 10, 10, 10};
    args.columns = {Track::percent(50), Track::percent(50)};
    args.rows = {Track::pixels(60), Track::fill()};
    auto* table = f.add<TableLayout>(args);
    auto* wide = table->add<Panel>();
    wide->setCell({0, 0, 2, 1});
    wide->setDock(Dock::Fill);
    wide->setMargin({5, 6, 7, 8});
    auto* small = table->add<Button>(); // the next free cell: column 0 of row 1
    small->setSize({50, 20});
    small->setMargin({3, 3, 3, 3});
    f.show();

    EXPECT_EQ(wide->bounds(), (Rect{15, 16, 368, 46}));
    // Right to left: an undocked control keeps its size at the cell's right.
    EXPECT_EQ(small->bounds(), (Rect{390 - 3 - 50, 73, 50, 20}));
}

TEST_F(LayoutTest, DockTakesEdgesInOrderInsidePaddingAndIgnoresMargins) {
    Form& f = form({500, 400});
    f.setPadding({20, 8, 20, 16});
    auto* top = f.add<Panel>();
    top->setSize({0, 98});
    top->setDock(Dock::Top);
    auto* bottom = f.add<Panel>();
    bottom->setSize({0, 30});
    bottom->setDock(Dock::Bottom);
    auto* left = f.add<Panel>();
    left->setSize({60, 0});
    left->setDock(Dock::Left);
    auto* rest = f.add<Panel>();
    rest->setMargin({9, 9, 9, 9});
    rest->setDock(Dock::Fill);
    auto* fixed = f.add<Label>();
    fixed->setBounds({7, 9, 30, 12});
    f.show();

    EXPECT_EQ(top->bounds(), (Rect{20, 8, 460, 98}));
    EXPECT_EQ(bottom->bounds(), (Rect{20, 354, 460, 30}));
    EXPECT_EQ(left->bounds(), (Rect{20, 106, 60, 248}));
    EXPECT_EQ(rest->bounds(), (Rect{80, 106, 400, 248}));
    EXPECT_EQ(fixed->bounds(), (Rect{7, 9, 30, 12})) << "no dock: stays where it was put";
}

// The flow's rules on both axes, straight from the engine: three 40 x 20
// items with uneven margins (outer 44 x 26) in 100 x 60 of room at (10, 20),
// so a margin or a room taken from the wrong axis moves some item.
TEST(FlowLayout, RunsAlongEitherAxisAndMirrorsOnlyAcross) {
    struct Case {
        const char* name;
        FlowDirection direction;
        bool wrap;
        bool rightToLeft;
        bool secondHidden;
        std::vector<Point> at;
        Size extent;
    };
    const std::vector<Case> cases = {
        {"left to right",
         FlowDirection::LeftToRight,
         false,
         false,
         false,
         {{11, 22}, {55, 22}, {99, 22}},
         {132, 26}},
        {"left to right, wrapping",
         FlowDirection::LeftToRight,
         true,
         false,
         false,
         {{11, 22}, {55, 22}, {11, 48}},
         {88, 52}},
        {"right to left, wrapping",
         FlowDirection::RightToLeft,
         true,
         false,
         false,
         {{67, 22}, {23, 22}, {67, 48}},
         {88, 52}},
        {"left to right in rtl, wrapping",
         FlowDirection::LeftToRight,
         true,
         true,
         false,
         {{67, 22}, {23, 22}, {67, 48}},
         {88, 52}},
        {"top down",
         FlowDirection::TopDown,
         false,
         false,
         false,
         {{11, 22}, {11, 48}, {11, 74}},
         {44, 78}},
        {"top down, wrapping",
         FlowDirection::TopDown,
         true,
         false,
         false,
         {{11, 22}, {11, 48}, {55, 22}},
         {88, 52}},
        {"top down in rtl, wrapping",
         FlowDirection::TopDown,
         true,
         true,
         false,
         {{67, 22}, {67, 48}, {23, 22}},
         {88, 52}},
        {"a hidden item keeps its place and takes no room",
         FlowDirection::LeftToRight,
         false,
         false,
         true,
         {{11, 22}, {5, 6}, {55, 22}},
         {88, 26}},
    };
    for (const auto& c : cases) {
        std::vector<LayoutItem> items(3);
        for (LayoutItem& item : items) {
            item.bounds = {5, 6, 40, 20};
            item.margin = Spacing{1, 2, 3, 4};
        }
        items[1].visible = !c.secondHidden;
        const FlowResult result =
            flowLayout({10, 20, 100, 60}, items, c.direction, c.wrap, c.rightToLeft);
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(result.bounds[i], (Rect{c.at[i].x, c.at[i].y, 40, 20}))
                << c.name << ", item " << i;
        }
        EXPECT_EQ(result.extent, c.extent) << c.name;
    }
}

class FlowTest : public LayoutTest {
protected:
    FlowLayout& flow(FlowDirection d, bool wrap, Size s, bool scroll = false) {
        Form& f = form({800, 600});
        FlowLayoutArgs args;
        args.direction = d;
        args.wrap = wrap;
        args.autoScroll = scroll;
        args.bounds = Rect{0, 0, s.width, s.height};
        args.margin = Spacing{};
        args.padding = Spacing{10, 20, 10, 10};
        auto* fl = f.add<FlowLayout>(args);
        for (int i = 0; i < 5; ++i) {
            ButtonArgs b;
            b.text = "b" + std::to_string(i);
            b.size = Size{100, 30};
            b.margin = Spacing{0, 5, 0, 5};
            items.push_back(fl->add<Button>(b));
        }
        f.show();
        return *fl;
    }
    std::vector<Button*> items;
};

TEST_F(FlowTest, RightToLeftFlowWrapsFromTheRightAndScrolls) {
    FlowLayout& fl = flow(FlowDirection::RightToLeft, true, {230, 80}, true);
    // 210 px of room: two buttons a line, from the right edge (220).
    EXPECT_EQ(items[0]->bounds(), (Rect{120, 25, 100, 30}));
    EXPECT_EQ(items[1]->bounds(), (Rect{20, 25, 100, 30}));
    EXPECT_EQ(items[2]->bounds(), (Rect{120, 65, 100, 30}));
    EXPECT_EQ(items[4]->bounds(), (Rect{120, 105, 100, 30}));
    EXPECT_EQ(fl.scrollExtent(), (Size{200, 120}));
    EXPECT_TRUE(fl.needsVerticalScroll());
    EXPECT_FALSE(fl.needsHorizontalScroll());

    fl.setScrollOffset({0, 15});
    EXPECT_EQ(items[0]->bounds().y, 10);
    fl.setScrollOffset({0, 500}); // clamped to extent - client = 120 - 50
    EXPECT_EQ(fl.scrollOffset(), (Point{0, 70}));
    EXPECT_EQ(items[4]->bounds().y, 105 - 70);

    // A hidden child takes no room and the rest close up.
    items[0]->setVisible(false);
    fl.setScrollOffset({0, 0});
    EXPECT_EQ(items[1]->bounds(), (Rect{120, 25, 100, 30}));
}

TEST_F(FlowTest, DirectionsAndWrapping) {
    struct Case {
        const char* name;
        FlowDirection direction;
        bool wrap;
        Point second;
        Point fifth;
    };
    const std::vector<Case> cases = {
        // In a right-to-left form a left-to-right flow mirrors, like the tables.
        {"left to right in rtl, no wrap", FlowDirection::LeftToRight, false, {20, 25}, {-280, 25}},
        {"top down, no wrap", FlowDirection::TopDown, false, {120, 65}, {120, 185}},
        {"top down, wrapping into new columns leftwards",
         FlowDirection::TopDown,
         true,
         {120, 65},
         {-80, 25}},
    };
    for (const auto& c : cases) {
        items.clear();
        flow(c.direction, c.wrap, {230, 140});
        EXPECT_EQ((Point{items[1]->bounds().x, items[1]->bounds().y}), c.second) << c.name;
        EXPECT_EQ((Point{items[4]->bounds().x, items[4]->bounds().y}), c.fifth) << c.name;
    }
}

TEST_F(LayoutTest, AutoSizeFollowsTextAndMinimumSizeWins) {
    Form& f = form({600, 400}, false);
    FlowLayoutArgs args;
    args.dock = Dock::Fill;
    auto* fl = f.add<FlowLayout>(args);
    ButtonArgs b;
    b.text = "abc";
    b.autoSize = true;
    b.padding = Spacing{8, 0, 8, 0};
    b.minimumSize = Size{0, 38};
    auto* button = fl->add<Button>(b);
    auto* next = fl->add<Button>(ButtonArgs{});
    f.show();

    const Size text = ui.backend().measureText("abc", f.font(), 0);
    EXPECT_EQ(button->size(), (Size{text.width + 26, 38}));
    const int before = next->bounds().x;
    button->setText("abcdefabcdef");
    EXPECT_GT(button->size().width, text.width + 26);
    EXPECT_EQ(next->bounds().x - before, button->size().width - (text.width + 26))
        << "the flow makes room for the longer text";
}

} // namespace
} // namespace vexo::toolkit
