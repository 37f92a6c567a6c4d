#pragma once
// The saved analysis: the rows of the last complete, error-free folder
// analysis of one drive, kept in the data folder as "storage-v10-" + the
// drive letter + ".xml" so that it can be shown again without scanning.
//
// The file is a small XML document of our own, one flat record:
//
//   <?xml version="1.0" encoding="utf-8"?>
//   <StorageAnalysis At="2024-03-05T14:07:09.0000000" Files="812" Skipped="3">
//     <Row Name="Users" GB="12.5" Path="C:\Users" Notes="..."/>
//   </StorageAnalysis>
//
// The reader takes only that shape: anything else (a cut-off file, a field
// of the wrong type, an impossible date, comments, a DTD, an entity other
// than the five XML ones and character references, a file of more than
// kSavedAnalysisMaxBytes) is refused whole. No entity is ever expanded.

#include "base/datetime.h"
#include "base/result.h"
#include "platform/machine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::space {

struct SavedRow {
    std::string Name;
    double GB = 0; // as shown: the size in GB rounded to 3 decimals
    std::string Path;
    std::string Notes; // the row's note as shown

    friend bool operator==(const SavedRow&, const SavedRow&) = default;
};

struct SavedAnalysis {
    base::DateTimeParts At;     // local time of the save
    std::vector<SavedRow> Rows; // in the order they arrived during the scan
    std::int64_t Files = 0;
    std::int64_t Skipped = 0;

    friend bool operator==(const SavedAnalysis&, const SavedAnalysis&) = default;
};

// Far above a drive root's few thousand entries; anything bigger was not
// written by us and is refused before it is parsed.
inline constexpr std::size_t kSavedAnalysisMaxBytes = 16 * 1024 * 1024;

// What the user is told when a saved analysis cannot be read.
inline constexpr std::string_view kSavedAnalysisUnreadable = "تعذر فتح التحليل المحفوظ؛ أعد الفحص.";

// The file's text (UTF-8 with a byte-order mark, CR LF line ends).
std::string WriteSavedAnalysis(const SavedAnalysis& analysis);
// The record in `bytes`, or InvalidInput saying what is wrong and where.
base::Result<SavedAnalysis> ReadSavedAnalysis(std::string_view bytes);

// "<data folder>\storage-v10-" + the first character of `root` + ".xml";
// fails when LOCALAPPDATA is not set.
base::Result<std::string> SavedAnalysisPath(platform::Environment& environment,
                                            std::string_view root);

// Creates the data folder if needed and replaces the file at `path` through
// a staging file ("<path>.tmp"), so a failed save leaves the earlier one
// whole. A failure is written to the diagnostics log as "Storage cache: " +
// the error's message, and returned.
base::Status SaveAnalysis(platform::Machine& machine, const std::string& path,
                          const SavedAnalysis& analysis);

// The saved analysis at `path`; none when there is no such file. A file
// that cannot be read or is not a record we wrote is an error.
base::Result<std::optional<SavedAnalysis>> LoadSavedAnalysis(platform::Files& files,
                                                             const std::string& path);

} // namespace vexo::space
