#include "browser_fixture.h"

#include <array>
#include <gmock/gmock.h>
#include <thread>

namespace vexo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using toolkit::DialogResult;

constexpr std::int64_t kMiB = 1048576;
constexpr const char* kD = "D:\\";

class DeviceBrowserTest : public BrowserFixture {
protected:
    // A small data drive: four files of known sizes and kinds, one old.
    void DataDrive() {
        Sized("D:\\media\\film.mp4", 700 * kMiB);
        Sized("D:\\media\\clip.MP4", 40 * kMiB);
        Sized("D:\\docs\\report.pdf", 3 * kMiB);
        Sized("D:\\docs\\old\\notes.txt", 1 * kMiB);
        Old("D:\\docs\\old\\notes.txt");
    }
    // Starts indexing drive D: and returns once the crawl waits at its docs
    // folder, the media already in; a refused size range leaves every
    // request of the crawl unmade.
    void StartHeldAtTheDocs(bool refusedRange = false) {
        scripted.held().Hold("D:\\docs");
        ui.pickItem(Named<toolkit::ComboBox>("drives"), kD);
        if (refusedRange) {
            SetNumber("minimum", 10);
            SetNumber("maximum", 5);
        }
        Click(files::kStartText);
        scripted.held().WaitUntilHeld();
    }
};

// ---- opening --------------------------------------------------------------------------

TEST_F(DeviceBrowserTest, OpensFromTheMoreMenuWithItsLayoutListsAndTips) {
    files::DeviceBrowserSection& s = OpenBrowser();
    EXPECT_EQ(Heading(), kBrowserHeading);
    EXPECT_EQ(OnStage(), "device-browser");
    EXPECT_EQ(s.metrics().text(), files::kBrowserFirstMetrics);
    EXPECT_EQ(s.info().text(), files::kBrowserFirstInfo);
    EXPECT_TRUE(s.info().ellipsis());
    EXPECT_EQ(s.metrics().font(), (toolkit::Font{"Segoe UI", 13.0f, true}));
    EXPECT_FALSE(s.timer().enabled());
    EXPECT_EQ(s.engine(), nullptr);

    auto* table = dynamic_cast<toolkit::TableLayout*>(View().children().front().get());
    ASSERT_NE(table, nullptr);
    std::vector<int> rows;
    for (const toolkit::Track& t : table->rows()) {
        rows.push_back(t.type == toolkit::TrackType::Fill ? -1 : static_cast<int>(t.value));
    }
    EXPECT_THAT(rows, ElementsAre(58, 48, 100, -1, 48, 78));
    EXPECT_EQ(table->padding(), toolkit::Spacing::all(12));

    // The drive list: ready fixed and removable drives only, in letter order.
    auto& drives = Named<toolkit::ComboBox>("drives");
    EXPECT_THAT(drives.items(),
                ElementsAre(std::string(files::kAllDrives), "C:\\", "D:\\", "G:\\"));
    EXPECT_EQ(drives.selectedIndex(), 0);
    EXPECT_EQ(drives.size().width, 180);

    auto& category = Named<toolkit::ComboBox>("category");
    EXPECT_THAT(category.items(), ElementsAre("كل الأنواع", "فيديو", "صور", "مستندات", "أرشيفات",
                                              "مثبتات برامج", "صوت", "صور أقراص"));
    EXPECT_EQ(category.selectedIndex(), 0);
    auto& sort = Named<toolkit::ComboBox>("sort");
    EXPECT_THAT(sort.items(),
                ElementsAre("الأكبر أولاً", "الأصغر أولاً", "الاسم", "الأحدث تعديلاً", "المسار"));
    EXPECT_EQ(sort.selectedIndex(), 0);
    EXPECT_EQ(sort.tooltip(), files::kSortTip);
    auto& pages = Named<toolkit::ComboBox>("page-size");
    EXPECT_THAT(pages.items(), ElementsAre("100", "250", "500"));
    EXPECT_EQ(pages.selectedItem(), "250");

    auto& search = Named<toolkit::TextBox>(std::string(files::kSearchBoxName));
    EXPECT_EQ(search.tooltip(), files::kSearchTip);
    EXPECT_EQ(search.size().width, 210);
    EXPECT_EQ(Named<toolkit::TextBox>(std::string(files::kExtensionBoxName)).tooltip(),
              files::kExtensionTip);
    EXPECT_EQ(Named<toolkit::NumericUpDown>("age").tooltip(), files::kAgeTip);
    EXPECT_EQ(Named<toolkit::NumericUpDown>("age").maximum(), 36500);
    EXPECT_EQ(Named<toolkit::NumericUpDown>("maximum").maximum(), 1000000);

    // Fields and the two main buttons stand out after the palette pass.
    for (const char* field : {files::kSearchBoxName.data(), files::kExtensionBoxName.data(),
                              "minimum", "maximum", "age"}) {
        SCOPED_TRACE(field);
        EXPECT_EQ(Named<toolkit::Control>(field).backColor(), toolkit::Color::rgb(255, 255, 255));
        EXPECT_EQ(Named<toolkit::Control>(field).foreColor(), toolkit::Color::rgb(23, 58, 108));
    }
    for (std::string_view primary : {files::kStartText, files::kApplyText}) {
        EXPECT_EQ(ButtonOf(primary).backColor(), toolkit::Color::rgb(24, 93, 228));
        EXPECT_EQ(ButtonOf(primary).foreColor(), toolkit::Color::rgb(255, 255, 255));
    }
    EXPECT_FALSE(ButtonOf(files::kStopText).enabled());
    EXPECT_FALSE(ButtonOf(files::kBrowserPreviousText).enabled());
    EXPECT_FALSE(ButtonOf(files::kBrowserNextText).enabled());

    const toolkit::DataGrid& grid = s.grid();
    EXPECT_TRUE(grid.readOnly());
    EXPECT_FALSE(grid.multiSelect());
    std::vector<std::string> columns;
    for (const toolkit::GridColumn& c : grid.columns()) {
        columns.push_back(c.name + "|" + c.header + "|" + std::to_string(int(c.fillWeight)) +
                          (c.sortable ? "|sort" : ""));
    }
    EXPECT_THAT(columns, ElementsAre("Name|اسم الملف|100", "MB|الحجم MB|100", "Ext|النوع|100",
                                     "Modified|آخر تعديل|100", "Path|المسار الكامل|200"));
    EXPECT_EQ(grid.columns()[1].format(toolkit::CellValue{1234.5678}), "1,234.57");
    EXPECT_THAT(Boxes(), IsEmpty());
}

TEST_F(DeviceBrowserTest, RefreshingTheDrivesListsWhatIsReadyNow) {
    OpenBrowser();
    Drive('H', "New", 8, 8, 8, platform::DriveType::Removable);
    ui.pickItem(Named<toolkit::ComboBox>("drives"), "D:\\");
    Click(files::kRefreshDrivesText);
    auto& drives = Named<toolkit::ComboBox>("drives");
    EXPECT_THAT(drives.items(),
                ElementsAre(std::string(files::kAllDrives), "C:\\", "D:\\", "G:\\", "H:\\"));
    EXPECT_EQ(drives.selectedIndex(), 0);
    EXPECT_THAT(Browser().driveRoots(), ElementsAre("C:\\", "D:\\", "G:\\", "H:\\"));
}

// ---- indexing -------------------------------------------------------------------------

TEST_F(DeviceBrowserTest, IndexesOneDriveShowsTheFirstPageEarlyAndTheFiguresAtTheEnd) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    StartHeldAtTheDocs();
    EXPECT_TRUE(s.crawling());
    EXPECT_TRUE(window->Busy().embeddedBusy);
    for (std::string_view off :
         {files::kStartText, files::kRefreshDrivesText, files::kClearIndexText}) {
        EXPECT_FALSE(ButtonOf(off).enabled()) << off;
    }
    EXPECT_FALSE(Named<toolkit::ComboBox>("drives").enabled());
    EXPECT_TRUE(ButtonOf(files::kStopText).enabled());

    // The crawl waits at the docs folder: the media are in, the first page
    // is asked for once and shown, and not asked for again by itself.
    while (s.engine()->Count() < 2) {
        std::this_thread::yield();
    }
    Poll();
    Poll();
    EXPECT_THAT(Shown(), ElementsAre("film.mp4", "clip.MP4"));
    EXPECT_EQ(s.resultCount(), 2);
    EXPECT_THAT(s.metrics().text(), StartsWith("الفهرسة مستمرة | 2 ملف | "));
    const std::int32_t early = s.engine()->Page()->Token;
    machine.Advance(2 * 10'000'000);
    Poll();
    EXPECT_EQ(s.engine()->Page()->Token, early);

    scripted.held().Release();
    // The final request takes the fields as they are, applied or not.
    TypeInto(std::string(files::kExtensionBoxName), "pdf");
    Settle();
    EXPECT_FALSE(s.crawling());
    EXPECT_FALSE(window->Busy().embeddedBusy);
    EXPECT_THAT(Shown(), ElementsAre("report.pdf"));
    EXPECT_EQ(s.metrics().text(), "اكتمل المتاح | 4 ملف | 0.73 GB | نتائج: 1");
    EXPECT_EQ(s.info().text(), "الصفحة 1 | متوسط الفحص 2 ملف/ث | 2 ثانية | متجاوز 0\r\n" +
                                   std::string(files::kCrawlDetail));
    // The crawl clock stopped with the crawl: the average stays.
    machine.Advance(60 * 10'000'000LL);
    Poll();
    EXPECT_THAT(s.info().text(), StartsWith("الصفحة 1 | متوسط الفحص 2 ملف/ث | 2 ثانية"));
    EXPECT_TRUE(ButtonOf(files::kStartText).enabled());
    EXPECT_FALSE(ButtonOf(files::kStopText).enabled());
    EXPECT_TRUE(s.timer().enabled());
    EXPECT_EQ(Shown(3)[0].size(), std::string("yyyy-MM-dd HH:mm").size());
}

TEST_F(DeviceBrowserTest, StoppingTheCrawlLeavesAPartialIndex) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    StartHeldAtTheDocs();
    Click(files::kStopText);
    scripted.held().Release();
    Settle();
    EXPECT_THAT(s.metrics().text(), StartsWith("متوقف — جزئي | "));
    EXPECT_FALSE(window->Busy().embeddedBusy);
}

TEST_F(DeviceBrowserTest, TheMainWindowsCloseDuringACrawlAsksItToStop) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    StartHeldAtTheDocs();
    ui.expectMessageBox(DialogResult::Ok);
    EXPECT_FALSE(window->RequestClose());
    EXPECT_TRUE(s.engine()->CancelRequested());
    // Leaving is refused too while the crawl has not been seen to end.
    ui.expectMessageBox(DialogResult::Ok);
    ui.click(Nav(Section::Home));
    EXPECT_EQ(Heading(), kBrowserHeading);
    scripted.held().Release();
    Settle();
    ui.click(Nav(Section::Home));
    EXPECT_EQ(OnStage(), "home");
}

TEST_F(DeviceBrowserTest, WithoutADriveNothingIsIndexed) {
    for (char letter : {'C', 'D', 'G'}) {
        machine.MapDrive(letter, host() / std::string(1, static_cast<char>(letter + 32)),
                         {.type = platform::DriveType::Remote});
    }
    OpenBrowser();
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kStartText);
    EXPECT_EQ(LastBox(), files::kNoDrives);
    EXPECT_EQ(Browser().engine(), nullptr);
    EXPECT_FALSE(window->Busy().embeddedBusy);
}

TEST_F(DeviceBrowserTest, ClearingTheIndexIsIgnoredDuringACrawlAndFreesItAfterwards) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    StartHeldAtTheDocs();
    s.ClearIndex();
    EXPECT_NE(s.engine(), nullptr);
    scripted.held().Release();
    Settle();

    Click(files::kClearIndexText);
    EXPECT_EQ(s.engine(), nullptr);
    EXPECT_EQ(s.grid().rowCount(), 0);
    EXPECT_FALSE(s.timer().enabled());
    EXPECT_EQ(s.metrics().text(), files::kClearedMetrics);
    EXPECT_EQ(s.info().text(), files::kClearedInfo);
    // Without an index: requests and statistics do nothing, the rest refuse.
    Click(files::kApplyText);
    s.ShowStatistics();
    for (auto [act, told] : std::vector<std::pair<std::function<void()>, std::string_view>>{
             {[&] { Click(files::kBulkDeleteText); }, files::kWaitForScan},
             {[&] { s.ExportAll(); }, files::kScanFirst},
             {[&] { s.ExportPage(); }, files::kEmptyPage}}) {
        ui.expectMessageBox(DialogResult::Ok);
        act();
        EXPECT_EQ(LastBox(), told);
    }
    EXPECT_EQ(ui.shownMessageBoxes().size(), 3u);
}

// ---- searching ------------------------------------------------------------------------

TEST_F(DeviceBrowserTest, EachFilterAndSortFindsItsFiles) {
    DataDrive();
    Sized("D:\\docs\\50%_off 'sale'.pdf", 2 * kMiB);
    Sized("D:\\docs\\تقرير\\ملف.docx", 5 * kMiB);
    OpenBrowser();
    Index(kD);

    struct Case {
        const char* what;
        std::function<void()> set;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"no filter, largest first",
         [] {},
         {"film.mp4", "clip.MP4", "ملف.docx", "report.pdf", "50%_off 'sale'.pdf", "notes.txt"}},
        {"text in the path, ignoring case",
         [&] { TypeInto(std::string(files::kSearchBoxName), "  MEDIA\\ "); },
         {"film.mp4", "clip.MP4"}},
        {"text with an apostrophe, % and _",
         [&] { TypeInto(std::string(files::kSearchBoxName), "%_off 's"); },
         {"50%_off 'sale'.pdf"}},
        {"a double quote, which no path holds",
         [&] { TypeInto(std::string(files::kSearchBoxName), "\"sale"); },
         {}},
        {"Arabic text",
         [&] { TypeInto(std::string(files::kSearchBoxName), "تقرير\\"); },
         {"ملف.docx"}},
        {"minimum only", [&] { SetNumber("minimum", 40); }, {"film.mp4", "clip.MP4"}},
        {"maximum equal to the minimum",
         [&] {
             SetNumber("minimum", 40);
             SetNumber("maximum", 40);
         },
         {"clip.MP4"}},
        {"extension with a dot, other case, spaces",
         [&] { TypeInto(std::string(files::kExtensionBoxName), " .Mp4 "); },
         {"film.mp4", "clip.MP4"}},
        {"extension without a dot",
         [&] { TypeInto(std::string(files::kExtensionBoxName), "pdf"); },
         {"report.pdf", "50%_off 'sale'.pdf"}},
        {"category documents",
         [&] { ui.pickItem(Named<toolkit::ComboBox>("category"), "مستندات"); },
         {"ملف.docx", "report.pdf", "50%_off 'sale'.pdf", "notes.txt"}},
        {"older than 30 days", [&] { SetNumber("age", 30); }, {"notes.txt"}},
        {"smallest first",
         [&] { ui.pickItem(Named<toolkit::ComboBox>("sort"), 1); },
         {"notes.txt", "50%_off 'sale'.pdf", "report.pdf", "ملف.docx", "clip.MP4", "film.mp4"}},
        {"by path",
         [&] { ui.pickItem(Named<toolkit::ComboBox>("sort"), 4); },
         {"50%_off 'sale'.pdf", "notes.txt", "report.pdf", "ملف.docx", "clip.MP4", "film.mp4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Click(files::kResetText);
        Settle();
        c.set();
        Click(files::kApplyText);
        Settle();
        EXPECT_EQ(Shown(), c.names);
        EXPECT_EQ(Browser().resultCount(), static_cast<std::int32_t>(c.names.size()));
    }
    EXPECT_THAT(Boxes(), IsEmpty());
}

TEST_F(DeviceBrowserTest, AMaximumBelowTheMinimumIsRefusedAndTheLastSearchStands) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    SetNumber("minimum", 10);
    SetNumber("maximum", 5);
    const std::int32_t token = s.engine()->Page()->Token;
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kApplyText);
    EXPECT_EQ(LastBox(), files::kRangeRefused);
    EXPECT_FALSE(s.querying());
    Settle();
    EXPECT_EQ(s.engine()->Page()->Token, token);
    EXPECT_EQ(s.resultCount(), 4);
    // A maximum of 0 is no upper bound.
    SetNumber("maximum", 0);
    Click(files::kApplyText);
    Settle();
    EXPECT_THAT(Shown(), ElementsAre("film.mp4", "clip.MP4"));
}

TEST_F(DeviceBrowserTest, PagesMoveByThePageSizeAndAPageBeyondTheEndIsEmpty) {
    Folder("D:\\many");
    scripted.held().Generate("D:\\many", 260, 10);
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    EXPECT_EQ(s.grid().rowCount(), 250);
    EXPECT_FALSE(ButtonOf(files::kBrowserPreviousText).enabled());
    Click(files::kBrowserNextText);
    Settle();
    EXPECT_EQ(s.offset(), 250);
    EXPECT_EQ(s.grid().rowCount(), 10);
    EXPECT_FALSE(ButtonOf(files::kBrowserNextText).enabled());
    EXPECT_THAT(s.info().text(), StartsWith("الصفحة 2 | "));

    ui.pickItem(Named<toolkit::ComboBox>("page-size"), "100");
    Settle();
    EXPECT_EQ(s.offset(), 0);
    EXPECT_EQ(s.grid().rowCount(), 100);
    Click(files::kBrowserNextText);
    Click(files::kBrowserNextText);
    Settle();
    EXPECT_EQ(s.offset(), 200);
    EXPECT_EQ(s.grid().rowCount(), 60);

    // Fewer results now than the offset: an empty page, the full count, and
    // the way back.
    TypeInto(std::string(files::kSearchBoxName), "f25");
    s.RequestPage();
    Settle();
    EXPECT_EQ(s.grid().rowCount(), 0);
    EXPECT_EQ(s.resultCount(), 11); // f25, f250 ... f259
    EXPECT_THAT(s.metrics().text(), HasSubstr("نتائج: 11"));
    EXPECT_TRUE(ButtonOf(files::kBrowserPreviousText).enabled());
    Click(files::kBrowserPreviousText);
    Settle();
    EXPECT_EQ(s.offset(), 100);
    Click(files::kBrowserPreviousText);
    Settle();
    EXPECT_EQ(s.offset(), 0);
    EXPECT_EQ(s.grid().rowCount(), 11);
}

TEST_F(DeviceBrowserTest, CtrlFBringsUpTheSearchBoxAndEnterSearches) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    auto& search = s.searchBox();
    search.setText("film");
    EXPECT_TRUE(ui.pressKey(s.grid(), toolkit::Key::F, true));
    EXPECT_TRUE(ui.peerOf(search)->focused());
    EXPECT_TRUE(search.allSelected());
    EXPECT_TRUE(ui.pressKey(search, toolkit::Key::Enter));
    Settle();
    EXPECT_THAT(Shown(), ElementsAre("film.mp4"));
    // Enter elsewhere is the control's own.
    EXPECT_FALSE(ui.pressKey(s.grid(), toolkit::Key::Enter));
}

// ---- the selected file ------------------------------------------------------------------

TEST_F(DeviceBrowserTest, TheSelectedFileIsDetailedCopiedLocatedAndItsPropertiesOpened) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    // Nothing selected: the commands do nothing.
    Click(files::kCopyPathText);
    Click(files::kLocateText);
    Click(files::kPropertiesText);
    EXPECT_THAT(machine.ShellCalls(), IsEmpty());
    EXPECT_THAT(Boxes(), IsEmpty());

    s.grid().userSelect(1);
    Poll();
    EXPECT_THAT(s.info().text(),
                HasSubstr("\r\nD:\\media\\clip.MP4\r\nالحجم: 41,943,040 بايت | آخر تعديل: "));
    Click(files::kCopyPathText);
    EXPECT_EQ(ui.app().clipboardText(), "D:\\media\\clip.MP4");
    Click(files::kCopyNameText);
    EXPECT_EQ(ui.app().clipboardText(), "clip.MP4");

    Click(files::kLocateText);
    s.grid().userDoubleClick();
    ASSERT_EQ(machine.ShellCalls().size(), 2u);
    for (const platform::ShellLaunch& call : machine.ShellCalls()) {
        EXPECT_EQ(call.file, "explorer.exe");
        EXPECT_EQ(call.arguments, "/select,\"D:\\media\\clip.MP4\"");
    }
    Click(files::kPropertiesText);
    ASSERT_EQ(machine.ShellCalls().size(), 3u);
    EXPECT_EQ(machine.ShellCalls()[2].verb, "properties");
    EXPECT_EQ(machine.ShellCalls()[2].file, "D:\\media\\clip.MP4");

    // Failures are told and change nothing else.
    ui.backend().clipboardBusy = true;
    platform::emulated::ProcessScript noHandler;
    noHandler.startError = base::Error{base::ErrorKind::Other, "no handler"};
    machine.ScriptProcess("D:\\media\\clip.MP4", noHandler);
    for (auto [button, told] : std::vector<std::pair<std::string_view, std::string>>{
             {files::kCopyPathText, std::string(files::kCopyPathFailed)},
             {files::kCopyNameText, std::string(files::kCopyNameFailed)},
             {files::kPropertiesText, std::string(files::kPropertiesFailed) + "no handler"}}) {
        ui.expectMessageBox(DialogResult::Ok);
        Click(button);
        EXPECT_EQ(LastBox(), told);
    }
    EXPECT_EQ(ui.app().clipboardText(), "clip.MP4");
}

// ---- exports and statistics -------------------------------------------------------------

// Reads a CSV file back with Python's csv module, one field a line, rows
// ended by an empty marker; none when Python is not there.
std::optional<std::vector<std::vector<std::string>>>
ReadWithPython(const std::filesystem::path& file) {
    const std::string script =
        "import csv,sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
        "    for row in csv.reader(f):\n"
        "        sys.stdout.write(''.join(x.encode('unicode_escape').decode() + '\\n' for x in row)"
        " + '--\\n')\n";
    const std::string command = "python3 -c \"" + std::string([&] {
                                    std::string escaped;
                                    for (char c : script) {
                                        if (c == '"' || c == '\\' || c == '$' || c == '`') {
                                            escaped += '\\';
                                        }
                                        escaped += c;
                                    }
                                    return escaped;
                                }()) +
                                "\" '" + file.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return std::nullopt;
    }
    std::string out;
    std::array<char, 4096> buffer{};
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) {
        out.append(buffer.data(), n);
    }
    if (pclose(pipe) != 0) {
        return std::nullopt;
    }
    std::vector<std::vector<std::string>> rows(1);
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        start = end + 1;
        if (line == "--") {
            rows.emplace_back();
        } else {
            rows.back().push_back(line);
        }
    }
    rows.pop_back();
    return rows;
}

TEST_F(DeviceBrowserTest, ThePageExportWritesTheShownRowsSoASpreadsheetReadsThemBack) {
    files::DeviceBrowserSection& s = OpenBrowser();
    index::VexoPage13 page;
    const base::DateTimeParts at{2024, 3, 5, 14, 7, 9, 1234567};
    for (const char* name : {"=cmd", "+1", "-2", "@x", "\tTab", "\rCR", "say \"hi\"", "a,b",
                             "line\nbreak", "ملف عربي.txt"}) {
        page.Rows.push_back({name, std::string("C:\\x\\") + name, ".txt", 1234, at});
    }
    page.Total = static_cast<std::int32_t>(page.Rows.size());
    s.ShowPage(page);

    const std::string target = std::string(kDocuments) + "\\out.csv";
    Write(target, "an older export that is replaced");
    ui.expectSaveFile(target);
    ui.expectMessageBox(DialogResult::Ok);
    ui.click(ButtonOf(files::kReportsText));
    EXPECT_EQ(ui.backend().openMenuAt,
              (toolkit::Point{0, ButtonOf(files::kReportsText).size().height}));
    ui.chooseMenuItem(std::string(files::kPageExportText));
    EXPECT_EQ(LastBox(), files::kPageSaved);
    ASSERT_EQ(ui.backend().saveDialogs.size(), 1u);
    const toolkit::SaveFileArgs& dialog = ui.backend().saveDialogs[0];
    EXPECT_EQ(dialog.filter, "CSV (*.csv)|*.csv");
    EXPECT_EQ(dialog.fileName, "Vexo-page.csv");
    EXPECT_EQ(dialog.defaultExtension, "csv");
    EXPECT_TRUE(dialog.overwritePrompt);
    EXPECT_EQ(dialog.owner, &s.form());

    const std::string bytes = Read(target);
    EXPECT_THAT(bytes, StartsWith("\xEF\xBB\xBF\"Name\",\"Bytes\",\"Extension\",\"Modified\","
                                  "\"Path\"\r\n\"'=cmd\",\"1234\",\".txt\",\"2024-03-05T14:07:09\","
                                  "\"C:\\x\\=cmd\"\r\n"));
    auto rows = ReadWithPython(*machine.HostPathOf(target));
    if (!rows) {
        GTEST_SKIP() << "python3 is not available to read the file back";
    }
    ASSERT_EQ(rows->size(), 11u);
    EXPECT_THAT((*rows)[0], ElementsAre("Name", "Bytes", "Extension", "Modified", "Path"));
    const std::vector<std::string> names = {
        "'=cmd",        "'+1",
        "'-2",          "'@x",
        "'\\tTab",      "'\\rCR",
        "say \"hi\"",   "a,b",
        "line\\nbreak", "\\u0645\\u0644\\u0641 \\u0639\\u0631\\u0628\\u064a.txt"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ((*rows)[i + 1].size(), 5u);
        EXPECT_EQ((*rows)[i + 1][0], names[i]);
        EXPECT_EQ((*rows)[i + 1][1], "1234");
        EXPECT_EQ((*rows)[i + 1][3], "2024-03-05T14:07:09");
    }
}

TEST_F(DeviceBrowserTest, APageExportCancelledOrUnwritableLeavesNoFile) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    ui.expectSaveFile(std::nullopt);
    s.ExportPage();
    EXPECT_THAT(Boxes(), IsEmpty());

    const std::string target = "D:\\no such folder\\page.csv";
    ui.expectSaveFile(target);
    ui.expectMessageBox(DialogResult::Ok);
    s.ExportPage();
    EXPECT_FALSE(Exists(target));
    EXPECT_NE(LastBox(), files::kPageSaved);
    EXPECT_FALSE(LastBox().empty());
}

TEST_F(DeviceBrowserTest, TheAllResultsExportRunsInTheBackgroundAndItsResultIsToldOnce) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    TypeInto(std::string(files::kExtensionBoxName), "mp4");
    Click(files::kApplyText);
    Settle();

    const std::string target = std::string(kDocuments) + "\\all.csv";
    ui.expectSaveFile(target);
    ui.expectMessageBox(DialogResult::Ok);
    s.ExportAll();
    EXPECT_EQ(LastBox(), files::kExportStarted);
    EXPECT_EQ(ui.backend().saveDialogs.back().fileName, "Vexo-results.csv");
    EXPECT_TRUE(window->Busy().embeddedBusy);
    EXPECT_TRUE(s.engine()->ExportBusy());

    // While it runs: start and clear index are ignored, the rest refuse.
    s.StartIndexing();
    s.ClearIndex();
    EXPECT_NE(s.engine(), nullptr);
    for (auto [act, told] : std::vector<std::pair<std::function<void()>, std::string_view>>{
             {[&] { s.ExportAll(); }, files::kExportStillRuns},
             {[&] { Click(files::kBulkDeleteText); }, files::kWaitForExport}}) {
        ui.expectMessageBox(DialogResult::Ok);
        act();
        EXPECT_EQ(LastBox(), told);
    }

    ui.expectMessageBox(DialogResult::Ok);
    Settle();
    EXPECT_EQ(LastBox(), std::string(files::kExportReport) + "OK: " + target);
    EXPECT_FALSE(window->Busy().embeddedBusy);
    const std::string bytes = Read(target);
    EXPECT_THAT(bytes, StartsWith("\xEF\xBB\xBFName,Bytes,Extension,Modified,Path\r\n"
                                  "\"film.mp4\",734003200,"));
    EXPECT_THAT(bytes, HasSubstr("\"clip.MP4\",41943040,"));
    EXPECT_THAT(bytes, ::testing::Not(HasSubstr("report.pdf")));
    const std::size_t told = ui.shownMessageBoxes().size();
    Settle();
    EXPECT_EQ(ui.shownMessageBoxes().size(), told);
}

TEST_F(DeviceBrowserTest, AnAllResultsExportWithoutARecordedSearchTakesEveryFile) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    StartHeldAtTheDocs(/*refusedRange=*/true);
    // The early request is refused for the range, so no search is recorded.
    ui.expectMessageBox(DialogResult::Ok);
    while (s.engine()->Count() < 2) {
        std::this_thread::yield();
    }
    Poll();
    EXPECT_FALSE(s.hasFilter());
    scripted.held().Release();
    ui.expectMessageBox(DialogResult::Ok);
    Settle();
    EXPECT_FALSE(s.hasFilter());

    const std::string target = std::string(kDocuments) + "\\every.csv";
    ui.expectMessageBox(DialogResult::Ok); // the range, again
    ui.expectSaveFile(target);
    ui.expectMessageBox(DialogResult::Ok);
    s.ExportAll();
    EXPECT_EQ(LastBox(), files::kExportStarted);
    ui.expectMessageBox(DialogResult::Ok);
    Settle();
    const std::string bytes = Read(target);
    const auto film = bytes.find("film.mp4");
    const auto clip = bytes.find("clip.MP4");
    const auto notes = bytes.find("notes.txt");
    EXPECT_LT(film, clip);
    EXPECT_LT(clip, notes);
    EXPECT_NE(notes, std::string::npos);
}

TEST_F(DeviceBrowserTest, StatisticsTellTheTopExtensionsAndNothingForAnEmptyIndex) {
    Folder("D:\\empty");
    files::DeviceBrowserSection& s = OpenBrowser();
    Index(kD);
    ui.click(ButtonOf(files::kReportsText));
    ui.chooseMenuItem(std::string(files::kStatisticsText));
    Settle();
    EXPECT_THAT(Boxes(), IsEmpty());

    DataDrive();
    Index(kD);
    ui.expectMessageBox(DialogResult::Ok);
    s.ShowStatistics();
    Settle();
    EXPECT_THAT(LastBox(), StartsWith(std::string(files::kStatisticsHead) + "\r\n"));
    EXPECT_THAT(LastBox(), HasSubstr("mp4"));
}

// ---- bulk removal -----------------------------------------------------------------------

TEST_F(DeviceBrowserTest, BulkRemovalRefusesUntilASearchIsRecordedAndTheIndexIsQuiet) {
    DataDrive();
    files::DeviceBrowserSection& s = OpenBrowser();
    StartHeldAtTheDocs(/*refusedRange=*/true);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kBulkDeleteText);
    EXPECT_EQ(LastBox(), files::kWaitForScan);
    scripted.held().Release();
    ui.expectMessageBox(DialogResult::Ok); // the range of the final request
    Settle();
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kBulkDeleteText);
    EXPECT_EQ(LastBox(), files::kApplyFirst);

    SetNumber("maximum", 0);
    Click(files::kApplyText);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kBulkDeleteText); // the page is not in yet
    EXPECT_EQ(LastBox(), files::kWaitForScan);
    Settle();
    // Nothing of drive D lies in a personal folder.
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kBulkDeleteText);
    EXPECT_TRUE(s.bulkWaiting());
    EXPECT_FALSE(ButtonOf(files::kBulkPreparingText).enabled());
    EXPECT_TRUE(window->Busy().embeddedBusy);
    Settle();
    EXPECT_EQ(LastBox(), files::kNothingPersonal);
    EXPECT_FALSE(s.bulkWaiting());
    EXPECT_FALSE(window->Busy().embeddedBusy);
    EXPECT_TRUE(ButtonOf(files::kBulkDeleteText).enabled());
}

} // namespace
} // namespace vexo::testing
