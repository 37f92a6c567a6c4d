// The crawl: what is recorded, in which order, what is passed over, and the
// limit of a million files.

#include "engine_fixture.h"

#include <new>

namespace vexo::index::testing {
namespace {

using platform::attr::Hidden;
using platform::attr::Offline;
using platform::attr::ReparsePoint;
using platform::attr::System;

class CrawlTest : public EngineTest {};

TEST_F(CrawlTest, RecordsDepthFirstWithFoldersFilesBeforeTheirSubfolders) {
    files.AddFolder("C:\\r", {File("a1"), Dir("x"), File("a2"), Dir("y")});
    files.AddFolder("C:\\r\\x", {File("x1"), Dir("deep")});
    files.AddFolder("C:\\r\\x\\deep", {File("d1")});
    files.AddFolder("C:\\r\\y", {File("y1")});
    files.AddFolder("D:\\", {File("z1")});
    auto engine = Crawl({"C:\\r", "D:\\"});

    // Sibling folders are crawled in reverse listing order (a stack).
    EXPECT_EQ(Paths(Query(*engine, {}, kByPath)),
              (std::vector<std::string>{"C:\\r\\a1", "C:\\r\\a2", "C:\\r\\x\\deep\\d1",
                                        "C:\\r\\x\\x1", "C:\\r\\y\\y1", "D:\\z1"}));
    EXPECT_EQ(files.Listed(), (std::vector<std::string>{"C:\\r", "C:\\r\\y", "C:\\r\\x",
                                                        "C:\\r\\x\\deep", "D:\\"}));
    // Recording order is what an unsorted answer gives.
    const PageRef all = engine->SelectForRemoval("", 0);
    EXPECT_EQ(Paths(all),
              (std::vector<std::string>{"C:\\r\\a1", "C:\\r\\a2", "C:\\r\\y\\y1", "C:\\r\\x\\x1",
                                        "C:\\r\\x\\deep\\d1", "D:\\z1"}));
    EXPECT_TRUE(engine->Done());
    EXPECT_FALSE(engine->Limit());
    EXPECT_EQ(engine->Error(), "");
}

TEST_F(CrawlTest, RecordFieldsAndExtensions) {
    struct Case {
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"archive.tar.gz", ".gz"}, {".bashrc", ".bashrc"}, {"README", ""},
        {"Photo.JPG", ".jpg"},     {"trailing.", "."},     {"ÉTÉ.Ära", ".ära"},
    };
    std::vector<FakeEntry> entries;
    for (const Case& c : cases) {
        entries.push_back(File(c.name, 7, Utc(2024, 3, 5, 14, 7, 9) + 1234567));
    }
    files.AddFolder("C:\\Users\\", entries);
    clock.offset = 2 * 3600 * kTicksPerSecond;
    auto engine = Crawl({"C:\\Users\\"});
    const PageRef all = engine->SelectForRemoval("", 0);
    ASSERT_EQ(all->Rows.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const VexoFile13& row = all->Rows[i];
        EXPECT_EQ(row.Name, cases[i].name);
        // A root that ends in a backslash gets no second one.
        EXPECT_EQ(row.Path, Cat({"C:\\Users\\", cases[i].name}));
        EXPECT_EQ(row.Extension, cases[i].extension) << cases[i].name;
        EXPECT_EQ(row.Bytes, 7);
        EXPECT_EQ(row.Modified, (base::DateTimeParts{2024, 3, 5, 16, 7, 9, 1234567}));
    }
}

TEST_F(CrawlTest, PassesOverLinksAndOfflineFilesButRecordsHiddenOnes) {
    files.AddFolder("C:\\r", {File("plain", 1), File("hidden", 2, 0, Hidden | System),
                              File("cloud", 4, 0, Offline), Dir("junction", ReparsePoint),
                              File("link", 8, 0, ReparsePoint), Dir("sub")});
    files.AddFolder("C:\\r\\junction", {File("never")});
    files.AddFolder("C:\\r\\sub", {File("inner", 16)});
    auto engine = Crawl({"C:\\r"});
    EXPECT_EQ(engine->Count(), 3);
    EXPECT_EQ(engine->Bytes(), 1 + 2 + 16);
    EXPECT_EQ(engine->Skipped(), 3);
    for (const std::string& folder : files.Listed()) {
        EXPECT_NE(folder, "C:\\r\\junction");
    }
}

TEST_F(CrawlTest, FailuresOfPathsAreSkipsAndKeepWhatWasRecorded) {
    files.AddFolder("C:\\r", {Dir("broken"), Dir("denied"), File("top", 1)});
    files.AddFolder("C:\\r\\broken", {File("b1", 10), Dir("kept"), File("b2", 20), File("b3")});
    files.FailListing("C:\\r\\broken", 2, base::ErrorKind::Io);
    files.AddFolder("C:\\r\\broken\\kept", {File("k1", 100)});
    files.AddFolder("C:\\r\\denied", {});
    files.FailListing("C:\\r\\denied", 0, base::ErrorKind::AccessDenied);
    auto engine = Crawl({"C:\\r", "C:\\missing"});
    // b1 and the pushed subfolder stay; the rest of "broken" is lost.
    EXPECT_EQ(engine->Count(), 3);
    EXPECT_EQ(engine->Bytes(), 1 + 10 + 100);
    EXPECT_EQ(engine->Skipped(), 3); // broken, denied, missing
    EXPECT_EQ(engine->Error(), "");
    EXPECT_TRUE(engine->Done());
}

TEST_F(CrawlTest, NoRootsEndsAtOnce) {
    auto engine = Crawl({});
    EXPECT_TRUE(engine->Done());
    EXPECT_EQ(engine->Count(), 0);
    EXPECT_EQ(engine->Skipped(), 0);
}

TEST_F(CrawlTest, CancelStopsBeforeTheNextEntryAndTheNextRoot) {
    files.AddFolder("C:\\r", {File("a"), File("b"), File("c"), Dir("sub")});
    files.AddFolder("C:\\r\\sub", {File("s")});
    files.AddFolder("D:\\", {File("d")});
    std::shared_ptr<VexoEngine13> engine;
    // The section cancels while the second entry is being delivered.
    files.beforeEntry = [&](const std::string&, std::size_t index) {
        if (index == 1) {
            engine->Cancel();
        }
    };
    VexoEngine13::Dependencies dependencies{Borrow(files), Borrow(clock), culture, executor};
    engine = VexoEngine13::Create(dependencies);
    engine->Start({"C:\\r", "D:\\"});
    engine->WaitForIdle();
    EXPECT_EQ(engine->Count(), 1);
    EXPECT_EQ(files.Listed(), std::vector<std::string>{"C:\\r"});
    EXPECT_TRUE(engine->Done());
    EXPECT_FALSE(engine->Limit());
}

TEST_F(CrawlTest, CancelBeforeStartRecordsNothing) {
    files.AddFolder("C:\\r", {File("a")});
    VexoEngine13::Dependencies dependencies{Borrow(files), Borrow(clock), culture, executor};
    auto engine = VexoEngine13::Create(dependencies);
    engine->Cancel();
    engine->Start({"C:\\r"});
    engine->WaitForIdle();
    EXPECT_EQ(engine->Count(), 0);
    EXPECT_TRUE(engine->Done());
    EXPECT_FALSE(engine->Limit());
    EXPECT_TRUE(files.Listed().empty());
}

TEST_F(CrawlTest, AFailureOfAnotherNatureEndsTheCrawlWithItsDescription) {
    files.AddFolder("C:\\r", {File("a", 1), File("b", 2), File("c", 4)});
    files.AddFolder("D:\\", {File("d")});
    files.beforeEntry = [](const std::string&, std::size_t index) {
        if (index == 2) {
            throw std::bad_alloc();
        }
    };
    auto engine = Crawl({"C:\\r", "D:\\"});
    EXPECT_TRUE(engine->Done());
    EXPECT_NE(engine->Error().find("OutOfMemory"), std::string::npos) << engine->Error();
    EXPECT_EQ(engine->Count(), 2);
    EXPECT_EQ(files.Listed(), std::vector<std::string>{"C:\\r"});
}

// The limit, with a generated listing rather than a million real files.
struct LimitCase {
    std::int64_t filesInFirstRoot;
    bool limit;
};

class LimitTest : public EngineTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LimitTest, RecordsAtMostAMillionFiles) {
    const LimitCase c = GetParam();
    files.AddGeneratedFolder("C:\\big", c.filesInFirstRoot, 3);
    files.AddFolder("D:\\", {File("after", 1000)});
    // The second root is there only when the first fills the index.
    auto engine = c.limit ? Crawl({"C:\\big", "D:\\"}) : Crawl({"C:\\big"});
    EXPECT_TRUE(engine->Done());
    EXPECT_EQ(engine->Error(), "");
    EXPECT_EQ(engine->Limit(), c.limit);
    // Never more than a million; the extra file is neither recorded nor
    // counted, and no later root is started.
    EXPECT_EQ(engine->Count(), 1'000'000);
    EXPECT_EQ(engine->Bytes(), 3'000'000);
    EXPECT_EQ(files.Listed(), std::vector<std::string>{"C:\\big"});
    const PageRef page = Query(*engine, {}, kLargestFirst, 999'999, 5);
    EXPECT_EQ(page->Total, 1'000'000);
    EXPECT_EQ(page->Rows.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Limit, LimitTest,
                         ::testing::Values(LimitCase{1'000'000, false},
                                           LimitCase{1'000'001, true}));

TEST_F(CrawlTest, ExactlyAMillionFilesCompleteWithoutTheLimit) {
    files.AddGeneratedFolder("C:\\big", 999'999, 1);
    files.AddFolder("D:\\", {File("last", 1)});
    auto engine = Crawl({"C:\\big", "D:\\"});
    EXPECT_FALSE(engine->Limit());
    EXPECT_EQ(engine->Count(), 1'000'000);
    EXPECT_EQ(engine->Bytes(), 1'000'000);
}

TEST_F(CrawlTest, ExtensionsBeyondTheInternedOnesAreReadFromTheirNames) {
    // 70,000 distinct extensions: the last ones no longer get an id of
    // their own, and must still filter, show and group as the others do.
    std::vector<FakeEntry> entries;
    for (int i = 0; i < 70'000; ++i) {
        entries.push_back(File(Cat({"f.e", std::to_string(i)}), 1));
    }
    entries.push_back(File("late.MKV", 4000));
    entries.push_back(File("more.mkv", 3000));
    entries.push_back(File("LATE.Zzz", 2000));
    files.AddFolder("C:\\r", entries);
    auto engine = Crawl({"C:\\r"});
    const PageRef video = Query(*engine, Filter{"", 0, 0, "", Category::Video, 0});
    EXPECT_EQ(Names(video), (std::vector<std::string>{"late.MKV", "more.mkv"}));
    EXPECT_EQ(video->Rows[0].Extension, ".mkv");
    const PageRef zzz = Query(*engine, Filter{"", 0, 0, " ZZZ", Category::All, 0});
    EXPECT_EQ(Names(zzz), std::vector<std::string>{"LATE.Zzz"});
    EXPECT_EQ(Query(*engine, Filter{"", 0, 0, ".e69999", Category::All, 0})->Total, 1);
    engine->Statistics();
    executor->RunAll();
    const std::string stats = engine->StatsMessage();
    EXPECT_EQ(stats.substr(0, stats.find('\n') + 1), ".mkv : 2 files | 0.00 GB\r\n");
    EXPECT_NE(stats.find(".zzz : 1 files"), std::string::npos) << stats;
}

TEST_F(CrawlTest, RemovePathCountsOncePerPathInAnyLetterCase) {
    files.AddFolder("C:\\r", {File("Movie.mkv", 500), File("b", 20)});
    auto engine = Crawl({"C:\\r"});
    engine->RemovePath("C:\\r\\Movie.mkv", 500);
    engine->RemovePath("C:\\R\\MOVIE.MKV", 500);
    engine->RemovePath("c:\\r\\movie.mkv", 500);
    EXPECT_EQ(engine->Count(), 1);
    EXPECT_EQ(engine->Bytes(), 20);
    // A removed file leaves every later answer.
    EXPECT_EQ(Names(Query(*engine, {})), std::vector<std::string>{"b"});
    EXPECT_EQ(engine->SelectForRemoval("", 0)->Total, 1);
}

} // namespace
} // namespace vexo::index::testing
