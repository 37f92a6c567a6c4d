#pragma once
// The four payloads setup.exe carries, as RCDATA resources in language 1033,
// and the file names they are written under in the extraction folder. The
// resource script and the program share these ids; the installer is first,
// so it is the one the command line names.

#define VEXO_SETUP_INSTALLER_ID 101
#define VEXO_SETUP_LAUNCHER_ID 102
#define VEXO_SETUP_ICON_ID 103
#define VEXO_SETUP_UNINSTALLER_ID 104
