#pragma once
// What the index engine hands out: one file, and one answer (a page of a
// query or a set of files prepared for removal). Both are complete when
// published and never change afterwards, so any thread may read them.

#include "base/datetime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexo::index {

struct VexoFile13 {
    std::string Name;      // with its extension, without any folder
    std::string Path;      // the listed folder, a backslash unless it ends in one, the name
    std::string Extension; // from the last dot, lower-cased; empty without a dot
    std::int64_t Bytes = 0;
    base::DateTimeParts Modified; // last write, local time, 100-ns precision
};

struct VexoPage13 {
    std::vector<VexoFile13> Rows; // empty when Error is set
    std::int32_t Total = 0;       // all matches, not only Rows
    std::int32_t Token = 0;       // the request answered; 0 for none
    std::int64_t Bytes = 0;       // over all matches
    std::string Error;            // empty on success
};

using PageRef = std::shared_ptr<const VexoPage13>;

// The kinds of file a filter may keep, by extension. Any value outside 0..6
// (a number from the command line, say) keeps disk images.
enum class Category : std::int32_t {
    All = 0,
    Video = 1,
    Pictures = 2,
    Documents = 3,
    Archives = 4,
    Programs = 5,
    Audio = 6,
    DiskImages = 7,
};

// A filter over the index. Every part left at its neutral value filters
// nothing.
struct Filter {
    std::string text;      // in the full path, ordinal ignore-case, not trimmed
    std::int64_t min = 0;  // Bytes at least
    std::int64_t max = 0;  // when > 0: Bytes at most
    std::string extension; // "mp4", ".MP4 " ... normalised before use
    Category category = Category::All;
    std::int32_t older = 0; // when > 0: modified at least this many days ago
};

// Sort orders; ties are broken by Path ascending, ordinal ignore-case.
enum SortOrder : std::int32_t {
    kLargestFirst = 0,
    kSmallestFirst = 1,
    kByName = 2,
    kNewestFirst = 3,
    kByPath = 4, // and any value outside 0..3
};

} // namespace vexo::index
