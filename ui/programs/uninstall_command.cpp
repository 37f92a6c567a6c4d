#include "programs/uninstall_command.h"

#include "base/ordinal.h"
#include "base/utf.h"
#include "platform/path_rules.h"

#include <algorithm>

namespace vexo::programs {
namespace {

// Whitespace as the system's own trimming and pattern searches know it:
// the ASCII controls tab to carriage return, the next-line control and
// every Unicode space, line and paragraph separator.
bool IsWhiteSpace(char32_t c) {
    return c == U' ' || (c >= U'\t' && c <= U'\r') || c == U'\u0085' || c == U'\u00A0' ||
           c == U'\u1680' || (c >= U'\u2000' && c <= U'\u200A') || c == U'\u2028' ||
           c == U'\u2029' || c == U'\u202F' || c == U'\u205F' || c == U'\u3000';
}

// The length in bytes of the whitespace that begins `s`.
std::size_t LeadingWhiteSpace(std::string_view s) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        std::size_t next = pos;
        if (!IsWhiteSpace(base::DecodeUtf8(s, next))) {
            break;
        }
        pos = next;
    }
    return pos;
}

// The byte offset where the whitespace that ends `s` begins.
std::size_t TrailingWhiteSpaceStart(std::string_view s) {
    std::size_t end = 0;
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (!IsWhiteSpace(base::DecodeUtf8(s, pos))) {
            end = pos;
        }
    }
    return end;
}

std::string_view Trim(std::string_view s) {
    s.remove_prefix(LeadingWhiteSpace(s));
    return s.substr(0, TrailingWhiteSpaceStart(s));
}

// At least one character before ".exe" in any letter case. No character
// outside ASCII upper-cases to E or X, so the last four bytes decide.
bool EndsInExe(std::string_view program) {
    if (program.size() <= 4) {
        return false;
    }
    std::string_view tail = program.substr(program.size() - 4);
    auto is = [](char c, char lower) { return c == lower || c == lower - 'a' + 'A'; };
    return tail[0] == '.' && is(tail[1], 'e') && is(tail[2], 'x') && is(tail[3], 'e');
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::optional<SplitCommand> SplitQuoted(std::string_view command) {
    std::size_t close = command.find('"', 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view program = command.substr(1, close - 1);
    std::string_view rest = command.substr(close + 1);
    rest.remove_prefix(LeadingWhiteSpace(rest));
    if (!EndsInExe(program) || HasLineBreak(program) || rest.find('\n') != std::string_view::npos) {
        return std::nullopt;
    }
    return SplitCommand{std::string(program), std::string(rest)};
}

std::optional<SplitCommand> SplitUnquoted(std::string_view command) {
    // No beginning may run past a quotation mark or a line break.
    const std::size_t limit = std::min(command.size(), command.find_first_of("\"\r\n"));
    for (std::size_t end = 4; end <= limit; ++end) {
        std::string_view program = command.substr(0, end);
        if (!EndsInExe(program)) {
            continue;
        }
        std::string_view rest = command.substr(end);
        std::size_t gap = LeadingWhiteSpace(rest);
        if (!rest.empty() && gap == 0) {
            continue;
        }
        rest.remove_prefix(gap);
        if (rest.find('\n') != std::string_view::npos) {
            return std::nullopt;
        }
        return SplitCommand{std::string(Trim(program)), std::string(rest)};
    }
    return std::nullopt;
}

// An expanded program still has to read as one: a variable's value may not
// bring in a quotation mark, a line break or a different ending.
bool StillOneProgram(std::string_view program) {
    return EndsInExe(program) && program.find_first_of("\"\r\n") == std::string_view::npos;
}

// True when the program, or any part of it up to an ".exe" followed by
// whitespace, names an interpreter: a variable's value such as
// "C:\Windows\System32\cmd.exe /c ..." must not reach the shell, which could
// read it as that program with arguments.
bool ReachesInterpreter(std::string_view program) {
    if (IsInterpreterName(FileNameOf(program))) {
        return true;
    }
    for (std::size_t end = 4; end < program.size(); ++end) {
        std::string_view head = program.substr(0, end);
        std::string_view rest = program.substr(end);
        if (EndsInExe(head) && LeadingWhiteSpace(rest) > 0 && IsInterpreterName(FileNameOf(head))) {
            return true;
        }
    }
    return false;
}

// A colon after the drive's own ("C:\u.exe:hidden.exe", "\\?\C:\u.exe:x.exe")
// names a stream of another file, not a program of its own.
bool NamesAStream(std::string_view program) {
    std::string_view path = program;
    if (platform::paths::IsDeviceForm(path) && path.size() >= 4) {
        path.remove_prefix(4);
    }
    for (std::size_t colon = path.find(':'); colon != std::string_view::npos;
         colon = path.find(':', colon + 1)) {
        if (colon != 1) {
            return true;
        }
    }
    return false;
}

bool IsAsciiHexOrHyphen(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '-';
}

// The braced product code after the first "/i" or "/x" (any case, optional
// whitespace between) that is followed by one, as found.
std::optional<std::string> ProductCodeOf(std::string_view arguments) {
    constexpr std::size_t kCodeLength = 36;
    for (std::size_t slash = arguments.find('/'); slash != std::string_view::npos;
         slash = arguments.find('/', slash + 1)) {
        if (slash + 1 >= arguments.size()) {
            break;
        }
        char option = arguments[slash + 1];
        if (option != 'i' && option != 'I' && option != 'x' && option != 'X') {
            continue;
        }
        std::string_view rest = arguments.substr(slash + 2);
        rest.remove_prefix(LeadingWhiteSpace(rest));
        if (rest.size() < kCodeLength + 2 || rest.front() != '{' || rest[kCodeLength + 1] != '}') {
            continue;
        }
        std::string_view code = rest.substr(0, kCodeLength + 2);
        bool hex = true;
        for (char c : code.substr(1, kCodeLength)) {
            hex = hex && IsAsciiHexOrHyphen(c);
        }
        if (hex) {
            return std::string(code);
        }
    }
    return std::nullopt;
}

PreparedUninstall Refused(CommandRefusal refusal) {
    return PreparedUninstall{std::nullopt, refusal};
}

} // namespace

std::optional<SplitCommand> SplitUninstallCommand(std::string_view command) {
    command = Trim(command);
    if (command.empty()) {
        return std::nullopt;
    }
    return command.front() == '"' ? SplitQuoted(command) : SplitUnquoted(command);
}

std::string_view FileNameOf(std::string_view path) {
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool IsRootedPath(std::string_view path) {
    return (!path.empty() && (path.front() == '\\' || path.front() == '/')) ||
           (path.size() >= 2 && path[1] == ':');
}

bool IsInterpreterName(std::string_view fileName) {
    for (std::string_view interpreter :
         {"cmd.exe", "powershell.exe", "pwsh.exe", "wscript.exe", "cscript.exe", "rundll32.exe"}) {
        if (base::EqualsIgnoreCase(fileName, interpreter)) {
            return true;
        }
    }
    return false;
}

const char* RefusalText(CommandRefusal refusal) {
    switch (refusal) {
    case CommandRefusal::UnsupportedForm:
        return "صيغة الإزالة غير مدعومة؛ استخدم قائمة ويندوز لهذا البرنامج";
    case CommandRefusal::Interpreter:
        return "يتطلب الإزالة من قائمة ويندوز";
    case CommandRefusal::UnsupportedMsi:
        return "أمر MSI غير مدعوم";
    case CommandRefusal::NotRooted:
        return "مسار إزالة غير كامل؛ استخدم قائمة ويندوز";
    }
    return "";
}

PreparedUninstall PrepareUninstall(std::string_view command, platform::Environment& environment,
                                   platform::Files& files) {
    std::optional<SplitCommand> split = SplitUninstallCommand(command);
    if (!split) {
        return Refused(CommandRefusal::UnsupportedForm);
    }
    std::string program = environment.Expand(split->program);
    if (!StillOneProgram(program)) {
        return Refused(CommandRefusal::UnsupportedForm);
    }
    if (ReachesInterpreter(program)) {
        return Refused(CommandRefusal::Interpreter);
    }
    if (auto longPath = files.LongPath(program); longPath.ok() && ReachesInterpreter(*longPath)) {
        return Refused(CommandRefusal::Interpreter);
    }
    if (base::EqualsIgnoreCase(FileNameOf(program), "msiexec.exe")) {
        std::optional<std::string> code = ProductCodeOf(split->arguments);
        if (!code) {
            return Refused(CommandRefusal::UnsupportedMsi);
        }
        std::string windows = environment.Get("WINDIR").value_or("");
        if (!IsRootedPath(windows)) {
            return Refused(CommandRefusal::NotRooted); // never a msiexec found by chance
        }
        if (windows.back() != '\\' && windows.back() != '/') {
            windows += '\\';
        }
        return PreparedUninstall{UninstallLaunch{windows + "System32\\msiexec.exe", "/x " + *code},
                                 {}};
    }
    if (!IsRootedPath(program)) {
        return Refused(CommandRefusal::NotRooted);
    }
    if (NamesAStream(program)) {
        return Refused(CommandRefusal::UnsupportedForm);
    }
    return PreparedUninstall{UninstallLaunch{std::move(program), std::move(split->arguments)}, {}};
}

} // namespace vexo::programs
