#pragma once
// Small pieces the file sections share: the byte counts of a megabyte and a
// gigabyte, a service of the machine lent to the index engine, and the words
// of a caught error.

#include <exception>
#include <memory>
#include <string>

namespace vexo::files {

inline constexpr double kBytesInMb = 1048576.0;
inline constexpr double kBytesInGb = 1073741824.0;

// What a caught error says: what() of a standard exception, else a fixed text.
std::string ErrorText(const std::exception_ptr& error);

// A service the machine keeps alive for the whole run of the application,
// shared without ownership.
template <class T> std::shared_ptr<T> Borrow(T& object) {
    return std::shared_ptr<T>(std::shared_ptr<T>{}, &object);
}

} // namespace vexo::files
