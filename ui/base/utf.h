#pragma once
// UTF-8 <-> UTF-16. Text inside the application is UTF-8; Windows takes and
// gives UTF-16, so the win32 adapters convert at the call with these.
//
// Both directions accept any input: a byte sequence that is not UTF-8 (a stray
// continuation byte, a truncated or overlong sequence, an encoded surrogate, a
// value above U+10FFFF) and an unpaired UTF-16 surrogate each become U+FFFD.
// Invalid UTF-8 is replaced per maximal subpart (the Unicode recommendation, as
// Windows and .NET do): each maximal prefix of a valid sequence becomes one
// U+FFFD, a byte that can start no sequence becomes one U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace vexo::base {

inline constexpr char32_t kReplacementChar = U'\uFFFD';

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Decodes the code point that starts at `pos` and moves `pos` past it.
// Precondition: pos < utf8.size(). Invalid input yields U+FFFD and advances by
// the maximal subpart (at least one byte).
char32_t DecodeUtf8(std::string_view utf8, std::size_t& pos);

// Appends the UTF-8 form of `cp` (a scalar value; anything else gives U+FFFD).
void AppendUtf8(std::string& out, char32_t cp);

// The number of UTF-16 code units `utf8` converts to (Windows path limits are
// counted in these).
std::size_t Utf16Length(std::string_view utf8);

#ifdef _WIN32
// wchar_t is a UTF-16 code unit on Windows.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
#endif

} // namespace vexo::base
