#include "base/culture.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vexo::base {

Culture Culture::Invariant() {
    return Culture{};
}

Culture Culture::EnUs() {
    return Culture{
        .name = "en-US", .shortDatePattern = "M/d/yyyy", .longTimePattern = "h:mm:ss tt"};
}

Culture Culture::ArEg() {
    return Culture{
        .name = "ar-EG",
        .negativePattern = NegativeNumberPattern::Trailing,
        .shortDatePattern = "dd/MM/yyyy",
        .longTimePattern = "hh:mm:ss tt",
        .amDesignator = "\xD8\xB5", // ص
        .pmDesignator = "\xD9\x85", // م
    };
}

namespace {

constexpr int kMaxDecimals = 15;
constexpr int kDoublePrecision = 15; // significant digits of .NET's double formatting

// A decimal number 0.d1d2d3… × 10^scale; no digits means zero.
struct Decimal {
    std::string digits;
    int scale = 0;
    bool negative = false;
};

// The value taken to 15 significant digits, trailing zeros dropped.
Decimal ToDecimal(double value) {
    Decimal d;
    if (value == 0) {
        return d; // -0.0 included: .NET Framework shows it without a sign
    }
    d.negative = value < 0;
    char buf[64];
    // "d.dddddddddddddde±xx": correctly rounded, the same on both builds.
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                   std::chars_format::scientific, kDoublePrecision - 1);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const auto e = text.find('e');
    d.digits.push_back(text[0]);
    d.digits.append(text.substr(2, e - 2));
    d.scale = std::atoi(std::string(text.substr(e + 1)).c_str()) + 1;
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

// Keeps `decimals` digits after the decimal point, the next digit rounding
// half away from zero; a result of zero loses its sign.
void RoundDecimal(Decimal& d, int decimals) {
    const int keep = d.scale + decimals;
    if (keep < 0) {
        d = Decimal{};
        return;
    }
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep;
        while (i > 0 && d.digits[static_cast<std::size_t>(i - 1)] == '9') {
            --i;
        }
        d.digits.resize(static_cast<std::size_t>(i));
        if (i > 0) {
            ++d.digits.back();
        } else {
            d.digits.push_back('1'); // all nines: 99.5 becomes 100
            ++d.scale;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    if (d.digits.empty()) {
        d = Decimal{};
    }
}

char DigitAt(const Decimal& d, int index) {
    return index >= 0 && index < static_cast<int>(d.digits.size())
               ? d.digits[static_cast<std::size_t>(index)]
               : '0';
}

std::string IntegerDigits(const Decimal& d) {
    if (d.scale <= 0) {
        return "0";
    }
    std::string out;
    for (int i = 0; i < d.scale; ++i) {
        out.push_back(DigitAt(d, i));
    }
    return out;
}

std::string FractionDigits(const Decimal& d, int decimals) {
    std::string out;
    for (int i = 0; i < decimals; ++i) {
        out.push_back(DigitAt(d, d.scale + i));
    }
    return out;
}

std::string Group(const std::string& digits, const Culture& culture) {
    const auto& sizes = culture.groupSizes;
    if (sizes.empty() || sizes[0] <= 0) {
        return digits;
    }
    // Split points from the right, then join left to right.
    std::vector<std::size_t> cuts; // lengths of the groups, rightmost first
    std::size_t remaining = digits.size();
    std::size_t index = 0;
    while (remaining > 0) {
        const int size = sizes[std::min(index, sizes.size() - 1)];
        if (size <= 0 || static_cast<std::size_t>(size) >= remaining) {
            cuts.push_back(remaining);
            break;
        }
        cuts.push_back(static_cast<std::size_t>(size));
        remaining -= static_cast<std::size_t>(size);
        ++index;
    }
    std::string out;
    std::size_t pos = 0;
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        if (pos > 0) {
            out += culture.groupSeparator;
        }
        out.append(digits, pos, *it);
        pos += *it;
    }
    return out;
}

std::string ApplyNegative(const std::string& number, const Culture& c) {
    // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // "literal" + std::string.
    std::string out;
    switch (c.negativePattern) {
    case NegativeNumberPattern::Parentheses:
        out.push_back('(');
        out += number;
        out.push_back(')');
        break;
    case NegativeNumberPattern::Leading:
    case NegativeNumberPattern::LeadingSpace:
        out += c.negativeSign;
        if (c.negativePattern == NegativeNumberPattern::LeadingSpace) {
            out.push_back(' ');
        }
        out += number;
        break;
    case NegativeNumberPattern::Trailing:
    case NegativeNumberPattern::TrailingSpace:
        out += number;
        if (c.negativePattern == NegativeNumberPattern::TrailingSpace) {
            out.push_back(' ');
        }
        out += c.negativeSign;
        break;
    }
    return out;
}

std::string FormatNumberN(const Decimal& d, int decimals, const Culture& culture) {
    std::string out = Group(IntegerDigits(d), culture);
    if (decimals > 0) {
        out += culture.decimalSeparator;
        out += FractionDigits(d, decimals);
    }
    return d.negative ? ApplyNegative(out, culture) : out;
}

const char* NonFinite(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    return value < 0 ? "-Infinity" : "Infinity";
}

} // namespace

std::string FormatN(double value, int decimals, const Culture& culture) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    decimals = std::clamp(decimals, 0, 99);
    Decimal d = ToDecimal(value);
    RoundDecimal(d, decimals);
    return FormatNumberN(d, decimals, culture);
}

std::string FormatN(std::int64_t value, int decimals, const Culture& culture) {
    decimals = std::clamp(decimals, 0, 99);
    Decimal d;
    if (value != 0) {
        d.negative = value < 0;
        // Negating in unsigned arithmetic keeps INT64_MIN exact.
        const std::uint64_t magnitude =
            d.negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        d.digits = std::to_string(magnitude);
        d.scale = static_cast<int>(d.digits.size());
    }
    return FormatNumberN(d, decimals, culture);
}

std::string FormatSignedFixed2(double value, const Culture& culture) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    Decimal d = ToDecimal(value);
    RoundDecimal(d, 2);
    std::string out;
    if (d.digits.empty()) {
        out.push_back('0');
        out += culture.decimalSeparator;
        out += "00";
        return out;
    }
    out.push_back(d.negative ? '-' : '+');
    out += IntegerDigits(d);
    out += culture.decimalSeparator;
    out += FractionDigits(d, 2);
    return out;
}

double RoundHalfEven(double value, int decimals) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e16) {
        return value;
    }
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double power = kPowers[std::clamp(decimals, 0, kMaxDecimals)];
    const double scaled = value * power;
    double rounded = std::round(scaled); // half away from zero
    if (std::fabs(scaled - std::trunc(scaled)) == 0.5) {
        rounded = 2.0 * std::round(scaled / 2.0); // a tie: the even neighbour
    }
    return rounded / power;
}

std::string FormatPlain(double value) {
    if (!std::isfinite(value)) {
        return NonFinite(value);
    }
    const Decimal d = ToDecimal(value);
    if (d.digits.empty()) {
        return "0";
    }
    std::string out = d.negative ? "-" : "";
    if (d.scale > kDoublePrecision || d.scale < -3) {
        // d.ddddE+xx, at least two exponent digits
        out.push_back(d.digits[0]);
        if (d.digits.size() > 1) {
            out += '.';
            out.append(d.digits, 1);
        }
        const int exponent = d.scale - 1;
        out += exponent < 0 ? "E-" : "E+";
        const std::string e = std::to_string(std::abs(exponent));
        if (e.size() < 2) {
            out.push_back('0');
        }
        out += e;
        return out;
    }
    out += IntegerDigits(d);
    const int fraction = static_cast<int>(d.digits.size()) - d.scale;
    if (fraction > 0) {
        out += '.';
        out += FractionDigits(d, fraction);
    }
    return out;
}

} // namespace vexo::base
