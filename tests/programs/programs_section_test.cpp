// The Programs section in the main window: the list loaded on its worker,
// ticking and finding, and the queue of uninstallers with its prompts, log
// and report.

#include "programs_fixture.h"
#include "records/cleanup_report.h"

#include <array>
#include <gmock/gmock.h>
#include <optional>

namespace vexo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using toolkit::DialogResult;

namespace p = programs;

constexpr const char* kNotes = "C:\\Program Files\\Notes\\unins000.exe";
constexpr const char* kPaint = "C:\\Program Files\\Paint Pro\\uninstall.exe";
constexpr const char* kTax = "C:\\Program Files\\Tax 2024\\remove.exe";

class ProgramsTest : public ProgramsFixture {
protected:
    // Three programs that can be removed and two that cannot.
    void UsualEntries() {
        Entry("Notes", "Notes", std::string("\"") + kNotes + "\" /SILENT",
              "\"Publisher\"=\"Quill Ltd\"\n\"EstimatedSize\"=dword:00000600\n");
        Entry("PaintPro", "Paint Pro", kPaint, "\"Publisher\"=\"Brush & Co\"\n");
        Entry("Tax", "Tax 2024", kTax, "\"EstimatedSize\"=dword:00000034\n");
        Entry("Driver", "NVIDIA Graphics Driver", "C:\\Windows\\nv\\uninst.exe");
        Entry("Bare", "Bare Tool", "");
        for (const char* program : {kNotes, kPaint, kTax}) {
            LeavesItsKey(program);
        }
    }
};

// ---- opening and loading ------------------------------------------------------------------

TEST_F(ProgramsTest, OpensFromTheNavigationAndHomeWithItsLayoutAndLoadsOnItsWorker) {
    UsualEntries();
    Start();
    for (const char* entry : {"nav", "home"}) {
        SCOPED_TRACE(entry);
        ui.click(Nav(Section::Home));
        if (std::string(entry) == "nav") {
            ui.click(Nav(Section::Applications));
            EXPECT_EQ(Heading(), kNavHeading);
        } else {
            ui.click(window->Stage(), kHomeButton);
            EXPECT_EQ(Heading(), kHomeHeading);
        }
        p::ProgramsSection& s = Programs();
        // The list is read on the worker: what the user first sees.
        EXPECT_TRUE(s.loading());
        EXPECT_EQ(s.footer().text(), p::kLoading);
        EXPECT_EQ(s.grid().rowCount(), 0);
        for (auto text : {p::kReloadText, p::kSelectVisibleText, p::kClearTicksText, p::kRemoveText,
                          p::kBulkText, p::kPauseText}) {
            EXPECT_FALSE(ButtonOf(text).enabled()) << text;
        }
        EXPECT_FALSE(s.searchBox().enabled());
        EXPECT_TRUE(ButtonOf(p::kWindowsListText).enabled());

        ui.advanceTime(p::kLoadPollMs * 3);
        EXPECT_TRUE(s.loading()) << "the timer waits for the worker";
        Finish();
        EXPECT_FALSE(s.loading());
        for (auto text : {p::kReloadText, p::kSelectVisibleText, p::kClearTicksText, p::kRemoveText,
                          p::kBulkText}) {
            EXPECT_TRUE(ButtonOf(text).enabled()) << text;
        }
        EXPECT_FALSE(ButtonOf(p::kPauseText).enabled());
        EXPECT_TRUE(s.searchBox().enabled());
    }

    p::ProgramsSection& s = Programs();
    auto* form = dynamic_cast<toolkit::Form*>(&View());
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->hosted());
    ASSERT_EQ(form->children().size(), 3u);
    auto* bar = dynamic_cast<toolkit::FlowLayout*>(form->children()[0].get());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->dock(), toolkit::Dock::Top);
    EXPECT_EQ(bar->bounds().height, 115);
    EXPECT_EQ(bar->direction(), toolkit::FlowDirection::RightToLeft);
    EXPECT_TRUE(bar->wrap());
    std::vector<std::string> tools;
    for (const auto& c : bar->children()) {
        tools.push_back(c->kind() == toolkit::Kind::TextBox
                            ? "[" + c->accessibleName() + " " + std::to_string(c->bounds().width) +
                                  "]"
                            : c->text());
    }
    EXPECT_THAT(tools, ElementsAre(p::kReloadText, p::kSelectVisibleText, p::kClearTicksText,
                                   p::kRemoveText, p::kPauseText,
                                   "[" + std::string(p::kSearchName) + " 220]", p::kBulkText,
                                   p::kWindowsListText));
    EXPECT_EQ(s.footer().dock(), toolkit::Dock::Bottom);
    EXPECT_EQ(s.footer().bounds().height, 75);
    EXPECT_EQ(s.grid().dock(), toolkit::Dock::Fill);

    std::vector<std::string> columns;
    for (const toolkit::GridColumn& c : s.grid().columns()) {
        columns.push_back(c.name + "|" + c.header + "|" + std::to_string(int(c.fillWeight)) +
                          (c.readOnly ? "|ro" : "|rw") + (c.sortable ? "|sort" : ""));
    }
    EXPECT_THAT(columns, ElementsAre("Select|تحديد|12|rw", "Name|البرنامج|70|ro|sort",
                                     "Publisher|الناشر|45|ro|sort", "Size|MB تقريبي|24|ro|sort",
                                     "State|الحالة|50|ro|sort"));

    EXPECT_EQ(ui.gridRows(s.grid()), (std::vector<std::vector<std::string>>{
                                         {"False", "Bare Tool", "", "", "لا يوجد أمر إزالة"},
                                         {"False", "Notes", "Quill Ltd", "1.5", "جاهز للمراجعة"},
                                         {"False", "NVIDIA Graphics Driver", "", "", "مكون محمي"},
                                         {"False", "Paint Pro", "Brush & Co", "", "جاهز للمراجعة"},
                                         {"False", "Tax 2024", "", "0.1", "جاهز للمراجعة"}}));
    EXPECT_EQ(s.footer().text(),
              "تم تحميل 5 برنامج. راجع الاختيار قبل الإزالة. تطبيقات Microsoft Store غير مشمولة؛ "
              "زر قائمة ويندوز يعرض خيارات النظام.");
    EXPECT_THAT(Boxes(), IsEmpty());

    Click(p::kWindowsListText);
    ASSERT_FALSE(machine.ShellCalls().empty());
    EXPECT_EQ(machine.ShellCalls().back().file, "ms-settings:appsfeatures");
}

TEST_F(ProgramsTest, SizesFollowTheUsersNumberFormat) {
    EXPECT_EQ(p::SizeText(1.5, base::Culture::EnUs()), "1.5");
    EXPECT_EQ(p::SizeText(1234.5, base::Culture::EnUs()), "1234.5");
    EXPECT_EQ(p::SizeText(12, base::Culture::EnUs()), "12");
    EXPECT_EQ(p::SizeText(0, base::Culture::EnUs()), "0");
    base::Culture comma = base::Culture::EnUs();
    comma.decimalSeparator = ",";
    EXPECT_EQ(p::SizeText(0.1, comma), "0,1");
}

// How a load can end, and what the footer and the diagnostics log say.
struct LoadEnding {
    const char* name;
    // Entries under the user's uninstall key, as key, name, extra value lines.
    std::vector<std::array<const char*, 3>> entries;
    std::optional<std::string> startFailure;
    std::optional<std::string> runFailure;
    std::string footer;
    std::vector<std::string> logLines;
    int rows;
};
void PrintTo(const LoadEnding& c, std::ostream* os) {
    *os << c.name;
}

class LoadEndings : public ProgramsTest, public ::testing::WithParamInterface<LoadEnding> {};

TEST_P(LoadEndings, TellTheUserAndTheLog) {
    const LoadEnding& c = GetParam();
    for (const auto& [key, name, more] : c.entries) {
        Entry(key, name, kNotes, more);
    }
    workers.startFailure = c.startFailure;
    workers.runFailure = c.runFailure;
    Start();
    ui.click(Nav(Section::Applications));
    if (!workers.runs.empty()) {
        Finish();
    }
    p::ProgramsSection& s = Programs();
    EXPECT_EQ(s.footer().text(), c.footer);
    EXPECT_EQ(s.grid().rowCount(), c.rows);
    EXPECT_FALSE(s.loading());
    EXPECT_TRUE(ButtonOf(p::kReloadText).enabled()) << "the user can load again";
    const std::string log = LogText();
    for (const std::string& line : c.logLines) {
        EXPECT_THAT(log, HasSubstr(line));
    }
    EXPECT_THAT(Boxes(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Programs, LoadEndings,
    ::testing::Values(LoadEnding{"AnUnreadableSizeCostsItsEntryOnly",
                                 {{"Good", "Good", ""},
                                  {"Odd", "Odd", "\"EstimatedSize\"=\"lots\"\n"}},
                                 {},
                                 {},
                                 p::LoadedText(1) + std::string(p::kSomeUnreadable),
                                 {"App loader: "},
                                 1},
                      LoadEnding{"NoEntries",
                                 {},
                                 {},
                                 {},
                                 std::string(p::kNoEntries),
                                 {"App inventory returned 0 entries."},
                                 0},
                      LoadEnding{"OnlyUnreadableEntries",
                                 {{"Odd", "Odd", "\"EstimatedSize\"=multi:\"1\",\"2\"\n"}},
                                 {},
                                 {},
                                 std::string(p::kNoEntries),
                                 {"App loader: ", "App inventory returned 0 entries."},
                                 0},
                      LoadEnding{"TheWorkerCannotStart",
                                 {},
                                 "no threads left",
                                 {},
                                 "تعذر بدء تحميل البرامج: no threads left",
                                 {"no threads left"},
                                 0},
                      LoadEnding{"TheRunFailsAsAWhole",
                                 {},
                                 {},
                                 "registry gone",
                                 "تعذر تحميل البرامج: registry gone",
                                 {"App load failed: registry gone"},
                                 0}),
    [](const ::testing::TestParamInfo<LoadEnding>& param) {
        return std::string(param.param.name);
    });

// ---- finding and ticking --------------------------------------------------------------------

TEST_F(ProgramsTest, ProtectedAndCommandlessRowsCanNeverBeTicked) {
    UsualEntries();
    OpenLoaded();
    toolkit::DataGrid& grid = Programs().grid();
    EXPECT_FALSE(grid.userTick(RowNamed("NVIDIA Graphics Driver")));
    EXPECT_FALSE(grid.userTick(RowNamed("Bare Tool")));
    Click(p::kSelectVisibleText);
    EXPECT_THAT(Cells("Select"), ElementsAre("False", "True", "False", "True", "True"));
    // Still so after the user sorts the rows.
    grid.userHeaderClick(Column("Name"));
    grid.userHeaderClick(Column("Name"));
    Click(p::kClearTicksText);
    Click(p::kSelectVisibleText);
    EXPECT_FALSE(Ticked("NVIDIA Graphics Driver"));
    EXPECT_FALSE(Ticked("Bare Tool"));
    EXPECT_TRUE(Ticked("Notes"));
}

TEST_F(ProgramsTest, TheFilterHidesUnticksAndNeverTicksAgain) {
    UsualEntries();
    OpenLoaded();
    p::ProgramsSection& s = Programs();
    Tick("Notes");
    Tick("Paint Pro");
    s.grid().userSelect(RowNamed("Notes"), false, 1);
    ui.type(s.searchBox(), "  brush ");
    EXPECT_EQ(s.grid().currentCell(), toolkit::GridCellRef{});
    std::vector<std::string> visible;
    for (int row : s.grid().visibleRows()) {
        visible.push_back(s.grid().cellText(row, Column("Name")));
    }
    EXPECT_THAT(visible, ElementsAre("Paint Pro")) << "the publisher counts, case ignored";
    EXPECT_FALSE(Ticked("Notes")) << "a hidden row loses its tick";
    EXPECT_TRUE(Ticked("Paint Pro"));

    ui.type(s.searchBox(), "");
    EXPECT_EQ(s.grid().visibleRows().size(), 5u);
    EXPECT_FALSE(Ticked("Notes")) << "and does not get it back";

    // The bulk button takes only what the filter shows.
    ui.type(s.searchBox(), "TAX");
    RemovesItsKey(kTax, "Tax");
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(p::kBulkText);
    EXPECT_FALSE(Ticked("Paint Pro")) << "hidden by the filter";
    EXPECT_THAT(Boxes(), ElementsAre(std::string(p::kConfirmCaption) + "|" +
                                         std::string(p::kConfirmHead) + "Tax 2024",
                                     ::testing::StartsWith("فيكسو|")));
}

TEST_F(ProgramsTest, ReloadEmptiesTheSearchAndReadsTheRegistryAgain) {
    UsualEntries();
    OpenLoaded();
    p::ProgramsSection& s = Programs();
    ui.type(s.searchBox(), "notes");
    Entry("Later", "Later App", kNotes);
    Click(p::kReloadText);
    EXPECT_EQ(s.searchBox().text(), "");
    EXPECT_EQ(s.grid().rowCount(), 0);
    EXPECT_TRUE(s.loading());
    Finish();
    EXPECT_EQ(s.grid().visibleRows().size(), 6u);
    EXPECT_EQ(workers.runs.size(), 2u);
}

TEST_F(ProgramsTest, LeavingWhileLoadingAbandonsTheWorkerQuietly) {
    UsualEntries();
    Start();
    ui.click(Nav(Section::Applications));
    ui.click(Nav(Section::Home));
    ASSERT_EQ(workers.runs.size(), 1u);
    EXPECT_TRUE(workers.runs[0]->abandoned);
    workers.FinishLast();
    ui.advanceTime(p::kLoadPollMs * 2);
    EXPECT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(OnStage(), "home");
}

// ---- the queue ----------------------------------------------------------------------------------

TEST_F(ProgramsTest, RunsEachUninstallerInTurnAndReportsEveryOutcome) {
    UsualEntries();
    Entry("Own", "VEXO SOLVANE",
          "powershell.exe -NoProfile -ExecutionPolicy Bypass -File \"C:\\x\\uninstall.ps1\"");
    Entry("Suite", "Office Suite", "MsiExec.exe /I{1A2b3C4d-0000-1111-2222-333344445555}");
    RemovesItsKey(kNotes, "Notes", -5);
    // Paint Pro hands its work to another process: its entry stays.
    RemovesItsKey("C:\\Windows\\System32\\msiexec.exe", "Suite", 1602);
    platform::emulated::ProcessScript declined;
    declined.startError =
        base::Error{base::ErrorKind::Cancelled, "The operation was canceled by the user."};
    machine.ScriptProcess(kTax, declined);
    machine.SetEnv("WINDIR", "C:\\Windows");
    OpenLoaded();
    for (const char* name : {"Notes", "Paint Pro", "Tax 2024", "VEXO SOLVANE", "Office Suite"}) {
        Tick(name);
    }
    EXPECT_EQ(StateOf("VEXO SOLVANE"), p::kStateReady);

    std::vector<std::string> seen;
    ui.backend().onPump = [&] {
        for (const char* name : {"Notes", "Paint Pro"}) {
            if (StateOf(name) == p::kStateRunning) {
                seen.push_back(name);
            }
        }
    };
    ui.expectMessageBox(DialogResult::Yes); // the confirmation
    ui.expectMessageBox(DialogResult::Yes); // Paint Pro's entry stayed: go on
    ui.expectMessageBox(DialogResult::Ok);  // Tax: declined
    ui.expectMessageBox(DialogResult::Ok);  // VEXO SOLVANE: an interpreter
    ui.expectMessageBox(DialogResult::Ok);  // the summary
    Click(p::kRemoveText);

    EXPECT_THAT(seen, ::testing::Contains("Notes"));
    EXPECT_THAT(seen, ::testing::Contains("Paint Pro"));
    const auto& boxes = ui.shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].text, std::string(p::kConfirmHead) +
                                 "Notes\r\nOffice Suite\r\nPaint Pro\r\nTax 2024\r\nVEXO SOLVANE");
    EXPECT_EQ(boxes[0].caption, p::kConfirmCaption);
    EXPECT_EQ(boxes[0].icon, toolkit::MessageIcon::Warning);
    EXPECT_EQ(boxes[0].buttons, toolkit::MessageButtons::YesNo);
    EXPECT_TRUE(boxes[0].hasOwner);
    EXPECT_EQ(boxes[1].text, p::kContinuePrompt);
    EXPECT_EQ(boxes[1].caption, p::kContinueCaption);
    EXPECT_EQ(boxes[1].icon, toolkit::MessageIcon::None);
    EXPECT_EQ(boxes[2].caption, p::kFailureCaption);
    EXPECT_EQ(boxes[2].text, "Tax 2024\r\nThe operation was canceled by the user.");
    EXPECT_EQ(boxes[3].text, "VEXO SOLVANE\r\nيتطلب الإزالة من قائمة ويندوز");
    EXPECT_EQ(boxes[4].caption, "فيكسو");

    EXPECT_EQ(StateOf("Notes"), p::kStateRemoved);
    EXPECT_EQ(StateOf("Office Suite"), p::kStateRemoved);
    EXPECT_EQ(StateOf("Paint Pro"), p::kStateReviewAfterReload);
    EXPECT_EQ(StateOf("Tax 2024"), p::kStateFailed);
    EXPECT_EQ(StateOf("VEXO SOLVANE"), p::kStateFailed);
    EXPECT_TRUE(Ticked("Notes")) << "the rows keep their ticks until a reload";

    std::vector<std::string> started;
    for (const platform::ShellLaunch& call : machine.ShellCalls()) {
        started.push_back(call.file + " " + call.arguments + (call.wantProcess ? " +process" : "") +
                          (call.noErrorUi ? " +quiet" : "") + (call.verb.empty() ? "" : " verb"));
    }
    EXPECT_THAT(started, ElementsAre(std::string(kNotes) + " /SILENT +process +quiet",
                                     "C:\\Windows\\System32\\msiexec.exe /x "
                                     "{1A2b3C4d-0000-1111-2222-333344445555} +process +quiet",
                                     std::string(kPaint) + "  +process +quiet",
                                     std::string(kTax) + "  +process +quiet"));

    ASSERT_EQ(AppsLogs().size(), 1u);
    EXPECT_EQ(AppsLogs()[0], "\xEF\xBB\xBF"
                             "Notes : launched; exit=-5\r\n"
                             "Office Suite : launched; exit=1602\r\n"
                             "Paint Pro : launched; exit=0\r\n"
                             "Tax 2024 : The operation was canceled by the user.\r\n"
                             "VEXO SOLVANE : يتطلب الإزالة من قائمة ويندوز\r\n");
    const auto report = reports->LastReport();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->kind, "برامج");
    EXPECT_EQ(report->attempted, 5);
    EXPECT_EQ(report->success, 2);
    EXPECT_EQ(report->failed, 3);
    EXPECT_FALSE(report->stopped);
    EXPECT_EQ(report->logicalRemoved, 0);
    EXPECT_EQ(boxes[4].text,
              records::ReportSummary18(*report, machine.environment().UserCulture()));

    EXPECT_FALSE(Programs().busy());
    EXPECT_FALSE(window->Busy().embeddedBusy);
    EXPECT_FALSE(ButtonOf(p::kPauseText).enabled());
    EXPECT_TRUE(ButtonOf(p::kRemoveText).enabled());
    EXPECT_TRUE(Programs().grid().enabled());
}

TEST_F(ProgramsTest, WhileTheQueueRunsOnlyPauseAnswersAndLeavingIsRefused) {
    UsualEntries();
    platform::emulated::ProcessScript slow;
    slow.runTicks = 3;
    machine.ScriptProcess(kNotes, slow);
    OpenLoaded();
    Tick("Notes");
    Tick("Paint Pro");
    bool checked = false;
    ui.backend().onPump = [&] {
        if (checked || StateOf("Notes") != p::kStateRunning) {
            return;
        }
        checked = true;
        ui.backend().onPump = nullptr;
        EXPECT_TRUE(window->Busy().embeddedBusy);
        for (auto text : {p::kReloadText, p::kSelectVisibleText, p::kClearTicksText, p::kRemoveText,
                          p::kBulkText}) {
            EXPECT_FALSE(ButtonOf(text).enabled()) << text;
        }
        EXPECT_FALSE(Programs().searchBox().enabled());
        EXPECT_FALSE(Programs().grid().enabled());
        EXPECT_TRUE(ButtonOf(p::kWindowsListText).enabled());
        ui.expectMessageBox(DialogResult::Ok);
        ui.click(Nav(Section::Home));
        EXPECT_EQ(OnStage(), "programs");
        ui.expectMessageBox(DialogResult::Ok);
        EXPECT_FALSE(window->RequestClose());
        ui.expectMessageBox(DialogResult::Ok);
        EXPECT_FALSE(dynamic_cast<toolkit::Form&>(View()).requestClose());
        ui.click(ButtonOf(p::kPauseText));
        EXPECT_EQ(ButtonOf(p::kPausingText).text(), p::kPausingText);
    };
    ui.expectMessageBox(DialogResult::Yes); // confirmation
    ui.expectMessageBox(DialogResult::Yes); // Notes' key stays: go on (the pause ends it)
    ui.expectMessageBox(DialogResult::Ok);  // summary
    Click(p::kRemoveText);
    ASSERT_TRUE(checked);

    const auto& boxes = ui.shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[1].text, shell::kNavigateRefusal);
    EXPECT_EQ(boxes[2].text, shell::kCloseWait);
    EXPECT_EQ(boxes[3].text, p::kFinishFirst);
    EXPECT_FALSE(boxes[3].hasOwner);
    EXPECT_EQ(boxes[3].caption, "");
    EXPECT_EQ(StateOf("Paint Pro"), p::kStateReady) << "the pause left it out";
    EXPECT_TRUE(reports->LastReport()->stopped);
    EXPECT_EQ(reports->LastReport()->attempted, 1);
    EXPECT_EQ(ButtonOf(p::kPausingText).text(), p::kPausingText)
        << "the pause button keeps its text until the next run";
    EXPECT_FALSE(ButtonOf(p::kPausingText).enabled());
}

// Pressing pause during the last program still marks the run as stopped;
// a No at the last program's prompt ends nothing that was left to do.
struct LastProgram {
    const char* name;
    bool pauseDuringIt;
    DialogResult atPrompt;
    bool stopped;
    const char* state;
};
void PrintTo(const LastProgram& c, std::ostream* os) {
    *os << c.name;
}

class LastPrograms : public ProgramsTest, public ::testing::WithParamInterface<LastProgram> {};

TEST_P(LastPrograms, DecideWhetherTheRunCountsAsStopped) {
    const LastProgram& c = GetParam();
    Entry("Notes", "Notes", kNotes);
    LeavesItsKey(kNotes);
    OpenLoaded();
    Tick("Notes");
    if (c.pauseDuringIt) {
        ui.backend().onPump = [this] {
            if (ButtonOf(p::kPauseText).enabled()) {
                ui.backend().onPump = nullptr;
                Click(p::kPauseText);
            }
        };
    }
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(c.atPrompt);
    ui.expectMessageBox(DialogResult::Ok);
    Click(p::kRemoveText);
    EXPECT_EQ(StateOf("Notes"), c.state);
    ASSERT_TRUE(reports->LastReport().has_value());
    EXPECT_EQ(reports->LastReport()->stopped, c.stopped);
    EXPECT_EQ(reports->LastReport()->attempted, 1);
    EXPECT_EQ(reports->LastReport()->success, 0);
}

INSTANTIATE_TEST_SUITE_P(Programs, LastPrograms,
                         ::testing::Values(LastProgram{"PauseDuringIt", true, DialogResult::Yes,
                                                       true, "راجع القائمة بعد التحديث"},
                                           LastProgram{"NoAtItsPrompt", false, DialogResult::No,
                                                       false, "تحقق من اكتمال نافذة الإزالة"}),
                         [](const ::testing::TestParamInfo<LastProgram>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(ProgramsTest, NoAtTheContinuePromptEndsTheQueueThere) {
    UsualEntries();
    OpenLoaded();
    Tick("Notes");
    Tick("Paint Pro");
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::No);
    ui.expectMessageBox(DialogResult::Ok);
    Click(p::kRemoveText);
    EXPECT_EQ(StateOf("Notes"), p::kStateCheckWindow);
    EXPECT_EQ(StateOf("Paint Pro"), p::kStateReady);
    EXPECT_EQ(machine.ShellCalls().size(), 1u);
    EXPECT_TRUE(reports->LastReport()->stopped);
}

TEST_F(ProgramsTest, EntriesThatVanishedBeforeTheirTurnAreNotStarted) {
    UsualEntries();
    OpenLoaded();
    Tick("Notes");
    Tick("Tax 2024");
    ASSERT_TRUE(machine.registry()
                    .DeleteKeyTree(platform::Hive::CurrentUser, std::string(kUninstall) + "\\Notes")
                    .ok());
    ASSERT_TRUE(machine.registry()
                    .DeleteKeyTree(platform::Hive::CurrentUser, std::string(kUninstall) + "\\Tax")
                    .ok());
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(p::kRemoveText);
    EXPECT_EQ(StateOf("Notes"), p::kStateVanished);
    EXPECT_EQ(StateOf("Tax 2024"), p::kStateVanished);
    EXPECT_THAT(machine.ShellCalls(), IsEmpty());
    EXPECT_THAT(AppsLogs(), IsEmpty()) << "a run without a line leaves no log";
    EXPECT_EQ(reports->LastReport()->attempted, 2);
    EXPECT_EQ(reports->LastReport()->success, 0);
    EXPECT_FALSE(reports->LastReport()->stopped);
}

TEST_F(ProgramsTest, NothingStartsWithoutTicksOrWithoutAYes) {
    UsualEntries();
    OpenLoaded();
    ui.expectMessageBox(DialogResult::Ok);
    Click(p::kRemoveText);
    ASSERT_EQ(ui.shownMessageBoxes().size(), 1u);
    EXPECT_EQ(ui.shownMessageBoxes()[0].text, p::kTickFirst);
    EXPECT_FALSE(ui.shownMessageBoxes()[0].hasOwner);
    EXPECT_EQ(ui.shownMessageBoxes()[0].caption, "");

    Tick("Notes");
    ui.expectMessageBox(DialogResult::No);
    Click(p::kRemoveText);
    EXPECT_THAT(machine.ShellCalls(), IsEmpty());
    EXPECT_FALSE(reports->LastReport().has_value());
    EXPECT_EQ(StateOf("Notes"), p::kStateReady);
}

TEST_F(ProgramsTest, TheQueueFollowsTheOrderTheUserSortedAndRefusesBadCommands) {
    Entry("A", "Alpha", "   ");
    Entry("B", "Beta", "unins000.exe /S");
    Entry("C", "Gamma", "MsiExec.exe /qb");
    Entry("D", "Delta", "\"C:\\Program Files\\Delta\\setup.exe");
    OpenLoaded();
    toolkit::DataGrid& grid = Programs().grid();
    grid.userHeaderClick(Column("Name"));
    grid.userHeaderClick(Column("Name")); // descending
    Click(p::kSelectVisibleText);
    for (int i = 0; i < 6; ++i) {
        ui.expectMessageBox(i == 0 ? DialogResult::Yes : DialogResult::Ok);
    }
    Click(p::kRemoveText);
    std::vector<std::string> boxes;
    for (std::size_t i = 1; i + 1 < ui.shownMessageBoxes().size(); ++i) {
        boxes.push_back(ui.shownMessageBoxes()[i].text);
    }
    EXPECT_THAT(boxes,
                ElementsAre("Gamma\r\nأمر MSI غير مدعوم",
                            "Delta\r\nصيغة الإزالة غير مدعومة؛ استخدم قائمة ويندوز لهذا البرنامج",
                            "Beta\r\nمسار إزالة غير كامل؛ استخدم قائمة ويندوز",
                            "Alpha\r\nصيغة الإزالة غير مدعومة؛ استخدم قائمة ويندوز لهذا البرنامج"));
    EXPECT_THAT(machine.ShellCalls(), IsEmpty());
}

} // namespace
} // namespace vexo::testing
