#pragma once
// Local wall-clock times and the fixed text forms the records use. Converting
// between UTC and local time is the platform's job; everything here is plain
// Gregorian calendar arithmetic without time zones.

#include "base/culture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexo::base {

struct DateTimeParts {
    int year = 1601; // 1..9999
    int month = 1;   // 1..12
    int day = 1;     // 1..days in the month
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
    int fraction100ns = 0; // 0..9'999'999

    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

bool IsValidDateTime(const DateTimeParts& t);

// "yyyy-MM-ddTHH:mm:ss", e.g. 2024-03-05T14:07:09: report times, log lines,
// the Modified column of exports.
std::string FormatSortable(const DateTimeParts& t);
// "yyyy-MM-dd HH:mm": when a saved analysis was made.
std::string FormatMinutes(const DateTimeParts& t);
// "yyyyMMdd-HHmmss-fff": the stamp in log file names (milliseconds truncated).
std::string FormatStamp(const DateTimeParts& t);
// "yyyy-MM-ddTHH:mm:ss.fffffff": lossless, for files the application reads back.
std::string FormatRoundTrip(const DateTimeParts& t);
// The culture's short date and long time joined by a space (.NET "G"), e.g.
// "3/5/2024 2:07:09 PM" in en-US.
std::string FormatGeneral(const DateTimeParts& t, const Culture& culture);
// A .NET custom date/time pattern (see Culture). Day and month names are not
// supported: "ddd", "dddd", "MMM" and "MMMM" show the numbers.
std::string FormatDateTimePattern(const DateTimeParts& t, std::string_view pattern,
                                  const Culture& culture);

// Reads "yyyy-MM-ddTHH:mm:ss" with an optional fraction of 1 to 7 digits
// (what FormatSortable and FormatRoundTrip write); anything else, or an
// impossible date, gives nothing.
std::optional<DateTimeParts> ParseSortable(std::string_view text);

// A FILETIME-style count (100-ns ticks since 1601-01-01 00:00:00) and the
// calendar time it names. Ticks outside years 1601..9999 are clamped to that
// range; FileTimeFromParts expects IsValidDateTime(t).
DateTimeParts PartsFromFileTime(std::int64_t ticks);
std::int64_t FileTimeFromParts(const DateTimeParts& t);

} // namespace vexo::base
