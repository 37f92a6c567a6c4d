// The launcher's reading of its one read of the version file, against the
// rule said plainly: a version is offered exactly when the bytes are one or
// more ASCII digits followed by nothing but CR, LF or spaces, and the digits'
// value (leading zeros aside) lies from 24 to 999; the offered version is
// that value. The judge reads the digits as text, so a value past 32 bits or
// past the launcher's 2399 stop is judged by its length, not by arithmetic.
//
// Input: the bytes of the read, whole (the launcher never passes more than
// 31, but nothing may break on more).

#include "startup_version.h"

#include "fuzz/fuzz_abort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::optional<unsigned> Judge(std::string_view bytes) {
    std::size_t digits = 0;
    while (digits < bytes.size() && bytes[digits] >= '0' && bytes[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || bytes.substr(digits).find_first_not_of("\r\n ") != std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view number = bytes.substr(0, digits);
    while (number.size() > 1 && number.front() == '0') {
        number.remove_prefix(1);
    }
    if (number.size() > 3) {
        return std::nullopt;
    }
    const unsigned value = static_cast<unsigned>(std::stoul(std::string(number)));
    if (value < 24 || value > 999) {
        return std::nullopt;
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<unsigned> got = vexo::app::StartupOfferedVersion(data, size);
    const std::optional<unsigned> want = Judge(input);
    if (got != want) {
        vexo::fuzz::Violation(
            "offered exactly for digits, then CR, LF or spaces, from 24 to 999", input,
            (got ? std::to_string(*got) : std::string("nothing")) + " instead of " +
                (want ? std::to_string(*want) : std::string("nothing")));
    }
    return 0;
}
