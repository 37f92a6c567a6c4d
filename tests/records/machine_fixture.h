#pragma once
// An emulated Windows machine on a fresh host folder, with the profile of a
// user "ali" on drive C, for the records tests (and the diagnostics tests).

#include "platform/emulated/emulated_machine.h"
#include "platform/path_rules.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace vexo::testing {

class MachineFixture : public ::testing::Test {
protected:
    static constexpr const char* kProfile = "C:\\Users\\ali";
    static constexpr const char* kDocuments = "C:\\Users\\ali\\Documents";
    static constexpr const char* kDataFolder = "C:\\Users\\ali\\AppData\\Local\\VexoTolvik";

    MachineFixture() {
        static std::atomic<int> counter{0};
        host_ = std::filesystem::temp_directory_path() /
                ("vexo-records-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(host_);
        std::filesystem::create_directories(host_ / "c");
        machine.MapDrive('C', host_ / "c").WithUserProfile("ali");
        machine.UseRecycleFolder(host_ / "bin");
        std::filesystem::create_directories(host_ / "bin");
        // The protected folders as a Windows machine has them.
        machine.SetEnv("WINDIR", "C:\\Windows")
            .SetEnv("ProgramFiles", "C:\\Program Files")
            .SetEnv("ProgramFiles(x86)", "C:\\Program Files (x86)")
            .SetEnv("ProgramData", "C:\\ProgramData")
            .SetEnv("APPDATA", "C:\\Users\\ali\\AppData\\Roaming")
            .SetEnv("LOCALAPPDATA", "C:\\Users\\ali\\AppData\\Local");
    }
    ~MachineFixture() override {
        std::error_code ignored;
        std::filesystem::remove_all(host_, ignored);
    }

    // A file with these bytes, its folders created on the way.
    void Write(const std::string& path, std::string_view bytes = "data") {
        auto parent = platform::paths::Parent(path);
        ASSERT_TRUE(parent.has_value()) << path;
        ASSERT_TRUE(machine.files().CreateFolderTree(*parent).ok()) << path;
        ASSERT_TRUE(machine.files().WriteAllBytes(path, bytes).ok()) << path;
    }
    // A file of `bytes` bytes that takes no room on the host.
    void Sized(const std::string& path, std::int64_t bytes) {
        Write(path, "");
        auto host = machine.HostPathOf(path);
        ASSERT_TRUE(host.has_value());
        std::filesystem::resize_file(*host, static_cast<std::uintmax_t>(bytes));
    }
    void Folder(const std::string& path) {
        ASSERT_TRUE(machine.files().CreateFolderTree(path).ok()) << path;
    }
    std::string Read(const std::string& path) {
        auto bytes = machine.files().ReadAllBytes(path);
        return bytes.ok() ? *bytes : std::string("<unreadable>");
    }
    bool Exists(const std::string& path) { return machine.files().Exists(path); }
    // A symbolic link at `link` to the existing `target` (folder or file).
    void Link(const std::string& link, const std::string& target) {
        auto parent = platform::paths::Parent(link);
        ASSERT_TRUE(parent.has_value());
        Folder(*parent);
        auto hostLink = machine.HostPathOf(link);
        auto hostTarget = machine.HostPathOf(target);
        ASSERT_TRUE(hostLink && hostTarget) << link;
        std::filesystem::create_symlink(*hostTarget, *hostLink);
    }
    const std::filesystem::path& host() const { return host_; }

    platform::emulated::EmulatedMachine machine;

private:
    std::filesystem::path host_;
};

} // namespace vexo::testing
