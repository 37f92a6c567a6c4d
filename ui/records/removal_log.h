#pragma once
// The logs of clean-up runs: one file per run in the data folder, named by
// its kind and the local time it was written ("Removal-20240501-140309-042.txt"),
// one line per item in the order handled. UTF-8 with a byte-order mark and CR
// LF after every line, so the file opens cleanly in Notepad; a file of the
// same name is replaced.

#include "base/datetime.h"
#include "base/result.h"
#include "platform/machine.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexo::records {

inline constexpr std::string_view kRemovalLogPrefix = "Removal-"; // Temporary files, My Files
inline constexpr std::string_view kIndexRemovalLogPrefix = "IndexRemoval-"; // bulk review
inline constexpr std::string_view kAppsLogPrefix = "Apps-";                 // Programs

// prefix + "yyyyMMdd-HHmmss-fff" + ".txt".
std::string RemovalLogName(std::string_view prefix, const base::DateTimeParts& localTime);

// Writes the lines under a name stamped with the local time now; the data
// folder is created when missing. Returns the file's path, or the failure
// (the section decides whether a failure is worth a diagnostics line).
base::Result<std::string> WriteRemovalLog(platform::Machine& machine, std::string_view prefix,
                                          const std::vector<std::string>& lines);

} // namespace vexo::records
