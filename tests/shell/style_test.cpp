// The palette pass, the rounding registry, the banner's animation and the
// usage ring's picture.

#include "shell/banner.h"
#include "shell/meter.h"
#include "shell/style.h"
#include "toolkit/headless/headless_app.h"

#include <gtest/gtest.h>

namespace vexo::shell {
namespace {

using toolkit::Color;
using toolkit::headless::ArcOp;
using toolkit::headless::EllipseOp;
using toolkit::headless::GradientOp;
using toolkit::headless::HeadlessApp;

class StyleTest : public ::testing::Test {
protected:
    StyleTest() {
        toolkit::FormArgs args;
        args.size = toolkit::Size{800, 600};
        form = std::make_unique<toolkit::Form>(ui.app(), args);
    }
    template <class T, class... A> T* Add(A&&... args) {
        return form->add<T>(std::forward<A>(args)...);
    }
    HeadlessApp ui;
    VexoPearl15 pearl;
    std::unique_ptr<toolkit::Form> form;
};

TEST_F(StyleTest, PaletteGoesByKindAndTouchesNoSizeButTheButtonMinimum) {
    auto* panel = Add<toolkit::Panel>();
    auto* label = panel->add<toolkit::Label>();
    auto* button = panel->add<toolkit::Button>();
    button->setSize({80, 20});
    auto* box = panel->add<toolkit::TextBox>();
    auto* grid = panel->add<toolkit::DataGrid>();
    StyleVexoWindow(*form, pearl);

    for (toolkit::Control* c :
         std::initializer_list<toolkit::Control*>{form.get(), panel, label, button, box, grid}) {
        EXPECT_EQ(c->foreColor(), palette::kText);
    }
    EXPECT_EQ(form->backColor(), palette::kPage);
    EXPECT_EQ(panel->backColor(), palette::kPage);
    EXPECT_TRUE(label->backColor().isTransparent());
    EXPECT_EQ(box->backColor(), palette::kWhite);
    EXPECT_EQ(button->backColor(), palette::kWhite);
    EXPECT_EQ(button->borderColor(), palette::kButtonBorder);
    EXPECT_EQ(button->hoverColor(), palette::kButtonHover);
    EXPECT_EQ(button->pressedColor(), palette::kButtonPressed);
    EXPECT_TRUE(button->handCursor());
    EXPECT_EQ(button->size(), (toolkit::Size{80, 38}));
    EXPECT_EQ(pearl.RadiusOf(*button), 10);
    EXPECT_EQ(grid->look().headerHeight, 44);
    EXPECT_EQ(grid->look().rowHeight, 40);
    EXPECT_EQ(grid->look().selectionBack, palette::kAccent);
    EXPECT_FALSE(grid->look().platformHeaderStyle);
    EXPECT_FALSE(grid->look().border);
}

TEST_F(StyleTest, RoundingUsesArcsOfTwiceTheRadiusAndKeepsTheFirstRadius) {
    struct Case {
        toolkit::Size size;
        int radius;
        int diameter;
    } cases[] = {
        {{152, 43}, 10, 20},
        {{152, 43}, 12, 24},
        {{300, 245}, 18, 36},
        {{30, 16}, 12, 16}, // never more than the smaller side
    };
    for (const Case& c : cases) {
        auto* b = Add<toolkit::Button>();
        b->setSize(c.size);
        pearl.Round(*b, c.radius);
        ASSERT_TRUE(b->region().has_value());
        const auto& arcs = b->region()->arcs;
        ASSERT_EQ(arcs.size(), 4u);
        EXPECT_EQ(arcs[0].box, (toolkit::Rect{0, 0, c.diameter, c.diameter}));
        EXPECT_EQ(arcs[2].box,
                  (toolkit::Rect{c.size.width - c.diameter - 1, c.size.height - c.diameter - 1,
                                 c.diameter, c.diameter}));
    }

    auto* nav = Add<toolkit::Button>();
    nav->setSize({152, 43});
    pearl.Round(*nav, 12);
    StyleVexoWindow(*form, pearl);
    EXPECT_EQ(pearl.RadiusOf(*nav), 12);
    EXPECT_EQ(nav->region()->arcs[0].box.width, 24);
}

TEST_F(StyleTest, RegionFollowsSizeButATinyControlKeepsItsPreviousRegion) {
    auto* b = Add<toolkit::Button>();
    b->setSize({100, 40});
    pearl.Round(*b, 10);
    b->setSize({200, 50});
    EXPECT_EQ(b->region()->arcs[1].box, (toolkit::Rect{179, 0, 20, 20}));
    b->setSize({1, 50});
    EXPECT_EQ(b->region()->arcs[1].box, (toolkit::Rect{179, 0, 20, 20}));

    auto* thin = Add<toolkit::Panel>();
    thin->setSize({1, 30});
    pearl.Round(*thin, 10);
    EXPECT_FALSE(thin->region().has_value());
}

TEST_F(StyleTest, DisposedControlLeavesTheRegistry) {
    auto* b = Add<toolkit::Button>();
    b->setSize({100, 40});
    pearl.Round(*b, 12);
    const toolkit::Control* address = b;
    b->dispose();
    EXPECT_EQ(pearl.RadiusOf(*address), 0);
}

TEST_F(StyleTest, BannerCyclesIn125TicksAndStandsStillWhenItMustNot) {
    auto* banner = Add<VexoSolvaneBanner21>(ui.app(), true);
    for (int i = 1; i < 125; ++i) {
        banner->Tick();
    }
    EXPECT_GT(banner->phase(), 0.99f);
    banner->Tick();
    EXPECT_EQ(banner->phase(), 0.0f);

    ui.advanceTime(70 * 10); // the clock runs on its own
    const float moving = banner->phase();
    EXPECT_NEAR(moving, 0.08f, 1e-5);

    form->setMinimized(true);
    ui.advanceTime(70 * 10);
    EXPECT_EQ(banner->phase(), moving);
    form->setMinimized(false);
    banner->setMotion(false);
    ui.advanceTime(70 * 10);
    EXPECT_EQ(banner->phase(), moving);
    banner->setMotion(true);
    banner->setVisible(false);
    ui.advanceTime(70 * 10);
    EXPECT_EQ(banner->phase(), moving);
    banner->setVisible(true);
    ui.advanceTime(70);
    EXPECT_NEAR(banner->phase(), moving + 0.008f, 1e-6);
}

TEST_F(StyleTest, BannerPaintsGradientTravellingGlowAndAccentLine) {
    auto* banner = Add<VexoSolvaneBanner21>(ui.app(), true);
    banner->setBounds({0, 0, 400, 5});
    for (int i = 0; i < 62; ++i) {
        banner->Tick(); // phase 0.496
    }
    const auto canvas = HeadlessApp::paint(*banner);
    const auto gradients = canvas.all<GradientOp>();
    ASSERT_EQ(gradients.size(), 2u);
    EXPECT_EQ(gradients[0].rect, (toolkit::Rect{0, 0, 400, 5}));
    EXPECT_NEAR(gradients[0].angle, 15 + 35 * banner->phase(), 1e-3);
    EXPECT_EQ(gradients[1].area, (toolkit::Rect{0, 1, 400, 4}));
    EXPECT_EQ(gradients[1].from, palette::kAccent);
    EXPECT_EQ(gradients[1].to, Color::rgb(244, 159, 65));
    const auto glow = canvas.all<EllipseOp>();
    ASSERT_EQ(glow.size(), 1u);
    EXPECT_EQ(glow[0].box,
              (toolkit::Rect{-90 + static_cast<int>(450 * banner->phase()), -90, 210, 210}));
    EXPECT_EQ(glow[0].color, Color::argb(25, 24, 93, 228));

    banner->setBounds({0, 0, 1, 5});
    EXPECT_TRUE(HeadlessApp::paint(*banner).ops.empty());
}

TEST_F(StyleTest, MeterShowsTheUsedShareAndTheFigures) {
    struct Case {
        double total;
        double free;
        std::vector<std::string> texts;
        bool arc;
    } cases[] = {
        {100.0 * 1073741824,
         40.0 * 1073741824,
         {"60%", "Windows (C:)", "40.0 GB", "متاح", "المستخدم: 60.0 GB", "الكلي: 100.0 GB"},
         true},
        {0,
         0,
         {"0%", "Windows (C:)", "0.0 GB", "متاح", "المستخدم: 0.0 GB", "الكلي: 0.0 GB"},
         false},
    };
    for (const Case& c : cases) {
        auto* meter = Add<VexoSolvaneMeter21>(base::Culture::EnUs());
        meter->setBounds({0, 0, 400, 208});
        meter->totalBytes = c.total;
        meter->freeBytes = c.free;
        meter->drive = "Windows (C:)";
        const auto canvas = HeadlessApp::paint(*meter);
        EXPECT_EQ(canvas.texts(), c.texts);
        const auto arcs = canvas.all<ArcOp>();
        ASSERT_EQ(arcs.size(), c.arc ? 2u : 1u);
        // dia = max(40, min(208 - 50, 400 / 2 - 15)) = 158, near the right edge
        EXPECT_EQ(arcs[0].box, (toolkit::Rect{400 - 158 - 22, 24, 158, 158}));
        EXPECT_EQ(arcs[0].sweepAngle, 360.0f);
        if (c.arc) {
            EXPECT_NEAR(arcs[1].sweepAngle, 0.6 * 359.9, 1e-3);
            EXPECT_EQ(arcs[1].startAngle, -90.0f);
            EXPECT_TRUE(arcs[1].roundCaps);
        }
    }
}

TEST_F(StyleTest, MeterSmallerThan50PixelsDrawsNothing) {
    auto* meter = Add<VexoSolvaneMeter21>(base::Culture::EnUs());
    meter->totalBytes = 100;
    for (toolkit::Size s : {toolkit::Size{49, 300}, toolkit::Size{300, 49}}) {
        meter->setSize(s);
        EXPECT_TRUE(HeadlessApp::paint(*meter).ops.empty());
    }
}

} // namespace
} // namespace vexo::shell
