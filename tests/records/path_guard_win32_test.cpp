// The guard on the real file system (under Wine in CI): real folders, real
// symbolic links made by the Windows API, and the process's own variables.

#include "base/utf.h"
#include "platform/path_rules.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/windows_api.h"
#include "records/path_guard.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexo::records {
namespace {

class PathGuardWin32 : public ::testing::Test {
protected:
    PathGuardWin32() : machine_(platform::win32::CreateWin32Machine()) {
        platform::Environment& environment = machine_->environment();
        work_ = platform::paths::Join(environment.TempPath(),
                                      "vexo-guard-" + std::to_string(::GetCurrentProcessId()));
        // The protected variables point into the work folder, so the cases do
        // not depend on where this machine keeps its temporary folder.
        for (std::string_view variable : kProtectedVariables) {
            saved_[std::string(variable)] = environment.Get(std::string(variable));
        }
        environment.Set("WINDIR", Path("Windows"));
        environment.Set("ProgramFiles", Path("Program Files"));
        environment.Set("ProgramFiles(x86)", std::nullopt);
        environment.Set("ProgramData", Path("ProgramData"));
        environment.Set("APPDATA", Path("Roaming"));
        environment.Set("LOCALAPPDATA", Path("Local"));
    }
    ~PathGuardWin32() override {
        for (const auto& [name, value] : saved_) {
            machine_->environment().Set(name, value);
        }
        // The links go first, so that removing the tree never walks through
        // one of them into what they point at.
        for (const std::string& link : links_) {
            if (!::DeleteFileW(base::Widen(link).c_str()) &&
                !::RemoveDirectoryW(base::Widen(link).c_str())) {
                RunUnix(L"/usr/bin/rm", L"", {link});
            }
            AwaitLink(link, false);
        }
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(base::Widen(work_)), ignored);
    }

    std::string Path(std::string_view relative) { return work_ + "\\" + std::string(relative); }
    void File(std::string_view relative) {
        const std::string path = Path(relative);
        ASSERT_TRUE(machine_->files().CreateFolderTree(*platform::paths::Parent(path)).ok());
        ASSERT_TRUE(machine_->files().WriteAllBytes(path, "x").ok()) << path;
    }
    bool IsLink(const std::string& path) {
        auto info = machine_->files().ReadInfo(path);
        return info.ok() && info->IsReparsePoint();
    }
    // Wine signals a Unix child's handle as soon as it has started it, so its
    // work shows a moment later: watch for the result rather than guess a delay.
    bool AwaitLink(const std::string& path, bool present) {
        for (int attempt = 0; attempt < 1'000'000; ++attempt) {
            if (IsLink(path) == present) {
                return true;
            }
            ::SwitchToThread();
        }
        return false;
    }
    // Under Wine only: runs a Unix program on the Unix names of `paths`.
    static bool RunUnix(std::wstring_view program, std::wstring_view options,
                        std::initializer_list<std::string> paths) {
        using UnixName = char*(CDECL*)(LPCWSTR);
        auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        if (unixName == nullptr) {
            return false;
        }
        std::wstring command(program);
        command += options;
        for (const std::string& path : paths) {
            char* name = unixName(base::Widen(path).c_str());
            if (name == nullptr) {
                return false;
            }
            command += L" \"" + base::Widen(name) + L"\"";
            ::HeapFree(::GetProcessHeap(), 0, name);
        }
        std::wstring application = L"Z:" + std::wstring(program);
        for (wchar_t& c : application) {
            c = c == L'/' ? L'\\' : c;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, &startup, &process)) {
            return false;
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return true;
    }
    // A real symbolic link at `relative` to `target`. Wine 8 answers
    // CreateSymbolicLinkW without making anything; there a Unix link, which
    // Wine reports as a reparse point when it leads to a folder, is made
    // with ln instead.
    bool MakeLink(std::string_view relative, std::string_view target, bool folder) {
        const std::string link = Path(relative);
        const std::string to = Path(target);
        const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                            SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
        ::CreateSymbolicLinkW(base::Widen(link).c_str(), base::Widen(to).c_str(), flags);
        if (!IsLink(link) &&
            (!folder || !RunUnix(L"/usr/bin/ln", L" -s", {to, link}) || !AwaitLink(link, true))) {
            return false;
        }
        links_.push_back(link);
        return true;
    }
    // A Unix link to a folder at `link`, spelt as Windows may not spell it
    // (a verbatim path keeps a trailing space); under Wine only.
    bool MakeUnixFolderLink(const std::string& link, const std::string& target) {
        if (!RunUnix(L"/usr/bin/ln", L" -s", {target, link}) || !AwaitLink(link, true)) {
            return false;
        }
        links_.push_back(link);
        return true;
    }

    std::unique_ptr<platform::Machine> machine_;
    std::string work_;

private:
    std::map<std::string, std::optional<std::string>> saved_;
    std::vector<std::string> links_;
};

TEST_F(PathGuardWin32, RefusesLinksRootsAndProtectedFolders) {
    File("Docs\\deep\\er\\report.txt");
    File("Real\\inside.txt");
    File("Lone.txt");
    File("Windows\\Temp\\setup.log");
    File("Program Files\\App\\app.exe");
    File("Program Files Extra\\keep.txt");
    File("Program Files (x86)\\Old\\old.exe");
    File("Local\\Temp\\x.tmp");
    if (!MakeLink("Docs\\deep\\linked", "Real", true)) {
        GTEST_SKIP() << "this machine cannot make symbolic links";
    }
    const bool fileLinks = MakeLink("Docs\\deep\\er\\lone-link.txt", "Lone.txt", false);

    // The work folder itself must be judged on its own before its contents mean
    // anything: it lies in the temporary folder of a real profile.
    ASSERT_TRUE(TestSimpleFileRoot(*machine_, work_))
        << work_ << " is refused on this machine; the cases below would prove nothing";

    // The links lead somewhere readable: only the link rule can refuse what
    // lies behind them.
    ASSERT_TRUE(machine_->files().Exists(Path("Docs\\deep\\linked\\inside.txt")));

    struct Case {
        std::string path;
        bool accepted;
    };
    const Case cases[] = {
        {Path("Docs\\deep\\er\\report.txt"), true},
        {Path("Docs\\deep\\\\"), true},
        {Path("program files extra\\keep.txt"), true},
        // Nothing names the 32-bit program files folder on this "machine".
        {Path("Program Files (x86)\\Old\\old.exe"), true},
        {Path("Docs\\deep\\linked"), false},
        {Path("Docs\\deep\\linked\\inside.txt"), false},
        {Path("Docs\\missing.txt"), false},
        {Path("windows\\temp\\setup.log"), false},
        {Path("PROGRAM FILES\\App\\app.exe"), false},
        {Path("Local"), false},
        {Path("Local\\Temp\\x.tmp"), false},
        {"C:\\", false},
        {"C:\\\\", false},
        {"\\\\server\\share", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TestSimpleFileRoot(*machine_, c.path), c.accepted) << c.path;
    }
    if (fileLinks) {
        EXPECT_FALSE(TestSimpleFileRoot(*machine_, Path("Docs\\deep\\er\\lone-link.txt")));
    }
}

// Windows drops a trailing space from a path's last name, so a link named
// "Sub " beside a real "Sub" is read as "Sub" whenever it stands last, as
// every folder does on the guard's way up.
TEST_F(PathGuardWin32, RefusesANameEndingInASpace) {
    File("Docs\\Sub\\photo.jpg");
    File("Windows\\Temp\\setup.log");
    if (!MakeUnixFolderLink("\\\\?\\" + Path("Docs\\Sub "), Path("Windows\\Temp"))) {
        GTEST_SKIP() << "this machine cannot make a link named with a trailing space";
    }
    ASSERT_TRUE(machine_->files().Exists(Path("Docs\\Sub \\setup.log")))
        << "the link is not reached through its own name; the case would prove nothing";
    EXPECT_FALSE(TestSimpleFileRoot(*machine_, Path("Docs\\Sub \\setup.log")));
    EXPECT_FALSE(TestSimpleFileRoot(*machine_, Path("Docs\\Sub \\")));
    EXPECT_TRUE(TestSimpleFileRoot(*machine_, Path("Docs\\Sub\\photo.jpg")));
}

} // namespace
} // namespace vexo::records
