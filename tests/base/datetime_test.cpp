#include "base/datetime.h"

#include <gtest/gtest.h>

namespace vexo::base {
namespace {

const DateTimeParts kAfternoon{2024, 3, 5, 14, 7, 9, 1'234'567};

TEST(DateTime, FixedForms) {
    EXPECT_EQ(FormatSortable(kAfternoon), "2024-03-05T14:07:09");
    EXPECT_EQ(FormatMinutes(kAfternoon), "2024-03-05 14:07");
    EXPECT_EQ(FormatStamp(kAfternoon), "20240305-140709-123");
    EXPECT_EQ(FormatRoundTrip(kAfternoon), "2024-03-05T14:07:09.1234567");
    const DateTimeParts early{987, 1, 2, 3, 4, 5, 9'999};
    EXPECT_EQ(FormatStamp(early), "09870102-030405-000"); // milliseconds truncated
    EXPECT_EQ(FormatRoundTrip(early), "0987-01-02T03:04:05.0009999");
}

TEST(DateTime, GeneralFormInEachCulture) {
    const DateTimeParts midnight{2024, 12, 31, 0, 5, 0, 0};
    const DateTimeParts noon{2024, 12, 31, 12, 0, 0, 0};
    const struct {
        Culture culture;
        DateTimeParts time;
        const char* expected;
    } cases[] = {
        {Culture::EnUs(), kAfternoon, "3/5/2024 2:07:09 PM"},
        {Culture::EnUs(), midnight, "12/31/2024 12:05:00 AM"},
        {Culture::EnUs(), noon, "12/31/2024 12:00:00 PM"},
        {Culture::Invariant(), kAfternoon, "03/05/2024 14:07:09"},
        {Culture::ArEg(), kAfternoon, "05/03/2024 02:07:09 م"},
        {Culture::ArEg(), midnight, "31/12/2024 12:05:00 ص"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatGeneral(c.time, c.culture), c.expected) << c.culture.name;
    }
}

TEST(DateTime, CustomPatterns) {
    const Culture dotted{.dateSeparator = "."};
    const struct {
        const char* pattern;
        const char* expected;
    } cases[] = {
        {"d/M/yy", "5.3.24"},
        {"yyyy-MM-dd'T'HH:mm", "2024-03-05T14:07"},
        {"\\h h t", "h 2 P"},
        {"HH:mm:ss.fff", "14:07:09.123"},
        {"'quoted d' dd", "quoted d 05"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTimePattern(kAfternoon, c.pattern, dotted), c.expected) << c.pattern;
    }
}

TEST(DateTime, FileTimeKnownPoints) {
    const struct {
        std::int64_t ticks;
        DateTimeParts time;
    } cases[] = {
        {0, {1601, 1, 1, 0, 0, 0, 0}},
        {116'444'736'000'000'000, {1970, 1, 1, 0, 0, 0, 0}},
        {125'963'423'999'999'999, {2000, 2, 29, 23, 59, 59, 9'999'999}},
        {133'541'212'291'234'567, kAfternoon},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PartsFromFileTime(c.ticks), c.time) << c.ticks;
        EXPECT_EQ(FileTimeFromParts(c.time), c.ticks) << FormatRoundTrip(c.time);
    }
    EXPECT_EQ(FormatRoundTrip(PartsFromFileTime(-1)), "1601-01-01T00:00:00.0000000");
    EXPECT_EQ(FormatRoundTrip(PartsFromFileTime(INT64_MAX)), "9999-12-31T23:59:59.9999999");
}

TEST(DateTime, FileTimeWalksEveryDayOfTheCalendar) {
    // Day by day from 1601 to 9999, each date follows the one before it:
    // leap years (1700, 1900 not; 2000 yes) and month ends included.
    constexpr std::int64_t kDay = 864'000'000'000;
    DateTimeParts expected{1601, 1, 1, 6, 0, 0, 0};
    const std::int64_t start = 6 * 36'000'000'000;
    for (std::int64_t day = 0; expected.year <= 9999; ++day) {
        const std::int64_t ticks = start + day * kDay;
        const DateTimeParts got = PartsFromFileTime(ticks);
        ASSERT_EQ(got, expected) << FormatSortable(got) << " vs " << FormatSortable(expected);
        ASSERT_EQ(FileTimeFromParts(got), ticks);
        DateTimeParts next = expected;
        next.day++;
        if (!IsValidDateTime(next)) {
            next.day = 1;
            if (++next.month > 12) {
                next.month = 1;
                next.year++;
            }
        }
        expected = next;
    }
}

TEST(DateTime, ParseSortable) {
    EXPECT_EQ(ParseSortable("2024-03-05T14:07:09.1234567"), kAfternoon);
    EXPECT_EQ(ParseSortable("2024-03-05T14:07:09"), (DateTimeParts{2024, 3, 5, 14, 7, 9, 0}));
    EXPECT_EQ(ParseSortable("2024-03-05T14:07:09.5"),
              (DateTimeParts{2024, 3, 5, 14, 7, 9, 5'000'000}));
    for (const char* bad : {"", "2024-03-05 14:07:09", "2023-02-29T00:00:00", "2024-03-05T24:00:00",
                            "2024-03-05T14:07:09.", "2024-03-05T14:07:09.12345678",
                            "2024-03-05T14:07:09Z", "2024-3-05T14:07:09"}) {
        EXPECT_FALSE(ParseSortable(bad).has_value()) << bad;
    }
}

} // namespace
} // namespace vexo::base
