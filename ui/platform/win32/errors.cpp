#include "platform/win32/errors.h"

#include "base/utf.h"
#include "platform/windows_errors.h"

#include <initializer_list>

namespace vexo::platform::win32 {
namespace {

std::string FormatFrom(HMODULE module, DWORD code) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                  (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    wchar_t* buffer = nullptr;
    DWORD length =
        ::FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        return {};
    }
    std::wstring_view text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.remove_suffix(1);
    }
    std::string out = base::Narrow(text);
    ::LocalFree(buffer);
    return out;
}

base::Error Make(DWORD code, std::string text) {
    if (text.empty()) {
        text = WindowsErrorText(code);
    }
    return base::Error{KindOfWindowsError(code), std::move(text)};
}

} // namespace

base::Error SystemError(DWORD code) {
    return Make(code, FormatFrom(nullptr, code));
}

base::Error InternetError(DWORD code) {
    std::string text;
    for (const wchar_t* module : {L"winhttp.dll", L"wininet.dll"}) {
        if (HMODULE loaded = ::GetModuleHandleW(module); loaded && text.empty()) {
            text = FormatFrom(loaded, code);
        }
    }
    if (text.empty()) {
        text = FormatFrom(nullptr, code);
    }
    return Make(code, std::move(text));
}

std::wstring ApiPath(std::string_view utf8) {
    std::wstring path = base::Widen(utf8);
    // CreateDirectoryW refuses from 248 characters on; the other calls from 260.
    constexpr std::size_t kShortLimit = 247;
    if (path.size() <= kShortLimit || path.starts_with(L"\\\\?\\") ||
        path.starts_with(L"\\\\.\\")) {
        return path;
    }
    DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    DWORD written = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(written);
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

} // namespace vexo::platform::win32
