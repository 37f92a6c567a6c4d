#pragma once
// The one way into <windows.h>. CMake defines UNICODE, NOMINMAX,
// WIN32_LEAN_AND_MEAN and the Windows 10 target version for every Windows
// target, so every file sees the same API surface and only the W functions.

#ifndef _WIN32
#error "platform/win32/windows_api.h is for the Windows build only"
#endif

#include <windows.h>
