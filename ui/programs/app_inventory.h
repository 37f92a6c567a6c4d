#pragma once
// The classic installed programs: every entry under the three uninstall keys
// (the machine's 64-bit and 32-bit programs, then the user's own), without
// the system's components and the updates of other entries, sorted by name.
// It only reads; it may run on any thread.

#include "platform/environment.h"
#include "platform/registry.h"
#include "programs/app_entry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::programs {

struct UninstallLocation {
    platform::Hive hive;
    const char* path;
    const char* hiveName; // as the entry's Key spells it
};

// In the order they are read.
inline constexpr UninstallLocation kUninstallLocations[] = {
    {platform::Hive::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "HKEY_LOCAL_MACHINE"},
    {platform::Hive::LocalMachine,
     "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "HKEY_LOCAL_MACHINE"},
    {platform::Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "HKEY_CURRENT_USER"},
};

struct Inventory {
    std::vector<AppEntry> entries; // sorted by Name, then Key
    // One text per entry left out because a value could not be read as
    // what it must be; empty in the normal case.
    std::vector<std::string> errors;
};

// <0, 0 or >0 as `a` sorts before, with or after `b` in the user's culture,
// letter case ignored.
using CultureCompare = std::function<int(std::string_view a, std::string_view b)>;

// The environment's comparison in the user's language; `environment` must
// outlive it.
CultureCompare UserCultureOrder(platform::Environment& environment);

// Reads every location. A location or an entry that cannot be opened gives
// nothing and no error. Anything thrown (out of memory) reaches the caller:
// the run failed as a whole.
Inventory AppInventory(platform::Registry& registry, const CultureCompare& compare);

// EstimatedSize (kilobytes) as MB rounded to one decimal, halves to the even
// tenth (256 KB is 0.2 MB, 768 KB 0.8 MB).
double MegabytesOfKilobytes(double kilobytes);

// The EstimatedSize value as a number of kilobytes: a DWORD or QWORD, or a
// text that is a decimal number (surrounding whitespace allowed). None for
// raw bytes, a list of strings or text that is no number. Empty text, or
// only whitespace, counts as 0: no size given.
std::optional<double> KilobytesOf(const platform::RegValue& value);

// A value read as text: strings as stored (not expanded), numbers in
// decimal, a list's lines joined by spaces, raw bytes as their decimal
// numbers joined by spaces.
std::string TextOf(const platform::RegValue& value);

} // namespace vexo::programs
