// The launcher's startup check against stand-ins of the system calls: which
// calls it makes, in which order, with which arguments, for every way the
// look can end. The real WinINet against a real server is the end-to-end
// suite's part.

#include "startup_check.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace vexo::app {
namespace {

// What the stand-ins answer, and what they heard.
struct Script {
    bool openWorks = true;
    bool urlWorks = true;
    bool queryWorks = true;
    DWORD status = 200;
    bool readWorks = true;
    std::string body;
    int answer = IDNO;
    // Held until this event is set (none: answers at once).
    HANDLE urlHeldUntil = nullptr;
    DWORD promptShownMs = 0;
};
Script script;
// Written by the look's own thread when the launcher runs it on one; read
// once that thread has closed its internet handle (`lookEnded`).
std::mutex heardLock;
std::vector<std::wstring> heard;
HANDLE lookEnded = nullptr;

void Hear(std::wstring call) {
    std::lock_guard hold(heardLock);
    heard.push_back(std::move(call));
}
std::vector<std::wstring> Heard() {
    std::lock_guard hold(heardLock);
    return heard;
}

const auto kInternet = reinterpret_cast<HINTERNET>(0x1000);
const auto kRequest = reinterpret_cast<HINTERNET>(0x2000);

std::wstring Text(const wchar_t* text) {
    return text == nullptr ? L"null" : L"\"" + std::wstring(text) + L"\"";
}
std::wstring Hex(unsigned long long n) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%llx", n);
    return buffer;
}
std::wstring HandleName(HINTERNET h) {
    return h == kInternet  ? L"internet"
           : h == kRequest ? L"request"
                           : L"unknown " + Hex(reinterpret_cast<unsigned long long>(h));
}

HINTERNET WINAPI FakeOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
    Hear(L"InternetOpenW " + Text(agent) + L" access=" + std::to_wstring(access) + L" proxy=" +
         Text(proxy) + L" bypass=" + Text(bypass) + L" flags=" + Hex(flags));
    return script.openWorks ? kInternet : nullptr;
}

BOOL WINAPI FakeSetOption(HINTERNET h, DWORD option, LPVOID value, DWORD size) {
    Hear(L"InternetSetOptionW " + HandleName(h) + L" option=" + std::to_wstring(option) +
         L" value=" +
         (size == sizeof(DWORD) ? std::to_wstring(*static_cast<DWORD*>(value))
                                : L"size " + std::to_wstring(size)));
    return TRUE;
}

HINTERNET WINAPI FakeOpenUrl(HINTERNET h, LPCWSTR url, LPCWSTR headers, DWORD headersLength,
                             DWORD flags, DWORD_PTR context) {
    Hear(L"InternetOpenUrlW " + HandleName(h) + L" " + Text(url) + L" headers=" + Text(headers) +
         L"/" + std::to_wstring(headersLength) + L" flags=" + Hex(flags) + L" context=" +
         std::to_wstring(context));
    if (script.urlHeldUntil != nullptr) {
        ::WaitForSingleObject(script.urlHeldUntil, INFINITE);
    }
    return script.urlWorks ? kRequest : nullptr;
}

BOOL WINAPI FakeQuery(HINTERNET h, DWORD level, LPVOID buffer, LPDWORD size, LPDWORD index) {
    Hear(L"HttpQueryInfoW " + HandleName(h) + L" level=" + Hex(level) + L" size=" +
         std::to_wstring(*size) + L" index=" + (index ? L"given" : L"null"));
    if (!script.queryWorks) {
        return FALSE;
    }
    *static_cast<DWORD*>(buffer) = script.status;
    return TRUE;
}

BOOL WINAPI FakeRead(HINTERNET h, LPVOID buffer, DWORD toRead, LPDWORD read) {
    // The buffer must come zeroed and one byte longer than the read.
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    bool zeroed = true;
    for (DWORD i = 0; i <= toRead; ++i) {
        zeroed = zeroed && bytes[i] == 0;
    }
    Hear(L"InternetReadFile " + HandleName(h) + L" toRead=" + std::to_wstring(toRead) +
         (zeroed ? L" zeroed" : L" not zeroed"));
    if (!script.readWorks) {
        return FALSE;
    }
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(script.body.size(), toRead));
    std::memcpy(buffer, script.body.data(), n);
    *read = n;
    return TRUE;
}

int WINAPI FakeMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    Hear(L"MessageBoxW owner=" + std::wstring(owner ? L"given" : L"none") + L" " + Text(text) +
         L" " + Text(caption) + L" style=" + Hex(style));
    return script.answer;
}

HINSTANCE WINAPI FakeShellExecute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                  LPCWSTR folder, INT show) {
    Hear(L"ShellExecuteW owner=" + std::wstring(owner ? L"given" : L"none") + L" " + Text(verb) +
         L" " + Text(file) + L" " + Text(parameters) + L" " + Text(folder) + L" show=" +
         std::to_wstring(show));
    return reinterpret_cast<HINSTANCE>(33);
}

BOOL WINAPI FakeClose(HINTERNET h) {
    Hear(L"InternetCloseHandle " + HandleName(h));
    if (h == kInternet && lookEnded != nullptr) {
        ::SetEvent(lookEnded);
    }
    return TRUE;
}

const StartupCheckCalls kFakes = {FakeOpen, FakeSetOption,  FakeOpenUrl,      FakeQuery,
                                  FakeRead, FakeMessageBox, FakeShellExecute, FakeClose};

// The calls every look that reaches the server makes first.
std::vector<std::wstring> Opening() {
    return {
        L"InternetOpenW \"VexoTolvik/23\" access=0 proxy=null bypass=null flags=0",
        L"InternetSetOptionW internet option=2 value=2500",
        L"InternetSetOptionW internet option=6 value=2500",
        L"InternetSetOptionW internet option=5 value=2500",
        L"InternetOpenUrlW internet " + Text(kVersionFileUrl) +
            L" headers=null/0 flags=84800000 context=0",
    };
}
const std::wstring kQuery = L"HttpQueryInfoW request level=20000013 size=4 index=null";
const std::wstring kRead = L"InternetReadFile request toRead=31 zeroed";
const std::wstring kPrompt24 =
    L"MessageBoxW owner=none \"يتوفر إصدار أحدث v24. نسختك الحالية v23.\r\nهل تريد فتح صفحة "
    L"فيكسو لتحميل التحديث؟\" \"تحديث برنامج فيكسو\" style=100044";
const std::wstring kOpenPage =
    L"ShellExecuteW owner=none \"open\" " + Text(kDownloadPageUrl) + L" null null show=1";
const std::vector<std::wstring> kClosing = {L"InternetCloseHandle request",
                                            L"InternetCloseHandle internet"};

std::vector<std::wstring> Join(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(StartupCheck, TheUpdateHostsAddressesAreHttpsOnTheirPaths) {
    const std::wstring version = kVersionFileUrl;
    const std::wstring page = kDownloadPageUrl;
    EXPECT_EQ(version.rfind(L"https://", 0), 0u);
    EXPECT_TRUE(version.ends_with(L"/tolvik/version.txt")) << version;
    EXPECT_EQ(page,
              version.substr(0, version.size() - std::wcslen(L"version.txt")) + L"index.html");
}

struct Case {
    const char* what;
    Script script;
    std::vector<std::wstring> calls;
};

// The server answers 24 CR LF and the user says Yes, but for what `change` alters.
Script With(void (*change)(Script&)) {
    Script s;
    s.body = "24\r\n";
    s.answer = IDYES;
    change(s);
    return s;
}

TEST(StartupCheck, MakesItsCallsInOrderAndClosesWhatItOpened) {
    const Script yes = With([](Script&) {});
    const Script no = With([](Script& s) { s.answer = IDNO; });
    const Script zeros = With([](Script& s) {
        s.body = "0024";
        s.answer = IDNO;
    });
    const Script current = With([](Script& s) { s.body = "23"; });
    const Script missing = With([](Script& s) { s.status = 404; });
    const Script noStatus = With([](Script& s) { s.queryWorks = false; });
    const Script readFails = With([](Script& s) { s.readWorks = false; });
    const Script empty = With([](Script& s) { s.body = ""; });
    const Script unreachable = With([](Script& s) { s.urlWorks = false; });
    const Script noInternet = With([](Script& s) { s.openWorks = false; });

    const std::vector<std::wstring> opening = Opening();
    const Case cases[] = {
        {"24 and Yes: the prompt, then the download page", yes,
         Join(Join(opening, {kQuery, kRead, kPrompt24, kOpenPage}), kClosing)},
        {"24 and No: the prompt only", no,
         Join(Join(opening, {kQuery, kRead, kPrompt24}), kClosing)},
        {"0024 asks about v24", zeros, Join(Join(opening, {kQuery, kRead, kPrompt24}), kClosing)},
        {"23: nothing shown", current, Join(Join(opening, {kQuery, kRead}), kClosing)},
        {"status 404: nothing read", missing, Join(Join(opening, {kQuery}), kClosing)},
        {"no status: nothing read", noStatus, Join(Join(opening, {kQuery}), kClosing)},
        {"a failed read", readFails, Join(Join(opening, {kQuery, kRead}), kClosing)},
        {"an empty body", empty, Join(Join(opening, {kQuery, kRead}), kClosing)},
        {"no connection: only the internet handle is closed", unreachable,
         Join(opening, {L"InternetCloseHandle internet"})},
        {"no internet handle: nothing more", noInternet, {opening.front()}},
    };
    for (const Case& c : cases) {
        script = c.script;
        heard.clear();
        RunStartupCheck(kFakes);
        EXPECT_EQ(Heard(), c.calls) << c.what;
    }
}

// The launch waits for the look at most its bound. A look that is still
// waiting for the server then is left behind, and when its answer comes
// later it prompts no more; a prompt already shown is waited for.
class BoundedStartupCheck : public ::testing::Test {
protected:
    BoundedStartupCheck() {
        heard.clear();
        script = Script{};
        script.body = "24\r\n";
        script.answer = IDYES;
        lookEnded = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~BoundedStartupCheck() override {
        ::CloseHandle(lookEnded);
        lookEnded = nullptr;
    }
};

TEST_F(BoundedStartupCheck, AnAnswerWithinTheBoundIsTheWholeLook) {
    RunStartupCheckWithin(60000, kFakes);
    EXPECT_EQ(Heard(), Join(Join(Opening(), {kQuery, kRead, kPrompt24, kOpenPage}), kClosing));
}

TEST_F(BoundedStartupCheck, AServerThatHoldsTheRequestIsLeftBehindAndNeverPrompts) {
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    script.urlHeldUntil = release;
    RunStartupCheckWithin(100, kFakes); // returns although the request is held
    ::SetEvent(release);
    ASSERT_EQ(::WaitForSingleObject(lookEnded, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(Heard(), Join(Join(Opening(), {kQuery, kRead}), kClosing))
        << "the late answer shows no prompt";
    ::CloseHandle(release);
}

TEST_F(BoundedStartupCheck, APromptOnTheScreenWhenTheBoundPassesIsWaitedFor) {
    script.promptShownMs = 500;
    RunStartupCheckWithin(50, kFakes);
    // The look has ended before the launch goes on: Yes has opened the page.
    EXPECT_EQ(Heard(), Join(Join(Opening(), {kQuery, kRead, kPrompt24, kOpenPage}), kClosing));
}

} // namespace
} // namespace vexo::app
