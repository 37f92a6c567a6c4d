// The in-app check's reading of the version file, against the rule said
// plainly: whatever bytes come, the answer is nothing or a value from 1 to
// 999; a value comes exactly when the decoded text, less the white space at
// its ends, is one to three ASCII digits of that value. The judge finds the
// ends its own way (from the decoded text, by code point), and a body that
// is the digits themselves, in any of the encodings a mark names, reads the
// same as the plain digits.
//
// Input: the body's bytes, whole.

#include "tools/published_version.h"

#include "fuzz/fuzz_abort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

using vexo::tools::IsTrimmedSpace;

std::optional<int> Judge(const std::u32string& text) {
    std::u32string core;
    bool seen = false;
    std::u32string pendingSpace;
    for (char32_t c : text) {
        if (IsTrimmedSpace(c)) {
            if (seen) {
                pendingSpace.push_back(c);
            }
            continue;
        }
        core += pendingSpace;
        pendingSpace.clear();
        core.push_back(c);
        seen = true;
    }
    if (core.empty() || core.size() > 3) {
        return std::nullopt;
    }
    std::string digits;
    for (char32_t c : core) {
        if (c < U'0' || c > U'9') {
            return std::nullopt;
        }
        digits.push_back(static_cast<char>(c));
    }
    const int value = std::stoi(digits);
    return value >= 1 ? std::optional<int>(value) : std::nullopt;
}

// The same text in UTF-16LE with its mark.
std::string AsUtf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<int> got = vexo::tools::PublishedVersion(input);
    if (got && (*got < 1 || *got > 999)) {
        vexo::fuzz::Violation("a version lies from 1 to 999", input, std::to_string(*got));
    }
    if (got != Judge(vexo::tools::VersionBodyText(input))) {
        vexo::fuzz::Violation("a version exactly when the trimmed text is one to three digits",
                              input);
    }
    // Plain ASCII reads alike in UTF-8 and in UTF-16 with its mark. (A NUL
    // is left out: two of them after the mark would make it UTF-32's.)
    bool ascii = true;
    for (unsigned char c : input) {
        ascii = ascii && c != 0 && c < 0x80;
    }
    if (ascii && vexo::tools::PublishedVersion(AsUtf16Le(input)) != got) {
        vexo::fuzz::Violation("ASCII reads alike as UTF-8 and as marked UTF-16", input);
    }
    return 0;
}
