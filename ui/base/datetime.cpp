#include "base/datetime.h"

#include <algorithm>

namespace vexo::base {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 0000-03-01 (the start of a calendar whose years begin in March,
// so the leap day comes last) to 1601-01-01.
constexpr std::int64_t kMarchZeroTo1601 = 719'468 - 134'774;

// Days since 1601-01-01 of a proleptic Gregorian date (H. Hinnant's
// days-from-civil algorithm).
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0); // >= 0 for years from 1 on
    const std::int64_t era = y / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146'097 + doe - kMarchZeroTo1601;
}

void CivilFromDays(std::int64_t days1601, int& year, int& month, int& day) {
    const std::int64_t z = days1601 + kMarchZeroTo1601; // >= 0
    const std::int64_t era = z / 146'097;
    const std::int64_t doe = z - era * 146'097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

void AppendNumber(std::string& out, long long value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0) {
        out.push_back('-');
    }
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    }
    out += digits;
}

// The first `count` digits of the seven-digit fraction (truncated, as .NET).
void AppendFraction(std::string& out, int fraction100ns, int count) {
    std::string seven;
    AppendNumber(seven, fraction100ns, 7);
    out.append(seven, 0, static_cast<std::size_t>(std::clamp(count, 0, 7)));
}

void AppendDate(std::string& out, const DateTimeParts& t, const char* sep) {
    AppendNumber(out, t.year, 4);
    out += sep;
    AppendNumber(out, t.month, 2);
    out += sep;
    AppendNumber(out, t.day, 2);
}

void AppendTime(std::string& out, const DateTimeParts& t, const char* sep, bool seconds) {
    AppendNumber(out, t.hour, 2);
    out += sep;
    AppendNumber(out, t.minute, 2);
    if (seconds) {
        out += sep;
        AppendNumber(out, t.second, 2);
    }
}

bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
    if (pos + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    pos += count;
    return true;
}

bool ReadChar(std::string_view text, std::size_t& pos, char expected) {
    if (pos < text.size() && text[pos] == expected) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

bool IsValidDateTime(const DateTimeParts& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59 && t.fraction100ns >= 0 &&
           t.fraction100ns <= 9'999'999;
}

std::string FormatSortable(const DateTimeParts& t) {
    std::string out;
    AppendDate(out, t, "-");
    out += 'T';
    AppendTime(out, t, ":", true);
    return out;
}

std::string FormatMinutes(const DateTimeParts& t) {
    std::string out;
    AppendDate(out, t, "-");
    out += ' ';
    AppendTime(out, t, ":", false);
    return out;
}

std::string FormatStamp(const DateTimeParts& t) {
    std::string out;
    AppendDate(out, t, "");
    out += '-';
    AppendTime(out, t, "", true);
    out += '-';
    AppendFraction(out, t.fraction100ns, 3);
    return out;
}

std::string FormatRoundTrip(const DateTimeParts& t) {
    std::string out = FormatSortable(t);
    out += '.';
    AppendFraction(out, t.fraction100ns, 7);
    return out;
}

std::string FormatGeneral(const DateTimeParts& t, const Culture& culture) {
    std::string out = FormatDateTimePattern(t, culture.shortDatePattern, culture);
    out.push_back(' ');
    out += FormatDateTimePattern(t, culture.longTimePattern, culture);
    return out;
}

std::string FormatDateTimePattern(const DateTimeParts& t, std::string_view pattern,
                                  const Culture& culture) {
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        const int n = static_cast<int>(run);
        switch (c) {
        case 'd':
            AppendNumber(out, t.day, n >= 2 ? 2 : 1);
            break;
        case 'M':
            AppendNumber(out, t.month, n >= 2 ? 2 : 1);
            break;
        case 'y':
            if (n <= 2) {
                AppendNumber(out, t.year % 100, n);
            } else {
                AppendNumber(out, t.year, n);
            }
            break;
        case 'h':
            AppendNumber(out, t.hour % 12 == 0 ? 12 : t.hour % 12, std::min(n, 2));
            break;
        case 'H':
            AppendNumber(out, t.hour, std::min(n, 2));
            break;
        case 'm':
            AppendNumber(out, t.minute, std::min(n, 2));
            break;
        case 's':
            AppendNumber(out, t.second, std::min(n, 2));
            break;
        case 'f':
            AppendFraction(out, t.fraction100ns, n);
            break;
        case 't': {
            const std::string& designator =
                t.hour < 12 ? culture.amDesignator : culture.pmDesignator;
            if (n >= 2) {
                out += designator;
            } else if (!designator.empty()) {
                // The first character, which may take several bytes.
                std::size_t len = 1;
                while (len < designator.size() && (designator[len] & 0xC0) == 0x80) {
                    ++len;
                }
                out.append(designator, 0, len);
            }
            break;
        }
        case '/':
        case ':':
            for (std::size_t k = 0; k < run; ++k) {
                out += c == '/' ? culture.dateSeparator : culture.timeSeparator;
            }
            break;
        case '\'':
        case '"': {
            // A quoted literal, up to the matching quote.
            std::size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos) {
                end = pattern.size();
            }
            out.append(pattern.substr(i + 1, end - i - 1));
            i = std::min(end + 1, pattern.size());
            continue;
        }
        case '\\':
            if (i + 1 < pattern.size()) {
                out.push_back(pattern[i + 1]);
            }
            i += 2;
            continue;
        case '%':
            ++i; // marks a lone custom letter; nothing of its own
            continue;
        default:
            out.append(pattern.substr(i, run));
            break;
        }
        i += run;
    }
    return out;
}

std::optional<DateTimeParts> ParseSortable(std::string_view text) {
    DateTimeParts t;
    std::size_t pos = 0;
    if (!ReadDigits(text, pos, 4, t.year) || !ReadChar(text, pos, '-') ||
        !ReadDigits(text, pos, 2, t.month) || !ReadChar(text, pos, '-') ||
        !ReadDigits(text, pos, 2, t.day) || !ReadChar(text, pos, 'T') ||
        !ReadDigits(text, pos, 2, t.hour) || !ReadChar(text, pos, ':') ||
        !ReadDigits(text, pos, 2, t.minute) || !ReadChar(text, pos, ':') ||
        !ReadDigits(text, pos, 2, t.second)) {
        return std::nullopt;
    }
    if (ReadChar(text, pos, '.')) {
        const std::size_t start = pos;
        int digit = 0;
        int scale = 1'000'000;
        while (pos - start < 7 && ReadDigits(text, pos, 1, digit)) {
            t.fraction100ns += digit * scale;
            scale /= 10;
        }
        if (pos == start) {
            return std::nullopt;
        }
    }
    if (pos != text.size() || !IsValidDateTime(t)) {
        return std::nullopt;
    }
    return t;
}

DateTimeParts PartsFromFileTime(std::int64_t ticks) {
    constexpr std::int64_t kMaxTicks = 2'650'467'743'999'999'999; // 9999-12-31T23:59:59.9999999
    ticks = std::clamp<std::int64_t>(ticks, 0, kMaxTicks);
    DateTimeParts t;
    const std::int64_t days = ticks / kTicksPerDay;
    std::int64_t rest = ticks % kTicksPerDay;
    CivilFromDays(days, t.year, t.month, t.day);
    t.fraction100ns = static_cast<int>(rest % kTicksPerSecond);
    rest /= kTicksPerSecond;
    t.second = static_cast<int>(rest % 60);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.hour = static_cast<int>(rest / 3600);
    return t;
}

std::int64_t FileTimeFromParts(const DateTimeParts& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day);
    const std::int64_t seconds = days * 86'400 + t.hour * 3600 + t.minute * 60 + t.second;
    return seconds * kTicksPerSecond + t.fraction100ns;
}

} // namespace vexo::base
