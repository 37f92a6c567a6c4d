// setup.exe: writes the installer, the launcher, the icon and the uninstaller
// into a fresh folder of their own in the user's temporary folder, runs the
// installer with Windows PowerShell, removes everything again and tells the
// user when the installation did not end well. It has no window of its own:
// the installer asks its own questions and shows its own errors.

#include "payloads.h"
#include "platform/win32/windows_api.h"

#include <cwchar>

namespace {

struct Payload {
    int id;
    const wchar_t* name;
};

// Extracted in this order, and deleted in the same order afterwards.
constexpr Payload kPayloads[] = {
    {VEXO_SETUP_INSTALLER_ID, L"Install.ps1"},
    {VEXO_SETUP_LAUNCHER_ID, L"VexoSolvane.exe"},
    {VEXO_SETUP_ICON_ID, L"VexoSolvane.ico"},
    {VEXO_SETUP_UNINSTALLER_ID, L"Uninstall.ps1"},
};
constexpr int kPayloadCount = sizeof(kPayloads) / sizeof(kPayloads[0]);

constexpr DWORD kPathBuffer = 260;
constexpr DWORD kCommandLineBuffer = 2048;

constexpr wchar_t kFailed[] = L"تعذر إكمال التثبيت؛ أرسل نص الخطأ.";
constexpr wchar_t kCaption[] = L"VEXO SOLVANE Setup";

// Writes one payload to a file that must not exist yet. True only when the
// resource was there and every one of its bytes reached the file; a file
// that was created stays for the clean-up either way.
bool ExtractPayload(const Payload& payload, const wchar_t* path) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(payload.id), RT_RCDATA);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const DWORD size = SizeofResource(nullptr, resource);
    if (loaded == nullptr) {
        return false;
    }
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const void* data = LockResource(loaded);
    DWORD written = 0;
    const BOOL wrote = data != nullptr && WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);
    return wrote && written == size;
}

// Runs the installer in the extraction folder without a console window and
// waits for it. Leaves exitCode alone when the process cannot be created or
// its code cannot be read.
void RunInstaller(const wchar_t* systemFolder, const wchar_t* extractionFolder, DWORD& exitCode) {
    wchar_t commandLine[kCommandLineBuffer] = {};
    const int length = std::swprintf(
        commandLine, kCommandLineBuffer,
        L"\"%ls\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoProfile -STA -ExecutionPolicy "
        L"Bypass -File \"%ls\\Install.ps1\"",
        systemFolder, extractionFolder);
    if (length < 0) {
        return; // a command line cut short would run some other file
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        extractionFolder, &startup, &process)) {
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) {
        exitCode = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t tempFolder[kPathBuffer] = {};
    const DWORD tempLength = GetTempPathW(kPathBuffer, tempFolder);
    if (tempLength == 0 || tempLength >= kPathBuffer) {
        return 1;
    }
    // The unique-name service creates an empty file; its name becomes the
    // extraction folder, so no other run can pick the same one.
    wchar_t extractionFolder[kPathBuffer] = {};
    if (GetTempFileNameW(tempFolder, L"vxr", 0, extractionFolder) == 0) {
        return 1;
    }
    DeleteFileW(extractionFolder);
    if (!CreateDirectoryW(extractionFolder, nullptr)) {
        return 1;
    }

    wchar_t payloadPaths[kPayloadCount][kPathBuffer] = {};
    bool pathFormed[kPayloadCount] = {};
    bool allExtracted = true;
    for (int i = 0; i < kPayloadCount; ++i) {
        const int length = std::swprintf(payloadPaths[i], kPathBuffer, L"%ls\\%ls",
                                         extractionFolder, kPayloads[i].name);
        pathFormed[i] = length >= 0;
        if (!pathFormed[i] || !ExtractPayload(kPayloads[i], payloadPaths[i])) {
            allExtracted = false;
        }
    }

    DWORD exitCode = 1;
    wchar_t systemFolder[kPathBuffer] = {};
    if (allExtracted) {
        const DWORD systemLength = GetSystemDirectoryW(systemFolder, kPathBuffer);
        if (systemLength > 0 && systemLength < kPathBuffer) {
            RunInstaller(systemFolder, extractionFolder, exitCode);
        }
    }

    // Whatever happened: the payloads go, then the folder. A program the
    // installer started there keeps the folder as its working folder, and
    // Windows then refuses to remove it; that is left as it is.
    for (int i = 0; i < kPayloadCount; ++i) {
        if (pathFormed[i]) {
            DeleteFileW(payloadPaths[i]);
        }
    }
    RemoveDirectoryW(extractionFolder);

    if (exitCode != 0) {
        MessageBoxW(nullptr, kFailed, kCaption, MB_OK | MB_ICONERROR);
    }
    return static_cast<int>(exitCode);
}
