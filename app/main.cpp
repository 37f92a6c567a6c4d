// VexoSolvane.exe: the installed launcher. It has no window of its own; it
// starts the UI application it carries and reports a failed start.

#include "platform/win32/windows_api.h"
#include "ui_host_launch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return vexo::app::LaunchUiHost();
}
