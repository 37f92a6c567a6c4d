#pragma once
// Text the user typed or a registry value, without the spaces, tabs and
// line breaks around it.

#include <string_view>

namespace vexo::base {

inline std::string_view TrimSpace(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

} // namespace vexo::base
