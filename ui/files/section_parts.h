#pragma once
// Small pieces every file section builds with: a toolbar button, a service
// of the machine lent to the index engine, the trimmed text of a field and
// the words of a caught error.

#include "toolkit/toolkit.h"

#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace vexo::files {

inline constexpr double kBytesInMb = 1048576.0;
inline constexpr double kBytesInGb = 1073741824.0;

// A toolbar button sized to its text, 32 px high, 8 px inside left and right,
// appended to the bar.
toolkit::Button* AddButton(toolkit::FlowLayout& bar, std::string_view text);

// The text without the white space around it.
std::string Trim(const std::string& text);

// What a caught error says: what() of a standard exception, else a fixed text.
std::string ErrorText(const std::exception_ptr& error);

// A service the machine keeps alive for the whole run of the application,
// shared without ownership.
template <class T> std::shared_ptr<T> Borrow(T& object) {
    return std::shared_ptr<T>(std::shared_ptr<T>{}, &object);
}

} // namespace vexo::files
