#pragma once
// The launcher's first step: a quick, silent look at the version the update
// host publishes, and an offer of the download page when it is newer.

#include "platform/win32/windows_api.h"

#include <functional>
#include <shellapi.h>
#include <wininet.h>

namespace vexo::app {

// The system calls the check makes, in the order it makes them. The product
// passes the system's own; a test passes stand-ins that record each call.
struct StartupCheckCalls {
    decltype(&::InternetOpenW) internetOpen;
    decltype(&::InternetSetOptionW) internetSetOption;
    decltype(&::InternetOpenUrlW) internetOpenUrl;
    decltype(&::HttpQueryInfoW) httpQueryInfo;
    decltype(&::InternetReadFile) internetReadFile;
    decltype(&::MessageBoxW) messageBox;
    decltype(&::ShellExecuteW) shellExecute;
    decltype(&::InternetCloseHandle) internetCloseHandle;
};

// The system's own calls.
const StartupCheckCalls& SystemStartupCheckCalls();

// Where the version file and the download page are (wide, NUL-terminated).
extern const wchar_t kVersionFileUrl[];
extern const wchar_t kDownloadPageUrl[];

// Asks the update host for its version file (at most 2500 ms for each of
// connecting, sending and receiving, always from the server, nothing
// cached), and when the first 31 bytes announce a version from 24 to 999,
// asks the user whether to open the download page, and opens it on Yes.
// Every failure is silent. `mayPrompt`, when given, is asked just before the
// prompt and can still refuse it.
void RunStartupCheck(const StartupCheckCalls& calls = SystemStartupCheckCalls(),
                     const std::function<bool()>& mayPrompt = {});

// How long the launch waits for the look at most: the four bounded steps
// (connecting, sending, receiving, the one read) with room to spare.
inline constexpr DWORD kStartupCheckBoundMs = 10000;

// The look as the launcher runs it before the launch: RunStartupCheck on a
// thread of its own, waited for at most `boundMs`. Some WinINet builds let a
// server that accepts the connection and then says nothing (not even the
// TLS handshake) hold the request past its time-outs; the UI must start all
// the same. A look left behind never prompts afterwards; a prompt already on
// the screen is waited for, as the user is reading it.
void RunStartupCheckWithin(DWORD boundMs,
                           const StartupCheckCalls& calls = SystemStartupCheckCalls());

} // namespace vexo::app
