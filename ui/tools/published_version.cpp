#include "tools/published_version.h"

#include "base/utf.h"

#include <cstdint>

namespace vexo::tools {
namespace {

bool StartsWith(std::string_view body, std::string_view mark) {
    return body.substr(0, mark.size()) == mark;
}

std::uint32_t Byte(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

bool IsScalar(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

std::u32string FromUtf8(std::string_view bytes) {
    std::u32string text;
    for (std::size_t at = 0; at < bytes.size();) {
        text.push_back(base::DecodeUtf8(bytes, at));
    }
    return text;
}

std::u32string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::u32string text;
    auto unit = [&](std::size_t i) -> char32_t {
        return bigEndian ? (Byte(bytes, i) << 8) | Byte(bytes, i + 1)
                         : Byte(bytes, i) | (Byte(bytes, i + 1) << 8);
    };
    std::size_t at = 0;
    for (; at + 1 < bytes.size(); at += 2) {
        const char32_t u = unit(at);
        if (u >= 0xD800 && u <= 0xDBFF && at + 3 < bytes.size()) {
            const char32_t low = unit(at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        text.push_back(u >= 0xD800 && u <= 0xDFFF ? base::kReplacementChar : u);
    }
    if (at < bytes.size()) {
        text.push_back(base::kReplacementChar); // half a code unit at the end
    }
    return text;
}

std::u32string FromUtf32(std::string_view bytes, bool bigEndian) {
    std::u32string text;
    std::size_t at = 0;
    for (; at + 3 < bytes.size(); at += 4) {
        char32_t c = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t i = bigEndian ? at + k : at + 3 - k;
            c = (c << 8) | Byte(bytes, i);
        }
        text.push_back(IsScalar(c) ? c : base::kReplacementChar);
    }
    if (at < bytes.size()) {
        text.push_back(base::kReplacementChar);
    }
    return text;
}

} // namespace

std::u32string VersionBodyText(std::string_view body) {
    using namespace std::string_view_literals;
    if (StartsWith(body, "\xEF\xBB\xBF"sv)) {
        return FromUtf8(body.substr(3));
    }
    if (StartsWith(body, "\xFF\xFE\x00\x00"sv)) {
        return FromUtf32(body.substr(4), false);
    }
    if (StartsWith(body, "\x00\x00\xFE\xFF"sv)) {
        return FromUtf32(body.substr(4), true);
    }
    if (StartsWith(body, "\xFF\xFE"sv)) {
        return FromUtf16(body.substr(2), false);
    }
    if (StartsWith(body, "\xFE\xFF"sv)) {
        return FromUtf16(body.substr(2), true);
    }
    return FromUtf8(body);
}

bool IsTrimmedSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::optional<int> PublishedVersion(std::string_view body) {
    const std::u32string text = VersionBodyText(body);
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && IsTrimmedSpace(text[first])) {
        ++first;
    }
    while (end > first && IsTrimmedSpace(text[end - 1])) {
        --end;
    }
    if (end == first || end - first > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = first; i < end; ++i) {
        if (text[i] < U'0' || text[i] > U'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<int>(text[i] - U'0');
    }
    if (value < 1) {
        return std::nullopt;
    }
    return value;
}

} // namespace vexo::tools
