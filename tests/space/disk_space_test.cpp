// Disk space: the cards of the ready fixed and removable drives, their
// readings and usage bars, the summary line, and the refresh that keeps them
// live while the dashboard is kept between visits.

#include "shell/shell_fixture.h"

namespace vexo::space {
namespace {

using platform::DriveType;
using toolkit::headless::FillRectOp;
using toolkit::headless::HeadlessApp;

class DiskSpaceTest : public testing::ShellFixture {
protected:
    std::vector<std::string> CardNames() {
        std::vector<std::string> names;
        for (const auto& card : Dashboard().cardArea().children()) {
            names.push_back(card->children().front()->text());
        }
        return names;
    }
    std::string Info(size_t i) { return Dashboard().widgets().at(i).info->text(); }
    int Filled(size_t i) {
        const auto fills = HeadlessApp::paint(*Dashboard().widgets().at(i).bar).all<FillRectOp>();
        return fills.empty() ? 0 : fills.front().rect.width;
    }
};

TEST_F(DiskSpaceTest, CardsForReadyFixedAndRemovableDrivesOnly) {
    Drive('D', "", 260, 130, 130, DriveType::Removable);
    Drive('E', "DVD", 4, 0, 0, DriveType::CdRom);
    Drive('F', "Backup", 500, 100, 100, DriveType::Fixed, /*ready=*/false);
    Drive('G', "Share", 900, 450, 450, DriveType::Remote);
    Open();
    ui.click(Nav(shell::Section::DiskSpace));

    EXPECT_EQ(Heading(), "مساحة جهازك — أرقام فعلية");
    EXPECT_EQ(OnStage(), "disk-space");
    EXPECT_EQ(CardNames(), (std::vector<std::string>{"C:\\  Windows", "D:\\  "}));
    EXPECT_EQ(Info(0), "المستخدم: 60.00 GB\r\nالمتاح لك: 30.00 GB\r\nالكلي: 100.00 GB");
    EXPECT_EQ(Info(1), "المستخدم: 130.00 GB\r\nالمتاح لك: 130.00 GB\r\nالكلي: 260.00 GB");
    EXPECT_EQ(Dashboard().summary().text(),
              "الأقراص: 2  |  الكلي: 360.0 GB  |  المتاح لك: 160.0 GB");
    EXPECT_EQ(Filled(0), 156); // 0.6 of 260
    EXPECT_EQ(Filled(1), 130); // exactly half full

    // The palette pass does not turn the cards or the bar tracks grey.
    for (const auto& card : Dashboard().cardArea().children()) {
        EXPECT_EQ(card->backColor(), shell::palette::kWhite);
        EXPECT_EQ(window->Pearl().RadiusOf(*card), 18);
        EXPECT_EQ(card->region()->arcs[0].box.width, 36);
    }
    EXPECT_EQ(Dashboard().widgets()[0].bar->backColor(), kBarTrack);
}

TEST_F(DiskSpaceTest, UsageBarFillsToTheNearestPixelHalvesToEven) {
    struct Case {
        double fraction;
        int filled;
    } cases[] = {{0.5, 130}, {0, 0},         {1, 260},      {1.7, 260},
                 {-0.2, 0},  {0.5 / 260, 0}, {1.5 / 260, 2}};
    Open();
    ui.click(Nav(shell::Section::DiskSpace));
    UsageBar& bar = *Dashboard().widgets().at(0).bar;
    for (const Case& c : cases) {
        bar.setFraction(c.fraction);
        EXPECT_EQ(Filled(0), c.filled) << c.fraction;
    }
}

TEST_F(DiskSpaceTest, UnpluggedDriveSaysSoAndKeepsItsBarButLeavesTheTotals) {
    Drive('D', "Stick", 260, 130, 120, DriveType::Removable);
    Open();
    ui.click(Nav(shell::Section::DiskSpace));
    Drive('D', "Stick", 260, 130, 120, DriveType::Removable, /*ready=*/false);
    ui.advanceTime(5000);

    EXPECT_EQ(Info(1), "القرص غير متاح");
    EXPECT_EQ(Filled(1), 130);
    EXPECT_EQ(Dashboard().summary().text(),
              "الأقراص: 2  |  الكلي: 100.0 GB  |  المتاح لك: 30.0 GB");
    EXPECT_EQ(LogText(), "<unreadable>"); // no log entry for a drive that went away
}

TEST_F(DiskSpaceTest, CardsKeepRefreshingWhileAnotherSectionIsOpen) {
    Open();
    ui.click(Nav(shell::Section::DiskSpace));
    toolkit::Control* view = &Dashboard().view();
    ui.click(Nav(shell::Section::Home));
    EXPECT_EQ(view->parent(), nullptr); // taken out, not disposed

    Drive('C', "Windows", 100, 50, 45);
    ui.advanceTime(5000);
    EXPECT_EQ(Info(0), "المستخدم: 50.00 GB\r\nالمتاح لك: 45.00 GB\r\nالكلي: 100.00 GB");

    // Coming back shows the same dashboard with cards for the drives now there.
    Drive('D', "New", 10, 5, 5, DriveType::Removable);
    ui.click(Nav(shell::Section::DiskSpace));
    EXPECT_EQ(&Dashboard().view(), view);
    EXPECT_EQ(view->parent(), &window->Stage());
    EXPECT_EQ(CardNames(), (std::vector<std::string>{"C:\\  Windows", "D:\\  New"}));
}

TEST_F(DiskSpaceTest, WithoutDrivesTheSummaryCountsZero) {
    Drive('C', "Windows", 100, 40, 30, DriveType::Fixed, /*ready=*/false);
    Open();
    ui.click(Nav(shell::Section::DiskSpace));
    EXPECT_TRUE(Dashboard().cardArea().children().empty());
    EXPECT_EQ(Dashboard().summary().text(), "الأقراص: 0  |  الكلي: 0.0 GB  |  المتاح لك: 0.0 GB");
}

// A drive D of 200 GiB with 50 free, described so that its readings may fail.
platform::emulated::DriveDescription DataDrive() {
    return {.label = "Data",
            .sizes = platform::emulated::DriveSizes{200 * testing::kGiB, 50 * testing::kGiB,
                                                    50 * testing::kGiB}};
}

TEST_F(DiskSpaceTest, AFailedSpaceQueryShowsOnItsCardAndGoesToTheLog) {
    struct Case {
        const char* name;
        bool failsWhenOpened; // else at the next refresh, after a good reading
        int filled;           // the bar keeps what it last showed
    } cases[] = {
        {"while the cards are rebuilt", true, 0},
        {"at a later refresh", false, 195},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (auto log = machine.HostPathOf(std::string(kDataFolder) + "\\Diagnostics.txt")) {
            std::filesystem::remove(*log); // each case starts with no log
        }
        platform::emulated::DriveDescription failing = DataDrive();
        failing.spaceFailure = base::ErrorKind::Io;
        Drive('D', c.failsWhenOpened ? failing : DataDrive());
        Open();
        ui.click(Nav(shell::Section::DiskSpace));
        if (!c.failsWhenOpened) {
            ASSERT_EQ(Info(1), "المستخدم: 150.00 GB\r\nالمتاح لك: 50.00 GB\r\nالكلي: 200.00 GB");
            Drive('D', failing);
            ui.advanceTime(5000);
        }

        EXPECT_EQ(OnStage(), "disk-space");
        EXPECT_EQ(CardNames(), (std::vector<std::string>{"C:\\  Windows", "D:\\  Data"}));
        EXPECT_EQ(Info(1), "تعذر قراءة القرص؛ افتح سجل التشخيص");
        EXPECT_EQ(Filled(1), c.filled);
        // The other card and the summary go on; the drive is counted, its bytes are not.
        EXPECT_EQ(Info(0), "المستخدم: 60.00 GB\r\nالمتاح لك: 30.00 GB\r\nالكلي: 100.00 GB");
        EXPECT_EQ(Dashboard().summary().text(),
                  "الأقراص: 2  |  الكلي: 100.0 GB  |  المتاح لك: 30.0 GB");
        EXPECT_EQ(LogText(), "\xEF\xBB\xBF"
                             "2024-01-01T00:00:00 : The request could not be "
                             "performed because of an I/O device error.\r\n");
        window.reset();
    }
}

// Reading a name fails the rebuild as an unhandled error; the card area must
// still lay out the cards of the next rebuild.
TEST_F(DiskSpaceTest, AFailedLabelEndsTheRebuildButNotTheCardAreasLayout) {
    platform::emulated::DriveDescription unnamed = DataDrive();
    unnamed.labelFailure = base::ErrorKind::AccessDenied;
    Drive('D', unnamed);
    Open();
    ui.failOnError = false;
    ui.click(Nav(shell::Section::DiskSpace));
    ASSERT_EQ(ui.errors().size(), 1u);
    EXPECT_NE(ui.errors()[0].find("Access is denied."), std::string::npos) << ui.errors()[0];

    Drive('D', DataDrive());
    ui.click(Nav(shell::Section::DiskSpace));
    EXPECT_EQ(ui.errors().size(), 1u);
    ASSERT_EQ(CardNames(), (std::vector<std::string>{"C:\\  Windows", "D:\\  Data"}));
    const auto& cards = Dashboard().cardArea().children();
    // Placed from the right: the second card stands left of the first.
    EXPECT_LT(cards[1]->bounds().x, cards[0]->bounds().x);
}

TEST_F(DiskSpaceTest, ADriveOfSizeZeroReadsZerosWithAnEmptyBar) {
    Drive('D', "Empty", 0, 0, 0, DriveType::Removable);
    Open();
    ui.click(Nav(shell::Section::DiskSpace));
    EXPECT_EQ(Info(1), "المستخدم: 0.00 GB\r\nالمتاح لك: 0.00 GB\r\nالكلي: 0.00 GB");
    EXPECT_EQ(Dashboard().widgets().at(1).bar->fraction(), 0.0);
    EXPECT_EQ(Filled(1), 0);
    EXPECT_EQ(LogText(), "<unreadable>");
}

TEST_F(DiskSpaceTest, OpenButtonAsksExplorerForTheDrive) {
    Open();
    ui.click(Nav(shell::Section::DiskSpace));
    ui.click(Dashboard().cardArea(), "فتح القرص ←");
    const auto calls = machine.ShellCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, "explorer.exe");
    EXPECT_EQ(calls[0].arguments, "\"C:\\\"");
}

} // namespace
} // namespace vexo::space
