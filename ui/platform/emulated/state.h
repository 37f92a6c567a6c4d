#pragma once
// The emulated machine's description and records, shared by its services.
// Internal to the emulated adapter.

#include "base/ordinal.h"
#include "platform/emulated/emulated_machine.h"

#include <map>
#include <mutex>
#include <unordered_map>

namespace vexo::platform::emulated {

template <class V>
using PathMap = std::unordered_map<std::string, V, base::IgnoreCaseHash, base::IgnoreCaseEqual>;

struct Drive {
    std::filesystem::path host;
    DriveDescription description;
};

// A fault a test injected into the file operations at matching paths.
struct FileFault {
    std::string pattern; // a full path, '*' within a name matching any run
    FileOp op = FileOp::Write;
    base::Error error;
    // Write only: bytes a file may hold before the write fails (a full disk).
    std::optional<std::int64_t> room;
};

struct RegKey {
    std::map<std::string, std::unique_ptr<RegKey>, base::IgnoreCaseLess> subkeys;
    std::map<std::string, RegValue, base::IgnoreCaseLess> values;
    bool denied = false;
};

// A Windows path resolved onto the host.
struct HostPath {
    std::string full;           // the Windows full path, trailing backslashes trimmed
    std::filesystem::path host; // existing components matched ignoring case
    bool parentMissing = false; // a folder above the last component does not exist
};

struct EmulatedMachine::State {
    explicit State(EmulatedMachine& machine);
    ~State();

    EmulatedMachine& machine;
    mutable std::mutex mutex;

    // Description (guarded by mutex).
    std::map<char, Drive> drives;
    std::string currentDirectory = "C:\\";
    PathMap<std::uint32_t> extraAttributes;
    PathMap<bool> unreadable;
    PathMap<std::pair<int, base::ErrorKind>> listingFailures;
    std::vector<FileFault> faults;
    // Host folder (FolderKey) -> its entries' 8.3 aliases and the names they stand for.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> shortNames;
    PathMap<std::pair<std::string, std::string>> env; // name as set, value
    std::map<KnownFolder, std::optional<std::string>> knownFolders;
    base::Culture culture = base::Culture::EnUs();
    RegKey hives[2];
    PathMap<ProcessScript> processScripts;
    std::optional<std::filesystem::path> recycleFolder;
    PathMap<RecycleScript> recycleScripts;
    std::map<std::string, base::Result<HttpResponse>> httpScripts;
    FileTime utcNow = 0;
    int utcOffsetMinutes = 0;
    std::int64_t monotonicNanos = 0;

    // Records (guarded by mutex).
    std::vector<ProcessLaunch> processStarts;
    std::vector<ShellLaunch> shellCalls;
    std::vector<RecycleCall> recycleCalls;
    std::vector<HttpRequest> httpRequests;

    // Resolves a Windows path against the mapped drives. Fails for a path on
    // no drive, on a drive that is not ready, or one Windows would refuse.
    // With `openedFolder`, a path spelt as the host spells it is settled by
    // opening it as a folder, and the descriptor is left there for the caller
    // to own (-1 when it was not opened): a listing then walks the path once.
    // The host path of a folder so opened is left empty: the descriptor is it.
    base::Result<HostPath> Resolve(const std::string& path, int* openedFolder = nullptr);
    // The host name an 8.3 alias in `folder` stands for, if any.
    std::optional<std::string> LongNameOf(const std::filesystem::path& folder,
                                          std::string_view alias);
    // The failure injected for `op` at this full path, if any (a full disk
    // is not one: it fails the write part-way, see RoomAt).
    std::optional<base::Error> FaultAt(const std::string& full, FileOp op);
    // The bytes the file at this full path may hold before the disk is full.
    std::optional<std::int64_t> RoomAt(const std::string& full);
    // True when a folder strictly above `full` is marked unreadable.
    bool BelowUnreadable(const std::string& full);

    std::unique_ptr<Files> files;
    std::unique_ptr<Volumes> volumes;
    std::unique_ptr<Environment> environment;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Processes> processes;
    std::unique_ptr<RecycleBin> recycleBin;
    std::unique_ptr<Http> http;
    std::unique_ptr<Clock> clock;
};

// The services, each in its own file.
std::unique_ptr<Files> MakeFiles(EmulatedMachine::State& state);
std::unique_ptr<Volumes> MakeVolumes(EmulatedMachine::State& state);
std::unique_ptr<Environment> MakeEnvironment(EmulatedMachine::State& state);
std::unique_ptr<Registry> MakeRegistry(EmulatedMachine::State& state);
std::unique_ptr<Processes> MakeProcesses(EmulatedMachine::State& state);
std::unique_ptr<RecycleBin> MakeRecycleBin(EmulatedMachine::State& state);
std::unique_ptr<Http> MakeHttp(EmulatedMachine::State& state);
std::unique_ptr<Clock> MakeClock(EmulatedMachine::State& state);

// The registry key at `path` under `hive` (created along the way with
// `create`), or null. Called with the state's mutex held.
RegKey* FindKey(EmulatedMachine::State& state, Hive hive, const std::string& path, bool create);

// Windows' error for a failed host call (errno), with the file-versus-path
// distinction Windows makes for missing entries.
base::Error ErrorFromErrno(int error, bool parentMissing);
base::Error ErrorOfKind(base::ErrorKind kind);

// One spelling of a host folder, whichever way it was joined.
std::string FolderKey(const std::filesystem::path& folder);

// Reads one host entry without following a link at its place.
base::Result<FileInfo> HostInfo(const std::filesystem::path& host, bool parentMissing);

} // namespace vexo::platform::emulated
