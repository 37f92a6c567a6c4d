#pragma once
// UTF-8 inside, UTF-16 at the Windows call.

#include "base/utf.h"
#include "platform/win32/windows_api.h"

#include <string>

namespace vexo::toolkit::win32 {

inline std::wstring W(const std::string& s) {
    return base::Widen(s);
}
inline std::string N(const std::wstring& s) {
    return base::Narrow(s);
}

// What a window shows as its text (what the user typed into an edit box).
inline std::string windowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return N(w);
}

} // namespace vexo::toolkit::win32
