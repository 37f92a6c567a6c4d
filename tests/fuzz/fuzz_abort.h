#pragma once
// How a fuzz target reports a broken property: the rule, the input spelt so
// that every byte can be read back (printable ASCII as it is, the rest as
// \xNN), then abort, so the fuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace vexo::fuzz {

inline void PrintEscaped(std::FILE* out, std::string_view bytes) {
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            std::fputc(c, out);
        } else if (c == '\\') {
            std::fputs("\\\\", out);
        } else {
            std::fprintf(out, "\\x%02X", c);
        }
    }
}

[[noreturn]] inline void Violation(std::string_view rule, std::string_view input,
                                   std::string_view detail = {}) {
    std::fprintf(stderr, "\nPROPERTY BROKEN: %.*s\n  input: \"", static_cast<int>(rule.size()),
                 rule.data());
    PrintEscaped(stderr, input);
    std::fputs("\"\n", stderr);
    if (!detail.empty()) {
        std::fputs("  detail: \"", stderr);
        PrintEscaped(stderr, detail);
        std::fputs("\"\n", stderr);
    }
    std::fflush(stderr);
    std::abort();
}

} // namespace vexo::fuzz
