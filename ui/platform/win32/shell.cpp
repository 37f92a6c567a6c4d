// Processes, the shell's verbs, the Recycle Bin and HTTPS on the Windows API.

#include "base/utf.h"
#include "platform/path_rules.h"
#include "platform/win32/errors.h"
#include "platform/win32/factories.h"
#include "platform/windows_errors.h"

#include <shellapi.h>
#include <wininet.h>

namespace vexo::platform::win32 {
namespace {

// ---------------------------------------------------------------------------
// Processes

class Win32Process final : public Process {
public:
    explicit Win32Process(HANDLE process) : process_(process) {}

    base::Result<int> Wait(int tickMs, const std::function<bool()>& onTick) override {
        const DWORD slice = tickMs > 0 ? static_cast<DWORD>(tickMs) : 0;
        for (;;) {
            DWORD rc = ::WaitForSingleObject(process_.get(), slice);
            if (rc == WAIT_OBJECT_0) {
                break;
            }
            if (rc == WAIT_FAILED) {
                return SystemError(::GetLastError());
            }
            if (onTick && !onTick()) {
                return SystemError(ERROR_CANCELLED);
            }
        }
        DWORD code = 0;
        if (!::GetExitCodeProcess(process_.get(), &code)) {
            return SystemError(::GetLastError());
        }
        return static_cast<int>(code);
    }

    bool HasExited() override { return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }

private:
    UniqueKernelHandle process_;
};

class Win32Processes final : public Processes {
public:
    base::Result<std::unique_ptr<Process>> Start(const ProcessLaunch& launch) override {
        std::wstring application = base::Widen(launch.application);
        std::wstring commandLine = base::Widen(launch.commandLine); // CreateProcessW writes to it
        std::wstring folder = base::Widen(launch.workingFolder);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        DWORD flags = CREATE_UNICODE_ENVIRONMENT | (launch.noWindow ? CREATE_NO_WINDOW : 0);
        if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(),
                              commandLine.empty() ? nullptr : commandLine.data(), nullptr, nullptr,
                              FALSE, flags, nullptr, folder.empty() ? nullptr : folder.c_str(),
                              &startup, &info)) {
            return SystemError(::GetLastError());
        }
        ::CloseHandle(info.hThread);
        return std::unique_ptr<Process>(std::make_unique<Win32Process>(info.hProcess));
    }

    base::Result<std::unique_ptr<Process>> OpenWithShell(const ShellLaunch& launch) override {
        std::wstring verb = base::Widen(launch.verb);
        std::wstring file = base::Widen(launch.file);
        std::wstring arguments = base::Widen(launch.arguments);
        std::wstring folder = base::Widen(launch.workingFolder);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOASYNC | (launch.wantProcess ? SEE_MASK_NOCLOSEPROCESS : 0) |
                     (launch.noErrorUi ? SEE_MASK_FLAG_NO_UI : 0);
        // Verbs such as "properties" live on the item's context menu, which
        // the shell consults only when asked to.
        if (launch.verb == "properties") {
            info.fMask |= SEE_MASK_INVOKEIDLIST;
        }
        info.hwnd = reinterpret_cast<HWND>(launch.owner);
        info.lpVerb = verb.empty() ? nullptr : verb.c_str();
        info.lpFile = file.c_str();
        info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
        info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (!::ShellExecuteExW(&info)) {
            return SystemError(::GetLastError());
        }
        if (!launch.wantProcess || info.hProcess == nullptr) {
            return std::unique_ptr<Process>();
        }
        return std::unique_ptr<Process>(std::make_unique<Win32Process>(info.hProcess));
    }
};

// ---------------------------------------------------------------------------
// Recycle Bin

// SHFileOperationW answers with the old DE_* codes of Windows 95 for some
// failures; these are the system errors they stand for.
DWORD SystemCodeOfShellResult(int rc) {
    switch (rc) {
    case 0x75: // DE_OPCANCELLED
        return ERROR_CANCELLED;
    case 0x78: // DE_ACCESSDENIEDSRC
        return ERROR_ACCESS_DENIED;
    case 0x79: // DE_PATHTOODEEP
    case 0x81: // DE_FILENAMETOOLONG
    case 0xB7: // DE_ERROR_MAX
        return ERROR_FILENAME_EXCED_RANGE;
    case 0x7C: // DE_INVALIDFILES
        return ERROR_FILE_NOT_FOUND;
    case 0x402: // an unknown error, "typically an invalid path"
        return ERROR_PATH_NOT_FOUND;
    default:
        return static_cast<DWORD>(rc);
    }
}

class Win32RecycleBin final : public RecycleBin {
public:
    base::Status Recycle(const std::string& path, NativeWindow owner) override {
        // The list of sources ends with two nulls.
        std::wstring from = base::Widen(path);
        from.push_back(L'\0');
        SHFILEOPSTRUCTW op{};
        op.hwnd = reinterpret_cast<HWND>(owner);
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        // Only FOF_ALLOWUNDO: the shell's confirmation, progress and error
        // dialogs all stay, so the shell asks before anything is lost.
        op.fFlags = FOF_ALLOWUNDO;
        int rc = ::SHFileOperationW(&op);
        if (rc == 0 && !op.fAnyOperationsAborted) {
            return {};
        }
        DWORD code = rc == 0 ? ERROR_CANCELLED : SystemCodeOfShellResult(rc);
        return SystemError(code);
    }
};

// ---------------------------------------------------------------------------
// HTTPS

class Win32Http final : public Http {
public:
    base::Result<HttpResponse> Get(const HttpRequest& request) override {
        UniqueInternetHandle session(::InternetOpenW(base::Widen(request.userAgent).c_str(),
                                                     INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                                     0));
        if (session.get() == nullptr) {
            return InternetError(::GetLastError());
        }
        auto setTimeout = [&](DWORD option, int ms) {
            DWORD value = static_cast<DWORD>(ms);
            ::InternetSetOptionW(session.get(), option, &value, sizeof value);
        };
        setTimeout(INTERNET_OPTION_CONNECT_TIMEOUT, request.connectTimeoutMs);
        setTimeout(INTERNET_OPTION_SEND_TIMEOUT, request.sendTimeoutMs);
        setTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT, request.receiveTimeoutMs);

        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI;
        if (request.url.rfind("https:", 0) == 0) {
            flags |= INTERNET_FLAG_SECURE;
        }
        UniqueInternetHandle url(::InternetOpenUrlW(session.get(), base::Widen(request.url).c_str(),
                                                    nullptr, 0, flags, 0));
        if (url.get() == nullptr) {
            return InternetError(::GetLastError());
        }
        HttpResponse response;
        DWORD status = 0;
        DWORD size = sizeof status;
        if (::HttpQueryInfoW(url.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                             &size, nullptr)) {
            response.status = static_cast<int>(status);
        }
        char buffer[16384];
        for (;;) {
            DWORD read = 0;
            if (!::InternetReadFile(url.get(), buffer, sizeof buffer, &read)) {
                return InternetError(::GetLastError());
            }
            if (read == 0) {
                break;
            }
            response.body.append(buffer, read);
        }
        return response;
    }
};

} // namespace

std::unique_ptr<Processes> MakeProcesses() {
    return std::make_unique<Win32Processes>();
}
std::unique_ptr<RecycleBin> MakeRecycleBin() {
    return std::make_unique<Win32RecycleBin>();
}
std::unique_ptr<Http> MakeHttp() {
    return std::make_unique<Win32Http>();
}

} // namespace vexo::platform::win32
