#pragma once
// Where Windows' own tools live and how the product starts them. The product
// repairs, restarts and cleans nothing itself: it hands these jobs to the
// programs Windows ships, found in the Windows folder the WINDIR variable
// names.

#include "platform/environment.h"
#include "platform/processes.h"

#include <string>
#include <string_view>

namespace vexo::tools {

// The Recycle Bin, opened by Explorer.
inline constexpr std::string_view kExplorer = "explorer.exe";
inline constexpr std::string_view kRecycleBinFolder = "shell:RecycleBinFolder";
// Disk Clean-up always asks for drive C:, the drive a user's profile and
// temporary files live on in a standard installation, whatever drive holds
// Windows.
inline constexpr std::string_view kCleanupArguments = "/d C";
inline constexpr std::string_view kNotepad = "notepad.exe";

// The restart in 60 seconds that Windows counts down and announces, and its
// cancellation.
inline constexpr std::string_view kRestartArguments = "/r /t 60";
inline constexpr std::string_view kCancelRestartArguments = "/a";

// The console skips AutoRun commands (/d), repairs the online image with
// DISM, runs the system file check only if DISM succeeded, and stays open
// (/k) so the user can read both results.
inline constexpr std::string_view kRepairArguments =
    "/d /k \"DISM.exe /Online /Cleanup-Image /RestoreHealth && sfc.exe /scannow\"";

// `name` in the Windows folder's System32 ("%WINDIR%\System32\name"). Without
// the variable the path is relative and the start fails with Windows' own
// message.
std::string System32Program(platform::Environment& environment, std::string_view name);

// shutdown.exe with `arguments`, without a console window of its own.
platform::ProcessLaunch ShutdownLaunch(platform::Environment& environment,
                                       std::string_view arguments);

// The elevated repair console: cmd.exe through the shell's "runas" verb (the
// elevation prompt), in System32, its process asked for. The shell shows no
// error box of its own: the section tells the failure in its words.
platform::ShellLaunch RepairLaunch(platform::Environment& environment,
                                   platform::NativeWindow owner);

} // namespace vexo::tools
