#include "ui_host_launch.h"

#include "platform/win32/windows_api.h"
#include "resource_ids.h"

#include <string>

namespace vexo::app {
namespace {

constexpr wchar_t kCaption[] = L"Vexo";
constexpr wchar_t kCannotStart[] = L"تعذر تشغيل واجهة البرنامج";
constexpr wchar_t kUiFailed[] = L"تعذر بدء الواجهة. أرسل صورة الرسالة للمتابعة.";

void ShowError(const wchar_t* text) {
    MessageBoxW(nullptr, text, kCaption, MB_OK | MB_ICONERROR);
}

struct Payload {
    const void* data = nullptr;
    DWORD size = 0;
};

// The UI application's executable, carried byte for byte as a resource.
bool FindPayload(Payload& payload) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(VEXO_UI_PAYLOAD_ID), RT_RCDATA);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(nullptr, resource);
    payload.size = SizeofResource(nullptr, resource);
    payload.data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return payload.data != nullptr && payload.size > 0;
}

// Writes the payload into the file the unique-name service created; a short
// write counts as a failure, so no partial program is ever started.
bool WritePayload(const wchar_t* path, const Payload& payload) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, payload.data, payload.size, &written, nullptr);
    CloseHandle(file);
    return ok && written == payload.size;
}

// The launcher's own path for the UI's window icon; left unset when it
// cannot be read, as the UI then shows the default icon.
void PublishOwnPath() {
    wchar_t own[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        SetEnvironmentVariableW(L"VEXO_APP_EXE23", own);
    }
}

// Runs the UI file without a console window in the launcher's environment
// and waits for it. The quoted command line alone names the program, as it
// would name a script host. Returns false when the process could not be
// created.
bool RunAndWait(const wchar_t* uiFile, DWORD& exitCode) {
    std::wstring commandLine = L"\"";
    commandLine += uiFile;
    commandLine += L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode)) {
        exitCode = 0;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

int LaunchUiHost() {
    wchar_t tempFolder[MAX_PATH + 1] = {};
    const DWORD tempLength = GetTempPathW(MAX_PATH + 1, tempFolder);
    if (tempLength == 0 || tempLength > MAX_PATH) {
        return 1;
    }
    wchar_t uiFile[MAX_PATH] = {};
    if (GetTempFileNameW(tempFolder, L"vxt", 0, uiFile) == 0) {
        return 1;
    }
    Payload payload;
    if (!FindPayload(payload) || !WritePayload(uiFile, payload)) {
        DeleteFileW(uiFile);
        return 1;
    }
    PublishOwnPath();
    SetEnvironmentVariableW(L"VEXO_UI_FILE_V23", uiFile);

    DWORD exitCode = 0;
    if (!RunAndWait(uiFile, exitCode)) {
        DeleteFileW(uiFile);
        ShowError(kCannotStart);
        return 1;
    }
    DeleteFileW(uiFile);
    if (exitCode != 0) {
        ShowError(kUiFailed);
    }
    return static_cast<int>(exitCode);
}

} // namespace vexo::app
