#include "files/temp_files.h"
#include "index/fakes.h"
#include "records/cleanup_report.h"
#include "shell/shell_fixture.h"

#include <algorithm>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace vexo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using toolkit::DialogResult;
namespace tf = files;

constexpr std::int64_t kSecond = 10'000'000;
constexpr std::int64_t kDay = 24 * 3600 * kSecond;
// Far older than a week: the age rule is tested on its own.
constexpr std::int64_t kOld = 30 * kDay;
constexpr const char* kTemp = "C:\\Users\\ali\\AppData\\Local\\Temp";
constexpr const char* kMoreEntry = "ملفات مؤقتة";
constexpr const char* kRefusal = "أوقف الفحص أو أكمل إزالة البرنامج الجاري قبل تغيير القسم.";
// 2024-03-10 12:00 UTC.
constexpr platform::FileTime kNow = 133545456000000000;

class TempFilesTest : public ShellFixture {
protected:
    TempFilesTest() {
        machine.SetUtcNow(kNow);
        Folder(kTemp);
    }

    // The window with the section in its catalog; Home is shown first.
    shell::MainWindow& Start() {
        return Open([this](shell::SectionCatalog& catalog) {
            tf::RegisterTemporaryFiles(catalog, {.reports = reports});
        });
    }
    // Opens the section from the More menu.
    tf::TemporaryFilesSection& Enter() {
        if (!window) {
            Start();
        }
        ChooseMore(kMoreEntry);
        return Temp();
    }
    tf::TemporaryFilesSection& Temp() {
        return dynamic_cast<tf::TemporaryFilesSection&>(
            *window->KeptSection(Section::TemporaryFiles));
    }
    toolkit::Control& View() { return *window->Stage().children().front(); }
    toolkit::Button& ButtonOf(std::string_view text) {
        return ui.get<toolkit::Button>(View(), std::string(text));
    }
    void Click(std::string_view text) { ui.click(ButtonOf(text)); }
    void Scan() { Click(tf::kTempScanText); }
    void Filter(const std::string& text) { ui.type(Temp().filterBox(), text); }

    // A file of `bytes` bytes last written `age` ticks before now.
    std::string Aged(const std::string& relative, std::int64_t age, std::int64_t bytes = 4) {
        const std::string path = std::string(kTemp) + "\\" + relative;
        Write(path, std::string(static_cast<std::size_t>(bytes), 'x'));
        SetLastWrite(path, kNow - age);
        return path;
    }
    void SetLastWrite(const std::string& path, platform::FileTime when) {
        constexpr std::int64_t kUnixEpoch = 116444736000000000;
        const std::int64_t sinceUnix = when - kUnixEpoch;
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = sinceUnix / kSecond;
        times[0].tv_nsec = times[1].tv_nsec = (sinceUnix % kSecond) * 100;
        auto host = machine.HostPathOf(path);
        ASSERT_TRUE(host.has_value()) << path;
        ASSERT_EQ(::utimensat(AT_FDCWD, host->c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }

    // A column of the rows as shown (hidden rows left out).
    std::vector<std::string> Column(int column) {
        std::vector<std::string> values;
        for (const auto& row : ui.gridRows(Temp().grid())) {
            values.push_back(row.at(static_cast<std::size_t>(column)));
        }
        return values;
    }
    std::vector<std::string> Names() { return Column(2); }
    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : ui.shownMessageBoxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }
    std::vector<std::string> RemovalLogs() {
        std::vector<std::string> logs;
        auto folder = machine.HostPathOf(kDataFolder);
        if (!folder || !std::filesystem::exists(*folder)) {
            return logs;
        }
        for (const auto& e : std::filesystem::directory_iterator(*folder)) {
            const std::string name = e.path().filename().string();
            if (name.rfind("Removal-", 0) == 0) {
                logs.push_back(Read(std::string(kDataFolder) + "\\" + name));
            }
        }
        return logs;
    }

    std::shared_ptr<records::ReportStore> reports = std::make_shared<records::ReportStore>(machine);
};

// ---- entering -----------------------------------------------------------------------------------

TEST_F(TempFilesTest, OpensFromTheMoreMenuWithItsLayoutAndKeepsItsView) {
    Enter();
    EXPECT_EQ(Heading(), "ملفات مؤقتة — مراجعة قبل الحذف");
    EXPECT_EQ(OnStage(), "temporary-files");
    toolkit::Control* view = &View();

    auto& table = dynamic_cast<toolkit::TableLayout&>(View());
    ASSERT_EQ(table.rows().size(), 2u);
    EXPECT_EQ(table.rows()[0].type, toolkit::TrackType::Pixels);
    EXPECT_EQ(table.rows()[0].value, 125);
    EXPECT_EQ(table.rows()[1].type, toolkit::TrackType::Fill);

    auto& bar = dynamic_cast<toolkit::FlowLayout&>(*table.children().front());
    EXPECT_EQ(bar.direction(), toolkit::FlowDirection::RightToLeft);
    EXPECT_FALSE(bar.wrap());
    std::vector<std::string> items;
    for (const auto& c : bar.children()) {
        items.push_back(c->accessibleName().empty() ? c->text() : c->accessibleName());
    }
    EXPECT_THAT(items, ElementsAre("بحث المؤقتات الأقدم من 7 أيام", "إيقاف البحث", "تحديد الكل",
                                   "إلغاء التحديد", "حذف المحدد", "بحث في النتائج بالاسم أو المسار",
                                   "أكبر من MB:", "100"));
    EXPECT_EQ(Temp().filterBox().size(), (toolkit::Size{230, 30}));
    EXPECT_TRUE(Temp().filterBox().rightToLeft());
    toolkit::NumericUpDown& size = Temp().sizeBox();
    EXPECT_EQ(size.minimum(), 1);
    EXPECT_EQ(size.maximum(), 100000);
    EXPECT_EQ(size.size().width, 95);
    EXPECT_FALSE(size.enabled());
    EXPECT_FALSE(ButtonOf(tf::kTempStopText).enabled());
    for (auto text : {tf::kTempScanText, tf::kTempSelectAllText, tf::kTempSelectNoneText,
                      tf::kTempDeleteText}) {
        EXPECT_TRUE(ButtonOf(text).enabled()) << text;
    }

    const toolkit::DataGrid& grid = Temp().grid();
    std::vector<std::string> columns;
    std::vector<float> weights;
    for (const toolkit::GridColumn& c : grid.columns()) {
        columns.push_back(c.name + "|" + c.header + (c.readOnly ? "|ro" : "|rw") +
                          (c.sortable ? "|sort" : ""));
        weights.push_back(c.fillWeight);
    }
    EXPECT_THAT(columns, ElementsAre("Pick|تحديد|rw", "MB|الحجم MB|ro|sort",
                                     "File|اسم الملف|ro|sort", "Path|المسار|ro|sort"));
    EXPECT_THAT(weights, ElementsAre(12, 20, 55, 110));
    EXPECT_TRUE(grid.multiSelect());
    EXPECT_TRUE(grid.enabled());

    ui.click(Nav(Section::Home));
    EXPECT_EQ(OnStage(), "home");
    ChooseMore(kMoreEntry);
    EXPECT_EQ(&View(), view) << "the same view, kept";
    EXPECT_THAT(Boxes(), IsEmpty());
}

TEST_F(TempFilesTest, LeavingAndComingBackShowsAnEmptyGridAndFilter) {
    Aged("old.tmp", kOld);
    Aged("older.tmp", kOld);
    Enter();
    Scan();
    Filter("older");
    ASSERT_THAT(Names(), ElementsAre("older.tmp"));

    ui.click(Nav(Section::DiskSpace));
    ChooseMore(kMoreEntry);
    EXPECT_EQ(Temp().grid().rowCount(), 0);
    EXPECT_EQ(Temp().filterBox().text(), "");
    Scan();
    EXPECT_EQ(Temp().grid().rowCount(), 2) << "every row shown again";
}

TEST_F(TempFilesTest, TheEntryIsRefusedWhileOtherWorkRuns) {
    Start();
    base::Lease work = window->HoldEmbedded({});
    ui.expectMessageBox(DialogResult::Ok);
    ChooseMore(kMoreEntry);
    EXPECT_THAT(Boxes(), ElementsAre(kRefusal));
    EXPECT_EQ(OnStage(), "home");
}

// ---- what the walk lists ------------------------------------------------------------------------

TEST_F(TempFilesTest, ListsOnlyFilesNotWrittenForMoreThanSevenDays) {
    struct Case {
        const char* name;
        std::int64_t age;
        bool listed;
    };
    const Case cases[] = {
        {"week-and-a-second.tmp", 7 * kDay + kSecond, true},
        {"a-year.tmp", 365 * kDay, true},
        {"exactly-a-week.tmp", 7 * kDay, false},
        {"six-days.tmp", 6 * kDay, false},
        {"just-now.tmp", 0, false},
        {"tomorrow.tmp", -kDay, false},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        Aged(c.name, c.age);
        if (c.listed) {
            expected.push_back(c.name);
        }
    }
    Enter();
    Scan();
    EXPECT_THAT(Names(), ::testing::UnorderedElementsAreArray(expected));
}

TEST_F(TempFilesTest, WalksEveryFolderBreadthFirstButNoLinkOrOfflineFolder) {
    constexpr std::int64_t kMiB = 1048576;
    const std::string temp = kTemp;
    Aged("top.tmp", kOld, 2 * kMiB);
    Aged("One\\one.tmp", kOld, 1 * kMiB);
    Aged("Two\\two.tmp", kOld, 3 * kMiB);
    Aged("One\\Deep\\deep.tmp", kOld, kMiB / 2);
    Aged("hidden.tmp", kOld);
    machine.MarkAttributes(temp + "\\hidden.tmp", platform::attr::Hidden | platform::attr::System);
    Aged("cloud.tmp", kOld);
    machine.MarkOffline(temp + "\\cloud.tmp");
    Aged("Cloudy\\inside.tmp", kOld);
    machine.MarkOffline(temp + "\\Cloudy");
    Aged("Locked\\secret.tmp", kOld);
    machine.MarkUnreadable(temp + "\\Locked");
    // Files that would be listed if a link were followed.
    const std::string elsewhere = std::string(kDocuments) + "\\Old";
    Write(elsewhere + "\\kept.doc");
    SetLastWrite(elsewhere + "\\kept.doc", kNow - kOld);
    Link(temp + "\\Junction", elsewhere);
    Link(temp + "\\file-link.tmp", elsewhere + "\\kept.doc");

    Enter();
    std::vector<std::vector<std::string>> seen;
    ui.backend().onPump = [&] { seen.push_back(Names()); };
    Scan();
    ui.backend().onPump = nullptr;

    // Largest first once the walk is over.
    EXPECT_THAT(Names(), ElementsAre("two.tmp", "top.tmp", "one.tmp", "deep.tmp", "hidden.tmp"));
    EXPECT_THAT(Column(1), ElementsAre("3", "2", "1", "0.5", "0"));
    EXPECT_THAT(Column(3), ::testing::Contains(temp + "\\One\\Deep\\deep.tmp"));
    // While it walked, every file one folder down was found before the one
    // two folders down.
    ASSERT_FALSE(seen.empty());
    const std::vector<std::string>& before = seen.back();
    auto at = [&](const char* name) { return std::find(before.begin(), before.end(), name); };
    ASSERT_NE(at("deep.tmp"), before.end());
    EXPECT_LT(at("one.tmp"), at("deep.tmp"));
    EXPECT_LT(at("two.tmp"), at("deep.tmp"));
    EXPECT_FALSE(window->Busy().busy);
    EXPECT_THAT(Boxes(), IsEmpty());
}

TEST_F(TempFilesTest, APartlyListedFolderGivesWhatItGave) {
    Aged("Half\\a.tmp", kOld);
    Aged("Half\\b.tmp", kOld);
    Aged("whole.tmp", kOld);
    machine.FailListingAfter(std::string(kTemp) + "\\Half", 1, base::ErrorKind::Other);
    Enter();
    Scan();
    EXPECT_EQ(Temp().grid().rowCount(), 2);
    EXPECT_THAT(Names(), ::testing::Contains("whole.tmp"));
}

TEST_F(TempFilesTest, WalksOnlyARealTemporaryFolderOnDriveC) {
    Drive('D', "Data", 100, 50, 50);
    Aged("old.tmp", kOld);
    Write("D:\\Temp\\old.tmp");
    SetLastWrite("D:\\Temp\\old.tmp", kNow - kOld);
    Link("C:\\Users\\ali\\AppData\\Local\\TempLink", kTemp);
    struct Case {
        const char* temp;
        int rows;
    };
    const Case cases[] = {
        {"D:\\Temp", 0},
        {"C:\\Users\\ali\\AppData\\Local\\TempLink", 0},
        {"C:\\Users\\ali\\AppData\\Local\\Gone", 0},
        {"C:\\Users\\ali\\AppData\\Local\\Temp\\old.tmp", 0},
        {"c:\\users\\ALI\\appdata\\local\\temp", 1},
    };
    Enter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.temp);
        machine.SetEnv("TMP", c.temp).SetEnv("TEMP", c.temp);
        Scan();
        EXPECT_EQ(Temp().grid().rowCount(), c.rows);
        EXPECT_FALSE(window->Busy().busy);
    }
    EXPECT_THAT(Boxes(), IsEmpty());
}

// ---- while the walk runs ------------------------------------------------------------------------

TEST_F(TempFilesTest, WhileWalkingOnlyStopAnswersAndTypingIsIgnored) {
    for (int i = 0; i < 150; ++i) {
        Aged("Many\\f" + std::to_string(i) + ".tmp", kOld);
    }
    Aged("report.log", kOld);
    Enter();
    bool checked = false;
    // Once rows are there that the typed text would hide.
    ui.backend().onPump = [&] {
        if (checked || Temp().grid().rowCount() == 0) {
            return;
        }
        checked = true;
        EXPECT_TRUE(window->Busy().busy);
        EXPECT_TRUE(Temp().scanning());
        EXPECT_TRUE(ButtonOf(tf::kTempStopText).enabled());
        for (auto text : {tf::kTempScanText, tf::kTempSelectAllText, tf::kTempSelectNoneText,
                          tf::kTempDeleteText}) {
            EXPECT_FALSE(ButtonOf(text).enabled()) << text;
        }
        EXPECT_FALSE(Temp().grid().enabled());
        Filter("f149");
        ui.expectMessageBox(DialogResult::Ok);
        ChooseMore("كل ملفات الجهاز");
        ui.expectMessageBox(DialogResult::Ok);
        ui.click(Nav(Section::Home));
        EXPECT_EQ(OnStage(), "temporary-files");
    };
    Scan();
    ui.backend().onPump = nullptr;
    ASSERT_TRUE(checked);
    EXPECT_THAT(Boxes(), ElementsAre(kRefusal, kRefusal));
    EXPECT_EQ(Names().size(), 151u) << "the text typed meanwhile filtered nothing";
    EXPECT_EQ(Temp().filterBox().text(), "f149");

    Filter("report ");
    EXPECT_THAT(Names(), ElementsAre("report.log"));
    EXPECT_FALSE(ButtonOf(tf::kTempStopText).enabled());
    EXPECT_TRUE(Temp().grid().enabled());
}

// The stop button and a close request both end the walk after the entry it
// is on; what was found stays, largest first.
TEST_F(TempFilesTest, AStopKeepsTheRowsFoundSoFarSorted) {
    constexpr std::int64_t kMiB = 1048576;
    Aged("small.tmp", kOld, kMiB);
    Aged("big.tmp", kOld, 3 * kMiB);
    Aged("Later\\never.tmp", kOld);
    struct Case {
        const char* how;
        std::function<void()> stop;
    };
    const Case cases[] = {
        {"stop button", [this] { Click(tf::kTempStopText); }},
        {"close request", [this] { EXPECT_FALSE(window->RequestClose()); }},
    };
    Enter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        bool stopped = false;
        // The moment both files of the top folder are in: its own pump.
        ui.backend().onPump = [&] {
            if (!stopped && Temp().grid().rowCount() == 2) {
                stopped = true;
                c.stop();
            }
        };
        Scan();
        ui.backend().onPump = nullptr;
        EXPECT_TRUE(stopped);
        EXPECT_THAT(Names(), ElementsAre("big.tmp", "small.tmp"));
        EXPECT_FALSE(window->Busy().busy);
    }
    EXPECT_THAT(Boxes(), IsEmpty()) << "a close refused during the walk says nothing";
    // A new walk starts afresh and goes to its end.
    Scan();
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_TRUE(window->RequestClose());
}

// ---- the filter and the ticks -------------------------------------------------------------------

TEST_F(TempFilesTest, TheFilterMatchesNameOrPathAndNeverTouchesTicks) {
    Aged("Report.LOG", kOld);
    Aged("Logs\\a.tmp", kOld);
    Aged("b.tmp", kOld);
    Aged("تقرير.dat", kOld);
    Enter();
    Scan();
    struct Case {
        const char* text;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"log", {"Report.LOG", "a.tmp"}}, // the name, or a folder of the path
        {"  REPORT\t", {"Report.LOG"}},   // trimmed, case ignored
        {"تقرير", {"تقرير.dat"}},         {"\\b.", {"b.tmp"}},
        {"nothing like it", {}},          {"   ", {"Report.LOG", "a.tmp", "b.tmp", "تقرير.dat"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Filter(c.text);
        EXPECT_THAT(Names(), ::testing::UnorderedElementsAreArray(c.shown));
    }

    Temp().grid().userSelect(0);
    Click(tf::kTempSelectAllText);
    Filter("b.tmp");
    EXPECT_EQ(Temp().grid().currentCell().row, -1) << "no current cell left on a hidden row";
    EXPECT_EQ(Temp().grid().tickedRows().size(), 4u) << "hiding never unticks";
    Click(tf::kTempSelectNoneText);
    EXPECT_THAT(Temp().grid().tickedRows(), IsEmpty()) << "hidden rows too";
    Click(tf::kTempSelectAllText);
    EXPECT_EQ(Temp().grid().tickedRows().size(), 4u) << "hidden rows too";
}

// ---- removal ------------------------------------------------------------------------------------

TEST_F(TempFilesTest, RemovesEveryTickedRowHiddenOrNotAndKeepsWhatTheShellSkipped) {
    constexpr std::int64_t kMiB = 1048576;
    const std::string big = Aged("big.tmp", kOld, 0);
    const std::string log = Aged("setup.log", kOld, 0);
    const std::string small = Aged("small.tmp", kOld, 0);
    const std::string held = Aged("held.tmp", kOld, 0);
    for (const auto& [path, mb] : std::vector<std::pair<std::string, std::int64_t>>{
             {big, 1024}, {log, 768}, {small, 512}, {held, 256}}) {
        std::filesystem::resize_file(*machine.HostPathOf(path),
                                     static_cast<std::uintmax_t>(mb * kMiB));
        SetLastWrite(path, kNow - kOld);
    }
    // Another program holds it open: the shell asks, the user skips it.
    machine.ScriptRecycle(held, platform::emulated::RecycleScript::Cancelled());
    Enter();
    Scan();
    Click(tf::kTempSelectAllText);
    Filter(".tmp");
    ASSERT_THAT(Names(), ElementsAre("big.tmp", "small.tmp", "held.tmp"));

    bool checked = false;
    ui.backend().onPump = [&] {
        if (checked) {
            return;
        }
        checked = true;
        EXPECT_TRUE(window->Busy().busy);
        EXPECT_TRUE(Temp().removing());
        EXPECT_FALSE(ButtonOf(tf::kTempStopText).enabled()) << "a removal cannot be stopped";
        EXPECT_FALSE(ButtonOf(tf::kTempDeleteText).enabled());
        EXPECT_FALSE(Temp().grid().enabled());
        Filter("nothing like it");
        EXPECT_FALSE(window->RequestClose()) << "refused without a word; the run goes on";
    };
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok); // the summary
    Click(tf::kTempDeleteText);
    ui.backend().onPump = nullptr;
    ASSERT_TRUE(checked);

    const auto& boxes = ui.shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "نقل 4 ملف بحجم 2.50 GB إلى السلة؟ راجع المسارات قبل الموافقة. إذا "
                             "عرض ويندوز حذفاً نهائياً لملف كبير، ألغِه إذا لا تريده.");
    EXPECT_EQ(boxes[0].caption, "تأكيد الملفات المحددة");
    EXPECT_EQ(boxes[0].buttons, toolkit::MessageButtons::YesNo);
    EXPECT_EQ(boxes[0].icon, toolkit::MessageIcon::Warning);
    EXPECT_EQ(boxes[0].owner, shell::kWindowTitle);
    EXPECT_EQ(boxes[1].caption, "فيكسو");
    EXPECT_THAT(boxes[1].text, ::testing::StartsWith("ملخص ملفات عند "));

    // Every ticked row was offered, in grid order; only the skipped one stays.
    EXPECT_THAT(machine.RecycledPaths(), ElementsAre(big, log, small, held));
    EXPECT_EQ(Temp().grid().rowCount(), 1);
    EXPECT_THAT(Names(), ElementsAre("held.tmp"));
    EXPECT_TRUE(Exists(held));
    EXPECT_FALSE(Exists(big));
    EXPECT_FALSE(window->Busy().busy);
    EXPECT_TRUE(ButtonOf(tf::kTempDeleteText).enabled());

    EXPECT_THAT(RemovalLogs(), ElementsAre("\xEF\xBB\xBFREMOVED " + big + "\r\nREMOVED " + log +
                                           "\r\nREMOVED " + small + "\r\nNOT REMOVED " + held +
                                           " : The operation was canceled by the user.\r\n"));
    const std::optional<records::CleanupReport> report = reports->LastReport();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->kind, "ملفات");
    EXPECT_EQ(report->attempted, 4);
    EXPECT_EQ(report->success, 3);
    EXPECT_EQ(report->failed, 1);
    EXPECT_FALSE(report->stopped);
    EXPECT_EQ(report->logicalRemoved, (1024 + 768 + 512) * kMiB);
}

// Between the listing and the removal a folder of the walk is renamed and a
// link put in its place, leading to a file of the same name elsewhere: that
// file is not the one listed and stays where it is.
TEST_F(TempFilesTest, AFolderSwappedForALinkAfterTheScanGivesNothingAway) {
    const std::string listed = Aged("Sub\\same.tmp", kOld);
    const std::string mine = std::string(kDocuments) + "\\Sub\\same.tmp";
    Write(mine, "precious");
    Enter();
    Scan();
    ASSERT_THAT(Names(), ElementsAre("same.tmp"));
    std::filesystem::rename(*machine.HostPathOf(std::string(kTemp) + "\\Sub"),
                            *machine.HostPathOf(kTemp) / "Sub-renamed");
    Link(std::string(kTemp) + "\\Sub", std::string(kDocuments) + "\\Sub");

    Click(tf::kTempSelectAllText);
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(tf::kTempDeleteText);
    EXPECT_THAT(machine.RecycledPaths(), IsEmpty());
    EXPECT_EQ(Read(mine), "precious");
    EXPECT_THAT(Names(), ElementsAre("same.tmp"));
    EXPECT_THAT(RemovalLogs(),
                ElementsAre("\xEF\xBB\xBFNOT REMOVED " + listed + " : تم تجاوز رابط أو مجلد\r\n"));
}

TEST_F(TempFilesTest, NothingIsRemovedWithoutATickOrWithoutAYes) {
    const std::string old = Aged("old.tmp", kOld);
    Enter();
    Scan();
    ui.expectMessageBox(DialogResult::Ok);
    Click(tf::kTempDeleteText);
    EXPECT_THAT(Boxes(), ElementsAre("حدد الملفات المطلوبة أولاً."));

    ui.tickRow(Temp().grid(), 0);
    ui.expectMessageBox(DialogResult::No);
    Click(tf::kTempDeleteText);
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_THAT(machine.RecycledPaths(), IsEmpty());
    EXPECT_THAT(RemovalLogs(), IsEmpty());
    EXPECT_TRUE(Exists(old));
    EXPECT_EQ(Temp().grid().rowCount(), 1);
}

// A week is the user's week: across a change of the clocks the difference
// of wall-clock times counts, not the time elapsed.
TEST(TempFilesAge, SevenDaysAreCountedOnTheWallClock) {
    constexpr std::int64_t kHour = 3600 * kSecond;
    struct Case {
        const char* change;
        std::int64_t offsetBefore;
        std::int64_t offsetAfter;
        std::int64_t elapsed;
        bool listed;
    };
    const Case cases[] = {
        {"clocks forward", 1 * kHour, 2 * kHour, 7 * kDay - kHour / 2, true},
        {"clocks back", 2 * kHour, 1 * kHour, 7 * kDay + kHour / 2, false},
        {"no change", 1 * kHour, 1 * kHour, 7 * kDay + kSecond, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        index::testing::FakeClock clock;
        clock.now = index::testing::Utc(2024, 4, 1, 12);
        const platform::FileTime change = clock.now - 3 * kDay;
        clock.zone = [&](platform::FileTime utc) {
            return utc < change ? c.offsetBefore : c.offsetAfter;
        };
        index::LocalTime local(clock);
        EXPECT_EQ(tf::OlderThanSevenDays(local, clock.now - c.elapsed, clock.now), c.listed);
    }
}

// ---- sizes --------------------------------------------------------------------------------------

TEST(TempFilesSizes, MegabytesRoundToTwoDecimalsTiesToEven) {
    struct Case {
        std::int64_t bytes;
        double mb;
    };
    for (const Case& c : std::vector<Case>{{0, 0},
                                           {1, 0},
                                           {131072, 0.12}, // 0.125
                                           {393216, 0.38}, // 0.375
                                           {1048576, 1},
                                           {1572864, 1.5},
                                           {5368709120, 5120}}) {
        EXPECT_DOUBLE_EQ(tf::TempSizeMb(c.bytes), c.mb) << c.bytes;
    }
}

} // namespace
} // namespace vexo::testing
