#pragma once
// The folder-size scanner behind Folder analysis: for one drive root it
// measures every entry directly under it (a top-level folder with everything
// below it, or a top-level file) on its own background thread, and hands each
// finished entry to the UI through a queue the section's timer empties.
//
// The scanner holds no list of files: per top-level entry one stack of
// pending folder paths and one running sum. Sizes are logical (the sum of
// file lengths, never allocation), taken from the folder listings themselves.
// Links and offline (cloud) entries are never followed; entries that cannot
// be read are counted as skipped and never stop the scan.

#include "base/result.h"
#include "platform/files.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vexo::space {

// One measured top-level entry.
struct VexoFolder10 {
    std::string Name;         // the last path component
    std::string Path;         // the full path
    std::int64_t Bytes = 0;   // logical sizes of every file counted under it
    std::int64_t Skipped = 0; // entries skipped while it was measured
    bool Partial = false;     // the scan was cancelled by the time it finished

    friend bool operator==(const VexoFolder10&, const VexoFolder10&) = default;
};

// One analysis run. Made shared, so that the scanner thread keeps it alive
// however early the section lets go of it.
class VexoFastScan10 : public std::enable_shared_from_this<VexoFastScan10> {
public:
    // `files` must outlive the run (it is the application's machine).
    static std::shared_ptr<VexoFastScan10> Create(platform::Files& files);

    // Starts the thread "Vexo disk analysis" on `root` ("C:\") and returns at
    // once. The thread is detached: it never keeps the application alive.
    // A scanner serves one run; a second Start throws std::logic_error.
    void Start(std::string root);

    // The scan itself, on the calling thread: what the scanner thread runs.
    // Sets Done at the end in every case; never throws.
    void Run(const std::string& root) noexcept;

    // Every result queued since the last call, in the order they finished.
    std::vector<VexoFolder10> TakeResults();

    // The UI's stop request; the scan looks at it before each top-level
    // entry, each pending folder and each child entry.
    std::atomic<bool> Cancel{false};
    // Set after the last result has been queued, however the scan ended.
    std::atomic<bool> Done{false};
    std::atomic<std::int64_t> Files{0};
    std::atomic<std::int64_t> Skipped{0};

    // The name of the top-level entry being measured ("" before the first).
    std::string Current() const;
    // The full text of the error that ended the scan ("" when none did).
    std::string Error() const;

private:
    explicit VexoFastScan10(platform::Files& files) : files_(files) {}

    class RootSink;
    class FolderSink;

    // Measures one top-level entry; false when an error that is not a read
    // failure ends the scan (then Error is set and no result is queued).
    bool Measure(const platform::DirEntryView& entry, const std::string& root);
    // Walks everything below `top` into `folder`; the same false as Measure.
    bool Walk(const std::string& top, VexoFolder10& folder);
    void Publish(VexoFolder10 folder);
    void SetCurrent(std::string name);
    void SetError(std::string text);

    platform::Files& files_;
    std::atomic<bool> started_{false};

    mutable std::mutex mutex_; // guards everything below
    std::deque<VexoFolder10> results_;
    std::string current_;
    std::string error_;
};

// The failures that make an entry skipped rather than end the scan: the
// entry refused us (access denied, a security refusal), the device reported
// an input/output error, or the entry changed under the listing (another
// program holds it, it vanished, its path outgrew the limit).
bool IsReadFailure(base::ErrorKind kind);

// The row as the analysis view shows it.
inline constexpr std::string_view kNotePartial = "جزئي — توقف";
inline constexpr std::string_view kNoteSkippedPrefix = "متجاوز/غير متاح: ";
inline constexpr std::string_view kNoteLogical = "حجم منطقي — عرض فقط";
// The row note, in this precedence: partial, then skipped entries, then the
// plain logical-size note.
std::string RowNote(const VexoFolder10& folder);
// Bytes in GB (1073741824 bytes) rounded to 3 decimals, ties to even.
double GigabytesShown(std::int64_t bytes);

} // namespace vexo::space
