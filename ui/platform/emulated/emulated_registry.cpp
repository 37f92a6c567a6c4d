// The emulated machine's registry: one tree per hive, in memory, names
// matched ignoring case as Windows does.

#include "platform/emulated/state.h"
#include "platform/path_rules.h"
#include "platform/windows_errors.h"

#include <charconv>

namespace vexo::platform::emulated {

RegKey* FindKey(EmulatedMachine::State& state, Hive hive, const std::string& path, bool create) {
    RegKey* key = &state.hives[hive == Hive::LocalMachine ? 0 : 1];
    for (std::string_view name : paths::Names(path)) {
        auto it = key->subkeys.find(std::string(name));
        if (it == key->subkeys.end()) {
            if (!create) {
                return nullptr;
            }
            it = key->subkeys.emplace(name, std::make_unique<RegKey>()).first;
        }
        key = it->second.get();
    }
    return key;
}

namespace {

// The first denied key on the way to `path`, whether or not the rest exists.
bool Denied(EmulatedMachine::State& state, Hive hive, const std::string& path) {
    RegKey* key = &state.hives[hive == Hive::LocalMachine ? 0 : 1];
    for (std::string_view name : paths::Names(path)) {
        if (key->denied) {
            break;
        }
        auto it = key->subkeys.find(std::string(name));
        if (it == key->subkeys.end()) {
            return false;
        }
        key = it->second.get();
    }
    return key->denied;
}

class EmulatedRegistry final : public Registry {
public:
    explicit EmulatedRegistry(EmulatedMachine::State& state) : state_(state) {}

    bool KeyExists(Hive hive, const std::string& path) override {
        std::lock_guard lock(state_.mutex);
        return !Denied(state_, hive, path) && FindKey(state_, hive, path, false) != nullptr;
    }

    base::Result<std::vector<std::string>> SubKeys(Hive hive, const std::string& path) override {
        std::lock_guard lock(state_.mutex);
        base::Result<RegKey*> key = ExistingKey(hive, path);
        if (!key.ok()) {
            return key.error();
        }
        std::vector<std::string> names;
        for (const auto& entry : key.value()->subkeys) {
            names.push_back(entry.first);
        }
        return names;
    }

    base::Result<RegValue> ReadValue(Hive hive, const std::string& path,
                                     const std::string& name) override {
        std::lock_guard lock(state_.mutex);
        base::Result<RegKey*> key = ExistingKey(hive, path);
        if (!key.ok()) {
            return key.error();
        }
        auto it = key.value()->values.find(name);
        if (it == key.value()->values.end()) {
            return ErrorFromCode(win::kFileNotFound);
        }
        return it->second;
    }

    base::Status CreateKey(Hive hive, const std::string& path) override {
        std::lock_guard lock(state_.mutex);
        if (Denied(state_, hive, path)) {
            return ErrorFromCode(win::kAccessDenied);
        }
        FindKey(state_, hive, path, true);
        return {};
    }

    base::Status WriteValue(Hive hive, const std::string& path, const std::string& name,
                            const RegValue& value) override {
        std::lock_guard lock(state_.mutex);
        base::Result<RegKey*> key = ExistingKey(hive, path);
        if (!key.ok()) {
            return key.error();
        }
        key.value()->values[name] = value;
        return {};
    }

    base::Status DeleteKeyTree(Hive hive, const std::string& path) override {
        std::lock_guard lock(state_.mutex);
        if (Denied(state_, hive, path)) {
            return ErrorFromCode(win::kAccessDenied);
        }
        std::size_t cut = path.rfind('\\');
        std::string parentPath = cut == std::string::npos ? std::string() : path.substr(0, cut);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        if (name.empty()) {
            return ErrorFromCode(win::kAccessDenied); // a hive's root stays
        }
        if (RegKey* parent = FindKey(state_, hive, parentPath, false)) {
            parent->subkeys.erase(name);
        }
        return {};
    }

private:
    // The key at `path` as Windows would open it: refused at or below a
    // denied key, not found when a name on the way is missing. Under the lock.
    base::Result<RegKey*> ExistingKey(Hive hive, const std::string& path) {
        if (Denied(state_, hive, path)) {
            return ErrorFromCode(win::kAccessDenied);
        }
        RegKey* key = FindKey(state_, hive, path, false);
        if (key == nullptr) {
            return ErrorFromCode(win::kFileNotFound);
        }
        return key;
    }

    EmulatedMachine::State& state_;
};

// ---------------------------------------------------------------------------
// The text fixture

struct Parser {
    std::string_view text;
    std::size_t pos = 0;

    bool AtEnd() const { return pos >= text.size(); }
    bool Take(std::string_view token) {
        if (text.substr(pos, token.size()) == token) {
            pos += token.size();
            return true;
        }
        return false;
    }
    void SkipSpaces() {
        while (!AtEnd() && (text[pos] == ' ' || text[pos] == '\t')) {
            ++pos;
        }
    }
    std::optional<std::string> Quoted() {
        if (!Take("\"")) {
            return std::nullopt;
        }
        std::string out;
        while (!AtEnd()) {
            char c = text[pos++];
            if (c == '"') {
                return out;
            }
            if (c == '\\' && !AtEnd()) {
                c = text[pos++];
            }
            out += c;
        }
        return std::nullopt;
    }
    std::optional<std::uint64_t> Hex() {
        std::uint64_t value = 0;
        auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), value, 16);
        if (ec != std::errc() || end == text.data() + pos) {
            return std::nullopt;
        }
        pos = static_cast<std::size_t>(end - text.data());
        return value;
    }
};

std::optional<RegValue> ParseValue(Parser& p) {
    RegValue v;
    if (auto s = p.Quoted()) {
        return RegValue::Sz(*s);
    }
    if (p.Take("expand:")) {
        auto s = p.Quoted();
        return s ? std::optional(RegValue::ExpandSz(*s)) : std::nullopt;
    }
    if (p.Take("dword:")) {
        auto n = p.Hex();
        if (!n || *n > 0xFFFFFFFFu) {
            return std::nullopt;
        }
        return RegValue::Dword(static_cast<std::uint32_t>(*n));
    }
    if (p.Take("qword:")) {
        auto n = p.Hex();
        if (!n) {
            return std::nullopt;
        }
        v.type = RegType::Qword;
        v.number = *n;
        return v;
    }
    if (p.Take("hex:")) {
        v.type = RegType::Binary;
        while (!p.AtEnd()) {
            auto n = p.Hex();
            if (!n || *n > 0xFF) {
                return std::nullopt;
            }
            v.bytes += static_cast<char>(*n);
            if (!p.Take(",")) {
                break;
            }
        }
        return v;
    }
    if (p.Take("multi:")) {
        v.type = RegType::MultiString;
        while (!p.AtEnd()) {
            auto s = p.Quoted();
            if (!s) {
                return std::nullopt;
            }
            v.lines.push_back(*s);
            if (!p.Take(",")) {
                break;
            }
        }
        return v;
    }
    return std::nullopt;
}

} // namespace

std::unique_ptr<Registry> MakeRegistry(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedRegistry>(state);
}

base::Status EmulatedMachine::LoadRegistry(std::string_view text) {
    std::lock_guard lock(state_->mutex);
    RegKey* key = nullptr;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        auto fail = [&] {
            return base::Status(base::Error{base::ErrorKind::InvalidInput,
                                            "registry text, line " + std::to_string(lineNumber) +
                                                ": " + std::string(line)});
        };
        if (line.front() == '[') {
            if (line.back() != ']') {
                return fail();
            }
            std::string_view name = line.substr(1, line.size() - 2);
            std::size_t cut = name.find('\\');
            std::string_view hiveName = name.substr(0, cut);
            std::string path(cut == std::string_view::npos ? std::string_view()
                                                           : name.substr(cut + 1));
            Hive hive;
            if (base::EqualsIgnoreCase(hiveName, "HKLM") ||
                base::EqualsIgnoreCase(hiveName, "HKEY_LOCAL_MACHINE")) {
                hive = Hive::LocalMachine;
            } else if (base::EqualsIgnoreCase(hiveName, "HKCU") ||
                       base::EqualsIgnoreCase(hiveName, "HKEY_CURRENT_USER")) {
                hive = Hive::CurrentUser;
            } else {
                return fail();
            }
            key = FindKey(*state_, hive, path, true);
            continue;
        }
        if (key == nullptr) {
            return fail();
        }
        Parser p{line};
        std::string name;
        if (!p.Take("@")) {
            auto quoted = p.Quoted();
            if (!quoted) {
                return fail();
            }
            name = *quoted;
        }
        p.SkipSpaces();
        if (!p.Take("=")) {
            return fail();
        }
        p.SkipSpaces();
        auto value = ParseValue(p);
        p.SkipSpaces();
        if (!value || !p.AtEnd()) {
            return fail();
        }
        key->values[name] = *value;
    }
    return {};
}

} // namespace vexo::platform::emulated
