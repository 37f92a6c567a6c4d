#include "base/culture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace vexo::base {
namespace {

// de-DE-like separators and Indian grouping, to see that nothing assumes the
// English ones.
Culture Custom() {
    return Culture{.name = "custom",
                   .decimalSeparator = ",",
                   .groupSeparator = ".",
                   .groupSizes = {3, 2},
                   .negativePattern = NegativeNumberPattern::LeadingSpace};
}

TEST(Culture, NumberWithGroupsAndDecimals) {
    const Culture en = Culture::EnUs();
    const Culture ar = Culture::ArEg();
    const Culture inv = Culture::Invariant();
    const Culture custom = Custom();
    const struct {
        double value;
        int decimals;
        const Culture& culture;
        const char* expected;
    } cases[] = {
        {1234567.891, 2, en, "1,234,567.89"},
        {1234567.891, 0, inv, "1,234,568"},
        {1234567.891, 1, ar, "1,234,567.9"},
        {-1234.5, 2, ar, "1,234.50-"}, // Arabic: sign after the number
        {-1234.5, 0, en, "-1,235"},
        {123456789.5, 2, custom, "12.34.56.789,50"},
        {-1.25, 1, custom, "- 1,3"},
        {0.5, 0, en, "1"}, // midpoints round away from zero ...
        {2.5, 0, en, "3"},
        {-2.5, 0, en, "-3"},
        {0.125, 2, en, "0.13"},
        {2.675, 2, en, "2.68"}, // ... on the 15-digit decimal value, not the binary one
        {1.005, 2, en, "1.01"},
        {999.995, 2, en, "1,000.00"}, // carry into a new group
        {-0.004, 2, en, "0.00"},      // zero after rounding has no sign
        {-0.0, 2, ar, "0.00"},
        {0.0, 0, en, "0"},
        {5.0 / 1073741824, 2, en, "0.00"},
        {123456789012345678.0, 0, en, "123,456,789,012,346,000"}, // 15 significant digits
        {1.5, 0, custom, "2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatN(c.value, c.decimals, c.culture), c.expected)
            << c.value << " N" << c.decimals << " " << c.culture.name;
    }
}

TEST(Culture, IntegersAreExact) {
    const Culture en = Culture::EnUs();
    EXPECT_EQ(FormatN(std::int64_t{1234567}, 0, en), "1,234,567");
    EXPECT_EQ(FormatN(std::int64_t{1234567}, 2, en), "1,234,567.00");
    EXPECT_EQ(FormatN(std::numeric_limits<std::int64_t>::min(), 0, en),
              "-9,223,372,036,854,775,808");
    EXPECT_EQ(FormatN(std::int64_t{9007199254740993}, 0, en), "9,007,199,254,740,993");
    EXPECT_EQ(FormatN(-42, 1, Culture::ArEg()), "42.0-");
    EXPECT_EQ(FormatN(0, 0, en), "0");
    EXPECT_EQ(FormatN(999, 0, en), "999");
}

TEST(Culture, SignedChangeWithTwoDecimals) {
    const Culture en = Culture::EnUs();
    const Culture ar = Culture::ArEg();
    const struct {
        double value;
        const Culture& culture;
        const char* expected;
    } cases[] = {
        {1.5, en, "+1.50"},       {-0.25, en, "-0.25"},
        {-0.25, ar, "-0.25"}, // the pattern's own minus, before the number
        {0.0, en, "0.00"},        {3.0 / 1073741824, en, "0.00"}, // a few bytes
        {-0.004, en, "0.00"},     {0.005, en, "+0.01"},
        {-0.005, en, "-0.01"},    {1234.567, en, "+1234.57"}, // never grouped
        {1.5, Custom(), "+1,50"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSignedFixed2(c.value, c.culture), c.expected) << c.value;
    }
}

TEST(Culture, RoundHalfEvenOnTheBinaryValue) {
    const struct {
        double value;
        int decimals;
        double expected;
    } cases[] = {
        {0.125, 2, 0.12}, {0.375, 2, 0.38},     {2.5, 0, 2.0},   {3.5, 0, 4.0},
        {-2.5, 0, -2.0},  {-0.125, 2, -0.12},   {1.005, 2, 1.0}, // 100.4999… when scaled
        {0.285, 2, 0.28}, {123.456, 2, 123.46}, {87.5, 1, 87.5}, {1e17, 2, 1e17},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfEven(c.value, c.decimals), c.expected)
            << c.value << " to " << c.decimals;
    }
}

TEST(Culture, PlainNumbers) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {120.0, "120"},
        {87.5, "87.5"},
        {0.1 + 0.2, "0.3"}, // 15 significant digits, as the UI has always shown
        {RoundHalfEven(1610612736.0 / 1073741824, 2), "1.5"},
        {-1.25, "-1.25"},
        {0.0, "0"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E+15"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {-1.5e-7, "-1.5E-07"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPlain(c.value), c.expected) << c.value;
    }
}

} // namespace
} // namespace vexo::base
