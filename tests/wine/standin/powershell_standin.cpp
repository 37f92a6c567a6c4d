// A stand-in for Windows PowerShell, placed where setup.exe looks for the
// script host in the test prefix. It records how setup started it and what
// lay next to the installer, then ends with the status the test chose, so
// one program covers the installer that succeeds, fails or passes on its own
// code. Driven by the environment that setup passes on:
//   VEXO_STANDIN_RECORD  folder (Windows path) that receives command-line.txt
//                        and working-folder.txt (UTF-8) and a copy of each
//                        of the four files found in the working folder
//   VEXO_STANDIN_STATUS  the exit status (0 when unset)
//   VEXO_STANDIN_CHILD   when set, first starts a copy of itself that keeps
//                        the working folder until the file stop appears in
//                        the record folder (60 s at most), as the installed
//                        program does when the user opens it at the end
// A record that cannot be written ends it with 90, which no case chooses.

#include "platform/win32/windows_api.h"

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kChildReady[] = L"Local\\VexoStandinChildReady";
constexpr wchar_t kLingerArgument[] = L"--linger";

std::wstring Variable(const wchar_t* name) {
    wchar_t value[32768] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

bool WriteUtf8(const std::wstring& path, const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                        nullptr, nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == utf8.size();
}

std::wstring WorkingFolder() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// The child: holds the working folder it inherited until told to stop.
int Linger(const std::wstring& record) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, kChildReady);
    if (ready != nullptr) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    const std::wstring stop = record + L"\\stop";
    const ULONGLONG until = GetTickCount64() + 60000;
    while (GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < until) {
        Sleep(50);
    }
    WriteUtf8(record + L"\\child-ended.txt", L"ended");
    return 0;
}

// Starts the lingering copy and returns once it runs, so that it surely holds
// the working folder before setup tries to remove it.
bool StartChild() {
    wchar_t own[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kChildReady);
    if (ready == nullptr) {
        return false;
    }
    std::wstring commandLine = L"\"" + std::wstring(own) + L"\" " + kLingerArgument;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    bool started = CreateProcessW(own, commandLine.data(), nullptr, nullptr, FALSE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process) != 0;
    if (started) {
        started = WaitForSingleObject(ready, 30000) == WAIT_OBJECT_0;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(ready);
    return started;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const std::wstring record = Variable(L"VEXO_STANDIN_RECORD");
    if (record.empty()) {
        return 90;
    }
    if (std::wcscmp(arguments, kLingerArgument) == 0) {
        return Linger(record);
    }
    const std::wstring folder = WorkingFolder();
    if (!WriteUtf8(record + L"\\command-line.txt", GetCommandLineW()) ||
        !WriteUtf8(record + L"\\working-folder.txt", folder)) {
        return 90;
    }
    for (const wchar_t* name :
         {L"Install.ps1", L"VexoSolvane.exe", L"VexoSolvane.ico", L"Uninstall.ps1"}) {
        CopyFileW((folder + L"\\" + name).c_str(), (record + L"\\" + name).c_str(), FALSE);
    }
    if (!Variable(L"VEXO_STANDIN_CHILD").empty() && !StartChild()) {
        return 90;
    }
    return _wtoi(Variable(L"VEXO_STANDIN_STATUS").c_str());
}
