// The launcher's reading of the version file: the bytes of its one read of at
// most 31, judged as they are.

#include "startup_version.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vexo::app {
namespace {

std::optional<unsigned> Offered(const std::string& body) {
    // As the launcher reads it: one read of at most 31 bytes.
    const std::size_t n = body.size() < kStartupReadBytes ? body.size() : kStartupReadBytes;
    return StartupOfferedVersion(reinterpret_cast<const unsigned char*>(body.data()), n);
}

struct Case {
    const char* what;
    std::string body;
    std::optional<unsigned> offered;
};

TEST(StartupVersion, OffersOnlyDigitsThenLineEndsOrSpacesFrom24To999) {
    const Case cases[] = {
        {"24 CR LF", "24\r\n", 24},
        {"leading zeros", "0024", 24},
        {"the running version", "23", std::nullopt},
        {"an older version", "7\r\n", std::nullopt},
        {"1000", "1000", std::nullopt},
        {"the largest offered", "999\r\n", 999},
        {"leading space", " 24", std::nullopt},
        {"trailing tab", "24\t", std::nullopt},
        {"UTF-8 byte-order mark",
         "\xEF\xBB\xBF"
         "24",
         std::nullopt},
        {"a second line of text", "24\r\nnew", std::nullopt},
        {"a second number", "24\r\n25", std::nullopt},
        {"24 and 40 spaces: only the first 31 bytes count", "24" + std::string(40, ' '), 24},
        {"24 and spaces past the read, then text", "24" + std::string(29, ' ') + "x", 24},
        {"spaces, CR and LF in any order", "24 \n\r \r\n", 24},
        {"a NUL byte after the digits", std::string("24\0", 3), std::nullopt},
        {"a decimal point", "24.1", std::nullopt},
        {"a sign", "+24", std::nullopt},
        {"no digit", "\r\n", std::nullopt},
        {"zero", "0", std::nullopt},
        {"zeros filling the read", std::string(29, '0') + "24", 24},
        {"digits past 2399 stop the value", "24000", std::nullopt},
        {"thirty-one nines do not wrap round", std::string(31, '9'), std::nullopt},
        {"2400 then more digits", "2400999", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Offered(c.body), c.offered) << c.what;
    }
}

TEST(StartupVersion, AnEmptyReadOffersNothing) {
    EXPECT_EQ(StartupOfferedVersion(nullptr, 0), std::nullopt);
}

} // namespace
} // namespace vexo::app
