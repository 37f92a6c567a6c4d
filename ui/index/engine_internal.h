#pragma once
// Pieces the engine's source files share.

#include "base/result.h"

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vexo::index::detail {

// A failure the platform reported, carried with its kind.
class PlatformFailure : public std::runtime_error {
public:
    PlatformFailure(const base::Error& error, const std::string& fallback)
        : std::runtime_error(error.message.empty() ? fallback : error.message), kind(error.kind) {}
    base::ErrorKind kind;
};

// "<kind>: <message>" for a failure caught by a worker or the crawl.
std::string Describe(const std::exception& failure);
// The message alone.
std::string ShortMessage(const std::exception& failure);

} // namespace vexo::index::detail

namespace vexo::index {

// The extension filter as the records hold extensions: white space trimmed,
// lower-cased, with a leading dot ("MP4", " .Mp4 " -> ".mp4"); empty stays
// empty.
std::string NormaliseExtension(std::string_view extension);
// Whether a category admits a record's extension (All admits every file).
bool CategoryAdmits(std::string_view extension, Category category);
// base::CompareIgnoreCase(a1 + a2, b1 + b2), as the sort compares paths.
int CompareJoinedForTest(std::string_view a1, std::string_view a2, std::string_view b1,
                         std::string_view b2);

} // namespace vexo::index
