#pragma once
// One installed program as its uninstall entry describes it.

#include <optional>
#include <string>

namespace vexo::programs {

struct AppEntry {
    std::string Name;      // DisplayName; never empty
    std::string Publisher; // empty when the entry names none
    // EstimatedSize in MB to one decimal; none when the size is missing or 0.
    std::optional<double> MB;
    std::string Command; // UninstallString as stored: not trimmed, not expanded
    bool Protected = false;
    // The entry's key spelt out from its hive
    // ("HKEY_CURRENT_USER\Software\...\Uninstall\Name"); it identifies the
    // entry for as long as the list lives.
    std::string Key;
};

} // namespace vexo::programs
