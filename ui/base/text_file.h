#pragma once
// The shape of the text files the application writes (logs, the clean-up
// report, CSV exports, saved analyses) and the staged write that replaces an
// earlier version without ever leaving a half-written target.

#include "base/file_writer.h"
#include "base/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexo::base {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// `utf8` with the UTF-8 byte-order mark in front.
std::string WithBom(std::string_view utf8);
// `utf8` without a leading byte-order mark, if it has one.
std::string StripBom(std::string_view utf8);
// The lines, each followed by CR LF, the last one included. No lines: "".
std::string JoinCrLf(const std::vector<std::string>& lines);

// Writes `bytes` to target + suffix (replacing any earlier staging file),
// then moves that file over `target`. On any failure the staging file is
// removed (a failure to remove it is ignored), `target` is left as it was,
// and the first failure is returned. An empty suffix is refused
// (InvalidInput): the target itself would be the staging file.
Status WriteStaged(FileWriter& files, const std::string& target, std::string_view bytes,
                   std::string_view suffix);

// Creates or replaces `target` with `bytes` in one write, for files whose
// earlier version is not worth keeping on failure (the removal logs).
Status WriteReplacing(FileWriter& files, const std::string& target, std::string_view bytes);

} // namespace vexo::base
