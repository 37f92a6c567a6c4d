// One uninstall entry as another program, or a hand edit, may have left it:
// any of its values missing or of any type, any bytes in them. The inventory
// gives at most one record or one error text for it and never both; a
// record's name is the non-empty DisplayName. Then its command, as the queue
// would take it: whatever the rules accept is a rooted program ending in
// ".exe" (no script, package or shortcut), not an interpreter, script host or
// rundll32 by any spelling the file system takes, and nothing but the
// Windows folder's msiexec with "/x {code}" when the command named msiexec.
//
// Input: the first byte picks the location (0, 1, 2 modulo 3). The rest is
// split at 0x1E into the values DisplayName, Publisher, EstimatedSize,
// UninstallString, SystemComponent, ParentKeyName, in that order. Each
// value's first byte is its type ('s' text, 'e' expandable text, 'd' DWORD,
// 'q' QWORD, 'b' raw bytes, 'm' lines split at LF; anything else: missing);
// numbers are the bytes after it, little-endian.

#include "base/ordinal.h"
#include "fuzz/fuzz_abort.h"
#include "platform/emulated/emulated_machine.h"
#include "programs/app_inventory.h"
#include "programs/uninstall_command.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using vexo::platform::Hive;
using vexo::platform::RegType;
using vexo::platform::RegValue;
namespace programs = vexo::programs;

constexpr const char* kValueNames[] = {"DisplayName",     "Publisher",       "EstimatedSize",
                                       "UninstallString", "SystemComponent", "ParentKeyName"};
constexpr const char* kWindows = "C:\\Windows";

vexo::platform::emulated::EmulatedMachine& Machine() {
    static auto* machine = [] {
        auto* m = new vexo::platform::emulated::EmulatedMachine();
        m->SetEnv("SystemRoot", kWindows)
            .SetEnv("WINDIR", kWindows)
            .SetEnv("ComSpec", "C:\\Windows\\system32\\cmd.exe")
            .SetEnv("ProgramFiles", "C:\\Program Files")
            .SetEnv("Shell", "C:\\Windows\\System32\\cmd")
            .SetEnv("Wrapped", "C:\\Windows\\System32\\cmd.exe /c C:\\x")
            .SetEnv("Quote", "C:\\a\" /S \"C:\\b")
            .SetEnv("Break", "C:\\a\r\nC:\\b")
            .SetEnv("Relative", "tools");
        return m;
    }();
    return *machine;
}

std::uint64_t LittleEndian(std::string_view bytes, std::size_t width) {
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < bytes.size() && i < width; ++i) {
        n |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return n;
}

std::optional<RegValue> ValueOf(std::string_view field) {
    if (field.empty()) {
        return std::nullopt;
    }
    const char type = field.front();
    const std::string_view data = field.substr(1);
    RegValue v;
    switch (type) {
    case 's':
        return RegValue::Sz(std::string(data));
    case 'e':
        return RegValue::ExpandSz(std::string(data));
    case 'd':
        return RegValue::Dword(static_cast<std::uint32_t>(LittleEndian(data, 4)));
    case 'q':
        v.type = RegType::Qword;
        v.number = LittleEndian(data, 8);
        return v;
    case 'b':
        v.type = RegType::Binary;
        v.bytes = std::string(data);
        return v;
    case 'm': {
        v.type = RegType::MultiString;
        std::size_t start = 0;
        for (std::size_t cut; (cut = data.find('\n', start)) != std::string_view::npos;
             start = cut + 1) {
            v.lines.emplace_back(data.substr(start, cut - start));
        }
        v.lines.emplace_back(data.substr(start));
        return v;
    }
    default:
        return std::nullopt;
    }
}

bool EndsInExe(const std::string& program) {
    return program.size() > 4 && vexo::base::EndsWithIgnoreCase(program, ".exe");
}

// The judge's own reading of an accepted launch.
void CheckLaunch(std::string_view input, const std::string& command,
                 const programs::UninstallLaunch& launch) {
    const std::string& program = launch.program;
    const std::string detail = program + " | " + launch.arguments;
    if (!programs::IsRootedPath(program)) {
        vexo::fuzz::Violation("an accepted program is rooted", input, detail);
    }
    if (!EndsInExe(program)) {
        vexo::fuzz::Violation("an accepted program ends in .exe", input, detail);
    }
    if (program.find_first_of("\"\r\n") != std::string::npos ||
        launch.arguments.find('\n') != std::string::npos) {
        vexo::fuzz::Violation("no quotation mark or line break in the program, no line feed in "
                              "the arguments",
                              input, detail);
    }
    // A colon only as a drive's, after a device prefix of four characters or none.
    for (std::size_t colon = program.find(':'); colon != std::string::npos;
         colon = program.find(':', colon + 1)) {
        const bool afterDevicePrefix = colon == 5 && (program[0] == '\\' || program[0] == '/') &&
                                       (program[3] == '\\' || program[3] == '/');
        if (colon != 1 && !afterDevicePrefix) {
            vexo::fuzz::Violation("an accepted program names no stream", input, detail);
        }
    }
    // The file the program names, by its last component.
    std::size_t cut = program.find_last_of("\\/:");
    std::string name = cut == std::string::npos ? program : program.substr(cut + 1);
    if (programs::IsInterpreterName(name)) {
        vexo::fuzz::Violation("an accepted program is no interpreter", input, detail);
    }
    const bool msiexec = vexo::base::EqualsIgnoreCase(name, "msiexec.exe");
    if (msiexec && (program != std::string(kWindows) + "\\System32\\msiexec.exe" ||
                    launch.arguments.size() != 41 || launch.arguments.rfind("/x {", 0) != 0)) {
        vexo::fuzz::Violation("msiexec runs only from the Windows folder with /x {code}", input,
                              detail);
    }
    auto split = programs::SplitUninstallCommand(command);
    if (!split) {
        vexo::fuzz::Violation("an accepted command fits one of the two forms", input, detail);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string input(reinterpret_cast<const char*>(data), size);
    const programs::UninstallLocation& location = programs::kUninstallLocations[data[0] % 3];
    auto& machine = Machine();
    (void)machine.registry().DeleteKeyTree(location.hive, location.path);
    const std::string key = std::string(location.path) + "\\Entry";
    machine.AddKey(location.hive, key);

    std::vector<std::string_view> fields;
    std::string_view rest = std::string_view(input).substr(1);
    for (std::size_t cut; fields.size() < 5 && (cut = rest.find('\x1E')) != rest.npos;) {
        fields.push_back(rest.substr(0, cut));
        rest.remove_prefix(cut + 1);
    }
    fields.push_back(rest);
    std::optional<RegValue> values[6];
    for (std::size_t i = 0; i < fields.size(); ++i) {
        values[i] = ValueOf(fields[i]);
        if (values[i]) {
            machine.SetValue(location.hive, key, kValueNames[i], *values[i]);
        }
    }

    vexo::platform::Environment& env = machine.environment();
    programs::Inventory inventory =
        programs::AppInventory(machine.registry(), programs::UserCultureOrder(env));
    (void)machine.registry().DeleteKeyTree(location.hive, location.path);
    if (inventory.entries.size() + inventory.errors.size() > 1) {
        vexo::fuzz::Violation("one entry gives one record or one error text at most", input);
    }
    if (!inventory.entries.empty()) {
        const programs::AppEntry& entry = inventory.entries.front();
        if (entry.Name.empty() || !values[0] || entry.Name != programs::TextOf(*values[0])) {
            vexo::fuzz::Violation("a record's name is the entry's non-empty DisplayName", input,
                                  entry.Name);
        }
        if (entry.Key != std::string(location.hiveName) + "\\" + key) {
            vexo::fuzz::Violation("a record's key is its full path", input, entry.Key);
        }
        const std::optional<RegValue>& estimated = values[2];
        if (estimated &&
            (estimated->type == RegType::Binary || estimated->type == RegType::MultiString)) {
            vexo::fuzz::Violation("a size of raw bytes or lines leaves the entry out", input);
        }
    }

    // The command as the queue takes it; with no record, the raw text.
    std::string command = !inventory.entries.empty() ? inventory.entries.front().Command
                          : values[3]                ? programs::TextOf(*values[3])
                                                     : std::string(rest);
    programs::PreparedUninstall prepared =
        programs::PrepareUninstall(command, env, machine.files());
    if (prepared.launch) {
        CheckLaunch(input, command, *prepared.launch);
    }
    return 0;
}
