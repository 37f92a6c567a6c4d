#pragma once
// Windows errors as our error values, and paths as the wide strings the
// Windows API takes; handles owned by UniqueHandle. Internal to the win32
// adapter.

#include "base/result.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

#include <string>
#include <string_view>

namespace vexo::platform::win32 {

// The error with its kind and the system's text (FormatMessageW, user's
// language). Call with GetLastError() taken right after the failing call.
base::Error SystemError(DWORD code);
// The same for the HTTP client's own codes (12000 range), whose texts live in
// winhttp.dll (or wininet.dll, which numbers them alike).
base::Error InternetError(DWORD code);

// The wide form of a path for a file-system call: long paths (which Windows
// would refuse past MAX_PATH) go as "\\?\C:\..." or "\\?\UNC\server\share\..."
// after full-path normalisation.
std::wstring ApiPath(std::string_view utf8);

} // namespace vexo::platform::win32
