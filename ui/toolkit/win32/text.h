#pragma once
// UTF-8 inside, UTF-16 at the Windows call.

#include "base/utf.h"

#include <string>

namespace vexo::toolkit::win32 {

inline std::wstring W(const std::string& s) {
    return base::Widen(s);
}
inline std::string N(const std::wstring& s) {
    return base::Narrow(s);
}

} // namespace vexo::toolkit::win32
