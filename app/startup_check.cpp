#include "startup_check.h"

#include "startup_version.h"

#include <cwchar>

#ifndef VEXO_UPDATE_HOST
#error "VEXO_UPDATE_HOST names the update host; the build sets it"
#endif

namespace vexo::app {
namespace {

#define VEXO_WIDE_(text) L##text
#define VEXO_WIDE(text) VEXO_WIDE_(text)

constexpr wchar_t kUserAgent[] = L"VexoTolvik/23";
constexpr DWORD kTimeoutMs = 2500;
// Always from the server, never written to the cache, over TLS.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE;
static_assert(kRequestFlags == 0x84800000);
constexpr UINT kPromptStyle = MB_YESNO | MB_ICONINFORMATION | MB_RTLREADING;
static_assert(kPromptStyle == 0x100044);
constexpr wchar_t kPromptFormat[] =
    L"يتوفر إصدار أحدث v%u. نسختك الحالية v23.\r\nهل تريد فتح صفحة فيكسو لتحميل التحديث؟";
constexpr wchar_t kPromptCaption[] = L"تحديث برنامج فيكسو";

const StartupCheckCalls kSystemCalls = {
    ::InternetOpenW,    ::InternetSetOptionW, ::InternetOpenUrlW, ::HttpQueryInfoW,
    ::InternetReadFile, ::MessageBoxW,        ::ShellExecuteW,    ::InternetCloseHandle,
};

// Reads the version once and offers the download page when it is newer.
void OfferWhenNewer(const StartupCheckCalls& calls, HINTERNET request,
                    const std::function<bool()>& mayPrompt) {
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (!calls.httpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                             &statusSize, nullptr) ||
        status != 200) {
        return;
    }
    // Only this one read is judged; the rest of the body is never read.
    unsigned char buffer[kStartupReadBytes + 1] = {};
    DWORD read = 0;
    if (!calls.internetReadFile(request, buffer, kStartupReadBytes, &read) || read == 0) {
        return;
    }
    const std::optional<unsigned> version =
        StartupOfferedVersion(buffer, read < kStartupReadBytes ? read : kStartupReadBytes);
    if (!version || (mayPrompt && !mayPrompt())) {
        return;
    }
    wchar_t prompt[300] = {};
    std::swprintf(prompt, 300, kPromptFormat, *version);
    if (calls.messageBox(nullptr, prompt, kPromptCaption, kPromptStyle) == IDYES) {
        calls.shellExecute(nullptr, L"open", kDownloadPageUrl, nullptr, nullptr, SW_SHOWNORMAL);
    }
}

// Who decides once the bound has passed: the look, when it reached its
// prompt first, or the launch, which then leaves the look behind.
enum : LONG { kLooking = 0, kPrompting = 1, kLeftBehind = 2 };

struct BoundedLook {
    const StartupCheckCalls* calls;
    volatile LONG state;
};

DWORD WINAPI LookThread(void* parameter) {
    auto* look = static_cast<BoundedLook*>(parameter);
    RunStartupCheck(*look->calls, [look] {
        return ::InterlockedCompareExchange(&look->state, kPrompting, kLooking) == kLooking;
    });
    return 0;
}

} // namespace

const wchar_t kVersionFileUrl[] = L"https://" VEXO_WIDE(VEXO_UPDATE_HOST) L"/tolvik/version.txt";
const wchar_t kDownloadPageUrl[] = L"https://" VEXO_WIDE(VEXO_UPDATE_HOST) L"/tolvik/index.html";

const StartupCheckCalls& SystemStartupCheckCalls() {
    return kSystemCalls;
}

void RunStartupCheck(const StartupCheckCalls& calls, const std::function<bool()>& mayPrompt) {
    HINTERNET internet =
        calls.internetOpen(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (internet == nullptr) {
        return;
    }
    DWORD timeout = kTimeoutMs;
    calls.internetSetOption(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    calls.internetSetOption(internet, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    calls.internetSetOption(internet, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof timeout);
    HINTERNET request =
        calls.internetOpenUrl(internet, kVersionFileUrl, nullptr, 0, kRequestFlags, 0);
    if (request == nullptr) {
        calls.internetCloseHandle(internet);
        return;
    }
    OfferWhenNewer(calls, request, mayPrompt);
    calls.internetCloseHandle(request);
    calls.internetCloseHandle(internet);
}

} // namespace vexo::app

namespace vexo::app {

void RunStartupCheckWithin(DWORD boundMs, const StartupCheckCalls& calls) {
    // On the heap: a look left behind goes on using it until the process ends.
    auto* look = new BoundedLook{&calls, kLooking};
    HANDLE thread = ::CreateThread(nullptr, 0, LookThread, look, 0, nullptr);
    if (thread == nullptr) {
        delete look;
        RunStartupCheck(calls);
        return;
    }
    bool finished = ::WaitForSingleObject(thread, boundMs) == WAIT_OBJECT_0;
    if (!finished &&
        ::InterlockedCompareExchange(&look->state, kLeftBehind, kLooking) == kPrompting) {
        ::WaitForSingleObject(thread, INFINITE);
        finished = true;
    }
    ::CloseHandle(thread);
    if (finished) {
        delete look;
    }
}

} // namespace vexo::app
