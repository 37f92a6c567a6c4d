#include "diagnostics/diagnostics.h"

#include "base/datetime.h"
#include "base/text_file.h"
#include "platform/path_rules.h"

namespace vexo::diagnostics {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Stamp(platform::Machine& machine) {
    return base::FormatSortable(machine.clock().NowLocal());
}

// Whether a writer keeps the log to its size: the drive writer starts it
// afresh past kDiagnosticsRotateBytes and marks a file it starts as UTF-8;
// the error writers append plain bytes to whatever is there.
enum class Upkeep { Plain, Rotating };

// Readies the log for a rotating writer's entry: moves a full log aside and
// marks the entry as the start of a new file when there is none. False when
// the entry is to be dropped.
bool ReadyRotatingLog(platform::Files& files, const std::string& folder, const std::string& log,
                      std::string& entry) {
    base::Result<platform::FileInfo> info = files.ReadInfo(log);
    if (!info.ok() && info.error().kind != base::ErrorKind::NotFound) {
        // A log we cannot even look at is not one to start afresh with a
        // byte-order mark in the middle of it.
        return false;
    }
    bool exists = info.ok();
    if (exists && info->length > kDiagnosticsRotateBytes) {
        const std::string previous = platform::paths::Join(folder, kDiagnosticsPreviousFileName);
        if (!files.MoveReplace(log, previous).ok()) {
            return false;
        }
        exists = false;
    }
    if (!exists) {
        entry.insert(0, base::kUtf8Bom);
    }
    return true;
}

// The data folder as the environment names it (LOCALAPPDATA).
std::optional<std::string> EnvironmentDataFolder(platform::Machine& machine) {
    return DataFolder(machine.environment());
}

// The data folder below the known folder for local application data: where
// the UI error writer looks, rather than at LOCALAPPDATA.
std::optional<std::string> KnownDataFolder(platform::Machine& machine) {
    std::optional<std::string> local =
        machine.environment().KnownFolderPath(platform::KnownFolder::LocalAppData);
    if (!local || local->empty()) {
        return std::nullopt;
    }
    return platform::paths::Join(*local, kDataFolderName);
}

using FolderFinder = std::optional<std::string> (*)(platform::Machine&);

// Every writer's one way into the log: the folder found and made, then one
// entry (stamp, separator, text) appended. Never throws: a lost entry must
// not become a new error for a caller already dealing with one.
void AppendEntry(platform::Machine& machine, FolderFinder findFolder, std::string_view separator,
                 std::string_view text, Upkeep upkeep) noexcept {
    try {
        const std::optional<std::string> folder = findFolder(machine);
        if (!folder) {
            return;
        }
        platform::Files& files = machine.files();
        if (!files.CreateFolderTree(*folder).ok()) {
            return;
        }
        std::string entry = Stamp(machine);
        entry += separator;
        entry += text;
        entry += kCrLf;
        const std::string log = platform::paths::Join(*folder, kDiagnosticsFileName);
        if (upkeep == Upkeep::Rotating && !ReadyRotatingLog(files, *folder, log, entry)) {
            return;
        }
        (void)files.AppendBytes(log, entry);
    } catch (...) {
        // The entry is lost.
    }
}

} // namespace

std::optional<std::string> DataFolder(platform::Environment& environment) {
    std::optional<std::string> local = environment.Get("LOCALAPPDATA");
    if (!local || local->empty()) {
        return std::nullopt;
    }
    return platform::paths::Join(*local, kDataFolderName);
}

void WriteDriveDiagnostic(platform::Machine& machine, std::string_view message) noexcept {
    AppendEntry(machine, EnvironmentDataFolder, " : ", message, Upkeep::Rotating);
}

void WriteUiErrorEntry(platform::Machine& machine, std::string_view fullErrorText) noexcept {
    AppendEntry(machine, KnownDataFolder, " UI ERROR: ", fullErrorText, Upkeep::Plain);
}

void WriteStartupEntry(platform::Machine& machine, std::string_view fullErrorText) noexcept {
    AppendEntry(machine, EnvironmentDataFolder, " STARTUP/EVENT: ", fullErrorText, Upkeep::Plain);
}

std::string UiErrorMessageText(std::string_view errorMessage) {
    std::string text(kUiErrorLead);
    text += kCrLf;
    text += errorMessage;
    return text;
}

std::string StartupErrorMessageText(std::string_view fullErrorText) {
    std::string text(kStartupErrorLead);
    text += kCrLf;
    text += fullErrorText;
    return text;
}

} // namespace vexo::diagnostics
