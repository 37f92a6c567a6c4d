// A stand-in for the UI application, carried by a test launcher. It checks
// what the launcher promises the program it starts, then ends with the
// status named by VEXO_PROBE_STATUS (0 when unset), so one launcher covers
// the clean end and the failed start. A broken promise ends it with 90 plus
// the number of the first broken one, which the suite reports by name:
//   91  VEXO_UI_FILE_V23 is missing or does not name the running program
//   92  VEXO_APP_EXE23 is missing or does not name an existing .exe
//   93  the running program's file is not a "vxt" file in the temporary folder
// (The temporary attribute is not checked: Wine keeps only the hidden and
// system attributes of a file, so it cannot be read back there.)

#include "platform/win32/windows_api.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[32768] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : std::wstring();
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && _wcsicmp(FullPath(a).c_str(), FullPath(b).c_str()) == 0;
}

bool EndsWithExe(const std::wstring& path) {
    return path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".exe") == 0;
}

int BrokenPromise() {
    wchar_t own[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    const std::wstring uiFile = Variable(L"VEXO_UI_FILE_V23");
    if (!SameFile(uiFile, own)) {
        return 91;
    }
    const std::wstring launcher = Variable(L"VEXO_APP_EXE23");
    if (!EndsWithExe(launcher) || GetFileAttributesW(launcher.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return 92;
    }
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring expected = FullPath(temp) + L"vxt";
    const std::wstring actual = FullPath(own);
    if (actual.size() < expected.size() + 4 ||
        _wcsnicmp(actual.c_str(), expected.c_str(), expected.size()) != 0 ||
        _wcsicmp(actual.c_str() + actual.size() - 4, L".tmp") != 0) {
        return 93;
    }
    return 0;
}

} // namespace

int wmain() {
    if (const int broken = BrokenPromise(); broken != 0) {
        return broken;
    }
    return static_cast<int>(std::wcstol(Variable(L"VEXO_PROBE_STATUS").c_str(), nullptr, 10));
}
