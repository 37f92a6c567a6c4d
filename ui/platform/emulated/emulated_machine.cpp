// The emulated machine's description and records.

#include "platform/emulated/emulated_machine.h"

#include "platform/emulated/state.h"
#include "platform/path_rules.h"
#include "platform/windows_errors.h"

namespace vexo::platform::emulated {
namespace fs = std::filesystem;

EmulatedMachine::State::State(EmulatedMachine& owner) : machine(owner) {
    utcNow = base::FileTimeFromParts({2024, 1, 1, 0, 0, 0, 0});
    files = MakeFiles(*this);
    volumes = MakeVolumes(*this);
    environment = MakeEnvironment(*this);
    registry = MakeRegistry(*this);
    processes = MakeProcesses(*this);
    recycleBin = MakeRecycleBin(*this);
    http = MakeHttp(*this);
    clock = MakeClock(*this);
}

EmulatedMachine::State::~State() = default;

EmulatedMachine::EmulatedMachine() : state_(std::make_unique<State>(*this)) {}
EmulatedMachine::~EmulatedMachine() = default;

namespace {

// The key under which a path's marks are kept: its full path without
// trailing backslashes, so "C:\A\" and "c:\a" name the same entry.
std::string KeyOf(const std::string& path, const std::string& cwd) {
    auto full = paths::FullPath(path, cwd);
    return std::string(paths::TrimTrailingBackslashes(full ? *full : path));
}

// A fault's pattern: a plain path is kept by its full path, as marks are;
// a wildcard one as given, since the path rules refuse '*' in a name.
std::string PatternKeyOf(const std::string& pattern, const std::string& cwd) {
    if (pattern.find('*') != std::string::npos) {
        return std::string(paths::TrimTrailingBackslashes(pattern));
    }
    return KeyOf(pattern, cwd);
}

} // namespace

// ---------------------------------------------------------------------------
// Files and drives

EmulatedMachine& EmulatedMachine::MapDrive(char letter, const fs::path& hostFolder,
                                           DriveDescription description) {
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    std::lock_guard lock(state_->mutex);
    state_->drives[letter] = Drive{hostFolder, std::move(description)};
    return *this;
}

EmulatedMachine& EmulatedMachine::SetCurrentDirectory(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    state_->currentDirectory = KeyOf(path, state_->currentDirectory);
    if (state_->currentDirectory.size() == 2) {
        state_->currentDirectory += '\\';
    }
    return *this;
}

EmulatedMachine& EmulatedMachine::MarkAttributes(const std::string& path, std::uint32_t bits) {
    std::lock_guard lock(state_->mutex);
    state_->extraAttributes[KeyOf(path, state_->currentDirectory)] |= bits;
    return *this;
}

EmulatedMachine& EmulatedMachine::MarkUnreadable(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    state_->unreadable[KeyOf(path, state_->currentDirectory)] = true;
    return *this;
}

EmulatedMachine& EmulatedMachine::FailListingAfter(const std::string& folder, int entries,
                                                   base::ErrorKind kind) {
    std::lock_guard lock(state_->mutex);
    state_->listingFailures[KeyOf(folder, state_->currentDirectory)] = {entries, kind};
    return *this;
}

EmulatedMachine& EmulatedMachine::FailOperation(const std::string& pattern, FileOp op,
                                                base::ErrorKind kind) {
    return FailOperation(pattern, op, TypicalCodeOf(kind));
}

EmulatedMachine& EmulatedMachine::FailOperation(const std::string& pattern, FileOp op,
                                                std::uint32_t windowsCode) {
    std::lock_guard lock(state_->mutex);
    state_->faults.push_back({.pattern = PatternKeyOf(pattern, state_->currentDirectory),
                              .op = op,
                              .error = ErrorFromCode(windowsCode),
                              .room = std::nullopt});
    return *this;
}

EmulatedMachine& EmulatedMachine::FillDiskAt(const std::string& pattern, std::int64_t bytes) {
    std::lock_guard lock(state_->mutex);
    state_->faults.push_back({.pattern = PatternKeyOf(pattern, state_->currentDirectory),
                              .op = FileOp::Write,
                              .error = ErrorFromCode(win::kDiskFull),
                              .room = bytes});
    return *this;
}

EmulatedMachine& EmulatedMachine::LockFile(const std::string& pattern) {
    for (FileOp op : {FileOp::Read, FileOp::Write, FileOp::Flush, FileOp::Move, FileOp::Remove}) {
        FailOperation(pattern, op, win::kSharingViolation);
    }
    return *this;
}

EmulatedMachine& EmulatedMachine::UnlockFile(const std::string& pattern) {
    std::lock_guard lock(state_->mutex);
    const std::string key = PatternKeyOf(pattern, state_->currentDirectory);
    const std::string lockText = WindowsErrorText(win::kSharingViolation);
    std::erase_if(state_->faults, [&](const FileFault& fault) {
        return fault.pattern == key && fault.error.message == lockText;
    });
    return *this;
}

EmulatedMachine& EmulatedMachine::ClearFaults() {
    std::lock_guard lock(state_->mutex);
    state_->faults.clear();
    return *this;
}

EmulatedMachine& EmulatedMachine::AddShortName(const std::string& path,
                                               const std::string& shortName) {
    auto where = state_->Resolve(path);
    if (where) {
        std::lock_guard lock(state_->mutex);
        state_->shortNames[FolderKey(where->host.parent_path())].emplace_back(
            shortName, where->host.filename().string());
    }
    return *this;
}

std::optional<fs::path> EmulatedMachine::HostPathOf(const std::string& path) {
    auto where = state_->Resolve(path);
    if (!where) {
        return std::nullopt;
    }
    return where->host;
}

// ---------------------------------------------------------------------------
// Environment

EmulatedMachine& EmulatedMachine::SetEnv(const std::string& name,
                                         const std::optional<std::string>& value) {
    state_->environment->Set(name, value);
    return *this;
}

EmulatedMachine& EmulatedMachine::SetKnownFolder(KnownFolder folder,
                                                 const std::optional<std::string>& path) {
    std::lock_guard lock(state_->mutex);
    state_->knownFolders[folder] = path;
    return *this;
}

EmulatedMachine& EmulatedMachine::SetCulture(const base::Culture& culture) {
    std::lock_guard lock(state_->mutex);
    state_->culture = culture;
    return *this;
}

EmulatedMachine& EmulatedMachine::WithUserProfile(const std::string& userName) {
    const std::string profile = "C:\\Users\\" + userName;
    const std::string local = profile + "\\AppData\\Local";
    const struct {
        const char* name;
        std::string value;
    } variables[] = {
        {"SystemDrive", "C:"},
        {"SystemRoot", "C:\\Windows"},
        {"windir", "C:\\Windows"},
        {"ProgramFiles", "C:\\Program Files"},
        {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
        {"ProgramData", "C:\\ProgramData"},
        {"USERNAME", userName},
        {"USERPROFILE", profile},
        {"APPDATA", profile + "\\AppData\\Roaming"},
        {"LOCALAPPDATA", local},
        {"TEMP", local + "\\Temp"},
        {"TMP", local + "\\Temp"},
    };
    const std::pair<KnownFolder, std::string> folders[] = {
        {KnownFolder::Profile, profile},
        {KnownFolder::Desktop, profile + "\\Desktop"},
        {KnownFolder::Documents, profile + "\\Documents"},
        {KnownFolder::Pictures, profile + "\\Pictures"},
        {KnownFolder::Videos, profile + "\\Videos"},
        {KnownFolder::Music, profile + "\\Music"},
        {KnownFolder::LocalAppData, local},
    };
    for (const auto& v : variables) {
        SetEnv(v.name, v.value);
    }
    for (const auto& [folder, path] : folders) {
        SetKnownFolder(folder, path);
        (void)files().CreateFolderTree(path);
    }
    for (const char* path :
         {"C:\\Windows", "C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData"}) {
        (void)files().CreateFolderTree(path);
    }
    (void)files().CreateFolderTree(profile + "\\Downloads");
    (void)files().CreateFolderTree(profile + "\\AppData\\Roaming");
    (void)files().CreateFolderTree(local + "\\Temp");
    SetValue(Hive::CurrentUser,
             "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
             "{374DE290-123F-4565-9164-39C4925E467B}",
             RegValue::ExpandSz("%USERPROFILE%\\Downloads"));
    return *this;
}

// ---------------------------------------------------------------------------
// Registry

EmulatedMachine& EmulatedMachine::AddKey(Hive hive, const std::string& path) {
    std::lock_guard lock(state_->mutex);
    FindKey(*state_, hive, path, true);
    return *this;
}

EmulatedMachine& EmulatedMachine::SetValue(Hive hive, const std::string& path,
                                           const std::string& name, const RegValue& value) {
    std::lock_guard lock(state_->mutex);
    FindKey(*state_, hive, path, true)->values[name] = value;
    return *this;
}

EmulatedMachine& EmulatedMachine::DenyKey(Hive hive, const std::string& path) {
    std::lock_guard lock(state_->mutex);
    FindKey(*state_, hive, path, true)->denied = true;
    return *this;
}

// ---------------------------------------------------------------------------
// Shell, processes, Recycle Bin, web

EmulatedMachine& EmulatedMachine::ScriptProcess(const std::string& program, ProcessScript script) {
    std::lock_guard lock(state_->mutex);
    state_->processScripts[program] = std::move(script);
    return *this;
}

EmulatedMachine& EmulatedMachine::UseRecycleFolder(const fs::path& hostFolder) {
    std::lock_guard lock(state_->mutex);
    state_->recycleFolder = hostFolder;
    return *this;
}

EmulatedMachine& EmulatedMachine::ScriptRecycle(const std::string& path, RecycleScript script) {
    std::lock_guard lock(state_->mutex);
    state_->recycleScripts[KeyOf(path, state_->currentDirectory)] = std::move(script);
    return *this;
}

EmulatedMachine& EmulatedMachine::ScriptHttp(const std::string& url, HttpResponse response) {
    std::lock_guard lock(state_->mutex);
    state_->httpScripts.insert_or_assign(url, base::Result<HttpResponse>(std::move(response)));
    return *this;
}

EmulatedMachine& EmulatedMachine::ScriptHttpFailure(const std::string& url, base::Error error) {
    std::lock_guard lock(state_->mutex);
    state_->httpScripts.insert_or_assign(url, base::Result<HttpResponse>(std::move(error)));
    return *this;
}

std::vector<ProcessLaunch> EmulatedMachine::ProcessStarts() const {
    std::lock_guard lock(state_->mutex);
    return state_->processStarts;
}

std::vector<ShellLaunch> EmulatedMachine::ShellCalls() const {
    std::lock_guard lock(state_->mutex);
    return state_->shellCalls;
}

std::vector<RecycleCall> EmulatedMachine::RecycleCalls() const {
    std::lock_guard lock(state_->mutex);
    return state_->recycleCalls;
}

std::vector<std::string> EmulatedMachine::RecycledPaths() const {
    std::lock_guard lock(state_->mutex);
    std::vector<std::string> out;
    for (const auto& call : state_->recycleCalls) {
        out.push_back(call.path);
    }
    return out;
}

std::vector<HttpRequest> EmulatedMachine::HttpRequests() const {
    std::lock_guard lock(state_->mutex);
    return state_->httpRequests;
}

// ---------------------------------------------------------------------------
// Clock

EmulatedMachine& EmulatedMachine::SetUtcNow(FileTime utc) {
    std::lock_guard lock(state_->mutex);
    state_->utcNow = utc;
    return *this;
}

EmulatedMachine& EmulatedMachine::SetUtcOffsetMinutes(int minutes) {
    std::lock_guard lock(state_->mutex);
    state_->utcOffsetMinutes = minutes;
    return *this;
}

EmulatedMachine& EmulatedMachine::Advance(std::int64_t ticks100ns) {
    std::lock_guard lock(state_->mutex);
    state_->utcNow += ticks100ns;
    state_->monotonicNanos += ticks100ns * 100;
    return *this;
}

// ---------------------------------------------------------------------------
// Machine

Files& EmulatedMachine::files() {
    return *state_->files;
}
Volumes& EmulatedMachine::volumes() {
    return *state_->volumes;
}
Environment& EmulatedMachine::environment() {
    return *state_->environment;
}
Registry& EmulatedMachine::registry() {
    return *state_->registry;
}
Processes& EmulatedMachine::processes() {
    return *state_->processes;
}
RecycleBin& EmulatedMachine::recycleBin() {
    return *state_->recycleBin;
}
Http& EmulatedMachine::http() {
    return *state_->http;
}
Clock& EmulatedMachine::clock() {
    return *state_->clock;
}

} // namespace vexo::platform::emulated
