// Home: its content, the usage ring of the Windows drive and the ring's own
// refresh timer.

#include "shell/meter.h"
#include "shell/shell_fixture.h"

namespace vexo::shell {
namespace {

class HomeTest : public testing::ShellFixture {
protected:
    VexoSolvaneMeter21& Meter() {
        auto meters = All<VexoSolvaneMeter21>(window->Stage());
        EXPECT_EQ(meters.size(), 1u);
        return *meters.at(0);
    }
};

TEST_F(HomeTest, ShowsTheWindowsDriveAndItsActions) {
    Open();
    VexoSolvaneMeter21& meter = Meter();
    EXPECT_EQ(meter.drive, "Windows (C:)");
    EXPECT_EQ(meter.totalBytes, 100.0 * testing::kGiB);
    EXPECT_EQ(meter.freeBytes, 40.0 * testing::kGiB); // total free, not what is available
    EXPECT_EQ(toolkit::headless::HeadlessApp::paint(meter).texts().front(), "60%");

    auto& review =
        toolkit::headless::HeadlessApp::get<toolkit::Button>(window->Stage(), "راجع ملفاتي  ←");
    EXPECT_EQ(review.backColor(), palette::kAccent);
    EXPECT_EQ(review.foreColor(), palette::kWhite);
    auto& apps = toolkit::headless::HeadlessApp::get<toolkit::Button>(
        window->Stage(), "التطبيقات\r\nعرض البرامج المثبتة وإزالتها بالتتابع");
    EXPECT_EQ(apps.font(), (toolkit::Font{"Segoe UI", 12.0f, true}));
}

TEST_F(HomeTest, ButtonsLeadToTheirSectionsWithHomesOwnHeadings) {
    Open([](SectionCatalog& c) {
        c.Add(Section::MyFiles, Stub("files"));
        c.Add(Section::Applications, Stub("apps"));
    });
    ui.click(window->Stage(), "راجع ملفاتي  ←");
    EXPECT_EQ(OnStage(), "files");
    EXPECT_EQ(Heading(), "ملفاتي — حدّد وانقل للسلة");
    ui.click(Nav(Section::Home));
    ui.click(window->Stage(), "التطبيقات\r\nعرض البرامج المثبتة وإزالتها بالتتابع");
    EXPECT_EQ(OnStage(), "apps");
    EXPECT_EQ(Heading(), "تطبيقاتك — اختار ثم أزل");
    EXPECT_EQ(Nav(Section::Applications).backColor(), kNavSelectedBack);
}

TEST_F(HomeTest, UnreadableDriveAtOpeningLeavesZerosAndOneLogLine) {
    machine.SetEnv("WINDIR", "Q:\\Windows");
    Open();
    VexoSolvaneMeter21& meter = Meter();
    EXPECT_EQ(meter.drive, "");
    EXPECT_EQ(meter.totalBytes, 0);
    EXPECT_EQ(toolkit::headless::HeadlessApp::paint(meter).texts().front(), "0%");
    const std::string log = LogText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

TEST_F(HomeTest, RingRefreshesEveryFiveSecondsUnlessMinimisedAndStopsWithHome) {
    Open();
    VexoSolvaneMeter21& meter = Meter();
    Drive('C', "Windows", 100, 10, 10);
    window->Window().setMinimized(true);
    ui.advanceTime(5000);
    EXPECT_EQ(meter.freeBytes, 40.0 * testing::kGiB);
    window->Window().setMinimized(false);
    ui.advanceTime(5000);
    EXPECT_EQ(meter.freeBytes, 10.0 * testing::kGiB);
    EXPECT_EQ(meter.drive, "Windows (C:)");

    // A failed tick is logged and keeps the last figures.
    machine.SetEnv("WINDIR", "Q:\\Windows");
    ui.advanceTime(5000);
    EXPECT_EQ(meter.freeBytes, 10.0 * testing::kGiB);
    const auto lines = [&] {
        const std::string log = LogText();
        return std::count(log.begin(), log.end(), '\n');
    };
    EXPECT_EQ(lines(), 1);

    // Leaving Home stops its timer: no more failed readings.
    ui.click(Nav(Section::DiskSpace));
    ui.advanceTime(20000);
    EXPECT_EQ(lines(), 1);
}

} // namespace
} // namespace vexo::shell
