// A stand-in for a program's own uninstaller, registered in the test
// prefix's uninstall entries and started by the Programs section. It removes
// nothing but the entry it is told about, so what the section reports can be
// checked against what the uninstaller really did:
//
//   remove SUBKEY   deletes HKCU's uninstall entry SUBKEY and ends with 0
//                   (1 when the entry could not be deleted)
//   handoff CODE    starts a second copy of itself that lingers for two
//                   seconds, and ends at once with CODE; the entry stays, as
//                   with an uninstaller that hands its work to another window
//   linger          the second copy: waits two seconds and ends with 0
//
// A windowed program, so that no console window opens when the shell starts it.

#include "platform/win32/windows_api.h"

#include <cwchar>
#include <shellapi.h>
#include <string>

namespace {

constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kLingerMs = 2000;

int RemoveEntry(const std::wstring& subkey) {
    if (subkey.empty() || subkey.find(L'\\') != std::wstring::npos) {
        return 1; // only an entry of its own, never the whole location
    }
    const std::wstring key = std::wstring(kUninstallKey) + L"\\" + subkey;
    return RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str()) == ERROR_SUCCESS ? 0 : 1;
}

int HandOff(int code) {
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(own) + L"\" linger";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(own, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return 2;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return code;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        return 64;
    }
    const std::wstring mode = argv[1];
    const std::wstring operand = argc > 2 ? argv[2] : L"";
    int status = 64;
    if (mode == L"remove") {
        status = RemoveEntry(operand);
    } else if (mode == L"handoff") {
        status = HandOff(static_cast<int>(std::wcstol(operand.c_str(), nullptr, 10)));
    } else if (mode == L"linger") {
        Sleep(kLingerMs);
        status = 0;
    }
    LocalFree(argv);
    return status;
}
