#pragma once
// Process environment, the shell's known folders and the user's regional
// settings.

#include "base/culture.h"

#include <optional>
#include <string>
#include <string_view>

namespace vexo::platform {

// The shell folders the product resolves (SHGetFolderPath CSIDL values on
// Windows, read as they currently are, never created).
enum class KnownFolder { Desktop, Documents, Pictures, Videos, Music, LocalAppData, Profile };

class Environment {
public:
    virtual ~Environment() = default;

    // A variable's value; none when it is unset. Names ignore case, as on
    // Windows.
    virtual std::optional<std::string> Get(const std::string& name) = 0;
    // Sets a variable for this process and the children it starts; none
    // removes it.
    virtual void Set(const std::string& name, const std::optional<std::string>& value) = 0;
    // Replaces every %NAME% reference to a set variable by its value; other
    // text, and references to unset variables, stay as they are.
    virtual std::string Expand(const std::string& text) = 0;

    // A known folder's current path; none when the shell reports no path.
    virtual std::optional<std::string> KnownFolderPath(KnownFolder folder) = 0;
    // The user's temporary folder, with its trailing backslash.
    virtual std::string TempPath() = 0;

    // Number and date conventions from the user's regional settings.
    virtual base::Culture UserCulture() = 0;
    // <0, 0 or >0 as `a` sorts before, with or after `b` in the user's
    // language, letter case ignored (the order of lists shown by name). The
    // emulated machine's language is fixed: ordinal ignore-case order.
    virtual int CompareInUserCulture(std::string_view a, std::string_view b) = 0;
};

} // namespace vexo::platform
