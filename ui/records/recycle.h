#pragma once
// One file to the Recycle Bin: the shared per-file step of every section that
// removes files. The file is checked again immediately before the shell gets
// it (it may have moved, become a link or changed since it was listed), the
// shell moves it with its own dialogs on screen, and its absence is verified
// afterwards. The system never deletes anything itself.

#include "base/datetime.h"
#include "platform/machine.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::records {

// The three sections that remove files, each with its own set of checks and
// its own words for a refusal.
enum class RemovalFlow {
    TemporaryFiles, // grid rows from the user's temporary folder; path used as given
    MyFiles,        // index results under the current index roots
    BulkReview,     // index results under the personal roots, unchanged since indexing
};

// One file the user has chosen. Index flows also carry what the index saw:
// its length, and its last write in local time as the index records it (the
// bulk review compares the file's last write, read afresh and turned into
// local time, with it to the 100 ns).
struct RemovalCandidate {
    std::string path;
    std::int64_t indexedBytes = 0;
    base::DateTimeParts indexedModified{};
};

// What the step checks against: the flow, and for index flows the roots the
// file must lie under (the index roots for My Files, the personal roots taken
// when a bulk removal was prepared).
struct RecycleChecks {
    RemovalFlow flow = RemovalFlow::TemporaryFiles;
    std::vector<std::string> roots;
    // Temporary files: the folder the listing walked, when given. The file
    // must still lie under it through real folders only, so that a folder
    // of the walk replaced by a link since cannot hand the shell a file from
    // elsewhere.
    std::string walkedRoot = {};
};

struct RecycleOutcome {
    bool removed = false;
    // The normalised full path for index flows, the path as given otherwise
    // (empty when normalisation itself failed).
    std::string fullPath;
    std::int64_t bytes = 0; // the size re-read just before the shell call
    std::string reason;     // why the file stayed, for a failure
};

// The section's words for each refusal.
struct RefusalReasons {
    std::string_view outsideOrProtected; // containment or guard (index flows)
    std::string_view kind;               // folder, link, and for index flows offline
    std::string_view changed;            // bulk review: size or time differs from the index
    std::string_view stillThere;         // the shell returned but the file is in place
};
RefusalReasons ReasonsFor(RemovalFlow flow);

// Runs the checks in order, hands the file to the shell on `owner`'s behalf
// and verifies it has gone. Index flows first judge the place, without
// reading the file: the long full path must be the listed spelling but for
// case, lie under the roots and pass the guard's rules and its walk over the
// folders above. Then every flow re-reads the file (a failure carries the
// platform's text), checks its kind and, for the bulk review, that it is
// unchanged. The first failing check ends the step with its reason. Never
// throws.
RecycleOutcome RecycleOneFile(platform::Machine& machine, const RemovalCandidate& candidate,
                              const RecycleChecks& checks, platform::NativeWindow owner) noexcept;

} // namespace vexo::records
