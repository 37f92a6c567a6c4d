// VexoSolvane.exe: the installed launcher. It has no window of its own; it
// first looks whether a newer version is published, then starts the UI
// application it carries and reports a failed start. The UI starts whatever
// the look found.

#include "platform/win32/windows_api.h"
#include "startup_check.h"
#include "ui_host_launch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    vexo::app::RunStartupCheckWithin(vexo::app::kStartupCheckBoundMs);
    return vexo::app::LaunchUiHost();
}
