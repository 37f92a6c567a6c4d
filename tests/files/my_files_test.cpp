#include "files_fixture.h"
#include "records/cleanup_report.h"

#include <fstream>
#include <gmock/gmock.h>

namespace vexo::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using toolkit::DialogResult;

constexpr std::int64_t kMiB = 1048576;
constexpr const char* kOutsideOrProtected = "مسار خارج مجلداتك أو داخل مجلد محمي";

class MyFilesTest : public FilesFixture {};

// ---- opening and the first crawl --------------------------------------------------------------

TEST_F(MyFilesTest, OpensFromTheNavigationAndBothHomeButtonsWithItsLayout) {
    Start();
    for (const char* entry : {"nav", "راجع ملفاتي  ←", "ملفاتي\r\nبحث • تحديد • مراجعة الحذف"}) {
        SCOPED_TRACE(entry);
        ui.click(Nav(Section::Home));
        if (std::string(entry) == "nav") {
            ui.click(Nav(Section::MyFiles));
        } else {
            ui.click(window->Stage(), entry);
        }
        EXPECT_EQ(Heading(), kHeading);
        files::MyFilesSection& s = Files();
        EXPECT_TRUE(s.crawling());
        EXPECT_TRUE(window->Busy().embeddedBusy);
        Settle();
        EXPECT_FALSE(s.crawling());
        EXPECT_FALSE(window->Busy().embeddedBusy);
    }

    EXPECT_THAT(HostedTableRows(), ElementsAre(44, 48, 48, -1, 72));
    // The bars scroll sideways when too narrow, never up and down.
    for (auto* bar : All<toolkit::FlowLayout>(View())) {
        EXPECT_FALSE(bar->needsVerticalScroll()) << bar->bounds().height;
    }

    const toolkit::DataGrid& grid = Files().grid();
    std::vector<std::string> columns;
    std::vector<float> weights;
    for (const toolkit::GridColumn& c : grid.columns()) {
        columns.push_back(c.name + "|" + c.header + (c.readOnly ? "|ro" : "|rw") +
                          (c.sortable ? "|sort" : ""));
        weights.push_back(c.fillWeight);
    }
    EXPECT_THAT(columns, ElementsAre("Pick|اختيار|rw", "Name|الملف|ro", "MB|الحجم MB|ro",
                                     "Path|مكان الملف|ro"));
    EXPECT_THAT(weights, ElementsAre(14, 60, 25, 110));
    EXPECT_EQ(grid.columns()[2].format(toolkit::CellValue{1234.5678}), "1,234.57");

    EXPECT_EQ(ButtonOf(files::kTakeAllText).tooltip(), files::kTakeAllTip);
    EXPECT_EQ(ButtonOf(files::kDeleteText).tooltip(), files::kDeleteTip);
    EXPECT_EQ(ButtonOf(files::kDeleteText).backColor(), toolkit::Color::rgb(174, 49, 78));
    EXPECT_EQ(ButtonOf(files::kDeleteText).foreColor(), toolkit::Color::rgb(255, 255, 255));
    EXPECT_EQ(ButtonOf(files::kRestartText).backColor(), toolkit::Color::rgb(24, 93, 228));
    EXPECT_EQ(ButtonOf(files::kRestartText).foreColor(), toolkit::Color::rgb(255, 255, 255));
    EXPECT_FALSE(ButtonOf(files::kStopDeleteText).enabled());
    EXPECT_FALSE(ButtonOf(files::kStopSearchText).enabled());
    EXPECT_THAT(Boxes(), IsEmpty());
}

TEST_F(MyFilesTest, ShowsTheLargestFirstAndBothSummaryLines) {
    Sized(std::string(kDownloads) + "\\movie.mkv", 1536 * kMiB);
    Sized(std::string(kDesktop) + "\\notes.txt", 3 * kMiB);
    Sized(std::string(kDocuments) + "\\Tax\\2023.pdf", 40 * kMiB);
    Folder(std::string(kMusic) + "\\empty");

    files::MyFilesSection& s = OpenFiles();
    EXPECT_EQ(s.message().text(), files::kFirstMessage);
    EXPECT_FALSE(ButtonOf(files::kRestartText).enabled());
    EXPECT_FALSE(ButtonOf(files::kDeleteText).enabled());
    EXPECT_TRUE(ButtonOf(files::kStopSearchText).enabled());
    Settle();

    EXPECT_EQ(ui.gridRows(s.grid()),
              (std::vector<std::vector<std::string>>{
                  {"False", "movie.mkv", "1,536.00", std::string(kDownloads) + "\\movie.mkv"},
                  {"False", "2023.pdf", "40.00", std::string(kDocuments) + "\\Tax\\2023.pdf"},
                  {"False", "notes.txt", "3.00", std::string(kDesktop) + "\\notes.txt"}}));
    ui.tickRow(s.grid(), 0);
    ui.tickRow(s.grid(), 2);
    EXPECT_EQ(s.message().text(),
              "جاهز للمراجعة | نتائج: 3 | صفحة 1 | المحدد: 2 ملف (1.50 GB)\r\n"
              "التحديد اليدوي لهذه الصفحة فقط. ملفات مفحوصة: 3 | الملفات بالسلة تبقى تشغل "
              "مساحة حتى إفراغها.");
    EXPECT_TRUE(ButtonOf(files::kRestartText).enabled());
    EXPECT_TRUE(ButtonOf(files::kDeleteText).enabled());
    EXPECT_FALSE(ButtonOf(files::kStopSearchText).enabled());
    EXPECT_FALSE(ButtonOf(files::kPreviousText).enabled());
    EXPECT_FALSE(ButtonOf(files::kNextText).enabled());
}

TEST_F(MyFilesTest, WithoutAUsablePersonalFolderNothingIsIndexed) {
    for (const char* name : {"Downloads", "Desktop", "Documents", "Pictures", "Videos", "Music"}) {
        std::filesystem::remove_all(*machine.HostPathOf(std::string(kProfile) + "\\" + name));
    }
    Start();
    ui.expectMessageBox(DialogResult::Ok);
    files::MyFilesSection& s = OpenFiles();
    EXPECT_THAT(Boxes(), ElementsAre(std::string(files::kNoRoots)));
    EXPECT_EQ(s.engine(), nullptr);
    EXPECT_FALSE(window->Busy().embeddedBusy);
    EXPECT_TRUE(ButtonOf(files::kRestartText).enabled());
}

TEST_F(MyFilesTest, AFolderInsideAnAcceptedOneIsIndexedOnce) {
    const std::string inner = std::string(kDocuments) + "\\Pictures";
    machine.SetKnownFolder(platform::KnownFolder::Pictures, inner);
    Write(inner + "\\holiday.jpg", "jpeg");

    files::MyFilesSection& s = OpenFiles();
    Settle();
    EXPECT_THAT(Names(), ElementsAre("holiday.jpg"));
    for (const std::string& root : s.indexRoots()) {
        EXPECT_NE(root, inner);
    }
}

TEST_F(MyFilesTest, RootsWithoutFilesEndOnAnEmptyFirstPage) {
    files::MyFilesSection& s = OpenFiles();
    Settle();
    EXPECT_THAT(Names(), IsEmpty());
    EXPECT_THAT(s.message().text(), ::testing::StartsWith("جاهز للمراجعة | نتائج: 0 | صفحة 1 |"));
}

// ---- while the crawl runs
// -------------------------------------------------------------------------

TEST_F(MyFilesTest, TheCrawlEndReplacesThePageAndItsTicks) {
    Write(std::string(kDownloads) + "\\a.bin", "aaaa");
    Write(std::string(kDownloads) + "\\b.bin", "bb");
    Write(std::string(kMusic) + "\\song.mp3", "songsong");
    scripted.held().Hold(kMusic);

    files::MyFilesSection& s = OpenFiles();
    scripted.held().WaitUntilHeld();
    Poll(); // the first page is asked for
    Poll(); // and shown
    ASSERT_THAT(Names(), ElementsAre("a.bin", "b.bin"));
    EXPECT_THAT(s.message().text(), ::testing::StartsWith("البحث مستمر | نتائج: 2 |"));

    // What the crawl refuses while it runs.
    ui.tickRow(s.grid(), 0);
    ui.expectMessageBox(DialogResult::Ok);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kChooseFolderText);
    Click(files::kTakeAllText);
    EXPECT_THAT(Boxes(), ElementsAre(std::string(files::kStopSearchFirst),
                                     std::string(files::kWaitForSearch)));
    EXPECT_FALSE(ButtonOf(files::kDeleteText).enabled());

    scripted.held().Release();
    Settle();
    EXPECT_THAT(Names(), ElementsAre("song.mp3", "a.bin", "b.bin"));
    EXPECT_THAT(s.grid().tickedRows(), IsEmpty());
}

TEST_F(MyFilesTest, StoppingTheSearchKeepsPartialResultsAndSaysSo) {
    Write(std::string(kDownloads) + "\\a.bin", "aaaa");
    Write(std::string(kMusic) + "\\song.mp3", "songsong");
    scripted.held().Hold(kMusic);
    files::MyFilesSection& s = OpenFiles();
    scripted.held().WaitUntilHeld();
    Click(files::kStopSearchText);
    scripted.held().Release();
    Settle();
    EXPECT_FALSE(s.crawling());
    EXPECT_FALSE(window->Busy().embeddedBusy);
    EXPECT_THAT(s.message().text(), HasSubstr(" | نتائج جزئية بعد الإيقاف\r\n"));
}

TEST_F(MyFilesTest, AMillionFilesSayTheResultsArePartial) {
    const std::string big = std::string(kDownloads) + "\\big";
    Folder(big);
    scripted.held().Generate(big, 1'000'001, 1);
    files::MyFilesSection& s = OpenFiles();
    Settle();
    EXPECT_TRUE(s.engine()->Limit());
    EXPECT_THAT(s.message().text(),
                HasSubstr("نتائج: 1,000,000 | صفحة 1 | المحدد: 0 ملف (0.00 GB) | وصل حد مليون "
                          "ملف؛ النتائج جزئية\r\n"));
    EXPECT_THAT(s.message().text(), HasSubstr(" ملفات مفحوصة: 1000000 |"));
}

// ---- paging, filters and selection
// ---------------------------------------------------------------

TEST_F(MyFilesTest, PagesOf250AndANewSizeFilterClearsTicksAndTheBulkSelection) {
    const std::string many = std::string(kDownloads) + "\\many";
    Folder(many);
    scripted.held().Generate(many, 260, 1);
    Sized(std::string(kDesktop) + "\\video.mp4", 200 * kMiB);
    files::MyFilesSection& s = OpenFiles();
    Settle();
    EXPECT_EQ(s.grid().rowCount(), 250);
    EXPECT_TRUE(ButtonOf(files::kNextText).enabled());

    Click(files::kNextText);
    Poll();
    EXPECT_EQ(s.grid().rowCount(), 11);
    EXPECT_THAT(s.message().text(), HasSubstr(" | صفحة 2 | "));
    EXPECT_TRUE(ButtonOf(files::kPreviousText).enabled());
    EXPECT_FALSE(ButtonOf(files::kNextText).enabled());
    Click(files::kPreviousText);
    Poll();
    EXPECT_EQ(s.offset(), 0);

    Click(files::kSelectPageText);
    EXPECT_EQ(s.grid().tickedRows().size(), 250u);
    Click(files::kClearText);
    EXPECT_THAT(s.grid().tickedRows(), IsEmpty());

    ui.tickRow(s.grid(), 0);
    ui.pickItem(*All<toolkit::ComboBox>(View()).at(0), std::string(files::kSizeOver100Mb));
    EXPECT_EQ(s.offset(), 0);
    Poll();
    EXPECT_THAT(Names(), ElementsAre("video.mp4"));
    EXPECT_THAT(s.grid().tickedRows(), IsEmpty());
    EXPECT_THAT(s.message().text(), HasSubstr("المحدد: 0 ملف"));
}

TEST_F(MyFilesTest, TakeAllUsesTheTypedNameAndStaysWhenThePromptIsCancelled) {
    for (int i = 0; i < 14; ++i) {
        Write(std::string(kDocuments) + "\\report-" + std::to_string(i) + ".docx", "r");
    }
    Write(std::string(kDocuments) + "\\photo.jpg", "photo-bytes");
    files::MyFilesSection& s = OpenFiles();
    Settle();
    ASSERT_EQ(s.grid().rowCount(), 15);

    ui.type(ui.get<toolkit::TextBox>(View(), std::string(files::kNameBoxName)), "  REPORT ");
    ui.expectMessageBox(DialogResult::No);
    Click(files::kTakeAllText);
    ASSERT_EQ(ui.shownMessageBoxes().size(), 1u);
    const auto& prompt = ui.shownMessageBoxes().back();
    EXPECT_EQ(prompt.caption, files::kConfirmCaption);
    EXPECT_EQ(prompt.buttons, toolkit::MessageButtons::YesNo);
    EXPECT_EQ(prompt.icon, toolkit::MessageIcon::Warning);
    EXPECT_THAT(prompt.text, ::testing::StartsWith("نقل 14 ملف (0.00 GB) إلى السلة؟\r\n"));
    EXPECT_THAT(prompt.text, HasSubstr("\r\nوأسماء إضافية بالقائمة المختارة.\r\n"));
    EXPECT_THAT(prompt.text, ::testing::Not(HasSubstr("photo.jpg")));

    // The page still shows every file; the selection is all 14 reports.
    EXPECT_EQ(s.grid().rowCount(), 15);
    EXPECT_TRUE(s.hasBulkSelection());
    EXPECT_THAT(s.message().text(), HasSubstr("المحدد: 14 ملف"));
    EXPECT_THAT(s.message().text(), HasSubstr("\r\nمحدد: كل نتائج البحث الحالية ضمن ملفاتك"));

    ui.expectMessageBox(DialogResult::No);
    Click(files::kDeleteText);
    EXPECT_THAT(LastBox(), ::testing::StartsWith("نقل 14 ملف"));
    EXPECT_THAT(machine.RecycleCalls(), IsEmpty());

    // A tick of the user's own ends the bulk selection.
    ui.tickRow(s.grid(), 0);
    EXPECT_FALSE(s.hasBulkSelection());
    EXPECT_THAT(s.message().text(), HasSubstr("\r\nالتحديد اليدوي لهذه الصفحة فقط."));
}

TEST_F(MyFilesTest, TakeAllWithNothingMatchingSaysSo) {
    Write(std::string(kDocuments) + "\\photo.jpg", "photo");
    OpenFiles();
    Settle();
    ui.type(ui.get<toolkit::TextBox>(View(), std::string(files::kNameBoxName)), "nothing-like-it");
    ui.expectMessageBox(DialogResult::Ok);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kTakeAllText);
    EXPECT_THAT(Boxes(), ElementsAre(std::string(files::kNothingMatches)));
    Click(files::kDeleteText);
    EXPECT_EQ(LastBox(), files::kTickSomething);
}

// ---- removal
// ---------------------------------------------------------------------------------------

TEST_F(MyFilesTest, RemovesTheTickedFilesAndRecordsTheRun) {
    Sized(std::string(kDownloads) + "\\old.iso", 700 * kMiB);
    Sized(std::string(kDesktop) + "\\setup.exe", 90 * kMiB);
    Sized(std::string(kDocuments) + "\\keep.docx", 1 * kMiB);
    files::MyFilesSection& s = OpenFiles();
    Settle();
    ui.tickRow(s.grid(), 0);
    ui.tickRow(s.grid(), 1);

    ui.expectMessageBox(DialogResult::Yes); // the prompt
    ui.expectMessageBox(DialogResult::Ok);  // the report's summary
    Click(files::kDeleteText);

    EXPECT_THAT(machine.RecycledPaths(), ElementsAre(std::string(kDownloads) + "\\old.iso",
                                                     std::string(kDesktop) + "\\setup.exe"));
    ASSERT_EQ(ui.shownMessageBoxes().size(), 2u);
    EXPECT_TRUE(ui.shownMessageBoxes()[0].hasOwner);
    const std::string summary = ui.shownMessageBoxes()[1].text;
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 5) << summary;
    auto report = reports->LastReport();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->kind, records::kKindFiles);
    EXPECT_EQ(report->attempted, 2);
    EXPECT_EQ(report->success, 2);
    EXPECT_EQ(report->logicalRemoved, 790 * kMiB);
    EXPECT_FALSE(report->stopped);
    EXPECT_TRUE(Exists(std::string(kDataFolder) + "\\LastCleanup.json"));
    EXPECT_THAT(RemovalLogs(),
                ElementsAre("\xEF\xBB\xBFREMOVED " + std::string(kDownloads) +
                            "\\old.iso\r\nREMOVED " + std::string(kDesktop) + "\\setup.exe\r\n"));

    // The section is itself again and its first page no longer has them.
    EXPECT_FALSE(s.deleting());
    EXPECT_FALSE(window->Busy().embeddedBusy);
    EXPECT_FALSE(ButtonOf(files::kStopDeleteText).enabled());
    EXPECT_TRUE(ButtonOf(files::kDeleteText).enabled());
    EXPECT_TRUE(s.grid().effectivelyEnabled());
    Poll();
    EXPECT_THAT(Names(), ElementsAre("keep.docx"));
}

TEST_F(MyFilesTest, AStopDuringTheThirdFilesDialogEndsTheRunAfterIt) {
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i) {
        paths.push_back(std::string(kDocuments) + "\\f" + std::to_string(i) + ".bin");
        Sized(paths.back(), (10 - i) * kMiB);
    }
    files::MyFilesSection& s = OpenFiles();
    Settle();
    Click(files::kSelectPageText);

    std::string stopTextAfterClick;
    bool busyDuringRun = false;
    scripted.bin().whileOpen = [&](const std::string& path) {
        busyDuringRun = window->Busy().embeddedBusy && s.deleting() &&
                        !ButtonOf(files::kDeleteText).enabled() && !s.grid().effectivelyEnabled();
        if (path == paths[2]) {
            Click(files::kStopDeleteText);
            stopTextAfterClick = ButtonOf(files::kStoppingDeleteText).text();
        }
    };
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kDeleteText);

    EXPECT_TRUE(busyDuringRun);
    EXPECT_EQ(stopTextAfterClick, files::kStoppingDeleteText);
    EXPECT_THAT(machine.RecycledPaths(), ElementsAre(paths[0], paths[1], paths[2]));
    auto report = reports->LastReport();
    ASSERT_TRUE(report.has_value());
    EXPECT_TRUE(report->stopped);
    EXPECT_EQ(report->attempted, 3);
    // It keeps its last words, disabled, until the next run gives it its own.
    EXPECT_FALSE(ButtonOf(files::kStoppingDeleteText).enabled());
    Poll();
    EXPECT_EQ(s.grid().rowCount(), 2);
}

TEST_F(MyFilesTest, AChosenFolderThatHoldsAppDataListsItButNeverRemovesFromIt) {
    const std::string appFile = "C:\\Users\\ali\\AppData\\Local\\Cache\\blob.bin";
    Sized(appFile, 5 * kMiB);
    files::MyFilesSection& s = OpenFiles();
    Settle();

    ui.expectFolder(std::string("C:\\Users"));
    Click(files::kChooseFolderText);
    ASSERT_THAT(Boxes(), IsEmpty());
    EXPECT_EQ(s.customRoot(), "C:\\Users");
    Settle();
    ASSERT_THAT(Names(), ::testing::Contains("blob.bin"));
    int row = 0;
    while (Names()[static_cast<size_t>(row)] != "blob.bin") {
        ++row;
    }
    ui.tickRow(s.grid(), row);
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kDeleteText);

    EXPECT_THAT(machine.RecycleCalls(), IsEmpty());
    EXPECT_TRUE(Exists(appFile));
    EXPECT_THAT(RemovalLogs(), ElementsAre("\xEF\xBB\xBFNOT REMOVED " + appFile + " : " +
                                           kOutsideOrProtected + "\r\n"));
}

TEST_F(MyFilesTest, ATickedNameWindowsWouldRewriteNeverSendsItsSiblingToTheBin) {
    // The host keeps a name ending in a dot, as NTFS does for a file made
    // through "\\?\"; Windows' normalisation turns it into its sibling's name.
    const std::string sibling = std::string(kDocuments) + "\\bar";
    const std::string listed = sibling + ".";
    Sized(sibling, 2 * kMiB);
    auto folder = machine.HostPathOf(kDocuments);
    ASSERT_TRUE(folder.has_value());
    std::ofstream(*folder / "bar.").close();
    std::filesystem::resize_file(*folder / "bar.", 3 * kMiB);
    files::MyFilesSection& s = OpenFiles();
    Settle();
    ASSERT_THAT(Names(), ElementsAre("bar.", "bar"));
    ui.tickRow(s.grid(), 0);
    ui.expectMessageBox(DialogResult::Yes);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kDeleteText);

    EXPECT_THAT(machine.RecycleCalls(), IsEmpty());
    EXPECT_TRUE(Exists(sibling));
    EXPECT_THAT(RemovalLogs(), ElementsAre("\xEF\xBB\xBFNOT REMOVED " + listed + " : " +
                                           kOutsideOrProtected + "\r\n"));
}

TEST_F(MyFilesTest, TheFolderChooserRefusesProtectedFoldersAndTheStartRefusesNetworkOnes) {
    Drive('N', "Share", 100, 50, 50, platform::DriveType::Remote);
    Folder("N:\\Team");
    Folder("C:\\Windows\\System32");
    files::MyFilesSection& s = OpenFiles();
    Settle();
    const auto firstEngine = s.engine();

    ui.expectFolder(std::nullopt);
    Click(files::kChooseFolderText);
    ui.expectFolder(std::string("C:\\Windows\\System32"));
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kChooseFolderText);
    EXPECT_THAT(Boxes(), ElementsAre(std::string(files::kFolderRefused)));
    EXPECT_FALSE(s.customRoot().has_value());
    ASSERT_EQ(ui.backend().folderDialogs.size(), 2u);
    EXPECT_EQ(ui.backend().folderDialogs[0].description, files::kChooseFolderPrompt);

    ui.expectFolder(std::string("N:\\Team"));
    ui.expectMessageBox(DialogResult::Ok);
    ui.expectMessageBox(DialogResult::Ok);
    Click(files::kChooseFolderText);
    EXPECT_EQ(s.customRoot(), "N:\\Team");
    EXPECT_EQ(LastBox(), files::kNoRoots);
    Click(files::kRestartText);
    EXPECT_THAT(Boxes(), ElementsAre(std::string(files::kFolderRefused),
                                     std::string(files::kNoRoots), std::string(files::kNoRoots)));
    // The earlier index stays as it was.
    EXPECT_EQ(s.engine(), firstEngine);
    EXPECT_FALSE(window->Busy().embeddedBusy);
}

TEST_F(MyFilesTest, LeavingTheSectionCancelsItsEngineAndStopsItsTimer) {
    files::MyFilesSection& s = OpenFiles();
    Settle();
    auto engine = s.engine();
    ui.click(Nav(Section::Home));
    EXPECT_TRUE(engine->CancelRequested());
    EXPECT_EQ(Heading(), shell::SectionHeading(Section::Home));
}

} // namespace
} // namespace vexo::testing
