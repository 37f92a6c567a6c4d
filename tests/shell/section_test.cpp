// What the shell does for every section: busy leases that clear what they
// set on every path, the drive-change notification, and each section's life
// (made, shown, left, its content disposed, then destroyed; a kept one made
// once).

#include "shell/shell_fixture.h"

#include <stdexcept>

namespace vexo::shell {
namespace {

TEST(BusyLease, ClearsWhatItSetWhenAnErrorLeavesItsScope) {
    int stops = 0;
    const std::function<void()> earlierStop = [&] { ++stops; };
    struct Case {
        const char* name;
        std::function<base::Lease(BusyState&)> take;
        bool busy;         // while held
        bool embeddedBusy; // while held
        bool stopAction;   // while held
    } cases[] = {
        {"the Temporary files scan", [](BusyState& s) { return s.HoldScan(); }, true, false, true},
        {"stoppable work", [&](BusyState& s) { return s.HoldEmbedded([&] { stops += 10; }); },
         false, true, true},
        {"the uninstall queue, which cannot be stopped",
         [](BusyState& s) { return s.HoldEmbedded({}); }, false, true, false},
        {"an export beside a crawl, keeping its stop",
         [](BusyState& s) { return s.HoldEmbeddedKeepingStop(); }, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BusyState state;
        state.stop = true; // asked of an earlier scan
        state.embeddedStop = earlierStop;
        try {
            base::Lease lease = c.take(state);
            EXPECT_EQ(state.busy, c.busy);
            EXPECT_EQ(state.embeddedBusy, c.embeddedBusy);
            EXPECT_EQ(static_cast<bool>(state.embeddedStop), c.stopAction);
            if (c.busy) {
                EXPECT_FALSE(state.stop) << "a new scan starts unstopped";
            }
            throw std::runtime_error("work failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_FALSE(state.busy);
        EXPECT_FALSE(state.embeddedBusy);
        if (c.embeddedBusy) {
            EXPECT_FALSE(state.embeddedStop);
        }
    }
    EXPECT_EQ(stops, 0);
}

TEST(BusyLease, MovedOrReleasedItClearsOnce) {
    BusyState state;
    base::Lease outer;
    {
        base::Lease inner = state.HoldEmbedded({});
        outer = std::move(inner);
    }
    EXPECT_TRUE(state.embeddedBusy) << "the moved-from lease released nothing";
    outer.Release();
    EXPECT_FALSE(state.embeddedBusy);
    base::Lease later = state.HoldEmbedded({});
    outer.Release(); // already dropped: must not clear the later holder's flag
    EXPECT_TRUE(state.embeddedBusy);
}

TEST(BusyLease, OverlappingWorkKeepsTheFlagUntilTheLastLeaseDrops) {
    struct Case {
        const char* name;
        bool scan;
    } cases[] = {{"Temporary files", true}, {"a crawl and its export", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BusyState state;
        int stops = 0;
        auto take = [&] {
            return c.scan ? state.HoldScan() : state.HoldEmbedded([&] { ++stops; });
        };
        auto flag = [&] { return c.scan ? state.busy : state.embeddedBusy; };
        base::Lease first = take();
        base::Lease second = c.scan ? state.HoldScan() : state.HoldEmbeddedKeepingStop();
        first.Release();
        EXPECT_TRUE(flag()) << "the later work still runs";
        if (!c.scan) {
            ASSERT_TRUE(state.embeddedStop) << "and can still be stopped";
            state.embeddedStop();
            EXPECT_EQ(stops, 1);
        }
        second.Release();
        EXPECT_FALSE(flag());
        EXPECT_FALSE(state.embeddedStop);
    }
}

class SectionLifeTest : public testing::ShellFixture {};

TEST_F(SectionLifeTest, EveryDriveSubscriberHearsTheRefreshUntilItDropsItsLease) {
    Open();
    int first = 0;
    int second = 0;
    base::Lease one = window->OnDrivesChanged([&] { ++first; });
    base::Lease two;
    // The first subscriber drops the second while both are told: the second
    // must not be called after it let go.
    base::Lease dropper = window->OnDrivesChanged([&] { two.Release(); });
    two = window->OnDrivesChanged([&] { ++second; });
    window->DrivesChanged();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);

    two = window->OnDrivesChanged([&] { ++second; });
    dropper.Release();
    ui.advanceTime(5000); // the window's own refresh
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1);
    one.Release();
    ui.advanceTime(5000);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 2);
}

TEST_F(SectionLifeTest, ALeftSectionHearsItFirstAndIsDestroyedAfterItsContent) {
    std::vector<std::string> life;
    Open([&](SectionCatalog& c) {
        c.Add(Section::CleanupReport,
              Stub({.shown =
                        [&](toolkit::Control& content) {
                            life.push_back("shown");
                            content.onDisposed = [&](auto&) { life.push_back("disposed"); };
                        },
                    .life = [&](const char* what) { life.push_back(what); }}));
    });
    for (int opening = 0; opening < 2; ++opening) {
        ui.click(Nav(Section::CleanupReport));
        ui.click(Nav(Section::Home));
    }
    EXPECT_EQ(life, (std::vector<std::string>{"shown", "leaving", "disposed", "destroyed", "shown",
                                              "leaving", "disposed", "destroyed"}));
    EXPECT_EQ(OnStage(), "home");
}

TEST_F(SectionLifeTest, AKeptSectionIsMadeOnceAndShownAtEveryOpening) {
    int made = 0;
    int shown = 0;
    std::vector<std::string> life;
    Open([&](SectionCatalog& c) {
        c.Add(Section::CleanupReport,
              {.make =
                   [&](SectionContext& context) {
                       ++made;
                       return std::make_unique<StubSection>(
                           context,
                           StubParts{.shown = [&](toolkit::Control&) { ++shown; },
                                     .life = [&](const char* what) { life.push_back(what); }});
                   },
               .kept = true});
    });
    EXPECT_EQ(made, 1) << "made with the window";
    ShellSection* kept = window->KeptSection(Section::CleanupReport);
    for (int opening = 0; opening < 3; ++opening) {
        ui.click(Nav(Section::CleanupReport));
        EXPECT_EQ(window->OpenedSection(), kept);
        ui.click(Nav(Section::Home));
    }
    EXPECT_EQ(made, 1);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(life, (std::vector<std::string>{"leaving", "leaving", "leaving"}));
    window.reset();
    EXPECT_EQ(life.back(), "destroyed");
}

} // namespace
} // namespace vexo::shell
