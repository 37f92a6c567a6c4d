// The main window: its size and columns, navigation and its colours, the More
// menu, the busy protocol's refusals and both close guards.

#include "shell/banner.h"
#include "shell/shell_fixture.h"

namespace vexo::shell {
namespace {

using toolkit::Color;
using toolkit::DialogResult;

constexpr Section kVisible[] = {Section::Home, Section::MyFiles, Section::Applications,
                                Section::DiskSpace, Section::CleanupReport};

class MainWindowTest : public testing::ShellFixture {
protected:
    // Which of the five visible buttons carry the highlight, checked colour by colour.
    void ExpectHighlighted(std::optional<Section> selected) {
        for (Section s : kVisible) {
            const bool on = selected && *selected == s;
            EXPECT_EQ(Nav(s).backColor(), on ? kNavSelectedBack : palette::kWhite)
                << static_cast<int>(s);
            EXPECT_EQ(Nav(s).foreColor(), on ? kNavSelectedText : kNavText) << static_cast<int>(s);
        }
    }
};

TEST(MainWindowSize, FollowsTheWorkingAreaWithinItsLimits) {
    struct Case {
        toolkit::Rect area;
        toolkit::Size expected;
    } cases[] = {
        {{0, 0, 1024, 600}, {1000, 580}}, // the minimum height wins over 576
        {{0, 0, 1920, 1040}, {1180, 780}},
        {{0, 0, 1100, 700}, {1076, 676}},
        {{0, 0, 800, 500}, {900, 580}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MainWindowSize(c.area), c.expected) << c.area.width << "x" << c.area.height;
    }
}

TEST_F(MainWindowTest, OpensAt1000x580CentredOnASmallScreen) {
    ui.backend().workingArea = {0, 0, 1024, 600};
    Open();
    EXPECT_EQ(window->Window().bounds(), (toolkit::Rect{12, 10, 1000, 580}));
    EXPECT_EQ(window->Window().text(), "VEXO SOLVANE | إدارة الجهاز — v23");
    EXPECT_EQ(window->Window().minimumSize(), (toolkit::Size{900, 580}));
}

TEST_F(MainWindowTest, NavigationColumnStandsAtTheRightEdge) {
    Open();
    const toolkit::Rect nav = window->Navigation().boundsInForm();
    EXPECT_EQ(nav.width, 185);
    EXPECT_EQ(nav.right(), window->Window().displayRect().width);
    EXPECT_EQ(window->Header().bounds().height, 98);
    EXPECT_LT(window->Header().boundsInForm().right(), nav.x + 1);
    EXPECT_EQ(toolkit::headless::HeadlessApp::visibleTexts(window->Navigation()),
              (std::vector<std::string>{"VEXO\r\nSOLVANE NOVARE", "الرئيسية", "ملفاتي", "التطبيقات",
                                        "مساحة القرص", "تقرير التنظيف", "المزيد  ▾",
                                        "إيقاف حركة الألوان"}));
    // The column reads top to bottom.
    int lastY = -1;
    for (Section s : kVisible) {
        EXPECT_EQ(Nav(s).size(), (toolkit::Size{152, 43}));
        EXPECT_GT(Nav(s).bounds().y, lastY);
        lastY = Nav(s).bounds().y;
    }
    EXPECT_EQ(window->Navigation().backColor(), palette::kWhite);
    EXPECT_EQ(window->Header().backColor(), palette::kWhite);
}

TEST_F(MainWindowTest, FirstShowOpensHomeAndHighlightsOnlyHome) {
    Open();
    EXPECT_EQ(Heading(), "تحكّم أذكى. مساحة أوسع.");
    EXPECT_EQ(OnStage(), "home");
    ExpectHighlighted(Section::Home);
}

TEST_F(MainWindowTest, MoreMenuSectionsLeaveTheFiveButtonsWhite) {
    Open([](SectionCatalog& c) { c.Add(Section::DeviceBrowser, Stub("browser")); });
    ChooseMore("كل ملفات الجهاز");
    EXPECT_EQ(Heading(), "كل ملفات الجهاز");
    EXPECT_EQ(OnStage(), "browser");
    ExpectHighlighted(std::nullopt);
    EXPECT_EQ(Nav(Section::DeviceBrowser).backColor(), kNavSelectedBack);

    ui.click(Nav(Section::Home));
    ExpectHighlighted(Section::Home);
    EXPECT_EQ(OnStage(), "home");
}

TEST_F(MainWindowTest, EntriesOfSectionsNotBuiltDoNothingAndSayNothing) {
    Open();
    // No message box is expected: an unexpected one fails the test.
    ui.click(Nav(Section::MyFiles));
    ui.click(toolkit::headless::HeadlessApp::get<toolkit::Control>(
        window->Stage(), "ملفاتي\r\nبحث • تحديد • مراجعة الحذف"));
    for (const char* entry : {"كل ملفات الجهاز", "تحليل المجلدات", "ملفات مؤقتة", "سلة المحذوفات",
                              "تنظيف ويندوز", "التحديثات", "سجل التشخيص", "دليل الوظائف"}) {
        ChooseMore(entry);
    }
    EXPECT_EQ(Heading(), "تحكّم أذكى. مساحة أوسع.");
    EXPECT_EQ(OnStage(), "home");
    ExpectHighlighted(Section::Home);
}

TEST_F(MainWindowTest, OpenedSectionIsDisposedWithItsTimersWhenAnotherOpens) {
    int ticks = 0;
    bool disposed = false;
    Open([&](SectionCatalog& c) {
        c.Add(Section::CleanupReport, Stub({.shown = [&](toolkit::Control& content) {
                  content.onDisposed = [&](auto&) { disposed = true; };
                  auto* t = content.addTimer(100);
                  t->onTick = [&](auto&) { ++ticks; };
                  t->start();
              }}));
    });
    ui.click(Nav(Section::CleanupReport));
    ui.advanceTime(100);
    ASSERT_EQ(ticks, 1);
    ui.click(Nav(Section::Home));
    ui.advanceTime(1000);
    EXPECT_TRUE(disposed);
    EXPECT_EQ(ticks, 1);
}

// Built or not yet part of this build, every entry answers a busy application
// with the same refusal: the user learns why nothing opens.
TEST_F(MainWindowTest, WhileBusyEverySectionAndMoreEntryIsRefusedWithOneMessage) {
    // Home and Disk space are built, one More section and one tool too; the
    // rest of the entries are not.
    Open([](SectionCatalog& c) {
        c.Add(Section::DeviceBrowser, Stub("other"));
        c.AddTool(MoreTool::RecycleBin, [](SectionContext&) { FAIL() << "tool ran while busy"; });
    });
    const char* moreEntries[] = {"كل ملفات الجهاز", "تحليل المجلدات", "ملفات مؤقتة",
                                 "سلة المحذوفات",   "تنظيف ويندوز",   "التحديثات",
                                 "سجل التشخيص",     "دليل الوظائف"};
    for (bool temporaryFiles : {false, true}) {
        SCOPED_TRACE(temporaryFiles ? "busy" : "embeddedBusy");
        window->Busy().busy = temporaryFiles;
        window->Busy().embeddedBusy = !temporaryFiles;
        const size_t before = ui.shownMessageBoxes().size();
        for (Section s : kVisible) {
            ui.expectMessageBox(DialogResult::Ok);
            ui.click(Nav(s));
        }
        for (const char* entry : moreEntries) {
            ui.expectMessageBox(DialogResult::Ok);
            ChooseMore(entry);
        }
        ASSERT_EQ(ui.shownMessageBoxes().size(),
                  before + std::size(kVisible) + std::size(moreEntries));
        for (size_t i = before; i < ui.shownMessageBoxes().size(); ++i) {
            const auto& box = ui.shownMessageBoxes()[i];
            EXPECT_EQ(box.text, "أوقف الفحص أو أكمل إزالة البرنامج الجاري قبل تغيير القسم.");
            EXPECT_EQ(box.caption, "فيكسو");
            EXPECT_EQ(box.owner, kWindowTitle);
            EXPECT_EQ(box.icon, toolkit::MessageIcon::None);
            EXPECT_FALSE(box.rightToLeftReading);
        }
        EXPECT_EQ(Heading(), "تحكّم أذكى. مساحة أوسع.");
        EXPECT_EQ(OnStage(), "home");
        ExpectHighlighted(Section::Home);
    }
}

// The title-bar button, Alt+F4 and the exit after an unhandled error ask to
// close; Windows shutting down or the user signing out asks whether the
// session may end. Both meet the same guards.
TEST_F(MainWindowTest, CloseGuardsRefuseWhileWorkRunsWhateverAsks) {
    struct Request {
        const char* name;
        std::function<bool(MainWindow&)> ask;
    } requests[] = {
        {"close request", [](MainWindow& w) { return w.RequestClose(); }},
        {"end of the session", [](MainWindow& w) { return w.Window().queryEndSession(); }},
    };
    struct Case {
        const char* name;
        bool busy;
        bool embeddedBusy;
        bool withStop;
        bool expectWaitMessage;
    } cases[] = {
        {"temporary-files scan: stopped silently", true, false, false, false},
        {"folder analysis: asked to stop, told to wait", false, true, true, true},
        {"uninstall queue: nothing to stop, told to wait", false, true, false, true},
    };
    Open();
    for (const Request& r : requests) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(r.name) + ", " + c.name);
            int stops = 0;
            BusyState& state = window->Busy();
            state = {};
            state.busy = c.busy;
            state.embeddedBusy = c.embeddedBusy;
            if (c.withStop) {
                state.embeddedStop = [&] { ++stops; };
            }
            const size_t boxes = ui.shownMessageBoxes().size();
            if (c.expectWaitMessage) {
                ui.expectMessageBox(DialogResult::Ok);
            }
            EXPECT_FALSE(r.ask(*window));
            EXPECT_TRUE(window->Window().shown());
            EXPECT_EQ(state.stop, c.busy);
            EXPECT_EQ(stops, c.withStop ? 1 : 0);
            ASSERT_EQ(ui.shownMessageBoxes().size(), boxes + (c.expectWaitMessage ? 1 : 0));
            if (c.expectWaitMessage) {
                EXPECT_EQ(ui.shownMessageBoxes().back().text,
                          "انتظر إيقاف التحليل أو اكتمال الإزالة قبل الإغلاق.");
                EXPECT_EQ(ui.shownMessageBoxes().back().caption, "فيكسو");
            }
        }
    }
    window->Busy() = {};
    // Nothing runs: the session may end (the system then ends the process),
    // and a close closes.
    EXPECT_TRUE(window->Window().queryEndSession());
    EXPECT_TRUE(window->RequestClose());
    EXPECT_FALSE(window->Window().shown());
}

TEST_F(MainWindowTest, OpenToolAsksTheShellAndReportsARefusal) {
    machine.ScriptProcess(
        "cleanmgr.exe",
        {0,
         0,
         {},
         base::Error{base::ErrorKind::NotFound, "The system cannot find the file specified."},
         false});
    Open();
    window->OpenTool("explorer.exe", "\"C:\\\"");
    window->OpenTool("notepad.exe", "");
    ui.expectMessageBox(DialogResult::Ok);
    window->OpenTool("cleanmgr.exe", "");
    const auto calls = machine.ShellCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].file, "explorer.exe");
    EXPECT_EQ(calls[0].arguments, "\"C:\\\"");
    EXPECT_EQ(calls[1].arguments, "");
    for (const auto& call : calls) {
        // Only our message tells of a refusal: the shell shows no box of its own.
        EXPECT_TRUE(call.noErrorUi) << call.file;
    }
    ASSERT_EQ(ui.shownMessageBoxes().size(), 1u);
    EXPECT_EQ(ui.shownMessageBoxes()[0].text,
              "تعذر الفتح: The system cannot find the file specified.");
}

TEST_F(MainWindowTest, ColourMotionToggleStopsAndRestartsEveryBanner) {
    Open();
    toolkit::Button& toggle = window->MotionToggle();
    ui.click(toggle);
    EXPECT_EQ(toggle.text(), "تشغيل حركة الألوان");
    EXPECT_FALSE(window->AccentStrip().motion());
    EXPECT_FALSE(window->Motion());

    // Home opened while motion is off stands still.
    ui.click(Nav(Section::DiskSpace));
    ui.click(Nav(Section::Home));
    auto banners = All<VexoSolvaneBanner21>(window->Stage());
    ASSERT_EQ(banners.size(), 1u);
    ui.advanceTime(700);
    EXPECT_EQ(banners[0]->phase(), 0.0f);
    EXPECT_EQ(window->AccentStrip().phase(), 0.0f);

    ui.click(toggle);
    EXPECT_EQ(toggle.text(), "إيقاف حركة الألوان");
    ui.advanceTime(70);
    EXPECT_GT(banners[0]->phase(), 0.0f);
    EXPECT_GT(window->AccentStrip().phase(), 0.0f);
}

TEST_F(MainWindowTest, NavigationButtonsKeepRadius12WhileOtherButtonsGet10) {
    Open();
    for (Section s : kVisible) {
        EXPECT_EQ(window->Pearl().RadiusOf(Nav(s)), 12);
        ASSERT_TRUE(Nav(s).region().has_value());
        EXPECT_EQ(Nav(s).region()->arcs[0].box.width, 24);
    }
    EXPECT_EQ(window->Pearl().RadiusOf(window->MoreButton()), 12);
    EXPECT_EQ(window->Pearl().RadiusOf(window->MotionToggle()), 10);
    EXPECT_EQ(window->MotionToggle().region()->arcs[0].box.width, 20);
}

TEST_F(MainWindowTest, DriveRefreshTimerStartsOnFirstShowAndRestsWhileMinimised) {
    Open();
    int refreshes = 0;
    base::Lease subscription = window->OnDrivesChanged([&] { ++refreshes; });
    ui.advanceTime(5000);
    EXPECT_EQ(refreshes, 1);
    window->Window().setMinimized(true);
    ui.advanceTime(10000);
    EXPECT_EQ(refreshes, 1);
    window->Window().setMinimized(false);
    ui.advanceTime(5000);
    EXPECT_EQ(refreshes, 2);
}

} // namespace
} // namespace vexo::shell
