// The Cleanup report section: the report shown beside the drives read now,
// measure again, and the Windows tools it hands repair and restart to.

#include "tools/tools_fixture.h"

namespace vexo::tools {
namespace {

using toolkit::DialogResult;
using toolkit::MessageButtons;
using toolkit::MessageIcon;
using Row = std::vector<std::string>;

class CleanupReportTest : public testing::ToolsFixture {};

TEST_F(CleanupReportTest, FirstRunShowsTheNoReportTextAndTheDrivesAlone) {
    Drive('D', "Data", 500, 200, 200);
    OpenReport();
    EXPECT_EQ(Heading(), kReportHeading);
    EXPECT_EQ(Nav(Section::CleanupReport).backColor(), shell::kNavSelectedBack);
    EXPECT_EQ(Report().summary().text(), kNoReport);
    EXPECT_FALSE(Report().shown().has_value());
    // Before and Delta stay empty: there is nothing to compare with.
    EXPECT_EQ(Table(), (std::vector<Row>{{"C:\\", "", "30.00", "", "60.00", "100.00"},
                                         {"D:\\", "", "200.00", "", "300.00", "500.00"}}));
}

TEST_F(CleanupReportTest, ShowsItsControlsInOrder) {
    OpenReport();
    std::vector<std::string> headers;
    for (const auto& column : Report().table().columns()) {
        headers.push_back(column.header);
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"القرص", "المتاح قبل GB", "المتاح الآن GB",
                                                 "الفرق GB", "المستخدم الباقي GB", "الكلي GB"}));
    EXPECT_TRUE(Report().table().readOnly());
    EXPECT_EQ(toolkit::headless::HeadlessApp::visibleTexts(View()),
              (std::vector<std::string>{std::string(kNoReport), std::string(kMeasureText),
                                        std::string(kRecycleBinText), std::string(kRepairText),
                                        std::string(kRestartText), std::string(kCancelRestartText),
                                        std::string(kReportNote)}));
    auto& layout = dynamic_cast<toolkit::TableLayout&>(View());
    ASSERT_EQ(layout.rows().size(), 4u);
    EXPECT_EQ(layout.rows()[0].value, 130);
    EXPECT_EQ(layout.rows()[1].value, 50);
    EXPECT_EQ(layout.rows()[2].type, toolkit::TrackType::Fill);
    EXPECT_EQ(layout.rows()[3].value, 65);
    EXPECT_EQ(Report().summary().font(), (toolkit::Font{"Segoe UI", 11.0f, true}));
}

// The drives of the table are the drives of now: one attached since the
// clean-up has nothing to compare with, one gone since has no row, and the
// roots match whatever their letter case.
TEST_F(CleanupReportTest, ComparesTheDrivesOfNowWithThoseBeforeTheCleanUp) {
    SavedReport({Reading("c:\\", 28), Reading("E:\\", 10)});
    Drive('D', "USB", 16, 8, 8, platform::DriveType::Removable);
    OpenReport();
    EXPECT_EQ(Report().summary().text(),
              records::ReportSummary18(*Report().shown(), base::Culture::EnUs()));
    EXPECT_EQ(Table(), (std::vector<Row>{{"C:\\", "28.00", "30.00", "2.00", "60.00", "100.00"},
                                         {"D:\\", "", "8.00", "", "8.00", "16.00"}}));
}

TEST_F(CleanupReportTest, ALossOfSpaceShowsAsANegativeDelta) {
    SavedReport({Reading("C:\\", 31)});
    OpenReport();
    EXPECT_EQ(Table().at(0).at(3), "-1.00");
}

// The report is the one in memory even when its file could not be written;
// after a restart of the application, the one in the file.
TEST_F(CleanupReportTest, ShowsTheReportInMemoryElseTheOneInTheFile) {
    SavedReport({Reading("C:\\", 20)}); // written to the file
    machine.FailOperation(std::string(kDataFolder) + "\\LastCleanup.json.tmp",
                          platform::emulated::FileOp::Write, base::ErrorKind::Io);
    const records::CleanupReport unsaved = SavedReport({Reading("C:\\", 25)});
    OpenReport();
    ASSERT_TRUE(Report().shown().has_value());
    EXPECT_EQ(*Report().shown(), unsaved);
    EXPECT_EQ(Table().at(0).at(1), "25.00");

    // A new application: nothing in memory, the file's report.
    reports = std::make_shared<records::ReportStore>(machine);
    window.reset();
    OpenReport();
    ASSERT_TRUE(Report().shown().has_value());
    EXPECT_EQ(Table().at(0).at(1), "20.00");
}

TEST_F(CleanupReportTest, AnUnreadableReportFileIsNoReport) {
    Write(std::string(kDataFolder) + "\\LastCleanup.json", "{\"At\": ");
    OpenReport();
    EXPECT_EQ(Report().summary().text(), kNoReport);
    EXPECT_EQ(Table().size(), 1u);
    EXPECT_TRUE(ui.shownMessageBoxes().empty());
}

// Measuring again reads the drives afresh; the summary keeps describing the
// report as it was when the section opened.
TEST_F(CleanupReportTest, MeasuringAgainReadsTheDrivesAndKeepsTheSummary) {
    SavedReport({Reading("C:\\", 28)});
    OpenReport();
    const std::string summary = Report().summary().text();
    Drive('F', "New", 50, 5, 5);
    SavedReport({Reading("C:\\", 1)}); // a later report is not shown until the next opening
    Click(kMeasureText);
    EXPECT_EQ(Report().summary().text(), summary);
    EXPECT_EQ(Table(), (std::vector<Row>{{"C:\\", "28.00", "30.00", "2.00", "60.00", "100.00"},
                                         {"F:\\", "", "5.00", "", "45.00", "50.00"}}));
}

TEST_F(CleanupReportTest, OpensTheRecycleBinThroughExplorer) {
    OpenReport();
    Click(kRecycleBinText);
    const auto calls = machine.ShellCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, "explorer.exe");
    EXPECT_EQ(calls[0].arguments, "shell:RecycleBinFolder");
}

// ---- restart --------------------------------------------------------------------------

TEST_F(CleanupReportTest, RestartPressedTwiceIsRefusedByWindowsTheSecondTime) {
    ScriptShutdown(0, /*laterExitCode=*/1190); // a restart is already scheduled
    OpenReport();
    for (int press = 0; press < 2; ++press) {
        ui.expectMessageBox(DialogResult::Yes);
        ui.expectMessageBox(DialogResult::Ok);
        Click(kRestartText);
    }
    const std::string ask = std::string(kRestartCaption) + "|" + std::string(kRestartQuestion);
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{ask, Told(kRestartRequested), ask, Told(kRestartRefused)}));
    const auto& question = ui.shownMessageBoxes().front();
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.owner, std::string(shell::kWindowTitle));

    const auto starts = machine.ProcessStarts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].application, kShutdown);
    EXPECT_EQ(starts[0].commandLine, "\"C:\\Windows\\System32\\shutdown.exe\" /r /t 60");
    EXPECT_TRUE(starts[0].noWindow);
}

TEST_F(CleanupReportTest, RestartDeclinedStartsNothing) {
    OpenReport();
    ui.expectMessageBox(DialogResult::No);
    Click(kRestartText);
    EXPECT_TRUE(machine.ProcessStarts().empty());
    EXPECT_EQ(ui.shownMessageBoxes().size(), 1u);
}

TEST_F(CleanupReportTest, CancelRestartTellsWhatWindowsAnswered) {
    struct Case {
        int exitCode;
        std::string_view told;
    } cases[] = {
        {0, kRestartCancelled}, {1116, kNothingToCancel}, // no restart pending
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exitCode);
        ScriptShutdown(c.exitCode);
        window.reset();
        OpenReport();
        ui.expectMessageBox(DialogResult::Ok); // no confirmation before it
        Click(kCancelRestartText);
        EXPECT_EQ(Boxes().back(), Told(c.told));
        EXPECT_EQ(machine.ProcessStarts().back().commandLine,
                  "\"C:\\Windows\\System32\\shutdown.exe\" /a");
    }
    EXPECT_EQ(ui.shownMessageBoxes().size(), 2u);
}

TEST_F(CleanupReportTest, AShutdownThatCannotStartTellsWindowsMessage) {
    machine.ScriptProcess(kShutdown, CannotStart(platform::win::kAccessDenied));
    OpenReport();
    ui.expectMessageBox(DialogResult::Ok);
    Click(kCancelRestartText);
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRestartText);
    const std::string denied = platform::ErrorFromCode(platform::win::kAccessDenied).message;
    EXPECT_EQ(Boxes().front(), Told(denied));
    EXPECT_EQ(Boxes().back(), Told(denied));
}

// ---- repair ------------------------------------------------------------------------------

TEST_F(CleanupReportTest, RepairStartsTheElevatedConsoleAfterConfirmation) {
    machine.ScriptProcess(kCmd, Runs(0));
    OpenReport();
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRepairText);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{std::string(kRepairCaption) + "|" +
                                                     std::string(kRepairQuestion),
                                                 Told(kRepairStarted)}));
    const auto& question = ui.shownMessageBoxes().front();
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.icon, MessageIcon::Information);
    EXPECT_EQ(question.owner, std::string(shell::kWindowTitle));

    const auto calls = machine.ShellCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].verb, "runas");
    EXPECT_EQ(calls[0].file, kCmd);
    EXPECT_EQ(calls[0].arguments,
              "/d /k \"DISM.exe /Online /Cleanup-Image /RestoreHealth && sfc.exe /scannow\"");
    EXPECT_EQ(calls[0].workingFolder, kSystem32);
    EXPECT_TRUE(calls[0].wantProcess);
    EXPECT_TRUE(calls[0].noErrorUi);
}

TEST_F(CleanupReportTest, RepairDeclinedAtTheQuestionStartsNothing) {
    OpenReport();
    ui.expectMessageBox(DialogResult::No);
    Click(kRepairText);
    EXPECT_TRUE(machine.ShellCalls().empty());
}

// The console is the application's, not the section's: leaving and coming
// back does not forget it. Once it has closed, a new repair starts.
TEST_F(CleanupReportTest, ASecondRepairWaitsUntilTheFirstConsoleHasClosed) {
    machine.ScriptProcess(kCmd, Runs(2)); // open for two looks
    OpenReport();
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRepairText);

    ui.click(Nav(Section::Home));
    OpenReport();
    for (int press = 0; press < 2; ++press) {
        ui.expectMessageBox(DialogResult::Ok);
        Click(kRepairText);
        EXPECT_EQ(Boxes().back(), Told(kRepairStillOpen));
    }
    EXPECT_EQ(machine.ShellCalls().size(), 1u);

    // The user closed the console.
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRepairText);
    EXPECT_EQ(Boxes().back(), Told(kRepairStarted));
    EXPECT_EQ(machine.ShellCalls().size(), 2u);
}

TEST_F(CleanupReportTest, DecliningTheElevationPromptTellsWindowsCancellation) {
    machine.ScriptProcess(kCmd, CannotStart(platform::win::kCancelled));
    OpenReport();
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRepairText);
    EXPECT_EQ(Boxes().back(),
              Told(std::string(kRepairNotStarted) + "The operation was canceled by the user."));
    // No console is kept: the next press asks again.
    machine.ScriptProcess(kCmd, Runs(5));
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRepairText);
    EXPECT_EQ(Boxes().back(), Told(kRepairStarted));
}

// The shell may start the console without handing back its process: there
// is then nothing to wait for, and a second repair is not held back.
TEST_F(CleanupReportTest, AConsoleGivenWithoutItsProcessHoldsNothingBack) {
    machine.ScriptProcess(kCmd, Runs(5, /*noProcess=*/true));
    OpenReport();
    for (int press = 0; press < 2; ++press) {
        ui.expectMessageBox(DialogResult::Yes);
        ui.expectMessageBox(DialogResult::Ok);
        Click(kRepairText);
    }
    EXPECT_EQ(machine.ShellCalls().size(), 2u);
}

TEST_F(CleanupReportTest, RepairIsRefusedWhileWorkRuns) {
    OpenReport();
    base::Lease work = window->HoldEmbedded({});
    ui.expectMessageBox(DialogResult::Ok);
    Click(kRepairText);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Told(shell::kNavigateRefusal)}));
    EXPECT_TRUE(machine.ShellCalls().empty());
}

} // namespace
} // namespace vexo::tools
