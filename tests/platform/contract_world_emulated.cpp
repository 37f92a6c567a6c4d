// The contract world of the native build: the emulated machine with drives C
// and Z on temporary host folders.

#include "contract_world.h"
#include "platform/emulated/emulated_machine.h"
#include "support/temp_folder.h"

#include <filesystem>

namespace vexo::platform::contract {
namespace {

namespace fs = std::filesystem;
using emulated::EmulatedMachine;

// Another process holds the file until this ends.
class LockedFile final : public HeldFile {
public:
    LockedFile(EmulatedMachine& machine, std::string path)
        : machine_(machine), path_(std::move(path)) {}
    ~LockedFile() override { machine_.UnlockFile(path_); }

private:
    EmulatedMachine& machine_;
    std::string path_;
};

class EmulatedWorld final : public World {
public:
    EmulatedWorld() {
        fs::create_directories(host_.path() / "c");
        fs::create_directories(host_.path() / "z/Trash/files");
        machine_.MapDrive('C', host_.path() / "c")
            .MapDrive('Z', host_.path() / "z")
            .WithUserProfile("tester")
            .UseRecycleFolder(host_.path() / "z/Trash/files")
            .AddKey(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion")
            .AddKey(Hive::LocalMachine,
                    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion");
        for (int code : {3, 7}) {
            emulated::ProcessScript script;
            script.exitCode = code;
            machine_.ScriptProcess(ProgramFor(code), script);
        }
        emulated::ProcessScript waits;
        waits.runTicks = 1000;
        machine_.ScriptProcess("C:\\Tools\\wait-for-flag.exe", waits);
    }

    Machine& machine() override { return machine_; }

    std::string Scratch() override {
        const std::string path = machine_.environment().TempPath() + "contract";
        (void)machine_.files().CreateFolderTree(path);
        return path;
    }

    std::string ScratchKey() override { return "Software\\VexoTest\\Contract"; }

    bool MakeFolderLink(const std::string& link, const std::string& target) override {
        auto hostTarget = machine_.HostPathOf(target);
        auto hostLink = machine_.HostPathOf(link);
        std::error_code ec;
        fs::create_directory_symlink(*hostTarget, *hostLink, ec);
        return !ec;
    }

    void MakeHidden(const std::string& path) override {
        machine_.MarkAttributes(path, attr::Hidden);
    }

    std::string ShortNameOf(const std::string& path) override {
        const std::string alias = "LONGNA~1";
        machine_.AddShortName(path, alias);
        return alias;
    }

    bool MakeUnreadable(const std::string& folder) override {
        machine_.MarkUnreadable(folder);
        return true;
    }

    std::unique_ptr<HeldFile> HoldExclusively(const std::string& path) override {
        machine_.LockFile(path);
        return std::make_unique<LockedFile>(machine_, path);
    }

    ProcessLaunch ExitsWith(int code) override {
        return {ProgramFor(code), "\"" + ProgramFor(code) + "\"", "", true};
    }

    ShellLaunch ShellExitsWith(int code) override {
        return {"open", ProgramFor(code), "", "", 0, true, true};
    }

    ProcessLaunch RunsUntilFileExists(const std::string& flag) override {
        return {"C:\\Tools\\wait-for-flag.exe", "wait-for-flag.exe \"" + flag + "\"", "", true};
    }

    void AnswerShellConfirmation(const std::string& path, bool yes) override {
        if (!yes) {
            machine_.ScriptRecycle(path, emulated::RecycleScript::Cancelled());
        }
    }

    std::string RecycledFilesFolder() override { return "Z:\\Trash\\files"; }

private:
    static std::string ProgramFor(int code) {
        return "C:\\Tools\\exit-" + std::to_string(code) + ".exe";
    }

    testing::TempFolder host_;
    EmulatedMachine machine_;
};

} // namespace

std::unique_ptr<World> MakeWorld() {
    return std::make_unique<EmulatedWorld>();
}

} // namespace vexo::platform::contract
