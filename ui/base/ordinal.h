#pragma once
// Ordinal ignore-case comparison of paths and names, as Windows and .NET's
// OrdinalIgnoreCase do it: every UTF-16 code unit is upper-cased through the
// simple, culture-independent mapping of the Unicode data (one code unit to one
// code unit; German sharp s stays as it is, dotless i upper-cases to I; Arabic
// and other caseless scripts are unchanged), then the code units are compared
// by value. The mapping is a generated table (case_table.inc), so both builds
// agree whatever the C library or the user's locale.
//
// The functions take UTF-8 and behave as if the text were first converted to
// UTF-16 (invalid bytes become U+FFFD, as in utf.h). Supplementary characters
// (above U+FFFF) are not case-mapped and order as their surrogate pairs do:
// before U+E000..U+FFFF, unlike UTF-8 byte order.
//
// ASCII takes a fast path without decoding; none of the comparisons allocates.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vexo::base {

// The simple upper/lower case of one UTF-16 code unit; surrogates and code
// units without a mapping come back unchanged.
char16_t UpperInvariant(char16_t unit);
char16_t LowerInvariant(char16_t unit);

// The whole string mapped code unit by code unit (UTF-8 in and out; invalid
// input comes out as U+FFFD).
std::string ToUpperInvariant(std::string_view utf8);
std::string ToLowerInvariant(std::string_view utf8);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// <0, 0 or >0 as `a` orders before, with or after `b`, by upper-cased UTF-16
// code units; a proper prefix orders first.
int CompareIgnoreCase(std::string_view a, std::string_view b);
// True when `needle` occurs in `haystack`; an empty needle always occurs.
// Same answer as ToUpperInvariant(haystack).find(ToUpperInvariant(needle)):
// a search of one needle through many names can fold the names once and
// search their bytes.
bool ContainsIgnoreCase(std::string_view haystack, std::string_view needle);
bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix);
bool EndsWithIgnoreCase(std::string_view s, std::string_view suffix);

// Functors for containers keyed by paths. Transparent, so a set of
// std::string can be searched with a std::string_view.
struct IgnoreCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const;
};

struct IgnoreCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsIgnoreCase(a, b); }
};

struct IgnoreCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return CompareIgnoreCase(a, b) < 0;
    }
};

using IgnoreCaseSet = std::unordered_set<std::string, IgnoreCaseHash, IgnoreCaseEqual>;

} // namespace vexo::base
