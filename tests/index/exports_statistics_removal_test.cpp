// Export, statistics and removal preparation.

#include "engine_fixture.h"

namespace vexo::index::testing {
namespace {

class ExportsStatisticsRemovalTest : public EngineTest {
protected:
    static constexpr const char* kBom = "\xEF\xBB\xBF";
    static constexpr const char* kHeader = "Name,Bytes,Extension,Modified,Path\r\n";

    std::string Exported(VexoEngine13& e, const Filter& filter, SortOrder order,
                         const std::string& to = "C:\\out\\list.csv") {
        EXPECT_TRUE(e.Export(to, filter, order));
        EXPECT_TRUE(e.ExportBusy());
        executor->RunAll();
        EXPECT_FALSE(e.ExportBusy());
        EXPECT_EQ(e.TakeExportMessage(), "OK: " + to);
        EXPECT_EQ(e.ExportMessage(), "");
        return files.written[to];
    }
};

TEST_F(ExportsStatisticsRemovalTest, ExportWritesEveryMatchSortedWithQuotedFields) {
    clock.offset = 3600 * kTicksPerSecond;
    files.AddFolder("C:\\d", {File("plain.txt", 12, Utc(2024, 3, 5, 13, 7, 9) + 9'999'999),
                              File("=SUM(A1).csv", 3, Utc(2024, 1, 2, 3, 4, 5)),
                              File("say \"hi\"", 1234567890123, Utc(2023, 12, 31, 23, 0, 0)),
                              File("-minus", 0, Utc(2024, 1, 1))});
    auto e = Crawl({"C:\\d"});
    EXPECT_EQ(Exported(*e, {}, kLargestFirst),
              std::string(kBom) + kHeader +
                  "\"say \"\"hi\"\"\",1234567890123,\"\",\"2024-01-01T00:00:00\","
                  "\"C:\\d\\say \"\"hi\"\"\"\r\n"
                  "\"plain.txt\",12,\".txt\",\"2024-03-05T14:07:09\",\"C:\\d\\plain.txt\"\r\n"
                  "\"'=SUM(A1).csv\",3,\".csv\",\"2024-01-02T04:04:05\",\"C:\\d\\=SUM(A1).csv\"\r\n"
                  "\"'-minus\",0,\"\",\"2024-01-01T01:00:00\",\"C:\\d\\-minus\"\r\n");
    // No match: the mark and the header alone. A staged file never stays.
    EXPECT_EQ(Exported(*e, Filter{"nothing like this", 0, 0, "", Category::All, 0}, kLargestFirst),
              std::string(kBom) + kHeader);
    EXPECT_EQ(files.written.count("C:\\out\\list.csv.vexo-tmp"), 0u);
}

TEST_F(ExportsStatisticsRemovalTest, ASecondExportWhileOneRunsIsRefused) {
    files.AddFolder("C:\\d", {File("a")});
    auto e = Crawl({"C:\\d"});
    ASSERT_TRUE(e->Export("C:\\one.csv", {}, kLargestFirst));
    EXPECT_FALSE(e->Export("C:\\two.csv", {}, kLargestFirst));
    executor->RunAll();
    EXPECT_EQ(e->ExportMessage(), "OK: C:\\one.csv");
    EXPECT_EQ(files.written.count("C:\\two.csv"), 0u);
}

TEST_F(ExportsStatisticsRemovalTest, AFailedExportReportsAndLeavesNoStagedFileNorTouchesTheTarget) {
    files.AddFolder("C:\\d", {File("a", 1)});
    auto e = Crawl({"C:\\d"});
    struct Case {
        const char* what;
        bool failWrite;
        bool failMove;
    };
    for (const Case c : {Case{"write", true, false}, Case{"move", false, true}}) {
        files.written.clear();
        files.written["C:\\keep.csv"] = "earlier";
        files.failWrites.clear();
        if (c.failWrite) {
            files.failWrites["C:\\keep.csv.vexo-tmp"] = base::ErrorKind::AccessDenied;
        }
        files.failMove.reset();
        if (c.failMove) {
            files.failMove = base::ErrorKind::AccessDenied;
        }
        ASSERT_TRUE(e->Export("C:\\keep.csv", {}, kLargestFirst));
        executor->RunAll();
        EXPECT_FALSE(e->ExportBusy());
        const std::string message = e->ExportMessage();
        EXPECT_NE(message, "") << c.what;
        EXPECT_EQ(message.rfind("OK: ", 0), std::string::npos) << c.what;
        EXPECT_NE(message.find("AccessDenied: Access is denied."), std::string::npos) << message;
        EXPECT_EQ(files.written.count("C:\\keep.csv.vexo-tmp"), 0u) << c.what;
        EXPECT_EQ(files.written["C:\\keep.csv"], "earlier") << c.what;
    }
}

TEST_F(ExportsStatisticsRemovalTest, StatisticsListTheTwentyLargestExtensionGroups) {
    std::vector<FakeEntry> entries;
    // 22 extensions of growing size; the two smallest fall off the list.
    for (int i = 1; i <= 22; ++i) {
        entries.push_back(File(Cat({"f", std::to_string(i), ".e", std::to_string(i)}),
                               std::int64_t{i} * 1'073'741'824));
    }
    entries.push_back(File("README", 15LL * 1'073'741'824 + 268'435'456)); // no extension
    entries.push_back(File("LICENSE", 0));
    entries.push_back(File("other.E22", 536'870'912)); // same group as .e22
    entries.push_back(File("gone.e21", 5'000'000'000));
    files.AddFolder("C:\\s", entries);
    culture.groupSeparator = "'";
    auto e = Crawl({"C:\\s"});
    e->RemovePath("C:\\S\\GONE.E21", 5'000'000'000);
    e->Statistics();
    executor->RunAll();
    const std::string text = e->TakeStatsMessage();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[0], ".e22 : 2 files | 22.50 GB");
    EXPECT_EQ(lines[1], ".e21 : 1 files | 21.00 GB");
    EXPECT_EQ(lines[7], "[no extension] : 2 files | 15.25 GB");
    EXPECT_EQ(lines[8], ".e15 : 1 files | 15.00 GB");
    EXPECT_EQ(lines[19], ".e4 : 1 files | 4.00 GB");
}

TEST_F(ExportsStatisticsRemovalTest, StatisticsOfNothingAreEmptyAndUseTheUsersNumbers) {
    files.AddFolder("C:\\s", {File("a.bin", 1234LL * 1'073'741'824 + 536'870'912)});
    culture.decimalSeparator = ",";
    culture.groupSeparator = ".";
    auto e = Crawl({"C:\\s"});
    e->Statistics();
    executor->RunAll();
    EXPECT_EQ(e->TakeStatsMessage(), ".bin : 1 files | 1.234,50 GB\r\n");
    e->RemovePath("C:\\s\\a.bin", 1);
    e->Statistics();
    executor->RunAll();
    EXPECT_EQ(e->StatsMessage(), "");
}

TEST_F(ExportsStatisticsRemovalTest, RemovalPreparationTakesMatchesBelowTheRootsOnce) {
    files.AddFolder("C:\\Users\\ali", {Dir("Downloads"), Dir("Downloads old"), Dir("Music")});
    files.AddFolder("C:\\Users\\ali\\Downloads", {File("a.zip", 100), File("b.zip", 5)});
    files.AddFolder("C:\\Users\\ali\\Downloads old", {File("c.zip", 100)});
    files.AddFolder("C:\\Users\\ali\\Music", {File("d.zip", 300), File("gone.zip", 300)});
    auto e = Crawl({"C:\\Users\\ali"});
    e->RemovePath("C:\\Users\\ali\\Music\\gone.zip", 300);
    Filter filter;
    filter.min = 10;
    // The same folder twice, in another case; a sibling that merely begins
    // with the same name is not inside.
    e->PrepareRemoval(filter, {"c:\\users\\ali\\downloads\\", "C:\\Users\\ali\\Downloads\\",
                               "C:\\Users\\ali\\Music\\"});
    EXPECT_TRUE(e->RemovalBusy());
    EXPECT_FALSE(e->RemovalPage());
    // A second preparation while one runs changes nothing.
    e->PrepareRemoval({}, {});
    EXPECT_EQ(executor->Queued(), 1u);
    executor->RunAll();
    EXPECT_FALSE(e->RemovalBusy());
    const PageRef page = e->RemovalPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(Paths(page), (std::vector<std::string>{"C:\\Users\\ali\\Music\\d.zip",
                                                     "C:\\Users\\ali\\Downloads\\a.zip"}));
    EXPECT_EQ(page->Total, 2);
    EXPECT_EQ(page->Bytes, 400);
    EXPECT_EQ(page->Token, 0);
    EXPECT_EQ(page->Error, "");

    e->PrepareRemoval(filter, {});
    EXPECT_FALSE(e->RemovalPage());
    executor->RunAll();
    ASSERT_TRUE(e->RemovalPage());
    EXPECT_EQ(e->RemovalPage()->Total, 0);
    EXPECT_EQ(e->RemovalPage()->Error, "");
}

TEST_F(ExportsStatisticsRemovalTest, SelectForRemovalRunsAtOnceInRecordingOrder) {
    files.AddFolder("C:\\r",
                    {File("small.mkv", 5), File("big.mkv", 500), Dir("sub"), File("other", 900)});
    files.AddFolder("C:\\r\\sub", {File("MKV-notes", 50)});
    auto e = Crawl({"C:\\r"});
    const PageRef page = e->SelectForRemoval("mkv", 50);
    EXPECT_EQ(Names(page), (std::vector<std::string>{"big.mkv", "MKV-notes"}));
    EXPECT_EQ(page->Total, 2);
    EXPECT_EQ(page->Bytes, 550);
    EXPECT_EQ(page->Token, 0);
    EXPECT_EQ(executor->Queued(), 0u);
}

} // namespace
} // namespace vexo::index::testing
