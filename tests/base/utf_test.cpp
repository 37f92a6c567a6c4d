#include "base/utf.h"

#include <gtest/gtest.h>

namespace vexo::base {
namespace {

struct RoundTrip {
    std::string utf8;
    std::u16string utf16;
};

TEST(Utf, ValidTextRoundTrips) {
    const RoundTrip cases[] = {
        {"", u""},
        {"C:\\Users\\ali\\a.txt", u"C:\\Users\\ali\\a.txt"},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},              // été
        {"\xD9\x85\xD9\x84\xD9\x81", u"\u0645\u0644\u0641"},  // ملف
        {"\xE2\x82\xAC", u"\u20AC"},                          // €
        {"\xEF\xBF\xBF", u"\uFFFF"},                          // last BMP
        {"\xF0\x9F\x98\x80", u"\U0001F600"},                  // surrogate pair
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},                  // last scalar value
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)}, // embedded NUL
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(Utf16Length(c.utf8), c.utf16.size()) << c.utf8;
    }
}

TEST(Utf, InvalidUtf8BecomesReplacementPerMaximalSubpart) {
    const struct {
        const char* bytes;
        std::u16string expected;
    } cases[] = {
        {"\x80", u"\uFFFD"},                               // stray continuation
        {"a\xFFz", u"a\uFFFDz"},                           // never a lead byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},           // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xE2\x82", u"\uFFFD"},                           // truncated at the end
        {"\xE2\x82x", u"\uFFFDx"},                         // truncated, then ASCII
        {"\xF0\x9F\x98\xE2\x82\xAC", u"\uFFFD\u20AC"},     // truncated, then valid
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected) << c.bytes;
        EXPECT_EQ(Utf16Length(c.bytes), c.expected.size()) << c.bytes;
    }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacement) {
    const struct {
        std::u16string utf16;
        const char* expected;
    } cases[] = {
        {u"a\xD83D", "a\xEF\xBF\xBD"},                 // high surrogate at the end
        {u"\xD83Dz", "\xEF\xBF\xBDz"},                 // high surrogate before a non-surrogate
        {u"\xDE00z", "\xEF\xBF\xBDz"},                 // low surrogate alone
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"}, // reversed pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.expected);
    }
}

#ifdef _WIN32
TEST(Utf, WidenAndNarrowMatchTheUtf16Pair) {
    const std::string text = "C:\\\xD9\x85\xD9\x84\xD9\x81\\\xF0\x9F\x98\x80.txt";
    const std::wstring wide = Widen(text);
    ASSERT_EQ(wide.size(), Utf8ToUtf16(text).size());
    EXPECT_EQ(wide[3], L'\u0645');
    EXPECT_EQ(Narrow(wide), text);
    EXPECT_EQ(Narrow(std::wstring(L"x\xD800")), "x\xEF\xBF\xBD");
}
#endif

} // namespace
} // namespace vexo::base
