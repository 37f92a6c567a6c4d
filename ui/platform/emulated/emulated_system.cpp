// The emulated machine's volumes, environment, programs, Recycle Bin, web and
// clock.

#include "platform/emulated/state.h"
#include "platform/path_rules.h"
#include "platform/windows_errors.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace vexo::platform::emulated {
namespace fs = std::filesystem;
namespace {

// ---------------------------------------------------------------------------
// Volumes

class EmulatedVolumes final : public Volumes {
public:
    explicit EmulatedVolumes(EmulatedMachine::State& state) : state_(state) {}

    std::vector<std::string> DriveRoots() override {
        std::lock_guard lock(state_.mutex);
        std::vector<std::string> roots;
        for (const auto& entry : state_.drives) {
            roots.push_back(std::string(1, entry.first) + ":\\");
        }
        return roots;
    }

    DriveType TypeOf(const std::string& root) override {
        if (root.size() >= 2 && root[0] == '\\' && root[1] == '\\') {
            return DriveType::Remote; // a share path is on the network
        }
        auto drive = Find(root);
        return drive ? drive->description.type : DriveType::NoRootDir;
    }

    bool IsReady(const std::string& root) override {
        auto drive = Find(root);
        std::error_code ec;
        return drive && drive->description.ready && fs::is_directory(drive->host, ec);
    }

    base::Result<std::string> Label(const std::string& root) override {
        base::Result<Drive> drive = ReadyDrive(root);
        if (!drive.ok()) {
            return drive.error();
        }
        return LabelOf(*drive);
    }

    base::Result<VolumeReading> Read(const std::string& root) override {
        base::Result<Drive> drive = ReadyDrive(root);
        if (!drive.ok()) {
            return drive.error();
        }
        base::Result<std::string> label = LabelOf(*drive);
        if (!label.ok()) {
            return label.error();
        }
        if (drive->description.spaceFailure) {
            return ErrorOfKind(*drive->description.spaceFailure);
        }
        VolumeReading reading;
        reading.label = std::move(label).value();
        if (drive->description.sizes) {
            reading.total = drive->description.sizes->total;
            reading.totalFree = drive->description.sizes->totalFree;
            reading.available = drive->description.sizes->available;
            return reading;
        }
        struct statvfs vfs {};
        if (::statvfs(drive->host.c_str(), &vfs) != 0) {
            return ErrorFromErrno(errno, true);
        }
        auto bytes = [&](std::uint64_t blocks) {
            return static_cast<std::int64_t>(blocks * vfs.f_frsize);
        };
        reading.total = bytes(vfs.f_blocks);
        reading.totalFree = bytes(vfs.f_bfree);
        reading.available = bytes(vfs.f_bavail);
        return reading;
    }

private:
    base::Result<Drive> ReadyDrive(const std::string& root) {
        std::optional<Drive> drive = Find(root);
        if (!drive) {
            return ErrorFromCode(win::kPathNotFound);
        }
        if (!drive->description.ready) {
            return ErrorFromCode(win::kNotReady);
        }
        return std::move(*drive);
    }

    static base::Result<std::string> LabelOf(const Drive& drive) {
        if (drive.description.labelFailure) {
            return ErrorOfKind(*drive.description.labelFailure);
        }
        return drive.description.label;
    }

    std::optional<Drive> Find(const std::string& root) {
        char letter = paths::DriveLetter(root);
        std::lock_guard lock(state_.mutex);
        auto it = state_.drives.find(letter);
        if (it == state_.drives.end()) {
            return std::nullopt;
        }
        return it->second;
    }

    EmulatedMachine::State& state_;
};

// ---------------------------------------------------------------------------
// Environment

class EmulatedEnvironment final : public Environment {
public:
    explicit EmulatedEnvironment(EmulatedMachine::State& state) : state_(state) {}

    std::optional<std::string> Get(const std::string& name) override {
        std::lock_guard lock(state_.mutex);
        auto it = state_.env.find(name);
        if (it == state_.env.end()) {
            return std::nullopt;
        }
        return it->second.second;
    }

    void Set(const std::string& name, const std::optional<std::string>& value) override {
        std::lock_guard lock(state_.mutex);
        if (value) {
            state_.env[name] = {name, *value};
        } else {
            state_.env.erase(name);
        }
    }

    // As ExpandEnvironmentStrings: "%NAME%" of a set variable is replaced;
    // an unset one stays with both signs, and scanning goes on after it.
    std::string Expand(const std::string& text) override {
        std::string out;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t open = text.find('%', pos);
            if (open == std::string::npos) {
                out.append(text, pos);
                break;
            }
            out.append(text, pos, open - pos);
            std::size_t close = text.find('%', open + 1);
            if (close == std::string::npos) {
                out.append(text, open);
                break;
            }
            std::string name = text.substr(open + 1, close - open - 1);
            auto value = name.empty() ? std::nullopt : Get(name);
            if (value) {
                out += *value;
            } else {
                out.append(text, open, close - open + 1);
            }
            pos = close + 1;
        }
        return out;
    }

    std::optional<std::string> KnownFolderPath(KnownFolder folder) override {
        std::lock_guard lock(state_.mutex);
        auto it = state_.knownFolders.find(folder);
        return it == state_.knownFolders.end() ? std::nullopt : it->second;
    }

    // As GetTempPath: TMP, then TEMP, then USERPROFILE, then the Windows folder.
    std::string TempPath() override {
        for (const char* name : {"TMP", "TEMP", "USERPROFILE", "WINDIR"}) {
            if (auto value = Get(name); value && !value->empty()) {
                return paths::Join(paths::TrimTrailingBackslashes(*value), "");
            }
        }
        return "C:\\Windows\\";
    }

    base::Culture UserCulture() override {
        std::lock_guard lock(state_.mutex);
        return state_.culture;
    }

    // A fixed, documented order stands in for a language's: UTF-16 code
    // units after simple upper-casing, so tests read the same on every host.
    int CompareInUserCulture(std::string_view a, std::string_view b) override {
        return base::CompareIgnoreCase(a, b);
    }

private:
    EmulatedMachine::State& state_;
};

// ---------------------------------------------------------------------------
// Programs and the shell

struct Run {
    EmulatedMachine* machine = nullptr;
    int exitCode = 0;
    int ticksLeft = 0;
    std::function<void(EmulatedMachine&)> onExit;
    bool ended = false;

    void EndIfDue() {
        if (!ended && ticksLeft <= 0) {
            ended = true;
            if (onExit) {
                onExit(*machine);
            }
        }
    }
};

class EmulatedProcess final : public Process {
public:
    explicit EmulatedProcess(Run run) : run_(std::move(run)) {}

    base::Result<int> Wait(int tickMs, const std::function<bool()>& onTick) override {
        while (run_.ticksLeft > 0) {
            --run_.ticksLeft;
            run_.machine->Advance(static_cast<std::int64_t>(tickMs) * 10'000);
            if (onTick && !onTick()) {
                return ErrorFromCode(win::kCancelled);
            }
        }
        run_.EndIfDue();
        return run_.exitCode;
    }

    bool HasExited() override {
        if (run_.ticksLeft > 0) {
            --run_.ticksLeft;
            return false;
        }
        run_.EndIfDue();
        return true;
    }

private:
    Run run_;
};

class EmulatedProcesses final : public Processes {
public:
    explicit EmulatedProcesses(EmulatedMachine::State& state) : state_(state) {}

    base::Result<std::unique_ptr<Process>> Start(const ProcessLaunch& launch) override {
        ProcessScript script;
        bool scripted;
        {
            std::lock_guard lock(state_.mutex);
            state_.processStarts.push_back(launch);
            scripted = ScriptFor(launch.application, script);
        }
        if (!scripted && MissingProgram(launch.application)) {
            return ErrorFromCode(win::kFileNotFound);
        }
        if (script.startError) {
            return *script.startError;
        }
        return MakeProcess(script);
    }

    base::Result<std::unique_ptr<Process>> OpenWithShell(const ShellLaunch& launch) override {
        ProcessScript script;
        bool scripted;
        {
            std::lock_guard lock(state_.mutex);
            state_.shellCalls.push_back(launch);
            scripted = ScriptFor(launch.file, script);
        }
        if (!scripted && MissingProgram(launch.file)) {
            return ErrorFromCode(win::kFileNotFound);
        }
        if (script.startError) {
            return *script.startError;
        }
        std::unique_ptr<Process> process = MakeProcess(script);
        if (!launch.wantProcess || script.noProcess) {
            // The program still runs to its end; nobody waits for it.
            (void)process->Wait(0, {});
            return std::unique_ptr<Process>();
        }
        return process;
    }

private:
    bool ScriptFor(const std::string& program, ProcessScript& script) {
        auto it = state_.processScripts.find(program);
        if (it == state_.processScripts.end()) {
            return false;
        }
        script = it->second;
        return true;
    }

    // An unscripted program given by a drive path must exist there; other
    // names (a program on the PATH, a URI) are the shell's business.
    bool MissingProgram(const std::string& program) {
        return paths::DriveLetter(program) != 0 && !state_.files->Exists(program);
    }

    std::unique_ptr<Process> MakeProcess(const ProcessScript& script) {
        return std::make_unique<EmulatedProcess>(
            Run{&state_.machine, script.exitCode, script.runTicks, script.onExit, false});
    }

    EmulatedMachine::State& state_;
};

// ---------------------------------------------------------------------------
// Recycle Bin

class EmulatedRecycleBin final : public RecycleBin {
public:
    explicit EmulatedRecycleBin(EmulatedMachine::State& state) : state_(state) {}

    base::Status Recycle(const std::string& path, NativeWindow owner) override {
        RecycleScript script;
        std::optional<fs::path> bin;
        {
            std::lock_guard lock(state_.mutex);
            state_.recycleCalls.push_back({path, owner});
            bin = state_.recycleFolder;
        }
        auto where = state_.Resolve(path);
        if (!where) {
            return where.status();
        }
        {
            std::lock_guard lock(state_.mutex);
            if (auto it = state_.recycleScripts.find(where->full);
                it != state_.recycleScripts.end()) {
                script = it->second;
            }
        }
        using O = RecycleScript::Outcome;
        switch (script.outcome) {
        case O::Cancel:
            return ErrorFromCode(win::kCancelled);
        case O::Fail:
            return base::Error{script.errorKind, script.errorText};
        case O::LeaveInPlace:
            return {};
        case O::DeletePermanently:
        case O::Recycle:
            break;
        }
        struct stat st {};
        if (::lstat(where->host.c_str(), &st) != 0) {
            return ErrorFromErrno(errno, where->parentMissing);
        }
        std::error_code ec;
        if (script.outcome == O::DeletePermanently) {
            fs::remove_all(where->host, ec);
            return ec ? base::Status(ErrorFromErrno(ec.value(), false)) : base::Status();
        }
        if (!bin) {
            return base::Error{base::ErrorKind::Other,
                               "The Recycle Bin is not available on this drive."};
        }
        fs::create_directories(*bin, ec);
        fs::path target = *bin / where->host.filename();
        for (int n = 2; fs::exists(fs::symlink_status(target, ec)); ++n) {
            target = *bin / (where->host.stem().string() + " (" + std::to_string(n) + ")" +
                             where->host.extension().string());
        }
        fs::rename(where->host, target, ec);
        if (ec == std::errc::cross_device_link) {
            ec.clear();
            fs::copy(where->host, target,
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
            if (!ec) {
                fs::remove_all(where->host, ec);
            }
        }
        return ec ? base::Status(ErrorFromErrno(ec.value(), false)) : base::Status();
    }

private:
    EmulatedMachine::State& state_;
};

// ---------------------------------------------------------------------------
// Web

class EmulatedHttp final : public Http {
public:
    explicit EmulatedHttp(EmulatedMachine::State& state) : state_(state) {}

    base::Result<HttpResponse> Get(const HttpRequest& request) override {
        std::lock_guard lock(state_.mutex);
        state_.httpRequests.push_back(request);
        auto it = state_.httpScripts.find(request.url);
        if (it == state_.httpScripts.end()) {
            return ErrorFromCode(win::kInternetNameNotResolved);
        }
        if (!it->second.ok()) {
            return it->second;
        }
        // As the system's client reads it: no further than the request allows.
        HttpResponse response = *it->second;
        if (response.body.size() > request.maxBodyBytes) {
            response.body.resize(request.maxBodyBytes);
            response.cut = true;
        }
        return response;
    }

private:
    EmulatedMachine::State& state_;
};

// ---------------------------------------------------------------------------
// Clock

class EmulatedClock final : public Clock {
public:
    explicit EmulatedClock(EmulatedMachine::State& state) : state_(state) {}

    FileTime NowUtc() override {
        std::lock_guard lock(state_.mutex);
        return state_.utcNow;
    }

    base::DateTimeParts ToLocal(FileTime utc) override {
        std::int64_t offset;
        {
            std::lock_guard lock(state_.mutex);
            offset = static_cast<std::int64_t>(state_.utcOffsetMinutes) * 60 * 10'000'000;
        }
        return base::PartsFromFileTime(utc + offset);
    }

    std::int64_t MonotonicNanos() override {
        std::lock_guard lock(state_.mutex);
        return state_.monotonicNanos;
    }

private:
    EmulatedMachine::State& state_;
};

} // namespace

std::unique_ptr<Volumes> MakeVolumes(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedVolumes>(state);
}
std::unique_ptr<Environment> MakeEnvironment(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedEnvironment>(state);
}
std::unique_ptr<Processes> MakeProcesses(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedProcesses>(state);
}
std::unique_ptr<RecycleBin> MakeRecycleBin(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedRecycleBin>(state);
}
std::unique_ptr<Http> MakeHttp(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedHttp>(state);
}
std::unique_ptr<Clock> MakeClock(EmulatedMachine::State& state) {
    return std::make_unique<EmulatedClock>(state);
}

} // namespace vexo::platform::emulated
