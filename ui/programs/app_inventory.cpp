#include "programs/app_inventory.h"

#include "base/culture.h"
#include "programs/protected_name.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vexo::programs {
namespace {

using platform::RegType;
using platform::RegValue;

std::string_view TrimAsciiSpace(std::string_view s) {
    auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!s.empty() && space(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && space(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// A decimal number in invariant spelling: optional sign, digits with an
// optional fraction, an optional exponent. No infinities, no NaN, no hex.
std::optional<double> ParseDecimal(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return std::nullopt;
        }
    }
    std::string_view body = digits;
    if (!body.empty() && body.front() == '-') {
        body.remove_prefix(1);
    }
    if (body.empty() ||
        !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.')) {
        return std::nullopt;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                     std::chars_format::general);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

const char* TypeWord(RegType type) {
    switch (type) {
    case RegType::Binary:
        return "raw bytes";
    case RegType::MultiString:
        return "a list of strings";
    case RegType::String:
    case RegType::ExpandString:
        return "text that is not a number";
    default:
        return "a value of an unknown type";
    }
}

class EntryReader {
public:
    EntryReader(platform::Registry& registry, platform::Hive hive, std::string path)
        : registry_(registry), hive_(hive), path_(std::move(path)) {}

    // Missing, or unreadable (the key vanished or is closed to us): none.
    std::optional<RegValue> Value(const char* name) {
        auto read = registry_.ReadValue(hive_, path_, name);
        if (!read.ok()) {
            return std::nullopt;
        }
        return std::move(read).value();
    }

    std::string Text(const char* name) {
        auto value = Value(name);
        return value ? TextOf(*value) : std::string();
    }

private:
    platform::Registry& registry_;
    platform::Hive hive_;
    std::string path_;
};

bool IsOne(const std::optional<RegValue>& value) {
    if (!value) {
        return false;
    }
    switch (value->type) {
    case RegType::Dword:
    case RegType::Qword:
        return value->number == 1;
    case RegType::String:
    case RegType::ExpandString:
        return value->text == "1";
    default:
        return false;
    }
}

// One subkey: a record, nothing (skipped), or an error text.
void ReadEntry(platform::Registry& registry, const UninstallLocation& location,
               const std::string& subkey, Inventory& out) {
    const std::string path = std::string(location.path) + "\\" + subkey;
    EntryReader reader(registry, location.hive, path);
    std::string name = reader.Text("DisplayName");
    if (name.empty() || IsOne(reader.Value("SystemComponent")) ||
        !reader.Text("ParentKeyName").empty()) {
        return;
    }
    const std::string key = std::string(location.hiveName) + "\\" + path;
    std::optional<double> mb;
    if (auto size = reader.Value("EstimatedSize")) {
        std::optional<double> kilobytes = KilobytesOf(*size);
        if (!kilobytes) {
            out.errors.push_back(key + ": EstimatedSize could not be read as a number (" +
                                 TypeWord(size->type) + ")");
            return;
        }
        if (*kilobytes != 0) {
            mb = MegabytesOfKilobytes(*kilobytes);
        }
    }
    out.entries.push_back(AppEntry{
        .Name = name,
        .Publisher = reader.Text("Publisher"),
        .MB = mb,
        .Command = reader.Text("UninstallString"),
        .Protected = IsProtectedName(name),
        .Key = key,
    });
}

} // namespace

std::string TextOf(const RegValue& value) {
    switch (value.type) {
    case RegType::String:
    case RegType::ExpandString:
        return value.text;
    case RegType::Dword:
    case RegType::Qword:
        return std::to_string(value.number);
    case RegType::MultiString: {
        std::string joined;
        for (std::size_t i = 0; i < value.lines.size(); ++i) {
            joined += i == 0 ? "" : " ";
            joined += value.lines[i];
        }
        return joined;
    }
    case RegType::Binary:
    case RegType::Other: {
        std::string joined;
        for (std::size_t i = 0; i < value.bytes.size(); ++i) {
            joined += i == 0 ? "" : " ";
            joined += std::to_string(static_cast<unsigned char>(value.bytes[i]));
        }
        return joined;
    }
    }
    return {};
}

std::optional<double> KilobytesOf(const RegValue& value) {
    switch (value.type) {
    case RegType::Dword:
    case RegType::Qword:
        return static_cast<double>(value.number);
    case RegType::String:
    case RegType::ExpandString: {
        std::string_view text = TrimAsciiSpace(value.text);
        return text.empty() ? std::optional<double>(0) : ParseDecimal(text);
    }
    default:
        return std::nullopt;
    }
}

double MegabytesOfKilobytes(double kilobytes) {
    return base::RoundHalfEven(kilobytes / 1024.0, 1);
}

CultureCompare UserCultureOrder(platform::Environment& environment) {
    return [&environment](std::string_view a, std::string_view b) {
        return environment.CompareInUserCulture(a, b);
    };
}

Inventory AppInventory(platform::Registry& registry, const CultureCompare& compare) {
    Inventory out;
    for (const UninstallLocation& location : kUninstallLocations) {
        auto subkeys = registry.SubKeys(location.hive, location.path);
        if (!subkeys.ok()) {
            continue;
        }
        for (const std::string& subkey : subkeys.value()) {
            ReadEntry(registry, location, subkey, out);
        }
    }
    std::stable_sort(out.entries.begin(), out.entries.end(),
                     [&compare](const AppEntry& a, const AppEntry& b) {
                         int byName = compare(a.Name, b.Name);
                         return byName != 0 ? byName < 0 : compare(a.Key, b.Key) < 0;
                     });
    return out;
}

} // namespace vexo::programs
