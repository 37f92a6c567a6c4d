#pragma once
// The registry, always in its 64-bit view, so HKLM\SOFTWARE and
// HKLM\SOFTWARE\WOW6432Node are both reached by their own names.

#include "base/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexo::platform {

enum class Hive { LocalMachine, CurrentUser };

enum class RegType { String, ExpandString, Dword, Qword, Binary, MultiString, Other };

struct RegValue {
    RegType type = RegType::String;
    std::string text;               // String, ExpandString (unexpanded)
    std::vector<std::string> lines; // MultiString
    std::uint64_t number = 0;       // Dword, Qword
    std::string bytes;              // Binary, Other: the raw data

    static RegValue Sz(std::string value) { return {RegType::String, std::move(value), {}, 0, {}}; }
    static RegValue ExpandSz(std::string value) {
        return {RegType::ExpandString, std::move(value), {}, 0, {}};
    }
    static RegValue Dword(std::uint32_t value) { return {RegType::Dword, {}, {}, value, {}}; }
};

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool KeyExists(Hive hive, const std::string& path) = 0;
    // Names of the key's direct subkeys; NotFound when the key is missing.
    virtual base::Result<std::vector<std::string>> SubKeys(Hive hive, const std::string& path) = 0;
    // A value ("" names the default value); NotFound for a missing key or value.
    virtual base::Result<RegValue> ReadValue(Hive hive, const std::string& path,
                                             const std::string& name) = 0;

    virtual base::Status CreateKey(Hive hive, const std::string& path) = 0;
    virtual base::Status WriteValue(Hive hive, const std::string& path, const std::string& name,
                                    const RegValue& value) = 0;
    // Deletes the key with everything below it; a missing key is not an error.
    virtual base::Status DeleteKeyTree(Hive hive, const std::string& path) = 0;
};

} // namespace vexo::platform
