#pragma once
// The frame every file removal runs in, whichever section drives it: read the
// drives, mark the section busy, hand the files to the Recycle Bin one by one
// while the window keeps breathing, write the log, save the clean-up report,
// show its summary, and always give the section back its controls.
//
// Everything runs on the UI thread. Between files the frame lets pending
// window messages through, so the window repaints and the section's stop
// button (or the main window's close guard) can call RequestStop, which takes
// effect before the next file.

#include "base/lease.h"
#include "records/cleanup_report.h"
#include "records/recycle.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::records {

// What the frame needs from the window it runs in. The shell's section
// context answers it; tests answer it directly.
class RunWindow {
public:
    virtual ~RunWindow() = default;

    // A message box owned by the main window (caption "فيكسو").
    virtual void Tell(const std::string& text) = 0;
    // Lets pending window messages through: repaints, the stop button.
    virtual void PumpPending() = 0;
    // The window the shell's dialogs belong to.
    virtual platform::NativeWindow Owner() = 0;
    // Marks the application busy the way this flow's section is known to be
    // (the Temporary files flow by its own flag), with `stop` as what the
    // close guard calls, for as long as the lease is held.
    virtual base::Lease HoldRunBusy(RemovalFlow flow, std::function<void()> stop) = 0;
};

// What a removing section gives the frame besides its candidates.
struct RemovalSection {
    RemovalFlow flow = RemovalFlow::TemporaryFiles;
    // Index flows: the roots every file must lie under.
    std::vector<std::string> roots;
    // Temporary files: the folder its listing walked (see RecycleChecks).
    std::string walkedRoot;
    // After each success: the engine's RemovePath (index flows) or taking the
    // row out of the grid (Temporary files). May be empty.
    std::function<void(const RemovalCandidate&, const RecycleOutcome&)> onRemoved;
    // Once the application is marked busy, before the first item: the
    // section takes its controls away. May be empty.
    std::function<void()> onStart;
    // After each item: how many have been handled out of how many. May be
    // empty.
    std::function<void(int handled, int total)> onProgress;
    // The section's own follow-up once the run is over (its controls back,
    // new page, drive cards), after busy has been cleared. Runs in every case.
    // May be empty.
    std::function<void()> followUp;
};

struct RunResult {
    int done = 0;
    int failed = 0;
    std::int64_t removedBytes = 0;
    bool stopped = false;
    std::vector<std::string> logLines;
    std::optional<std::string> logPath; // none when the log could not be written
    CleanupReport report;
};

// The end of every clean-up run, shared with the Programs queue: write the
// log under `logPrefix` (a failure is ignored, or written to the diagnostics
// log when `diagnoseLogFailure`), save the report, tell its summary.
struct RunEnding {
    std::string_view kind;
    std::string_view logPrefix;
    bool diagnoseLogFailure = false;
    std::vector<DriveReading> before;
    std::int64_t logicalRemoved = 0;
    int attempted = 0;
    int success = 0;
    int failed = 0;
    bool stopped = false;
};
void FinishCleanupRun(platform::Machine& machine, ReportStore& store, RunWindow& window,
                      RunEnding ending, RunResult& result);

class RemovalRun {
public:
    RemovalRun(platform::Machine& machine, ReportStore& store, RunWindow& window)
        : machine_(machine), store_(store), window_(window) {}

    // Runs the whole frame. The user has confirmed and `candidates` is the
    // list in the order shown; an empty list, or a call while a run is under
    // way, does nothing and gives none (a log is never empty).
    std::optional<RunResult> Run(const RemovalSection& section,
                                 const std::vector<RemovalCandidate>& candidates);

    // The stop button or the close guard. Honoured before the next file by My
    // Files and the bulk review; the Temporary files flow runs to its end.
    void RequestStop() {
        if (running_) {
            stopRequested_ = true;
        }
    }
    bool running() const { return running_; }

private:
    void EndRun(const RemovalSection& section, base::Lease& busy);

    platform::Machine& machine_;
    ReportStore& store_;
    RunWindow& window_;
    bool running_ = false;
    bool stopRequested_ = false;
};

} // namespace vexo::records
