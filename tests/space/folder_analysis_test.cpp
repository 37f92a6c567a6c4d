// Folder analysis in the main window on an emulated machine: the drives
// view, a run on drive D with rows arriving as each entry finishes, its end,
// sort and save, a stop part-way, the saved view, and the failures that must
// leave the section (and an earlier saved analysis) as they were. The scan
// runs on its own thread; a test holds it at a folder to act mid-walk.

#include "shell/shell_fixture.h"
#include "space/folder_analysis.h"
#include "support/forwarding_files.h"
#include "support/forwarding_machine.h"
#include "support/listing_gate.h"
#include "support/write_faults.h"

#include <gmock/gmock.h>

namespace vexo::space {
namespace {

using platform::DriveType;
using platform::emulated::DriveDescription;
using platform::emulated::DriveSizes;
using platform::emulated::FileOp;
using ::testing::ElementsAre;
using testing::kGiB;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kSaved = "C:\\Users\\ali\\AppData\\Local\\VexoTolvik\\storage-v10-D.xml";
constexpr const char* kLogical = "حجم منطقي — عرض فقط";

// The emulated file service, with a walk that can be held at one folder.
class GatedFiles final : public testing::ForwardingFiles {
public:
    using ForwardingFiles::ForwardingFiles;
    base::Status ListFolder(const std::string& folder, platform::ListingSink& sink) override {
        gate.Enter(folder);
        return inner_.ListFolder(folder, sink);
    }
    base::Status ListFolderSizes(const std::string& folder, platform::ListingSink& sink) override {
        gate.Enter(folder);
        return inner_.ListFolderSizes(folder, sink);
    }
    testing::ListingGate gate;
};

class GatedMachine final : public testing::ForwardingMachine {
public:
    explicit GatedMachine(platform::Machine& inner)
        : ForwardingMachine(inner), files_(inner.files()) {}
    platform::Files& files() override { return files_; }
    testing::ListingGate& gate() { return files_.gate; }

private:
    GatedFiles files_;
};

class FolderAnalysisTest : public testing::ShellFixture {
protected:
    FolderAnalysisTest() { Drive('D', "Data", 200, 50, 40); }
    ~FolderAnalysisTest() override {
        // The scan borrows the gated machine: let it end before both go.
        gated.gate().Release();
        if (window) {
            if (auto* s = dynamic_cast<StorageSection*>(window->OpenedSection())) {
                if (auto scan = s->scanner()) {
                    scan->Cancel.store(true);
                    scan->Done.wait(false);
                }
            }
        }
        window.reset();
    }

    // The window, with the section opened from the More menu.
    StorageSection& OpenAnalysis() {
        Open([](shell::SectionCatalog& catalog) { RegisterFolderAnalysis(catalog); }, &gated);
        ChooseMore("تحليل المجلدات");
        return Analysis();
    }
    StorageSection& Analysis() {
        auto* s = dynamic_cast<StorageSection*>(window->OpenedSection());
        if (!s) {
            throw std::runtime_error("Folder analysis is not on the stage");
        }
        return *s;
    }
    toolkit::Control& View() { return *window->Stage().children().front(); }
    toolkit::Button& ButtonOf(std::string_view text) {
        return ui.get<toolkit::Button>(View(), std::string(text));
    }
    void Click(std::string_view text) { ui.click(ButtonOf(text)); }

    // Picks drive D and starts its analysis.
    void AnalyseD() {
        ui.pickItem(Analysis().driveList(), "D:\\");
        Click(kAnalyseText);
    }
    // Lets the scan end; the next tick takes the end up.
    void Finish() {
        if (auto scan = Analysis().scanner()) {
            scan->Done.wait(false);
        }
        ui.advanceTime(kAnalysisTickMs);
    }
    Rows Grid() { return ui.gridRows(Analysis().grid()); }
    std::string Status() { return Analysis().status().text(); }
    std::string LastBox() {
        return ui.shownMessageBoxes().empty() ? std::string("<none>")
                                              : ui.shownMessageBoxes().back().text;
    }
    // The buttons that are off while a scan runs, and the stop button.
    void ExpectRunning(bool running) {
        EXPECT_EQ(Analysis().busy(), running);
        EXPECT_EQ(window->Busy().embeddedBusy, running);
        EXPECT_EQ(ButtonOf(kAnalyseText).enabled(), !running);
        EXPECT_EQ(ButtonOf(kDrivesViewText).enabled(), !running);
        EXPECT_EQ(Analysis().driveList().enabled(), !running);
        EXPECT_EQ(ButtonOf(kStopAnalysisText).enabled(), running);
        EXPECT_TRUE(ButtonOf(kOpenFolderText).enabled());
    }
    void RemoveLog() {
        (void)machine.files().RemoveFile(std::string(kDataFolder) + "\\Diagnostics.txt");
    }

    GatedMachine gated{machine};
};

// ---- opening and the drives view ------------------------------------------------------

TEST_F(FolderAnalysisTest, OpensFromTheMoreMenuWithItsLayoutAndTheFixedDrives) {
    Drive('D', {.label = "Data", .sizes = DriveSizes{250 * kGiB, 325 * kGiB / 2, 601 * kGiB / 4}});
    Drive('E', "Stick", 64, 32, 32, DriveType::Removable);
    Drive('F', "Backup", 500, 100, 100, DriveType::Fixed, /*ready=*/false);
    Drive('G', "DVD", 4, 0, 0, DriveType::CdRom);
    Drive('H', "Share", 900, 450, 450, DriveType::Remote);
    StorageSection& s = OpenAnalysis();

    EXPECT_EQ(Heading(), "تحليل المجلدات");
    EXPECT_EQ(OnStage(), "folder-analysis");
    EXPECT_THAT(HostedTableRows(), ElementsAre(80, -1, 80));

    // The top bar from the right: the drive list, then the five buttons.
    toolkit::Control& bar = *s.driveList().parent();
    std::vector<std::string> order;
    int right = bar.size().width + 1;
    for (const auto& c : bar.children()) {
        order.push_back(c.get() == &s.driveList() ? "<drives>" : c->text());
        EXPECT_LT(c->bounds().right(), right) << c->text();
        EXPECT_GE(c->bounds().x, 0) << c->text();
        EXPECT_LE(c->bounds().bottom(), bar.size().height) << c->text();
        right = c->bounds().x;
    }
    EXPECT_THAT(order, ElementsAre("<drives>", "تحليل القرص المحدد", "إيقاف التحليل",
                                   "فتح المجلد المحدد", "عرض الأقراص والمساحة", "آخر تحليل محفوظ"));
    EXPECT_EQ(bar.size().height, 80);
    EXPECT_EQ(s.driveList().size().width, 210);
    EXPECT_THAT(s.driveList().items(), ElementsAre("C:\\", "D:\\"));
    EXPECT_EQ(s.driveList().selectedIndex(), 0);
    ExpectRunning(false);

    const toolkit::DataGrid& grid = s.grid();
    std::vector<std::string> columns;
    for (const toolkit::GridColumn& c : grid.columns()) {
        columns.push_back(c.name + "|" + c.header + (c.sortable ? "|sort" : "") + "|" +
                          std::to_string(static_cast<int>(c.fillWeight)));
    }
    EXPECT_THAT(columns, ElementsAre("Name|المجلد / القرص|sort|100", "GB|الحجم GB|sort|100",
                                     "Free|المتاح GB|sort|100", "Path|المسار|sort|100",
                                     "Notes|ملاحظات|sort|100"));
    EXPECT_TRUE(grid.readOnly());
    EXPECT_TRUE(grid.fullRowSelect());
    EXPECT_FALSE(grid.multiSelect());

    // No removable, unready, optical or network drive, in the list or the view.
    EXPECT_EQ(Grid(), (Rows{{"C:\\", "100", "30", "C:\\", "مستخدم 60 GB"},
                            {"D:\\", "250", "150.25", "D:\\", "مستخدم 87.5 GB"}}));
    EXPECT_EQ(Status(), kReadOnlyNotice);
}

TEST(FolderAnalysisTextTest, UsedNoteIsPlainAtTwoDecimalsTiesToEven) {
    struct Case {
        std::int64_t used;
        const char* note;
    } cases[] = {
        {120 * kGiB, "مستخدم 120 GB"},
        {1234 * kGiB + kGiB / 2, "مستخدم 1234.5 GB"}, // no grouping, no trailing zero
        {kGiB / 8, "مستخدم 0.12 GB"},                 // 0.125 goes to the even neighbour
        {3 * kGiB / 8, "مستخدم 0.38 GB"},
        {0, "مستخدم 0 GB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsedNote(c.used), c.note) << c.used;
    }
}

TEST(FolderAnalysisTextTest, ProgressGroupsItsCountsAndTheEndDoesNot) {
    const base::Culture culture = base::Culture::EnUs();
    EXPECT_EQ(ProgressText("Windows", 1234567, 1000, 2.5, culture),
              "فحص بالخلفية: Windows | ملفات: 1,234,567 | متجاوز: 1,000 | 3 ثانية");
    EXPECT_EQ(ProgressText("", 0, 0, 0.4, culture),
              "فحص بالخلفية:  | ملفات: 0 | متجاوز: 0 | 0 ثانية");
    EXPECT_EQ(EndText(kEndedComplete, 1234567, 1000),
              "اكتمل فحص العناصر المتاحة | ملفات: 1234567 | متجاوز: 1000 | الأحجام منطقية وقد "
              "تختلف عن المستخدم الفعلي. لا تحذف مجلدات النظام يدوياً.");
}

// ---- a complete run -------------------------------------------------------------------

TEST_F(FolderAnalysisTest, ACompleteRunShowsRowsAsTheyFinishSortsThemAndSavesArrivalOrder) {
    machine.SetUtcOffsetMinutes(180);
    machine.Advance((11 * 3600 + 7 * 60 + 9) * 10'000'000LL); // 14:07:09 local
    Sized("D:\\Apps\\app.bin", kGiB / 2);
    Link("D:\\Junction", "D:\\Apps"); // a link at the top level: no row, one skipped
    Sized("D:\\Users\\ali\\video.mkv", 2 * kGiB);
    Write("D:\\Users\\Secret\\hidden.bin");
    machine.MarkUnreadable("D:\\Users\\Secret");
    Sized("D:\\Windows\\System32\\big.dll", 3 * kGiB);
    Sized("D:\\zz.txt", 1048576);
    OpenAnalysis();
    gated.gate().Hold("D:\\Users");
    AnalyseD();
    EXPECT_EQ(Status(), kStarting);
    ExpectRunning(true);

    // Apps has finished while Users is being measured.
    gated.gate().WaitUntilHeld();
    machine.Advance(3 * 10'000'000LL);
    ui.advanceTime(kAnalysisTickMs);
    EXPECT_EQ(Grid(), (Rows{{"Apps", "0.5", "", "D:\\Apps", kLogical}}));
    EXPECT_EQ(Status(), "فحص بالخلفية: Users | ملفات: 1 | متجاوز: 1 | 3 ثانية");

    gated.gate().Release();
    Finish();
    EXPECT_EQ(Grid(), (Rows{{"Windows", "3", "", "D:\\Windows", kLogical},
                            {"Users", "2", "", "D:\\Users", "متجاوز/غير متاح: 1"},
                            {"Apps", "0.5", "", "D:\\Apps", kLogical},
                            {"zz.txt", "0.001", "", "D:\\zz.txt", kLogical}}));
    EXPECT_EQ(Status(), EndText(kEndedComplete, 4, 2));
    ExpectRunning(false);
    EXPECT_FALSE(Analysis().timer().enabled());

    // The saved record keeps the order of arrival.
    auto saved = LoadSavedAnalysis(machine.files(), kSaved);
    ASSERT_TRUE(saved.ok() && saved->has_value());
    const SavedAnalysis& record = **saved;
    EXPECT_EQ(record.Files, 4);
    EXPECT_EQ(record.Skipped, 2);
    EXPECT_EQ(base::FormatMinutes(record.At), "2024-01-01 14:07");
    std::vector<std::string> names;
    for (const SavedRow& row : record.Rows) {
        names.push_back(row.Name + "|" + base::FormatPlain(row.GB) + "|" + row.Notes);
    }
    EXPECT_THAT(names,
                ElementsAre("Apps|0.5|حجم منطقي — عرض فقط", "Users|2|متجاوز/غير متاح: 1",
                            "Windows|3|حجم منطقي — عرض فقط", "zz.txt|0.001|حجم منطقي — عرض فقط"));
    EXPECT_FALSE(Exists(std::string(kSaved) + ".tmp"));

    // Shown again later in that order, with its time, not as a live scan.
    machine.Advance(3600 * 10'000'000LL);
    Click(kSavedViewText);
    EXPECT_EQ(Grid(), (Rows{{"Apps", "0.5", "", "D:\\Apps", kLogical},
                            {"Users", "2", "", "D:\\Users", "متجاوز/غير متاح: 1"},
                            {"Windows", "3", "", "D:\\Windows", kLogical},
                            {"zz.txt", "0.001", "", "D:\\zz.txt", kLogical}}));
    EXPECT_EQ(Status(), "نتائج محفوظة من 2024-01-01 14:07 — مو فحص حي؛ أعد التحليل لتحديثها.");

    // The drives view replaces them.
    Click(kDrivesViewText);
    ASSERT_EQ(Grid().size(), 2u);
    EXPECT_EQ(Grid()[1][0], "D:\\");
    EXPECT_EQ(Grid()[1][4], "مستخدم 150 GB");
    EXPECT_EQ(LastBox(), "<none>");
}

TEST_F(FolderAnalysisTest, OpenFolderAsksExplorerForAnExistingRowsPathInBothViews) {
    Write("D:\\Apps\\a.bin");
    Write("D:\\Gone\\b.bin");
    OpenAnalysis();
    toolkit::DataGrid& grid = Analysis().grid();
    Click(kOpenFolderText); // nothing selected: nothing opens
    EXPECT_TRUE(machine.ShellCalls().empty());

    grid.userSelect(1);
    Click(kOpenFolderText);
    AnalyseD();
    Finish();
    grid.userSelect(0);
    Click(kOpenFolderText);
    std::filesystem::remove_all(*machine.HostPathOf("D:\\Gone"));
    grid.userSelect(1);
    Click(kOpenFolderText); // gone since it was measured

    const auto calls = machine.ShellCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].file, "explorer.exe");
    EXPECT_EQ(calls[0].arguments, "\"D:\\\"");
    EXPECT_EQ(calls[1].arguments, "\"D:\\Apps\"");
}

// ---- runs that do not complete --------------------------------------------------------

TEST_F(FolderAnalysisTest, AStopDuringTheThirdFolderKeepsPartialRowsAndTheEarlierSave) {
    for (const char* file : {"D:\\A1\\a.bin", "D:\\B2\\b.bin", "D:\\C3\\one\\c.bin",
                             "D:\\C3\\two\\c.bin", "D:\\D4\\d.bin", "D:\\e5.txt"}) {
        Write(file);
    }
    const std::string earlier = WriteSavedAnalysis(
        {.At = {.year = 2023, .month = 12, .day = 31, .hour = 9, .minute = 30},
         .Rows = {{.Name = "Old", .GB = 1.5, .Path = "D:\\Old", .Notes = kLogical}},
         .Files = 1,
         .Skipped = 0});
    Write(kSaved, earlier);
    OpenAnalysis();
    gated.gate().Hold("D:\\C3\\two");
    AnalyseD();
    gated.gate().WaitUntilHeld();
    ui.advanceTime(kAnalysisTickMs);
    ASSERT_EQ(Grid().size(), 2u);

    Click(kStopAnalysisText);
    EXPECT_EQ(Status(), kStopping);
    ExpectRunning(true); // until the scan has ended
    gated.gate().Release();
    Finish();

    EXPECT_EQ(Grid(), (Rows{{"A1", "0", "", "D:\\A1", kLogical},
                            {"B2", "0", "", "D:\\B2", kLogical},
                            {"C3", "0", "", "D:\\C3", "جزئي — توقف"}}));
    EXPECT_EQ(Status(), EndText(kEndedByRequest, 2, 0));
    ExpectRunning(false);
    EXPECT_EQ(Read(kSaved), earlier);
    EXPECT_FALSE(Exists(std::string(kSaved) + ".tmp"));
}

TEST_F(FolderAnalysisTest, WhileARunGoesTheWindowStaysAndTheCloseGuardStopsIt) {
    Write("D:\\A\\a.bin");
    Write("D:\\B\\b.bin");
    OpenAnalysis();
    gated.gate().Hold("D:\\B");
    AnalyseD();
    gated.gate().WaitUntilHeld();
    ui.advanceTime(kAnalysisTickMs);

    // A row that has arrived can be opened while the rest is measured.
    Analysis().grid().userSelect(0);
    Click(kOpenFolderText);
    ASSERT_EQ(machine.ShellCalls().size(), 1u);
    EXPECT_EQ(machine.ShellCalls()[0].arguments, "\"D:\\A\"");

    ui.expectMessageBox(toolkit::DialogResult::Ok);
    ui.click(Nav(Section::Home));
    EXPECT_EQ(LastBox(), shell::kNavigateRefusal);
    EXPECT_EQ(OnStage(), "folder-analysis");
    ui.expectMessageBox(toolkit::DialogResult::Ok);
    EXPECT_FALSE(window->RequestClose());
    EXPECT_EQ(LastBox(), shell::kCloseWait);
    EXPECT_TRUE(Analysis().scanner()->Cancel.load());

    gated.gate().Release();
    Finish();
    EXPECT_EQ(Status(), EndText(kEndedByRequest, 1, 0));
    EXPECT_FALSE(Exists(kSaved));
    ExpectRunning(false);
    EXPECT_FALSE(window->Busy().embeddedStop);
    ui.click(Nav(Section::Home));
    EXPECT_NE(OnStage(), "folder-analysis");
}

TEST_F(FolderAnalysisTest, AScanEndedByAnErrorIsLoggedKeptAndNeverSaved) {
    Write("D:\\A\\a.bin");
    Write("D:\\B\\b.bin");
    machine.FailListingAfter("D:\\B", 0, base::ErrorKind::DeviceNotReady);
    OpenAnalysis();
    AnalyseD();
    Finish();

    EXPECT_EQ(Grid(), (Rows{{"A", "0", "", "D:\\A", kLogical}}));
    EXPECT_EQ(Status(), EndText(kEndedByError, 1, 0));
    EXPECT_THAT(LogText(), ::testing::HasSubstr(" : Storage v10: The device is not ready."));
    EXPECT_FALSE(Exists(kSaved));
    ExpectRunning(false);
}

TEST_F(FolderAnalysisTest, AStartThatFailsLeavesTheSectionReadyAgain) {
    machine.SetEnv("LOCALAPPDATA", std::nullopt); // no data folder to save into
    OpenAnalysis();
    AnalyseD();
    EXPECT_EQ(Status(), kStartFailed);
    EXPECT_EQ(Analysis().scanner(), nullptr);
    EXPECT_FALSE(Analysis().timer().enabled());
    ExpectRunning(false);
    EXPECT_FALSE(window->Busy().embeddedStop);
}

TEST_F(FolderAnalysisTest, AFailedSaveKeepsTheEarlierFileAndSaysSoInTheLog) {
    Write("D:\\A\\a.bin");
    const std::string earlier =
        WriteSavedAnalysis({.At = {.year = 2023, .month = 1, .day = 2}, .Rows = {}});
    OpenAnalysis();
    for (const testing::WriteFaultCase& c : testing::kWriteFaults) {
        if (c.fault != testing::WriteFault::DiskFullPartWay &&
            c.fault != testing::WriteFault::AccessDenied) {
            continue; // the other faults are the saver's own tests
        }
        SCOPED_TRACE(c.name);
        machine.ClearFaults();
        Write(kSaved, earlier);
        RemoveLog();
        testing::InjectWriteFault(machine, c, std::string(kSaved) + ".tmp", kSaved);
        AnalyseD();
        Finish();

        EXPECT_EQ(Status(), EndText(kEndedComplete, 1, 0));
        EXPECT_EQ(Grid().size(), 1u);
        EXPECT_EQ(Read(kSaved), earlier);
        EXPECT_THAT(LogText(), ::testing::HasSubstr(
                                   " : Storage cache: " + testing::WriteFaultText(c) + "\r\n"));
        ExpectRunning(false);
    }
}

// ---- the saved view -------------------------------------------------------------------

TEST_F(FolderAnalysisTest, ASavedAnalysisThatIsMissingOrUnreadableLeavesTheGridAsItWas) {
    const std::string good = WriteSavedAnalysis(
        {.At = {.year = 2024, .month = 2, .day = 3},
         .Rows = {{.Name = "Users", .GB = 2, .Path = "D:\\Users", .Notes = kLogical}}});
    struct Case {
        const char* name;
        std::optional<std::string> file; // none: never analysed
        bool readFails;
        std::string_view told;
    } cases[] = {
        {"never analysed", std::nullopt, false, kNoSavedAnalysis},
        {"cut off", good.substr(0, good.size() / 2), false, kSavedAnalysisUnreadable},
        {"with a DTD", "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x \"y\">]><StorageAnalysis/>",
         false, kSavedAnalysisUnreadable},
        {"cannot be read", good, true, kSavedAnalysisUnreadable},
    };
    OpenAnalysis();
    ui.pickItem(Analysis().driveList(), "D:\\");
    const Rows drives = Grid();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.ClearFaults();
        (void)machine.files().RemoveFile(kSaved);
        RemoveLog();
        if (c.file) {
            Write(kSaved, *c.file);
        }
        if (c.readFails) {
            machine.FailOperation(kSaved, FileOp::Read, base::ErrorKind::AccessDenied);
        }
        ui.expectMessageBox(toolkit::DialogResult::Ok);
        Click(kSavedViewText);
        EXPECT_EQ(LastBox(), c.told);
        EXPECT_EQ(Grid(), drives);
        EXPECT_EQ(Status(), kReadOnlyNotice);
        // Only a file that is there but cannot be taken in goes to the log.
        EXPECT_EQ(LogText() != "<unreadable>", c.file.has_value());
    }
}

} // namespace
} // namespace vexo::space
