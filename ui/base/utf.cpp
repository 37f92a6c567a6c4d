#include "base/utf.h"

namespace vexo::base {

namespace {

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) {
    return b >= lo && b <= hi;
}

bool IsSurrogate(char32_t cp) {
    return cp >= 0xD800 && cp <= 0xDFFF;
}

template <class Out> void AppendUtf16(Out& out, char32_t cp) {
    using Unit = typename Out::value_type;
    if (cp < 0x10000) {
        out.push_back(static_cast<Unit>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<Unit>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<Unit>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes one code point of UTF-16 at `pos`; an unpaired surrogate is U+FFFD.
template <class View> char32_t DecodeUtf16(View utf16, std::size_t& pos) {
    char32_t unit = static_cast<char16_t>(utf16[pos++]);
    if (unit < 0xD800 || unit > 0xDFFF) {
        return unit;
    }
    if (unit <= 0xDBFF && pos < utf16.size()) {
        char32_t low = static_cast<char16_t>(utf16[pos]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++pos;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return kReplacementChar;
}

template <class Out> Out Utf8ToUtf16Units(std::string_view utf8) {
    Out out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out.push_back(static_cast<typename Out::value_type>(b));
            ++pos;
        } else {
            AppendUtf16(out, DecodeUtf8(utf8, pos));
        }
    }
    return out;
}

template <class View> std::string Utf16UnitsToUtf8(View utf16) {
    std::string out;
    out.reserve(utf16.size());
    std::size_t pos = 0;
    while (pos < utf16.size()) {
        AppendUtf8(out, DecodeUtf16(utf16, pos));
    }
    return out;
}

} // namespace

char32_t DecodeUtf8(std::string_view utf8, std::size_t& pos) {
    const auto size = utf8.size();
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char b0 = at(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    // The allowed range of the second byte depends on the first (Unicode Table
    // 3-7); it excludes overlongs, surrogates and values above U+10FFFF.
    int trail = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (InRange(b0, 0xC2, 0xDF)) {
        trail = 1;
        cp = b0 & 0x1F;
    } else if (InRange(b0, 0xE0, 0xEF)) {
        trail = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) {
            lo = 0xA0;
        } else if (b0 == 0xED) {
            hi = 0x9F;
        }
    } else if (InRange(b0, 0xF0, 0xF4)) {
        trail = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) {
            lo = 0x90;
        } else if (b0 == 0xF4) {
            hi = 0x8F;
        }
    } else {
        ++pos; // a continuation byte, C0, C1 or F5..FF: never valid here
        return kReplacementChar;
    }
    ++pos;
    for (int i = 0; i < trail; ++i) {
        if (pos >= size || !InRange(at(pos), lo, hi)) {
            return kReplacementChar; // the bytes consumed so far form the maximal subpart
        }
        cp = (cp << 6) | (at(pos) & 0x3F);
        ++pos;
        lo = 0x80;
        hi = 0xBF;
    }
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || IsSurrogate(cp)) {
        cp = kReplacementChar;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        units += DecodeUtf8(utf8, pos) >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    return Utf8ToUtf16Units<std::u16string>(utf8);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    return Utf16UnitsToUtf8(utf16);
}

#ifdef _WIN32
static_assert(sizeof(wchar_t) == 2, "Windows wchar_t is a UTF-16 code unit");

std::wstring Widen(std::string_view utf8) {
    return Utf8ToUtf16Units<std::wstring>(utf8);
}

std::string Narrow(std::wstring_view utf16) {
    return Utf16UnitsToUtf8(utf16);
}
#endif

} // namespace vexo::base
