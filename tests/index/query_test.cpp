// Filters, categories, sort orders, paging and the numbering of requests.

#include "base/ordinal.h"
#include "engine_fixture.h"
#include "index/engine_internal.h"
#include "index/text_match.h"

#include <random>

namespace vexo::index::testing {
namespace {

class QueryTest : public EngineTest {
protected:
    void SetUp() override {
        const platform::FileTime recent = clock.now - kTicksPerDay;
        const platform::FileTime old = clock.now - 31 * kTicksPerDay;
        files.AddFolder("C:\\u", {Dir("Videos"), Dir("Docs"), Dir("Music"), Dir("Pics")});
        files.AddFolder("C:\\u\\Videos",
                        {File("Holiday.MP4", 3000, recent), File("clip.mkv", 500, recent)});
        files.AddFolder("C:\\u\\Docs",
                        {File("report.pdf", 200, recent), File("notes.txt", 10, recent),
                         File("data.tar.gz", 50, recent), File("README", 0, recent),
                         File("setup.exe", 100, recent), Dir("Old")});
        files.AddFolder("C:\\u\\Docs\\Old",
                        {File("old.pdf", 200, old), File("Ünïcode.txt", 5, recent)});
        files.AddFolder("C:\\u\\Music",
                        {File("song.mp3", 40, recent), File("disk.iso", 4000, recent)});
        files.AddFolder("C:\\u\\Pics", {File("photo.JPG", 30, recent)});
        engine = Crawl({"C:\\u"});
    }

    // The names matching a filter, in path order.
    std::vector<std::string> Matching(const Filter& filter) {
        return Names(Query(*engine, filter, kByPath, 0, 1000));
    }

    std::shared_ptr<VexoEngine13> engine;
};

Filter Text(std::string t) {
    Filter f;
    f.text = std::move(t);
    return f;
}
Filter Size(std::int64_t min, std::int64_t max) {
    Filter f;
    f.min = min;
    f.max = max;
    return f;
}
Filter Ext(std::string e, Category category = Category::All) {
    Filter f;
    f.extension = std::move(e);
    f.category = category;
    return f;
}
Filter Kind(Category c) {
    return Ext("", c);
}
Filter Older(std::int32_t days) {
    Filter f;
    f.older = days;
    return f;
}

using Names_ = std::vector<std::string>;

TEST_F(QueryTest, FilterTable) {
    struct Case {
        const char* what;
        Filter filter;
        Names_ names;
    };
    const Case cases[] = {
        {"no filter",
         {},
         {"data.tar.gz", "notes.txt", "old.pdf", "Ünïcode.txt", "README", "report.pdf", "setup.exe",
          "disk.iso", "song.mp3", "photo.JPG", "clip.mkv", "Holiday.MP4"}},
        {"folder name matches everything below it", Text("OLD"), {"old.pdf", "Ünïcode.txt"}},
        {"in a name, any case", Text("Liday.m"), {"Holiday.MP4"}},
        {"across folder and name", Text("docs\\N"), {"notes.txt"}},
        {"across folders", Text("u\\docs\\o"), {"old.pdf", "Ünïcode.txt"}},
        {"ending in a backslash", Text("old\\"), {"old.pdf", "Ünïcode.txt"}},
        {"non-ASCII, any case", Text("üNÏ"), {"Ünïcode.txt"}},
        {"not trimmed", Text(" notes"), {}},
        {"size range", Size(100, 500), {"old.pdf", "report.pdf", "setup.exe", "clip.mkv"}},
        {"exact size", Size(200, 200), {"old.pdf", "report.pdf"}},
        {"no upper bound", Size(4000, 0), {"disk.iso"}},
        {"inverted range matches nothing", Size(50, 10), {}},
        {"extension MP4", Ext("MP4"), {"Holiday.MP4"}},
        {"extension .mp4", Ext(".mp4"), {"Holiday.MP4"}},
        {"extension with blanks", Ext(" .Mp4 \t"), {"Holiday.MP4"}},
        {"only the last dot", Ext("tar.gz"), {}},
        {"gz", Ext("gz"), {"data.tar.gz"}},
        {"extension and category disagree", Ext("pdf", Category::Video), {}},
        {"extension within its category",
         Ext("pdf", Category::Documents),
         {"old.pdf", "report.pdf"}},
        {"video", Kind(Category::Video), {"clip.mkv", "Holiday.MP4"}},
        {"pictures", Kind(Category::Pictures), {"photo.JPG"}},
        {"documents",
         Kind(Category::Documents),
         {"notes.txt", "old.pdf", "Ünïcode.txt", "report.pdf"}},
        {"archives", Kind(Category::Archives), {"data.tar.gz"}},
        {"installers", Kind(Category::Programs), {"setup.exe"}},
        {"audio", Kind(Category::Audio), {"song.mp3"}},
        {"disk images", Kind(Category::DiskImages), {"disk.iso"}},
        {"out of range is disk images", Kind(static_cast<Category>(99)), {"disk.iso"}},
        {"negative is disk images", Kind(static_cast<Category>(-1)), {"disk.iso"}},
        {"older than 30 days", Older(30), {"old.pdf"}},
        {"all parts together",
         [] {
             Filter f = Text("u\\");
             f.min = 1;
             f.category = Category::Documents;
             f.older = 30;
             return f;
         }(),
         {"old.pdf"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Matching(c.filter), c.names) << c.what;
    }
}

TEST_F(QueryTest, TotalAndBytesCoverAllMatchesWhileRowsHoldThePage) {
    struct Case {
        std::int32_t offset;
        std::int32_t limit;
        Names_ names;
    };
    // Largest first: disk.iso 4000, Holiday 3000, clip 500, old.pdf 200,
    // report.pdf 200, setup.exe 100 ...
    const Case cases[] = {
        {0, 2, {"disk.iso", "Holiday.MP4"}},
        {3, 2, {"old.pdf", "report.pdf"}},
        {10, 5, {"Ünïcode.txt", "README"}}, // beyond the end: the rest only
        {12, 5, {}},
        {50, 5, {}},
        {0, 0, {}},
    };
    for (const Case& c : cases) {
        const PageRef page = Query(*engine, {}, kLargestFirst, c.offset, c.limit);
        EXPECT_EQ(Names(page), c.names) << c.offset << "+" << c.limit;
        EXPECT_EQ(page->Total, 12);
        EXPECT_EQ(page->Bytes, 3000 + 500 + 200 + 10 + 50 + 0 + 100 + 200 + 5 + 40 + 4000 + 30);
        EXPECT_EQ(page->Error, "");
    }
}

TEST_F(QueryTest, NegativeOffsetOrLimitGiveAnErrorPage) {
    for (const auto& [offset, limit] : {std::pair{-1, 10}, std::pair{0, -1}}) {
        const PageRef page = Query(*engine, {}, kLargestFirst, offset, limit);
        EXPECT_NE(page->Error, "");
        EXPECT_TRUE(page->Rows.empty());
    }
}

TEST_F(QueryTest, OrdersBreakTiesByPath) {
    files.Clear();
    const platform::FileTime t = clock.now - kTicksPerDay;
    // '\' sorts before '_' : "C:\x\y\..." comes before "C:\x\y_1".
    files.AddFolder("C:\\x", {File("y_1", 5, t), File("B", 5, t + 1), Dir("y"), File("a", 7, t)});
    files.AddFolder("C:\\x\\y", {File("b", 5, t + 1), File("Z", 1, t + 2)});
    auto e = Crawl({"C:\\x"});
    struct Case {
        SortOrder order;
        Names_ paths;
    };
    const Case cases[] = {
        {kLargestFirst, {"C:\\x\\a", "C:\\x\\B", "C:\\x\\y\\b", "C:\\x\\y_1", "C:\\x\\y\\Z"}},
        {kSmallestFirst, {"C:\\x\\y\\Z", "C:\\x\\B", "C:\\x\\y\\b", "C:\\x\\y_1", "C:\\x\\a"}},
        {kByName, {"C:\\x\\a", "C:\\x\\B", "C:\\x\\y\\b", "C:\\x\\y_1", "C:\\x\\y\\Z"}},
        {kNewestFirst, {"C:\\x\\y\\Z", "C:\\x\\B", "C:\\x\\y\\b", "C:\\x\\a", "C:\\x\\y_1"}},
        {kByPath, {"C:\\x\\a", "C:\\x\\B", "C:\\x\\y\\b", "C:\\x\\y\\Z", "C:\\x\\y_1"}},
        {static_cast<SortOrder>(77),
         {"C:\\x\\a", "C:\\x\\B", "C:\\x\\y\\b", "C:\\x\\y\\Z", "C:\\x\\y_1"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Paths(Query(*e, {}, c.order)), c.paths) << "order " << c.order;
        // A page deep inside the order agrees with the whole order.
        EXPECT_EQ(Paths(Query(*e, {}, c.order, 2, 2)),
                  Names_(c.paths.begin() + 2, c.paths.begin() + 4))
            << "order " << c.order;
    }
}

TEST_F(QueryTest, AgeCutoffIsLocalTimeLessTheDays) {
    files.Clear();
    // Local time is UTC+1 until 2024-05-20, UTC+2 afterwards.
    const platform::FileTime change = Utc(2024, 5, 20, 1, 0, 0);
    clock.zone = [change](platform::FileTime utc) {
        return (utc < change ? 1 : 2) * 3600 * kTicksPerSecond;
    };
    // Now is 14:00 local on 2024-06-15; the cutoff 2024-05-16 14:00 local,
    // which is 13:00 UTC on that day.
    const platform::FileTime cutoffUtc = Utc(2024, 5, 16, 13, 0, 0);
    files.AddFolder("C:\\t", {File("a second past the cutoff", 0, cutoffUtc - kTicksPerSecond),
                              File("at the cutoff", 0, cutoffUtc),
                              File("a second short", 0, cutoffUtc + kTicksPerSecond),
                              File("29 days", 0, clock.now - 29 * kTicksPerDay)});
    auto e = Crawl({"C:\\t"});
    EXPECT_EQ(Names(Query(*e, Older(30), kByPath)),
              (Names_{"a second past the cutoff", "at the cutoff"}));
    // Days so far back that no date can be computed fail the request.
    EXPECT_NE(Query(*e, Older(2'000'000'000))->Error, "");
}

TEST_F(QueryTest, NewestFirstUsesLocalTimeAcrossAClockChange) {
    files.Clear();
    // Clocks go back at 01:00 UTC: 03:00 local becomes 02:00 local.
    const platform::FileTime change = Utc(2024, 10, 27, 1, 0, 0);
    clock.zone = [change](platform::FileTime utc) {
        return (utc < change ? 2 : 1) * 3600 * kTicksPerSecond;
    };
    files.AddFolder("C:\\t", {File("early", 0, change - 10 * 60 * kTicksPerSecond), // 02:50 local
                              File("later", 0, change + 5 * 60 * kTicksPerSecond),  // 02:05 local
                              File("day before", 0, change - kTicksPerDay)});
    auto e = Crawl({"C:\\t"});
    const PageRef page = Query(*e, {}, kNewestFirst);
    EXPECT_EQ(Names(page), (Names_{"early", "later", "day before"}));
    EXPECT_EQ(page->Rows[0].Modified, (base::DateTimeParts{2024, 10, 27, 2, 50, 0, 0}));
    EXPECT_EQ(page->Rows[1].Modified, (base::DateTimeParts{2024, 10, 27, 2, 5, 0, 0}));
}

TEST_F(QueryTest, MatchesNeverJoinTwoNames) {
    files.Clear();
    std::vector<FakeEntry> entries;
    for (int i = 0; i < 40; ++i) {
        entries.push_back(File(Cat({"xab", std::to_string(i % 10), "cdqq"})));
    }
    entries.push_back(File("the one with QQXAB"));
    files.AddFolder("C:\\s", entries);
    auto e = Crawl({"C:\\s"});
    EXPECT_EQ(Query(*e, Text("qqxab"))->Total, 1);
    EXPECT_EQ(Query(*e, Text("cdqq"))->Total, 40);
    EXPECT_EQ(Query(*e, Text("ab7cD"))->Total, 4);
}

// ---- Request numbers ----

TEST_F(QueryTest, OnlyTheNewestRequestIsPublished) {
    const std::int32_t first = engine->Request({}, kLargestFirst, 0, 250);
    const std::int32_t second = engine->Request(Text("docs"), kLargestFirst, 0, 250);
    EXPECT_EQ(second, first + 1);
    // The newer one finishes first; the older one must not replace it.
    executor->Run(1);
    ASSERT_TRUE(engine->Page());
    EXPECT_EQ(engine->Page()->Token, second);
    executor->Run(0);
    EXPECT_EQ(engine->Page()->Token, second);
    EXPECT_EQ(engine->Page()->Total, 7);
}

TEST_F(QueryTest, ASupersededRequestIsDropped) {
    const std::int32_t first = engine->Request({}, kLargestFirst, 0, 250);
    EXPECT_EQ(first, 1);
    engine->Request({}, kLargestFirst, 0, 250);
    executor->Run(0);
    EXPECT_FALSE(engine->Page());
}

TEST_F(QueryTest, InvalidateDropsWorkButKeepsThePublishedPage) {
    const PageRef published = Query(*engine, {});
    const std::int32_t pending = engine->Request(Text("docs"), kLargestFirst, 0, 250);
    engine->InvalidateQueries();
    executor->RunAll();
    EXPECT_EQ(engine->Page(), published);
    // The next request is numbered after the invalidation.
    EXPECT_EQ(engine->Request({}, kLargestFirst, 0, 1), pending + 2);
    executor->RunAll();
}

// ---- Matching and ordering against the base functions ----

TEST(TextRules, FastMatchAndJoinedCompareAgreeWithTheBaseFunctions) {
    // Letters whose case mapping leaves ASCII (ı -> I, ſ -> S), Kelvin sign,
    // accented and Arabic letters, and the separators.
    const std::vector<std::string> pieces = {"a",  "B", "i", "I", "ı", "s",
                                             "ſ",  "K", "k", "é", "É", "ع",
                                             "\\", "_", ".", "z", "ß", "\xF0\x9F\x98\x80"};
    std::mt19937 random(1234);
    auto make = [&](int maxLength) {
        std::string s;
        const int length = static_cast<int>(random() % static_cast<unsigned>(maxLength + 1));
        for (int i = 0; i < length; ++i) {
            s += pieces[random() % pieces.size()];
        }
        return s;
    };
    auto ascii = [](const std::string& s) {
        for (const char c : s) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                return false;
            }
        }
        return true;
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (int i = 0; i < 20000; ++i) {
        const std::string haystack = make(40);
        const std::string needle = make(3);
        const TextMatcher matcher(needle);
        ASSERT_EQ(matcher.In(haystack, ascii(haystack)), base::ContainsIgnoreCase(haystack, needle))
            << haystack << " / " << needle;
        const std::string a1 = make(6) + "\\";
        const std::string a2 = make(4);
        const std::string b1 = i % 3 == 0 ? a1 : make(6) + "\\";
        const std::string b2 = make(4);
        ASSERT_EQ(sign(CompareJoinedForTest(a1, a2, b1, b2)),
                  sign(base::CompareIgnoreCase(a1 + a2, b1 + b2)))
            << a1 << a2 << " / " << b1 << b2;
    }
}

TEST(TextRules, TheVectorisedFindAgreesForTextsOfEveryLength) {
    // ASCII only, from a few letters of every rarity, so that the two
    // characters the search probes fall at every place of texts up to nine
    // long, and matches start at every place of sixteen-byte blocks.
    const std::string letters = "eEtTpPzZ._9\\";
    std::mt19937 random(99);
    auto make = [&](unsigned maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s) {
            c = letters[random() % letters.size()];
        }
        return s;
    };
    for (int i = 0; i < 50000; ++i) {
        const std::string needle = make(9);
        const std::string haystack = make(80);
        const TextMatcher matcher(needle);
        ASSERT_EQ(matcher.In(haystack, true), base::ContainsIgnoreCase(haystack, needle))
            << haystack << " / " << needle;
    }
}

TEST(TextRules, ExtensionNormalisationAndCategories) {
    EXPECT_EQ(NormaliseExtension(""), "");
    EXPECT_EQ(NormaliseExtension("   "), "");
    EXPECT_EQ(NormaliseExtension("MP4"), ".mp4");
    EXPECT_EQ(NormaliseExtension("\u00A0.JPEG\u3000"), ".jpeg");
    EXPECT_EQ(NormaliseExtension(".tar.gz"), ".tar.gz");
    EXPECT_TRUE(CategoryAdmits(".mp4", Category::Video));
    EXPECT_FALSE(CategoryAdmits(".p4", Category::Video));
    EXPECT_FALSE(CategoryAdmits("", Category::Documents));
    EXPECT_TRUE(CategoryAdmits("", Category::All));
    EXPECT_TRUE(CategoryAdmits(".vmdk", static_cast<Category>(12)));
}

} // namespace
} // namespace vexo::index::testing
