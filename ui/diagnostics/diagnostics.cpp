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

// The unrotated writers share this: folder, then one appended entry. A file
// they create has no byte-order mark.
void AppendPlainEntry(platform::Machine& machine, const std::optional<std::string>& folder,
                      std::string_view separator, std::string_view text) noexcept {
    try {
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
        (void)files.AppendBytes(platform::paths::Join(*folder, kDiagnosticsFileName), entry);
    } catch (...) {
        // The entry is lost; the caller is already dealing with an error.
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
    try {
        std::optional<std::string> folder = DataFolder(machine.environment());
        if (!folder) {
            return;
        }
        platform::Files& files = machine.files();
        if (!files.CreateFolderTree(*folder).ok()) {
            return;
        }
        std::string entry = Stamp(machine);
        entry += " : ";
        entry += message;
        entry += kCrLf;

        const std::string log = platform::paths::Join(*folder, kDiagnosticsFileName);
        base::Result<platform::FileInfo> info = files.ReadInfo(log);
        if (!info.ok() && info.error().kind != base::ErrorKind::NotFound) {
            // A log we cannot even look at is not one to start afresh with a
            // byte-order mark in the middle of it.
            return;
        }
        bool exists = info.ok();
        if (exists && info->length > kDiagnosticsRotateBytes) {
            const std::string previous =
                platform::paths::Join(*folder, kDiagnosticsPreviousFileName);
            if (!files.MoveReplace(log, previous).ok()) {
                return;
            }
            exists = false;
        }
        if (!exists) {
            // Only this writer marks a new file as UTF-8; the error writers
            // append plain bytes to whatever is there.
            entry.insert(0, base::kUtf8Bom);
        }
        (void)files.AppendBytes(log, entry);
    } catch (...) {
        // Never towards the caller: a lost entry must not become a new error.
    }
}

void WriteUiErrorEntry(platform::Machine& machine, std::string_view fullErrorText) noexcept {
    std::optional<std::string> folder;
    try {
        std::optional<std::string> local =
            machine.environment().KnownFolderPath(platform::KnownFolder::LocalAppData);
        if (local && !local->empty()) {
            folder = platform::paths::Join(*local, kDataFolderName);
        }
    } catch (...) {
        return;
    }
    AppendPlainEntry(machine, folder, " UI ERROR: ", fullErrorText);
}

void WriteStartupEntry(platform::Machine& machine, std::string_view fullErrorText) noexcept {
    std::optional<std::string> folder;
    try {
        folder = DataFolder(machine.environment());
    } catch (...) {
        return;
    }
    AppendPlainEntry(machine, folder, " STARTUP/EVENT: ", fullErrorText);
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
