// Processes, the shell's verbs, the Recycle Bin and HTTPS on the Windows API.

#include "base/utf.h"
#include "platform/path_rules.h"
#include "platform/win32/errors.h"
#include "platform/win32/factories.h"
#include "platform/windows_errors.h"

#include <shellapi.h>
#include <winhttp.h>

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

// The system's HTTP client. It keeps no cache of its own; the request asks
// every cache on the way (a proxy's) neither to answer it nor to keep it.
constexpr wchar_t kUncachedHeaders[] = L"Cache-Control: no-cache, no-store\r\nPragma: no-cache";

// Some builds of the client report a time-out in the socket's words
// (WSAETIMEDOUT); the user is told the client's own.
base::Error WebError(DWORD code) {
    constexpr DWORD kSocketTimedOut = 10060;
    return InternetError(code == kSocketTimedOut ? ERROR_WINHTTP_TIMEOUT : code);
}

class Win32Http final : public Http {
public:
    base::Result<HttpResponse> Get(const HttpRequest& request) override {
        const std::wstring url = base::Widen(request.url);
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = static_cast<DWORD>(-1);
        parts.dwUrlPathLength = static_cast<DWORD>(-1);
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
            return WebError(::GetLastError());
        }
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

        // The system's proxy settings, as the user configured them.
        const std::wstring agent = base::Widen(request.userAgent);
        UniqueInternetHandle session(
            ::WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0));
        if (session.get() == nullptr) {
            session.reset(::WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        }
        if (session.get() == nullptr) {
            return WebError(::GetLastError());
        }
        const int response = request.responseTimeoutMs;
        ::WinHttpSetTimeouts(session.get(), response, response, response, response);
        UniqueInternetHandle connection(
            ::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
        if (connection.get() == nullptr) {
            return WebError(::GetLastError());
        }
        const DWORD flags = WINHTTP_FLAG_REFRESH |
                            (parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
        UniqueInternetHandle get(::WinHttpOpenRequest(connection.get(), L"GET", path.c_str(),
                                                      nullptr, WINHTTP_NO_REFERER,
                                                      WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
        if (get.get() == nullptr) {
            return WebError(::GetLastError());
        }
        DWORD headersWait = static_cast<DWORD>(response);
        ::WinHttpSetOption(get.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersWait,
                           sizeof headersWait);
        if (!::WinHttpSendRequest(get.get(), kUncachedHeaders, static_cast<DWORD>(-1),
                                  WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !::WinHttpReceiveResponse(get.get(), nullptr)) {
            return WebError(::GetLastError());
        }
        HttpResponse answer;
        DWORD status = 0;
        DWORD size = sizeof status;
        if (::WinHttpQueryHeaders(get.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                  WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                  WINHTTP_NO_HEADER_INDEX)) {
            answer.status = static_cast<int>(status);
        }
        wchar_t reason[256] = {};
        DWORD reasonSize = sizeof reason - sizeof(wchar_t);
        if (::WinHttpQueryHeaders(get.get(), WINHTTP_QUERY_STATUS_TEXT,
                                  WINHTTP_HEADER_NAME_BY_INDEX, reason, &reasonSize,
                                  WINHTTP_NO_HEADER_INDEX)) {
            answer.reason = base::Narrow(std::wstring_view(reason, reasonSize / sizeof(wchar_t)));
        }
        DWORD readWait = static_cast<DWORD>(request.readTimeoutMs);
        ::WinHttpSetOption(get.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &readWait, sizeof readWait);
        char buffer[16384];
        for (;;) {
            DWORD read = 0;
            if (!::WinHttpReadData(get.get(), buffer, sizeof buffer, &read)) {
                return WebError(::GetLastError());
            }
            if (read == 0) {
                break;
            }
            answer.body.append(buffer, read);
            if (answer.body.size() > request.maxBodyBytes) {
                answer.body.resize(request.maxBodyBytes);
                answer.cut = true;
                break;
            }
        }
        return answer;
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
