#pragma once
// Windows errors as our error values, and paths as the wide strings the
// Windows API takes. Internal to the win32 adapter.

#include "base/result.h"
#include "platform/win32/windows_api.h"

#include <string>
#include <string_view>

namespace vexo::platform::win32 {

// The error with its kind and the system's text (FormatMessageW, user's
// language). Call with GetLastError() taken right after the failing call.
base::Error SystemError(DWORD code);
// The same for WinINet's own codes (12000 range), whose texts live in wininet.dll.
base::Error InternetError(DWORD code);

// The wide form of a path for a file-system call: long paths (which Windows
// would refuse past MAX_PATH) go as "\\?\C:\..." or "\\?\UNC\server\share\..."
// after full-path normalisation.
std::wstring ApiPath(std::string_view utf8);

// A handle closed when it goes out of scope.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.handle_) {
        other.handle_ = nullptr;
    }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

} // namespace vexo::platform::win32
