#pragma once
// Numbers and dates shown to the user follow the user's regional settings.
// A Culture holds the few settings our messages use; the win32 adapter fills
// one from the user's settings, tests pass the fixed ones below.
//
// The number forms reproduce what the .NET Framework (Windows PowerShell 5.1)
// shows for the same format strings, so the texts read as users know them:
// a double is first taken to 15 significant digits, then rounded half away
// from zero at the requested decimal on that decimal value (2.675 → "2.68"
// with two decimals), and a value that rounds to zero shows without a sign.
// Digits are always the Latin 0-9 (.NET never substitutes native digits).

#include <concepts>
#include <cstdint>
#include <string>
#include <vector>

namespace vexo::base {

// Where the negative sign goes in the "N" forms (.NET NumberNegativePattern).
enum class NegativeNumberPattern {
    Parentheses,   // (n)
    Leading,       // -n
    LeadingSpace,  // - n
    Trailing,      // n-
    TrailingSpace, // n -
};

struct Culture {
    std::string name{}; // e.g. "en-US"; empty for the invariant culture
    std::string decimalSeparator = ".";
    std::string groupSeparator = ",";
    // Digits per group from the decimal point leftwards; the last size repeats,
    // a last size of 0 leaves the remaining digits ungrouped. Empty: no groups.
    std::vector<int> groupSizes{3};
    std::string negativeSign = "-";
    NegativeNumberPattern negativePattern = NegativeNumberPattern::Leading;
    // Date and time patterns use the .NET custom letters (d, dd, M, MM, y, yy,
    // yyyy, h, hh, H, HH, m, mm, s, ss, f…, t, tt, quoted literals); "/" and
    // ":" stand for the separators below.
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    std::string shortDatePattern = "MM/dd/yyyy";
    std::string longTimePattern = "HH:mm:ss";
    std::string amDesignator = "AM";
    std::string pmDesignator = "PM";

    // The invariant culture: full stop, comma groups of three, 24-hour clock.
    static Culture Invariant();
    // English (United States), Windows defaults.
    static Culture EnUs();
    // Arabic (Egypt), Windows defaults: full stop decimal, comma groups of
    // three, negative numbers as "n-", short date dd/MM/yyyy, long time
    // hh:mm:ss tt with the designators "ص" (AM) and "م" (PM), Gregorian
    // calendar.
    static Culture ArEg();
};

// "N0", "N1", "N2"…: group separators and `decimals` decimals (0..15; more are
// shown as zeros from the 16th significant digit on). NaN and infinities show
// as "NaN", "Infinity" and "-Infinity".
std::string FormatN(double value, int decimals, const Culture& culture);
std::string FormatN(std::int64_t value, int decimals, const Culture& culture);
// Other integer types take the exact integer form, not the double one.
template <std::integral T>
requires(!std::same_as<T, std::int64_t> && !std::same_as<T, bool>) std::string
    FormatN(T value, int decimals, const Culture& culture) {
    return FormatN(static_cast<std::int64_t>(value), decimals, culture);
}

// The composite format "{0:+0.00;-0.00;0.00}": "+1.50", "-0.25", and "0.00"
// for anything that is zero at two decimals (-0.004 included). No grouping;
// the culture's decimal separator; the signs are the literal + and -.
std::string FormatSignedFixed2(double value, const Culture& culture);

// Rounds to `decimals` (0..15) decimals, ties to even on the scaled binary
// value, as .NET's Math.Round(value, decimals): 0.125 → 0.12, 0.375 → 0.38.
// Values of 1e16 and above in magnitude, NaN and infinities come back as they
// are.
double RoundHalfEven(double value, int decimals);

// A number as .NET writes a double into invariant text ("G", 15 significant
// digits): full stop, no grouping, no trailing zeros ("120", "87.5", "0.1"),
// the exponent form only beyond 15 integer digits or below 0.0001 ("1E+15",
// "1E-05").
std::string FormatPlain(double value);

} // namespace vexo::base
