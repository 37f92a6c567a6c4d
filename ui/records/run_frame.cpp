#include "records/run_frame.h"

#include "diagnostics/diagnostics.h"
#include "records/removal_log.h"

namespace vexo::records {

namespace {

struct FlowTraits {
    std::string_view kind;
    std::string_view logPrefix;
    std::string_view successWord;
    std::string_view failureWord;
    bool honoursStop;
    bool diagnoseLogFailure;
};

FlowTraits TraitsOf(RemovalFlow flow) {
    switch (flow) {
    case RemovalFlow::TemporaryFiles:
        return {kKindFiles, kRemovalLogPrefix, "REMOVED ", "NOT REMOVED ", false, false};
    case RemovalFlow::MyFiles:
        return {kKindFiles, kRemovalLogPrefix, "REMOVED ", "NOT REMOVED ", true, false};
    case RemovalFlow::BulkReview:
        return {kKindIndexResults, kIndexRemovalLogPrefix, "RECYCLED ", "SKIPPED ", true, true};
    }
    return {kKindFiles, kRemovalLogPrefix, "REMOVED ", "NOT REMOVED ", false, false};
}

} // namespace

void FinishCleanupRun(platform::Machine& machine, ReportStore& store, RunWindow& window,
                      RunEnding ending, RunResult& result) {
    base::Result<std::string> log = WriteRemovalLog(machine, ending.logPrefix, result.logLines);
    if (log.ok()) {
        result.logPath = std::move(log).value();
    } else if (ending.diagnoseLogFailure) {
        diagnostics::WriteDriveDiagnostic(machine, log.error().message);
    }
    result.report =
        store.SaveReport18(ending.kind, std::move(ending.before), ending.logicalRemoved,
                           ending.attempted, ending.success, ending.failed, ending.stopped);
    window.Tell(ReportSummary18(result.report, machine.environment().UserCulture()));
}

void RemovalRun::EndRun(const RemovalSection& section, base::Lease& busy) {
    running_ = false;
    busy.Release();
    if (section.followUp) {
        section.followUp();
    }
}

std::optional<RunResult> RemovalRun::Run(const RemovalSection& section,
                                         const std::vector<RemovalCandidate>& candidates) {
    if (candidates.empty() || running_) {
        return std::nullopt;
    }
    const FlowTraits traits = TraitsOf(section.flow);
    std::vector<DriveReading> before = ReadStorage18(machine_);

    running_ = true;
    base::Lease busy = window_.HoldRunBusy(section.flow, [this] { RequestStop(); });
    RunResult result;
    try {
        if (section.onStart) {
            section.onStart();
        }
        // Cleared immediately before the loop, with no message handled in
        // between, so at least the first file is handled and the log is
        // never empty.
        stopRequested_ = false;
        const RecycleChecks checks{section.flow, section.roots, section.walkedRoot};
        const int total = static_cast<int>(candidates.size());
        for (const RemovalCandidate& candidate : candidates) {
            if (traits.honoursStop && stopRequested_) {
                break;
            }
            RecycleOutcome outcome = RecycleOneFile(machine_, candidate, checks, window_.Owner());
            std::string line;
            if (outcome.removed) {
                ++result.done;
                result.removedBytes += outcome.bytes;
                // The success line shows where the file really was; the
                // Temporary files flow only ever has the grid's path.
                line = traits.successWord;
                line +=
                    section.flow == RemovalFlow::TemporaryFiles ? candidate.path : outcome.fullPath;
                result.logLines.push_back(std::move(line));
                if (section.onRemoved) {
                    section.onRemoved(candidate, outcome);
                }
            } else {
                ++result.failed;
                line = traits.failureWord;
                line += candidate.path;
                line += " : ";
                line += outcome.reason;
                result.logLines.push_back(std::move(line));
            }
            if (section.onProgress) {
                section.onProgress(result.done + result.failed, total);
            }
            window_.PumpPending();
        }
        // A stop pressed during the last file still counts as the user's stop.
        result.stopped = traits.honoursStop && stopRequested_;
        const int handled = result.done + result.failed;

        RunEnding ending;
        ending.kind = traits.kind;
        ending.logPrefix = traits.logPrefix;
        ending.diagnoseLogFailure = traits.diagnoseLogFailure;
        ending.before = std::move(before);
        ending.logicalRemoved = result.removedBytes;
        ending.attempted = section.flow == RemovalFlow::TemporaryFiles ? total : handled;
        ending.success = result.done;
        ending.failed = result.failed;
        ending.stopped = result.stopped;
        FinishCleanupRun(machine_, store_, window_, std::move(ending), result);
    } catch (...) {
        // The section gets its controls back even when an error escapes; the
        // error itself goes on to the unhandled-error capture.
        EndRun(section, busy);
        throw;
    }
    EndRun(section, busy);
    return result;
}

} // namespace vexo::records
