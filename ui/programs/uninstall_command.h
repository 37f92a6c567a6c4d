#pragma once
// Which registered uninstall commands the product starts itself: a plain
// executable named by a full path, or the Windows Installer asked to remove
// a product by its code. Command interpreters, script hosts, rundll32,
// scripts, packages and shortcuts are left to Windows' own programs list.
// Nothing here starts anything.

#include "platform/environment.h"
#include "platform/files.h"

#include <optional>
#include <string>
#include <string_view>

namespace vexo::programs {

struct SplitCommand {
    std::string program;   // ends in ".exe", any letter case
    std::string arguments; // may be empty; holds no line feed
};

// Splits a command, surrounding whitespace trimmed, into its program and its
// arguments. Quoted: the program runs to the next quotation mark and ends in
// ".exe"; whitespace after it is skipped. Unquoted: the program is the
// shortest beginning ending in ".exe" followed by whitespace or the end, with
// no quotation mark. Neither form lets CR or LF into the program nor a line
// feed into the arguments. None when the command fits neither form.
std::optional<SplitCommand> SplitUninstallCommand(std::string_view command);

// The last component of a path, after its last backslash, slash or drive
// colon ("C:cmd.exe" names cmd.exe).
std::string_view FileNameOf(std::string_view path);

// Rooted: begins with a backslash or a slash, or has a colon second.
bool IsRootedPath(std::string_view path);

// True for cmd, powershell, pwsh, wscript, cscript and rundll32 (".exe"),
// compared as the file system compares names.
bool IsInterpreterName(std::string_view fileName);

enum class CommandRefusal { UnsupportedForm, Interpreter, UnsupportedMsi, NotRooted };

// The text the user and the log are given after the program's name.
const char* RefusalText(CommandRefusal refusal);

struct UninstallLaunch {
    std::string program; // rooted, expanded
    std::string arguments;
};

struct PreparedUninstall {
    std::optional<UninstallLaunch> launch;
    CommandRefusal refusal = CommandRefusal::UnsupportedForm; // when there is no launch
};

// The program to start for an entry's command, or why it is refused. The
// program's %NAME% references are expanded (the arguments stay as they are);
// a Windows Installer command with /I or /X and a braced product code becomes
// the Windows folder's msiexec with "/x {code}". An interpreter is refused in
// the spelling the file system gives the program too, so that its 8.3 alias
// ("POWERS~1.EXE") or a short folder name on the way does not get through,
// and a program that names a stream of another file ("cmd.exe:x.exe") is no
// program of its own.
PreparedUninstall PrepareUninstall(std::string_view command, platform::Environment& environment,
                                   platform::Files& files);

} // namespace vexo::programs
