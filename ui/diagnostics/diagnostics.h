#pragma once
// The diagnostics log, Diagnostics.txt in the data folder: the one place where
// the application writes down what went wrong so that a person can read it
// later (the user is pointed to it by many messages). Three writers append to
// it, each with its own line and encoding:
//   - WriteDriveDiagnostic, for errors a step has handled itself; the only one
//     that rotates the log and the only one that begins a new file with a
//     byte-order mark;
//   - the unhandled-error entry (" UI ERROR: ") and the start-up entry
//     (" STARTUP/EVENT: "), written before their message boxes are shown.
// None of them ever fails towards its caller: an entry that meets a missing
// variable, a locked file or a full disk is lost, and the caller goes on.
// All of them run on the UI thread only.

#include "platform/environment.h"
#include "platform/machine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexo::diagnostics {

// Where every record of the application lives: %LOCALAPPDATA%\VexoTolvik.
inline constexpr std::string_view kDataFolderName = "VexoTolvik";
inline constexpr std::string_view kDiagnosticsFileName = "Diagnostics.txt";
inline constexpr std::string_view kDiagnosticsPreviousFileName = "Diagnostics.previous.txt";
// A log above this size is moved aside before the next ordinary entry, so at
// most two generations of about 512 KiB each exist.
inline constexpr std::int64_t kDiagnosticsRotateBytes = 524288;

// The data folder from the LOCALAPPDATA variable as it is now; none when the
// variable is unset or empty (then nothing can be recorded).
std::optional<std::string> DataFolder(platform::Environment& environment);

// Appends "<local time> : <message>" and CR LF, rotating the log first when
// it has grown past the threshold. Creates the data folder when missing.
void WriteDriveDiagnostic(platform::Machine& machine, std::string_view message) noexcept;

// The log side of the unhandled-error capture: "<local time> UI ERROR: <full
// error text>" and CR LF, without byte-order mark and without rotation. The
// folder comes from the shell's known local application-data folder.
void WriteUiErrorEntry(platform::Machine& machine, std::string_view fullErrorText) noexcept;

// The log side of the start-up trap: "<local time> STARTUP/EVENT: <full error
// text>" and CR LF, without byte-order mark and without rotation.
void WriteStartupEntry(platform::Machine& machine, std::string_view fullErrorText) noexcept;

// The texts of the two message boxes that follow those entries. The UI error
// shows the error's short message only; the start-up trap shows the full text.
inline constexpr std::string_view kUiErrorCaption = "VEXO SOLVANE";
inline constexpr std::string_view kUiErrorLead =
    "توقفت الواجهة بسبب خطأ. أغلقنا التطبيق لمنع استمرار عملية غير واضحة. التفاصيل في سجل "
    "التشخيص.";
inline constexpr std::string_view kStartupErrorCaption = "Vexo — خطأ واضح";
inline constexpr std::string_view kStartupErrorLead =
    "تعذر إكمال العملية. التفاصيل محفوظة في سجل التشخيص.";

std::string UiErrorMessageText(std::string_view errorMessage);
std::string StartupErrorMessageText(std::string_view fullErrorText);

} // namespace vexo::diagnostics
