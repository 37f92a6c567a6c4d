// The contract world of the Windows build: the real adapter, run under Wine
// (drives C: and Z:, the user's temporary folder, HKCU\Software\VexoTest).

#include "base/utf.h"
#include "contract_world.h"
#include "platform/path_rules.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/windows_api.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace vexo::platform::contract {
namespace {

class Win32HeldFile final : public HeldFile {
public:
    explicit Win32HeldFile(HANDLE h) : h_(h) {}
    ~Win32HeldFile() override {
        if (h_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h_);
        }
    }
    Win32HeldFile(const Win32HeldFile&) = delete;
    Win32HeldFile& operator=(const Win32HeldFile&) = delete;

private:
    HANDLE h_;
};

// The shell's confirmation is a dialog made on the thread that called
// SHFileOperationW. A hook on that thread sees it being created and posts
// the user's answer, which the dialog takes once its own loop runs; no
// second thread, no polling.
HHOOK g_hook = nullptr;
std::atomic<int> g_answer{0};

LRESULT CALLBACK AnswerDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        ::GetClassNameW(window, name, 16);
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        bool topLevel = (create->lpcs->style & WS_CHILD) == 0;
        if (topLevel && std::wstring_view(name) == L"#32770" && g_answer != 0) {
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(g_answer.load(), BN_CLICKED), 0);
            // A box without that button (an error with OK only) closes on
            // Cancel instead, so no dialog can hold the suite up.
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

class Win32World final : public World {
public:
    Win32World() : machine_(win32::CreateWin32Machine()) {
        g_hook = ::SetWindowsHookExW(WH_CBT, AnswerDialogs, nullptr, ::GetCurrentThreadId());
        // Wine gives every first process the same id, so the name also
        // carries the time; a folder left by a killed run is never reused.
        static std::atomic<int> counter{0};
        for (;;) {
            scratch_ = machine_->environment().TempPath() + "vexo-contract-" +
                       std::to_string(::GetTickCount64()) + "-" + std::to_string(++counter);
            if (::CreateDirectoryW(base::Widen(scratch_).c_str(), nullptr)) {
                break;
            }
        }
        key_ = "Software\\VexoTest\\Contract-" + std::to_string(::GetCurrentProcessId());
    }

    ~Win32World() override {
        ::UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
        g_answer = 0;
        RemoveTree(scratch_);
        // Wine cannot delete a Unix link; the host's rm can (and follows none).
        if (UnderWine() &&
            ::GetFileAttributesW(base::Widen(scratch_).c_str()) != INVALID_FILE_ATTRIBUTES) {
            RunUnix(L"Z:\\bin\\rm", "rm -rf \"" + UnixPath(scratch_) + "\"");
        }
        (void)machine_->registry().DeleteKeyTree(Hive::CurrentUser, "Software\\VexoTest");
        ForgetRemovedTrash();
    }

    Machine& machine() override { return *machine_; }
    std::string Scratch() override { return scratch_; }
    std::string ScratchKey() override { return key_; }

    // Wine 8's CreateSymbolicLinkW does nothing and says it succeeded, and
    // it has no junctions; but it shows a Unix symbolic link as a reparse
    // point, as Windows shows its own. So under Wine the link is made by the
    // host's `ln`, which Wine starts as a Unix program without a handle to
    // wait on: the folder's change notification tells when the link is there.
    bool MakeFolderLink(const std::string& link, const std::string& target) override {
        if (!UnderWine()) {
            return ::CreateSymbolicLinkW(base::Widen(link).c_str(), base::Widen(target).c_str(),
                                         SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
        }
        std::wstring folder = base::Widen(*paths::Parent(link));
        HANDLE change = ::FindFirstChangeNotificationW(
            folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
        bool started = RunUnix(L"Z:\\bin\\ln",
                               "ln -s \"" + UnixPath(target) + "\" \"" + UnixPath(link) + "\"");
        std::wstring wlink = base::Widen(link);
        for (int i = 0;
             started && i < 100 && ::GetFileAttributesW(wlink.c_str()) == INVALID_FILE_ATTRIBUTES;
             ++i) {
            if (change != INVALID_HANDLE_VALUE) {
                ::WaitForSingleObject(change, 100);
                ::FindNextChangeNotification(change);
            }
        }
        if (change != INVALID_HANDLE_VALUE) {
            ::FindCloseChangeNotification(change);
        }
        return ::GetFileAttributesW(wlink.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    void MakeHidden(const std::string& path) override {
        std::wstring wide = base::Widen(path);
        ::SetFileAttributesW(wide.c_str(),
                             ::GetFileAttributesW(wide.c_str()) | FILE_ATTRIBUTE_HIDDEN);
    }

    std::string ShortNameOf(const std::string& path) override {
        const std::wstring wide = base::Widen(path);
        wchar_t shortPath[MAX_PATH] = {};
        const DWORD written = ::GetShortPathNameW(wide.c_str(), shortPath, MAX_PATH);
        if (written == 0 || written >= MAX_PATH) {
            return {};
        }
        const std::string alias(paths::FileName(base::Narrow(shortPath)));
        return alias == paths::FileName(path) ? std::string() : alias;
    }

    bool MakeUnreadable(const std::string&) override { return false; }

    std::unique_ptr<HeldFile> HoldExclusively(const std::string& path) override {
        return std::make_unique<Win32HeldFile>(::CreateFileW(base::Widen(path).c_str(),
                                                             GENERIC_READ | GENERIC_WRITE, 0,
                                                             nullptr, OPEN_EXISTING, 0, nullptr));
    }

    ProcessLaunch ExitsWith(int code) override {
        return {Cmd(), "cmd.exe /c exit " + std::to_string(code), "", true};
    }

    ShellLaunch ShellExitsWith(int code) override {
        return {"open", Cmd(), "/c exit " + std::to_string(code), "", 0, true, true};
    }

    ProcessLaunch RunsUntilFileExists(const std::string& flag) override {
        return {Cmd(), "cmd.exe /c \":w & if not exist \"" + flag + "\" goto w\"", "", true};
    }

    void AnswerShellConfirmation(const std::string&, bool yes) override {
        g_answer = yes ? IDYES : IDNO;
    }

    // Wine moves recycled files to the freedesktop trash; the harness points
    // XDG_DATA_HOME into the prefix, and the Unix root is drive Z:.
    std::string RecycledFilesFolder() override {
        auto data = machine_->environment().Get("XDG_DATA_HOME");
        if (!data || data->empty() || (*data)[0] != '/') {
            return {};
        }
        std::string path = "Z:" + *data + "/Trash/files";
        for (char& c : path) {
            if (c == '/') {
                c = '\\';
            }
        }
        return path;
    }

private:
    std::string Cmd() {
        return machine_->environment().Get("ComSpec").value_or("C:\\windows\\system32\\cmd.exe");
    }

    // The tests take their recycled files back out of the trash; their
    // descriptions in Trash/info go too, so the trash does not grow run by run.
    void ForgetRemovedTrash() {
        const std::string files = RecycledFilesFolder();
        if (files.empty()) {
            return;
        }
        const std::string info = *paths::Parent(files) + "\\info";
        struct Names final : ListingSink {
            std::vector<std::string> names;
            bool OnEntry(const DirEntryView& e) override {
                names.emplace_back(e.name);
                return true;
            }
        } names;
        (void)machine_->files().ListFolder(info, names);
        const std::string suffix = ".trashinfo";
        for (const std::string& name : names.names) {
            if (name.size() > suffix.size() && name.ends_with(suffix) &&
                !machine_->files().Exists(
                    paths::Join(files, name.substr(0, name.size() - suffix.size())))) {
                (void)machine_->files().RemoveFile(paths::Join(info, name));
            }
        }
    }

    using UnixNameFn = char*(CDECL*)(const wchar_t*);

    static UnixNameFn UnixName() {
        return reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    }
    static bool UnderWine() { return UnixName() != nullptr; }

    static std::string UnixPath(const std::string& path) {
        char* name = UnixName()(base::Widen(path).c_str());
        std::string out = name ? name : "";
        ::HeapFree(::GetProcessHeap(), 0, name);
        return out;
    }

    // Starts a host program (Wine runs it as a Unix process, without a
    // handle to wait on).
    static bool RunUnix(const wchar_t* program, const std::string& commandLine) {
        std::wstring command = base::Widen(commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info)) {
            return false;
        }
        if (info.hProcess) {
            ::CloseHandle(info.hProcess);
        }
        if (info.hThread) {
            ::CloseHandle(info.hThread);
        }
        return true;
    }

    static std::wstring LongForm(const std::string& path) { return base::Widen("\\\\?\\" + path); }

    // Removes a folder with everything in it, never through a link: a link
    // goes as itself (std::filesystem under Wine would follow it).
    void RemoveTree(const std::string& folder) {
        struct Names final : ListingSink {
            std::vector<std::pair<std::string, std::uint32_t>> entries;
            bool OnEntry(const DirEntryView& e) override {
                entries.emplace_back(std::string(e.name), e.info.attributes);
                return true;
            }
        } names;
        (void)machine_->files().ListFolder(folder, names);
        // Links last: Wine deletes a link only once its target has gone.
        std::stable_partition(names.entries.begin(), names.entries.end(),
                              [](const auto& e) { return !(e.second & attr::ReparsePoint); });
        for (const auto& [name, attributes] : names.entries) {
            const std::string path = paths::Join(folder, name);
            if ((attributes & attr::Directory) && !(attributes & attr::ReparsePoint)) {
                RemoveTree(path);
                continue;
            }
            ::SetFileAttributesW(LongForm(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!::DeleteFileW(LongForm(path).c_str())) {
                ::RemoveDirectoryW(LongForm(path).c_str());
            }
        }
        ::RemoveDirectoryW(LongForm(folder).c_str());
    }

    std::unique_ptr<Machine> machine_;
    std::string scratch_;
    std::string key_;
};

} // namespace

std::unique_ptr<World> MakeWorld() {
    return std::make_unique<Win32World>();
}

} // namespace vexo::platform::contract
