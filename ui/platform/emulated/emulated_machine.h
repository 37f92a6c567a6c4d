#pragma once
// A Windows machine emulated on a Unix host, described by a test in a few
// lines: drive letters mapped onto host folders, a registry in memory, the
// environment and the shell's known folders, a Recycle Bin that is a host
// folder, and programs, shell calls and web requests answered from a script.
//
//   EmulatedMachine m;
//   m.MapDrive('C', temp.path()).WithUserProfile("ali")
//    .MarkOffline("C:\\Users\\ali\\Documents\\cloud.docx")
//    .ScriptRecycle("C:\\Users\\ali\\Desktop\\keep.txt", RecycleScript::Cancelled());
//   SectionUnderTest section(m);
//
// Windows paths are matched to host entries the way Windows matches names:
// ordinally, ignoring case ("C:\USERS\Ali" finds the host folder "Users/ali").
// A host symbolic link is a reparse point. Everything the product asked of
// the shell, of processes, of the Recycle Bin and of the web is recorded.
//
// The description is made before the machine is used; the services may then
// be called from several threads at once (the index crawls on its own).

#include "base/culture.h"
#include "platform/machine.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexo::platform::emulated {

struct DriveSizes {
    std::int64_t total = 0;
    std::int64_t totalFree = 0;
    std::int64_t available = 0;
};

// Every field has a default, so that a test names only what it describes:
// {.label = "USB", .ready = false}.
struct DriveDescription {
    DriveType type = DriveType::Fixed;
    std::string label{};
    // Fixed byte counts; none reads the host's file system under the drive
    // (statvfs) at every call, so a test that writes sees the free space fall.
    std::optional<DriveSizes> sizes{};
    bool ready = true; // false: a drive without its medium
    // The space query fails with this kind and Windows' text (a damaged
    // volume); the drive still lists, is ready and gives its label.
    std::optional<base::ErrorKind> spaceFailure{};
    // Reading the volume label (and so the whole reading) fails with this kind.
    std::optional<base::ErrorKind> labelFailure{};
};

// The file operations a test can make fail at one path. Write covers
// appends; Move is both the file moved and the one it replaces.
enum class FileOp { List, ReadInfo, Read, Write, Flush, Move, Remove, CreateFolder };

// What the shell does when a file at a given path is handed to the Recycle Bin.
struct RecycleScript {
    enum class Outcome {
        Recycle,           // moved into the Recycle Bin folder (the default)
        Cancel,            // the user cancelled the shell's dialog
        Fail,              // the shell reported an error
        DeletePermanently, // too big for the bin; the user agreed to delete it
        LeaveInPlace,      // the shell reported success but the file stayed
    };
    Outcome outcome = Outcome::Recycle;
    base::ErrorKind errorKind = base::ErrorKind::Other; // Fail only
    std::string errorText;                              // Fail only

    static RecycleScript Cancelled() { return {Outcome::Cancel, {}, {}}; }
    static RecycleScript Failed(base::ErrorKind kind, std::string text) {
        return {Outcome::Fail, kind, std::move(text)};
    }
    static RecycleScript DeletedForGood() { return {Outcome::DeletePermanently, {}, {}}; }
    static RecycleScript LeftInPlace() { return {Outcome::LeaveInPlace, {}, {}}; }
};

class EmulatedMachine;

// How a started program behaves. It runs for `runTicks` ticks (a tick is one
// onTick call of Process::Wait, or one HasExited poll), then `onExit` runs
// against the machine (an uninstaller deletes its registry key, say) and the
// process ends with `exitCode`.
struct ProcessScript {
    int exitCode = 0;
    int runTicks = 0;
    std::function<void(EmulatedMachine&)> onExit;
    std::optional<base::Error> startError; // the start itself fails
    bool noProcess = false;                // OpenWithShell: the shell hands back no process
};

struct RecycleCall {
    std::string path;
    NativeWindow owner = 0;
};

class EmulatedMachine : public Machine {
public:
    EmulatedMachine();
    ~EmulatedMachine() override;
    EmulatedMachine(const EmulatedMachine&) = delete;
    EmulatedMachine& operator=(const EmulatedMachine&) = delete;

    // ---- Files and drives ----
    EmulatedMachine& MapDrive(char letter, const std::filesystem::path& hostFolder,
                              DriveDescription description = {});
    // Starts "C:\" by default.
    EmulatedMachine& SetCurrentDirectory(const std::string& path);
    // Adds attribute bits (attr::Hidden, attr::System, attr::Offline...) to
    // what the host file gives at this path.
    EmulatedMachine& MarkAttributes(const std::string& path, std::uint32_t bits);
    EmulatedMachine& MarkOffline(const std::string& path) {
        return MarkAttributes(path, attr::Offline);
    }
    // The folder cannot be listed and nothing below it can be read (AccessDenied);
    // its own entry still reads, as through its parent's listing. (Permission
    // bits cannot show this: the tests may run as root.)
    EmulatedMachine& MarkUnreadable(const std::string& path);
    // Listing the folder delivers `entries` entries, then fails with `kind`.
    EmulatedMachine& FailListingAfter(const std::string& folder, int entries, base::ErrorKind kind);
    // Injected faults. A path pattern is a Windows path in which '*' stands
    // for any run of characters within one name ("C:\\Data\\*.tmp"); names
    // match ignoring case.
    // The operation at a matching path fails with `kind` and Windows' text.
    EmulatedMachine& FailOperation(const std::string& pattern, FileOp op, base::ErrorKind kind);
    // The same with Windows' error code (win::kDiskFull...): its kind and text.
    EmulatedMachine& FailOperation(const std::string& pattern, FileOp op,
                                   std::uint32_t windowsCode);
    // The disk fills up under a matching file: writes and appends land until
    // the file holds `bytes` bytes, then fail with "There is not enough space
    // on the disk."
    EmulatedMachine& FillDiskAt(const std::string& pattern, std::int64_t bytes);
    // Another process holds a matching file open without sharing: reading,
    // writing, flushing, moving it or onto it, and removing it fail with a
    // sharing violation.
    EmulatedMachine& LockFile(const std::string& pattern);
    // The other process lets go of the files LockFile named with `pattern`.
    EmulatedMachine& UnlockFile(const std::string& pattern);
    // Every fault injected so far is gone (FailOperation, FillDiskAt, LockFile).
    EmulatedMachine& ClearFaults();
    // The existing entry at `path` also answers to `shortName` in its folder,
    // as an NTFS entry answers to its 8.3 alias ("PROGRA~1" for "Program
    // Files"). Every file operation takes the alias; LongPath spells it out.
    EmulatedMachine& AddShortName(const std::string& path, const std::string& shortName);
    // The host path a Windows path maps to (existing entries matched ignoring
    // case), or none for a path on no mapped drive.
    std::optional<std::filesystem::path> HostPathOf(const std::string& path);

    // ---- Environment ----
    EmulatedMachine& SetEnv(const std::string& name, const std::optional<std::string>& value);
    EmulatedMachine& SetKnownFolder(KnownFolder folder, const std::optional<std::string>& path);
    EmulatedMachine& SetCulture(const base::Culture& culture);
    // A user's profile on drive C (mapped first): the folders of a fresh
    // Windows profile created on the host, the usual variables (USERPROFILE,
    // LOCALAPPDATA, APPDATA, TEMP, TMP, WINDIR, ProgramFiles...), the known
    // folders, and the redirected Downloads value in the registry.
    EmulatedMachine& WithUserProfile(const std::string& userName);

    // ---- Registry ----
    EmulatedMachine& AddKey(Hive hive, const std::string& path);
    EmulatedMachine& SetValue(Hive hive, const std::string& path, const std::string& name,
                              const RegValue& value);
    // Every access to the key and below fails with AccessDenied.
    EmulatedMachine& DenyKey(Hive hive, const std::string& path);
    // Loads keys and values in a .reg-like text:
    //   [HKCU\Software\Vendor\App]       (HKLM, HKEY_LOCAL_MACHINE, HKCU, HKEY_CURRENT_USER)
    //   "Name"="text"   @="default"   "Path"=expand:"%USERPROFILE%\\x"
    //   "N"=dword:0000002a   "Q"=qword:1f   "B"=hex:01,ff   "L"=multi:"a","b"
    // Quoted text takes \\ and \" escapes; lines starting with ';' or '#' are
    // comments. A malformed line fails with InvalidInput naming the line.
    base::Status LoadRegistry(std::string_view text);

    // ---- Shell, processes, Recycle Bin, web ----
    // Matches ProcessLaunch::application and ShellLaunch::file, ignoring case.
    // Unscripted programs start and end at once with exit code 0, unless
    // they are given by a drive path where no file is (NotFound).
    EmulatedMachine& ScriptProcess(const std::string& program, ProcessScript script);
    EmulatedMachine& UseRecycleFolder(const std::filesystem::path& hostFolder);
    EmulatedMachine& ScriptRecycle(const std::string& path, RecycleScript script);
    // Unscripted addresses fail as an unknown host does.
    EmulatedMachine& ScriptHttp(const std::string& url, HttpResponse response);
    EmulatedMachine& ScriptHttpFailure(const std::string& url, base::Error error);

    std::vector<ProcessLaunch> ProcessStarts() const;
    std::vector<ShellLaunch> ShellCalls() const;
    std::vector<RecycleCall> RecycleCalls() const;
    std::vector<std::string> RecycledPaths() const; // the paths of RecycleCalls
    std::vector<HttpRequest> HttpRequests() const;

    // ---- Clock ----
    // The clock stands still unless moved; it starts at 2024-01-01 00:00 UTC.
    EmulatedMachine& SetUtcNow(FileTime utc);
    EmulatedMachine& SetUtcOffsetMinutes(int minutes); // local = UTC + offset
    // Moves wall and monotonic time forward.
    EmulatedMachine& Advance(std::int64_t ticks100ns);

    // ---- Machine ----
    Files& files() override;
    Volumes& volumes() override;
    Environment& environment() override;
    Registry& registry() override;
    Processes& processes() override;
    RecycleBin& recycleBin() override;
    Http& http() override;
    Clock& clock() override;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace vexo::platform::emulated
