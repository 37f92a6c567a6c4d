#pragma once
// The search text of a query, prepared once and tested against millions of
// names and folder paths. The result is always that of
// base::ContainsIgnoreCase; ASCII haystacks take a vectorised path that
// compares bytes after upper-casing (an ASCII text upper-cases to ASCII, and
// only ASCII can equal ASCII), everything else goes through the base
// function itself.

#include <cstddef>
#include <string>
#include <string_view>

namespace vexo::index {

class TextMatcher {
public:
    explicit TextMatcher(std::string_view text);

    bool Empty() const { return text_.empty(); }
    std::string_view Text() const { return text_; }
    // True when the text holds a backslash, so a match may span a folder
    // and a name.
    bool HasSeparator() const { return text_.find('\\') != std::string::npos; }
    // False when the upper-cased text holds a non-ASCII character: then no
    // ASCII haystack can contain it.
    bool AsciiCanMatch() const { return asciiUpper_; }

    // Whether `haystack` contains the text, ordinal ignore-case.
    // `haystackAscii` must be true only when every byte is below 0x80.
    bool In(std::string_view haystack, bool haystackAscii) const;

    // ASCII haystacks only, and only when AsciiCanMatch(): the first place
    // in [begin, end) where the text starts, or nullptr.
    const char* Find(const char* begin, const char* end) const;
    std::size_t UpperLength() const { return upper_.size(); }

private:
    std::string text_;
    std::string upper_; // the text upper-cased; used when asciiUpper_
    bool asciiUpper_ = false;
};

} // namespace vexo::index
