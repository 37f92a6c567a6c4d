// The UI application's Windows entry point. The launcher starts this
// program from its "vxt" temporary file; it runs on this thread, in a
// single-threaded apartment, until the main window has closed.

#include "platform/win32/win32_machine.h"
#include "platform/win32/windows_api.h"
#include "ui_application.h"
#include "toolkit/application.h"
#include "toolkit/win32/win32_backend.h"

#include <commctrl.h>
#include <memory>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
#include <string>

namespace {

// UTF-8 to the wide form the icon call takes.
std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

// The common controls in their themed version 6 (this program's manifest
// binds it); the classes every section uses are registered up front.
void EnableVisualStyles() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

// The title bar shows the launcher's icon. The icons stay loaded for the
// life of the process, as the window keeps using them.
void SetWindowIcon(vexo::toolkit::Form& form, const std::string& file) {
    HWND window = vexo::toolkit::win32::Win32Backend::windowOf(form);
    if (window == nullptr) {
        return;
    }
    HICON largeIcon = nullptr;
    HICON smallIcon = nullptr;
    if (ExtractIconExW(Wide(file).c_str(), 0, &largeIcon, &smallIcon, 1) == 0) {
        return;
    }
    if (largeIcon != nullptr) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon));
    }
    if (smallIcon != nullptr) {
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    }
}

vexo::platform::NativeWindow NativeWindowOf(vexo::toolkit::Control& control) {
    return reinterpret_cast<vexo::platform::NativeWindow>(
        vexo::toolkit::win32::Win32Backend::windowOf(control));
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The shell's own dialogs (folder pickers, the Recycle Bin's confirmations)
    // need a single-threaded apartment on the thread that owns the windows.
    const HRESULT ole = OleInitialize(nullptr);

    int status = 0;
    {
        std::unique_ptr<vexo::platform::Machine> machine =
            vexo::platform::win32::CreateWin32Machine();
        vexo::toolkit::Application app(std::make_unique<vexo::toolkit::win32::Win32Backend>());
        vexo::shell::UiStartup startup;
        startup.enableVisualStyles = EnableVisualStyles;
        startup.window.nativeWindow = NativeWindowOf;
        startup.window.setWindowIcon = SetWindowIcon;
        status = vexo::shell::RunUiApplication(app, *machine, startup);
    }

    if (SUCCEEDED(ole)) {
        OleUninitialize();
    }
    return status;
}
