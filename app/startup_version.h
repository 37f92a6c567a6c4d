#pragma once
// How the launcher reads the version file at start: the bytes of its one
// read, judged as they are. Portable (no Windows headers), so that it is
// tested and fuzzed natively.

#include <cstddef>
#include <optional>

namespace vexo::app {

// The version this launcher belongs to.
inline constexpr unsigned kRunningVersion = 23;
// At most this many bytes of the body are read, once, into a zeroed buffer
// one byte longer.
inline constexpr std::size_t kStartupReadBytes = 31;

// The version the bytes announce when it is one to offer: decimal digits
// (leading zeros allowed), then nothing but CR, LF or spaces, with a value
// from 24 to 999. Anything else (no digit, a leading space, a tab, a
// byte-order mark, a letter, a second number, a value of 23 or below or
// above 999) gives nothing. The digits stop accumulating once the value
// passes 2399, which changes no outcome and keeps the value in 32 bits.
std::optional<unsigned> StartupOfferedVersion(const unsigned char* bytes, std::size_t count);

} // namespace vexo::app
