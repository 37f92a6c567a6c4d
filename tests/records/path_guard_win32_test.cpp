// The guard on the real file system (under Wine in CI): real folders, real
// symbolic links made by the Windows API, and the process's own variables.

#include "base/ordinal.h"
#include "base/utf.h"
#include "platform/path_rules.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/windows_api.h"
#include "records/path_guard.h"
#include "records/recycle.h"

#include <cstdio>
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

    // The 8.3 form of an existing path, or empty when it has none of its own.
    static std::string ShortPath(const std::string& path) {
        wchar_t shortened[MAX_PATH] = {};
        const DWORD written = ::GetShortPathNameW(base::Widen(path).c_str(), shortened, MAX_PATH);
        if (written == 0 || written >= MAX_PATH) {
            return {};
        }
        const std::string out = base::Narrow(shortened);
        return base::EqualsIgnoreCase(out, path) ? std::string() : out;
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

// The real machine, but a Recycle Bin that only records: the cases below are
// all refused before the shell, and one that got through must not open the
// shell's dialog on a display nobody answers.
class RefusingMachine final : public platform::Machine, platform::RecycleBin {
public:
    explicit RefusingMachine(platform::Machine& real) : real_(real) {}
    base::Status Recycle(const std::string& path, platform::NativeWindow) override {
        handed.push_back(path);
        return base::Error{base::ErrorKind::Cancelled, "handed to the shell"};
    }
    platform::Files& files() override { return real_.files(); }
    platform::Volumes& volumes() override { return real_.volumes(); }
    platform::Environment& environment() override { return real_.environment(); }
    platform::Registry& registry() override { return real_.registry(); }
    platform::Processes& processes() override { return real_.processes(); }
    platform::RecycleBin& recycleBin() override { return *this; }
    platform::Http& http() override { return real_.http(); }
    platform::Clock& clock() override { return real_.clock(); }

    std::vector<std::string> handed;

private:
    platform::Machine& real_;
};

std::string WithSlashes(std::string path) {
    for (char& c : path) {
        c = c == '\\' ? '/' : c;
    }
    return path;
}

TEST_F(PathGuardWin32, RefusesEveryOtherSpellingOfAProtectedFile) {
    File("Windows\\Temp\\setup.log");
    File("Program Files\\App\\app.exe");
    File("Docs\\report.txt");
    const std::string setup = Path("Windows\\Temp\\setup.log");
    ASSERT_TRUE(TestSimpleFileRoot(*machine_, Path("Docs\\report.txt")));
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"verbatim", "\\\\?\\" + setup},
        {"device", "\\\\.\\" + setup},
        {"verbatim, slashes", "//?/" + WithSlashes(setup)},
        {"object manager", "\\??\\" + setup},
        {"verbatim personal", "\\\\?\\" + Path("Docs\\report.txt")},
        {"forward slashes", WithSlashes(setup)},
        {"..", Path("Docs\\..\\Windows\\Temp\\setup.log")},
        {"trailing dot", setup + "."},
        {"trailing space", setup + " "},
        {"trailing dot on a folder", Path("Windows.\\Temp\\setup.log")},
        // Everything after a NUL is lost at the Windows call.
        {"NUL", Path("Docs\\report.txt") + std::string("\0\\..\\..\\Windows", 15)},
        {"case", Path("WINDOWS\\temp\\Setup.LOG")},
        {"stream", Path("Docs\\report.txt:secret")},
        {"device name", Path("Docs\\nul.txt")},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(TestSimpleFileRoot(*machine_, c.path)) << c.what << ": " << c.path;
    }
    // A protected folder that cannot be placed could be anywhere.
    machine_->environment().Set("ProgramFiles", "\\\\?\\" + Path("Program Files"));
    EXPECT_FALSE(TestSimpleFileRoot(*machine_, Path("Docs\\report.txt")));
}

TEST_F(PathGuardWin32, ShortNamesAreJudgedInTheirLongForm) {
    File("Program Files\\App\\app.exe");
    File("Docs\\Long document name.txt");
    const std::string shortProgramFiles = ShortPath(Path("Program Files"));
    const std::string shortDocument = ShortPath(Path("Docs\\Long document name.txt"));
    if (shortProgramFiles.empty() || shortDocument.empty()) {
        GTEST_SKIP() << "this file system gives \"Program Files\" and \"Long document name.txt\" "
                        "no short names";
    }
    EXPECT_FALSE(TestSimpleFileRoot(*machine_, shortProgramFiles + "\\App\\app.exe"))
        << shortProgramFiles;
    EXPECT_TRUE(TestSimpleFileRoot(*machine_, shortDocument)) << shortDocument;

    const std::vector<std::string> roots = ValidateIndexRoots(*machine_, {ShortPath(Path("Docs"))});
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_TRUE(base::EqualsIgnoreCase(roots[0], Path("Docs"))) << roots[0];

    // A protected folder given by its short name still covers its long name.
    machine_->environment().Set("ProgramFiles", shortProgramFiles);
    EXPECT_FALSE(TestSimpleFileRoot(*machine_, Path("Program Files\\App\\app.exe")));
}

TEST_F(PathGuardWin32, TheRemovalStepTakesOnlyTheListedFile) {
    File("Docs\\report.txt");
    File("Docs\\Long document name.txt");
    File("Real\\inside.txt");
    File("Windows\\Temp\\setup.log");
    RefusingMachine machine(*machine_);
    const std::string outside = "مسار خارج مجلداتك أو داخل مجلد محمي";
    const std::string gone = Path("Docs\\gone.txt");
    struct Case {
        std::string what;
        std::string path;
        std::string reason;
    };
    std::vector<Case> cases = {
        {"verbatim", "\\\\?\\" + Path("Docs\\report.txt"), outside},
        {"trailing dot", Path("Docs\\report.txt."), outside},
        {"trailing space", Path("Docs\\report.txt "), outside},
        {"forward slashes", WithSlashes(Path("Docs\\report.txt")), outside},
        {"..", Path("Docs\\..\\Docs\\report.txt"), outside},
        {"protected", Path("Windows\\Temp\\setup.log"), outside},
        {"protected, gone", Path("Windows\\Temp\\gone.log"), outside},
        {"gone since listed", gone, machine_->files().ReadInfo(gone).error().message},
    };
    if (const std::string shortDocument = ShortPath(Path("Docs\\Long document name.txt"));
        !shortDocument.empty()) {
        cases.push_back({"short name", shortDocument, outside});
    } else {
        std::printf("[   INFO   ] no short names here: the short-name case is left out\n");
    }
    if (MakeLink("Docs\\deep\\linked", "Real", true)) {
        cases.push_back({"under a linked folder", Path("Docs\\deep\\linked\\inside.txt"), outside});
    } else {
        std::printf("[   INFO   ] no symbolic links here: the linked-folder case is left out\n");
    }
    for (const Case& c : cases) {
        RecycleOutcome outcome = RecycleOneFile(machine, {c.path, 0, 0},
                                                RecycleChecks{RemovalFlow::MyFiles, {work_}}, 0);
        EXPECT_FALSE(outcome.removed) << c.what;
        EXPECT_EQ(outcome.reason, c.reason) << c.what << ": " << c.path;
    }
    EXPECT_TRUE(machine.handed.empty());
    EXPECT_TRUE(machine_->files().Exists(Path("Docs\\report.txt")));
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
