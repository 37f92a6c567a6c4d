// Test strings are written as UTF-8 literals; both builds compile with GCC,
// whose narrow execution character set is UTF-8.
#include "base/ordinal.h"
#include "base/utf.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace vexo::base {
namespace {

TEST(Ordinal, CodeUnitMappingFollowsTheSimpleUnicodeMappings) {
    const struct {
        char16_t unit, upper, lower;
    } cases[] = {
        {u'a', u'A', u'a'},
        {u'Z', u'Z', u'z'},
        {u'_', u'_', u'_'},
        {u'\u00E9', u'\u00C9', u'\u00E9'},                      // é
        {u'\u00C9', u'\u00C9', u'\u00E9'},                      // É
        {u'\u00DF', u'\u00DF', u'\u00DF'},                      // ß has no one-unit upper case
        {u'\u1E9E', u'\u1E9E', u'\u00DF'},                      // capital sharp s
        {u'\u0131', u'I', u'\u0131'},                           // dotless i
        {u'\u0130', u'\u0130', u'i'},                           // dotted capital I
        {u'\u00FF', u'\u0178', u'\u00FF'},                      // ÿ leaves Latin-1
        {u'\u03C2', u'\u03A3', u'\u03C2'},                      // final sigma
        {u'\u0436', u'\u0416', u'\u0436'},                      // Cyrillic zhe
        {u'\u01C5', u'\u01C4', u'\u01C6'},                      // title-case digraph
        {u'\u212A', u'\u212A', u'k'},                           // Kelvin sign
        {u'\uFF41', u'\uFF21', u'\uFF41'},                      // full-width a
        {u'\u0628', u'\u0628', u'\u0628'},                      // Arabic beh: caseless
        {char16_t(0xD801), char16_t(0xD801), char16_t(0xD801)}, // surrogates are never mapped
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UpperInvariant(c.unit), c.upper) << std::hex << unsigned(c.unit);
        EXPECT_EQ(LowerInvariant(c.unit), c.lower) << std::hex << unsigned(c.unit);
    }
}

TEST(Ordinal, WholeStringMapping) {
    EXPECT_EQ(ToUpperInvariant("c:\\users\\élise\\straße\\ملف.txt"),
              "C:\\USERS\\ÉLISE\\STRAßE\\ملف.TXT");
    EXPECT_EQ(ToLowerInvariant("Σ İ ÀÉ 😀"), "σ i àé 😀");
    EXPECT_EQ(ToUpperInvariant("a\xFF"), "A\xEF\xBF\xBD");
}

TEST(Ordinal, Equality) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"C:\\Users\\Ali\\Downloads", "c:\\USERS\\ali\\downloads", true},
        {"", "", true},
        {"a", "", false},
        {"élise", "ÉLISE", true},
        {"straße", "STRASSE", false}, // no multi-letter mappings
        {"ß", "ẞ", false},            // ß upper-cases to itself
        {"ı", "I", true},
        {"ı", "i", true}, // both upper-case to I
        {"İ", "i", false},
        {"ſ", "s", true},       // long s upper-cases to S
        {"\u212A", "k", false}, // Kelvin sign: its upper case is itself
        {"Σίσυφος", "ΣΊΣΥΦΟΣ", true},
        {"привет", "ПРИВЕТ", true},
        {"مجلد", "مجلد", true},
        {"مجلد", "مجلدات", false},
        {"😀", "😁", false},
        {"\xFF", "\xFE", true}, // both read as U+FFFD
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualsIgnoreCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
        EXPECT_EQ(CompareIgnoreCase(c.a, c.b) == 0, c.equal) << c.a << " / " << c.b;
        if (c.equal) {
            EXPECT_EQ(IgnoreCaseHash{}(c.a), IgnoreCaseHash{}(c.b)) << c.a << " / " << c.b;
        }
    }
}

TEST(Ordinal, OrderIsByUpperCasedUtf16CodeUnits) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"a", "B", -1},      {"abc", "ABD", -1},
        {"ab", "abc", -1},   {"_", "a", 1}, // '_' (5F) sorts after 'A' (41): upper, not lower, case
        {"z", "é", -1},                     // É is U+00C9
        {"ﬀ", "😀", 1},                      // U+FB00 after the surrogate pair D83D DE00 ...
        {"😀", "\uE000", -1},                // ... although UTF-8 bytes order them the other way
        {"😀", "😁", -1},      {"ب", "ا", 1}, // Arabic by code point: beh U+0628 after alef U+0627
    };
    for (const auto& c : cases) {
        const int forward = CompareIgnoreCase(c.a, c.b);
        const int backward = CompareIgnoreCase(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign) << c.b << " / " << c.a;
        EXPECT_EQ(IgnoreCaseLess{}(c.a, c.b), c.sign < 0);
    }
}

TEST(Ordinal, ContainsStartsAndEnds) {
    const struct {
        const char* s;
        const char* part;
        bool contains, starts, ends;
    } cases[] = {
        {"C:\\Users\\Ali\\Downloads\\Report.PDF", "downloads\\", true, false, false},
        {"C:\\Users\\Ali\\Downloads\\Report.PDF", "c:\\users\\", true, true, false},
        {"C:\\Users\\Ali\\Downloads\\Report.PDF", ".pdf", true, false, true},
        {"anything", "", true, true, true},
        {"", "a", false, false, false},
        {"aab", "ab", true, false, true}, // a failed first try must not skip the match
        {"Élise.txt", "élise", true, true, false},
        {"صور العائلة.JPG", "العائلة.jpg", true, false, true},
        {"ıı", "II", true, true, true},   // two-byte letters match one-byte ones
        {"xII", "ıı", true, false, true}, // and the other way round
        {"ﬀ😀", "😀", true, false, true},
        {"😀x", "😀X", true, true, true},
        {"ab", "abc", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ContainsIgnoreCase(c.s, c.part), c.contains) << c.s << " / " << c.part;
        EXPECT_EQ(StartsWithIgnoreCase(c.s, c.part), c.starts) << c.s << " / " << c.part;
        EXPECT_EQ(EndsWithIgnoreCase(c.s, c.part), c.ends) << c.s << " / " << c.part;
    }
}

TEST(Ordinal, SetsAndMapsOfPathsIgnoreCase) {
    IgnoreCaseSet removed;
    EXPECT_TRUE(removed.insert("C:\\Users\\Ali\\Downloads\\ملف.TXT").second);
    EXPECT_FALSE(removed.insert("c:\\users\\ali\\downloads\\ملف.txt").second);
    EXPECT_EQ(removed.size(), 1u);
    EXPECT_TRUE(removed.contains(std::string_view("C:\\USERS\\ALI\\DOWNLOADS\\ملف.txt")));
    EXPECT_FALSE(removed.contains(std::string_view("C:\\Users\\Ali\\Downloads\\ملف.txt.bak")));

    std::map<std::string, int, IgnoreCaseLess> sorted{{"b", 2}, {"A", 1}, {"_", 3}};
    EXPECT_EQ(sorted.find(std::string_view("a"))->second, 1);
    EXPECT_EQ(sorted.begin()->first, "A");
    EXPECT_EQ(sorted.rbegin()->first, "_");
}

// The definition itself: convert to UTF-16, upper-case each code unit,
// compare code units.
std::u16string UpperUnits(std::string_view utf8) {
    std::u16string units = Utf8ToUtf16(utf8);
    for (auto& unit : units) {
        unit = UpperInvariant(unit);
    }
    return units;
}

TEST(Ordinal, AgreesWithTheUtf16DefinitionOnMixedText) {
    // Short strings drawn from pieces where byte lengths, byte order and case
    // disagree; the fast paths must give what the definition gives.
    const char* const pieces[] = {"a", "A", "i",      "I",    "ı", "s", "ſ",  "ß",       "é",
                                  "É", "😀", "\uE000", "\xFF", "ب", "_", "\\", "\xE2\x82"};
    std::mt19937 random(23);
    auto make = [&] {
        std::string s;
        for (auto n = random() % 5; n > 0; --n) {
            s += pieces[random() % std::size(pieces)];
        }
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string a = make();
        const std::string b = make();
        const std::u16string ua = UpperUnits(a);
        const std::u16string ub = UpperUnits(b);
        const int expected = ua < ub ? -1 : (ua == ub ? 0 : 1);
        const int got = CompareIgnoreCase(a, b);
        ASSERT_EQ((got > 0) - (got < 0), expected) << a << " / " << b;
        ASSERT_EQ(EqualsIgnoreCase(a, b), ua == ub) << a << " / " << b;
        if (ua == ub) {
            ASSERT_EQ(IgnoreCaseHash{}(a), IgnoreCaseHash{}(b)) << a << " / " << b;
        }
        ASSERT_EQ(ContainsIgnoreCase(a, b), ua.find(ub) != std::u16string::npos) << a << " / " << b;
        ASSERT_EQ(StartsWithIgnoreCase(a, b), ua.starts_with(ub)) << a << " / " << b;
        ASSERT_EQ(EndsWithIgnoreCase(a, b), ua.ends_with(ub)) << a << " / " << b;
        ASSERT_EQ(UpperUnits(ToUpperInvariant(a)), ua) << a;
        ASSERT_EQ(ToUpperInvariant(a).find(ToUpperInvariant(b)) != std::string::npos,
                  ContainsIgnoreCase(a, b))
            << a << " / " << b;
    }
}

} // namespace
} // namespace vexo::base
