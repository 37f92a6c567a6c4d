// The in-app check's reading of the version file: the whole body decoded,
// trimmed, one to three digits of at least 1.

#include "tools/published_version.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vexo::tools {
namespace {

using namespace std::string_literals;

struct Case {
    const char* what;
    std::string body;
    std::optional<int> version;
};

TEST(PublishedVersion, OneToThreeDigitsOfAtLeastOneOnceTrimmed) {
    const Case cases[] = {
        {"24 CR LF", "24\r\n", 24},
        {"the running version", "23", 23},
        {"leading zero within three digits", "023", 23},
        {"a single digit", "7", 7},
        {"the largest", "999", 999},
        {"1", "1", 1},
        {"leading zeros past three digits", "0024", std::nullopt},
        {"0", "0", std::nullopt},
        {"000", "000", std::nullopt},
        {"1000", "1000", std::nullopt},
        {"a decimal point", "2.4", std::nullopt},
        {"an empty body", "", std::nullopt},
        {"only white space", " \r\n\t", std::nullopt},
        {"two numbers on two lines", "24\r\n25\r\n", std::nullopt},
        {"digits split by a space", "2 4", std::nullopt},
        {"a sign", "+24", std::nullopt},
        {"a letter", "24a", std::nullopt},
        {"surrounding spaces", "  24  ", 24},
        {"tabs", "\t24\t", 24},
        {"blank lines", "\r\n\r\n24\r\n\r\n", 24},
        {"vertical tab and form feed", "\v\f24\f", 24},
        {"UTF-8 byte-order mark",
         "\xEF\xBB\xBF"
         "24\r\n",
         24},
        {"byte-order mark after white space is no mark",
         " \xEF\xBB\xBF"
         "24",
         std::nullopt},
        {"no-break space and ideographic space",
         "\xC2\xA0"
         "24\xE3\x80\x80",
         24},
        {"zero-width space is not white space",
         "\xE2\x80\x8B"
         "24",
         std::nullopt},
        {"Arabic-Indic digits are not digits", "\xD9\xA2\xD9\xA4", std::nullopt},
        {"fullwidth digits are not digits", "\xEF\xBC\x92\xEF\xBC\x94", std::nullopt},
        {"a NUL byte", "24\0"s, std::nullopt},
        {"broken UTF-8 after the digits", "24\xC3", std::nullopt},
        {"UTF-16LE with its mark",
         "\xFF\xFE"
         "2\0"
         "4\0"
         "\r\0\n\0"s,
         24},
        {"UTF-16BE with its mark",
         "\xFE\xFF\0"
         "2\0"
         "4"s,
         24},
        {"UTF-16LE cut in half a code unit",
         "\xFF\xFE"
         "2\0"
         "4"s,
         std::nullopt},
        {"UTF-32LE with its mark",
         "\xFF\xFE\0\0"
         "2\0\0\0"
         "4\0\0\0"s,
         24},
        {"UTF-32BE with its mark",
         "\0\0\xFE\xFF"
         "\0\0\0"
         "2"
         "\0\0\0"
         "4"s,
         24},
        {"UTF-16 without a mark is read as UTF-8",
         "2\0"
         "4\0"s,
         std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PublishedVersion(c.body), c.version) << c.what;
    }
}

TEST(PublishedVersion, AnUnpairedSurrogateDecodesAsReplacement) {
    EXPECT_EQ(VersionBodyText("\xFF\xFE\x00\xD8"
                              "2\0"s),
              U"\uFFFD"
              U"2");
    EXPECT_EQ(VersionBodyText("\xFF\xFE\x3D\xD8\x00\xDE"s), U"\U0001F600");
}

} // namespace
} // namespace vexo::tools
