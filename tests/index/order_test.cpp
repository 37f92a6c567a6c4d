// Every sort order, filtered or not, at pages from the first to the last,
// against a plain sort of every row by the order's own definition. The sets
// are large enough that deep pages are selected by key buckets, and full of
// ties: equal lengths and times, names equal but for case in other folders,
// names that share long beginnings, non-ASCII letters whose case mapping
// leaves ASCII, and folder names that sort around the backslash.

#include "base/ordinal.h"
#include "engine_fixture.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace vexo::index::testing {
namespace {

class OrderTest : public EngineTest {};

// The order as the records define it.
bool Before(const VexoFile13& a, const VexoFile13& b, SortOrder order) {
    const int byPath = base::CompareIgnoreCase(a.Path, b.Path);
    switch (order) {
    case kLargestFirst:
        return a.Bytes != b.Bytes ? a.Bytes > b.Bytes : byPath < 0;
    case kSmallestFirst:
        return a.Bytes != b.Bytes ? a.Bytes < b.Bytes : byPath < 0;
    case kByName: {
        const int byName = base::CompareIgnoreCase(a.Name, b.Name);
        return byName != 0 ? byName < 0 : byPath < 0;
    }
    case kNewestFirst: {
        const std::int64_t ta = base::FileTimeFromParts(a.Modified);
        const std::int64_t tb = base::FileTimeFromParts(b.Modified);
        return ta != tb ? ta > tb : byPath < 0;
    }
    default:
        return byPath < 0;
    }
}

TEST_F(OrderTest, EveryOrderAndPageAgreesWithAPlainSort) {
    std::mt19937 random(20241211);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    const std::vector<std::string> words = {
        "invoice", "Invoice", "INVOICE_2024_final", "a", "b", "ı", "I", "é", "É", "ſ", "z_",
        "日本",    "x y",     "\xF0\x9F\x98\x80"};
    const std::vector<std::string> extensions = {".jpg", ".JPG", ".txt", "", ".mp4", ".tar.gz"};
    // Lengths with many ties, and some beyond 32 bits.
    const std::vector<std::int64_t> lengths = {
        0, 0, 1, 7, 4096, 4096, 123456789, 4294967294, 4294967295, 4294967296, 5000000000};
    const platform::FileTime base = clock.now - 400 * kTicksPerDay;
    // Local time moves by an hour in the middle of the range, so local
    // times are not the UTC times shifted.
    const platform::FileTime change = base + 200 * kTicksPerDay;
    clock.zone = [change](platform::FileTime utc) {
        return (utc < change ? 1 : 2) * 3600 * kTicksPerSecond;
    };

    std::vector<std::string> folders = {"C:\\r"};
    const std::vector<std::string> folderNames = {"Docs", "docs2", "y", "y_1", "Ünï", "a b"};
    for (int i = 0; i < 40; ++i) {
        folders.push_back(Cat(
            {folders[random() % folders.size()], "\\", pick(folderNames), std::to_string(i % 3)}));
    }
    std::set<std::string> unique;
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [&](const std::string& f) {
                                     return !unique.insert(base::ToUpperInvariant(f)).second;
                                 }),
                  folders.end());
    std::map<std::string, std::vector<FakeEntry>> listing;
    std::set<std::string> names; // upper-cased paths, so no two differ only by case
    for (int i = 0; i < 14'000; ++i) {
        const std::string folder = folders[random() % folders.size()];
        std::string name = pick(words);
        if (random() % 2 == 0) {
            name += pick(words);
        }
        if (random() % 3 == 0) {
            name += std::to_string(random() % 50);
        }
        name += pick(extensions);
        if (!names.insert(base::ToUpperInvariant(Cat({folder, "\\", name}))).second) {
            continue;
        }
        const platform::FileTime t =
            base + static_cast<platform::FileTime>(random() % 400) * kTicksPerDay +
            static_cast<platform::FileTime>(random() % 4) * 3600 * kTicksPerSecond;
        listing[folder].push_back(File(name, lengths[random() % lengths.size()], t));
    }
    for (std::size_t f = 0; f < folders.size(); ++f) {
        std::vector<FakeEntry>& entries = listing[folders[f]];
        for (std::size_t g = f + 1; g < folders.size(); ++g) {
            const std::string& child = folders[g];
            const std::size_t slash = child.rfind('\\');
            if (child.substr(0, slash) == folders[f]) {
                entries.push_back(Dir(child.substr(slash + 1)));
            }
        }
        files.AddFolder(folders[f], entries);
    }
    auto engine = Crawl({"C:\\r"});
    const PageRef everything = engine->SelectForRemoval("", 0);
    ASSERT_GT(everything->Total, 10'000);
    // Lengths beyond 32 bits come back whole.
    EXPECT_EQ(everything->Bytes, engine->Bytes());

    struct Shape {
        Filter filter;
        std::vector<std::int32_t> offsets;
    };
    const std::int32_t total = everything->Total;
    const Shape shapes[] = {
        {{}, {0, 1, 2500, total / 2, total - 250, total - 3, total}},
        {Filter{"invoice", 0, 0, "", Category::All, 0}, {0, 300, 2000, 4000}},
        {Filter{"", 1, 0, "", Category::All, 0}, {0, 5000}},
    };
    for (const Shape& shape : shapes) {
        std::vector<VexoFile13> expected;
        for (const VexoFile13& row : everything->Rows) {
            if (base::ContainsIgnoreCase(row.Path, shape.filter.text) &&
                row.Bytes >= shape.filter.min) {
                expected.push_back(row);
            }
        }
        for (const SortOrder order : {kLargestFirst, kSmallestFirst, kByName, kNewestFirst, kByPath,
                                      static_cast<SortOrder>(9)}) {
            std::sort(
                expected.begin(), expected.end(),
                [order](const VexoFile13& a, const VexoFile13& b) { return Before(a, b, order); });
            for (const std::int32_t offset : shape.offsets) {
                for (const std::int32_t limit : {1, 250, 1'000'000}) {
                    const PageRef page = Query(*engine, shape.filter, order, offset, limit);
                    ASSERT_EQ(page->Total, static_cast<std::int32_t>(expected.size()));
                    std::int64_t bytes = 0;
                    for (const VexoFile13& row : expected) {
                        bytes += row.Bytes;
                    }
                    ASSERT_EQ(page->Bytes, bytes);
                    std::vector<std::string> want;
                    for (std::int32_t i = offset;
                         i < std::min<std::int32_t>(offset + limit, page->Total); ++i) {
                        want.push_back(expected[static_cast<std::size_t>(i)].Path);
                    }
                    ASSERT_EQ(Paths(page), want)
                        << "text \"" << shape.filter.text << "\", order " << order << ", offset "
                        << offset << ", limit " << limit;
                }
            }
        }
    }
}

TEST_F(OrderTest, ANameThatEndsWhereOthersGoOnStillTiesOnlySoFar) {
    // Thousands of names that agree on their first eight letters, the first
    // of them exactly those eight: the rest still order by what follows,
    // not by their folders.
    std::vector<FakeEntry> first{File("abcdefgh")};
    std::vector<FakeEntry> second;
    for (int i = 1; i < 4000; ++i) {
        (i % 2 == 0 ? first : second).push_back(File(Cat({"abcdefgh", std::to_string(i)})));
    }
    files.AddFolder("C:\\n", {Dir("b"), Dir("a")});
    files.AddFolder("C:\\n\\a", first);
    files.AddFolder("C:\\n\\b", second);
    auto engine = Crawl({"C:\\n"});
    std::vector<std::string> names = Names(engine->SelectForRemoval("", 0));
    std::sort(names.begin(), names.end());
    const PageRef page = Query(*engine, {}, kByName, 1000, 5);
    EXPECT_EQ(Names(page), std::vector<std::string>(names.begin() + 1000, names.begin() + 1005));
}

} // namespace
} // namespace vexo::index::testing
