#pragma once
// The shape of the text files the application writes (logs, the clean-up
// report, CSV exports, saved analyses) and the staged write that replaces an
// earlier version without ever leaving a half-written target, even after a
// power cut.

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

// A file that replaces an earlier version, written in pieces to a staging
// name (target + suffix) and moved over the target only once it is whole and
// on the disk. Until Commit succeeds the target is left as it was; a staging
// file that was not committed is removed when the StagedFile ends (a failure
// to remove it is ignored), so a failed or abandoned write leaves nothing
// behind. After the first failure every later call returns that failure.
class StagedFile {
public:
    // An empty suffix is refused (InvalidInput) at the first call: the
    // target itself would be the staging file.
    StagedFile(FileWriter& files, std::string target, std::string_view suffix);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // The first piece replaces any earlier staging file; later ones append.
    Status Append(std::string_view bytes);
    // Flushes the staging file to the disk, then moves it over the target. A
    // power cut can then leave the old target or the new one, never a
    // truncated one.
    Status Commit();

private:
    Status Fail(Status status);

    FileWriter& files_;
    std::string target_;
    std::string staged_;
    bool started_ = false;
    bool committed_ = false;
    Status failure_;
};

// The whole of `bytes` through a StagedFile: the write every file that
// replaces an earlier version goes through (the clean-up report, exports).
Status WriteStaged(FileWriter& files, const std::string& target, std::string_view bytes,
                   std::string_view suffix);

// Creates or replaces `target` with `bytes` in one write, for files that
// have no earlier version worth keeping (a removal log is named by the
// moment it is written). A write that fails part-way removes what it wrote:
// a cut-off log would read as the record of fewer files.
Status WriteReplacing(FileWriter& files, const std::string& target, std::string_view bytes);

} // namespace vexo::base
