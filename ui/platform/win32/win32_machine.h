#pragma once
// The product's machine: every platform service on the Windows API.

#include "platform/machine.h"

#include <memory>

namespace vexo::platform::win32 {

std::unique_ptr<Machine> CreateWin32Machine();

} // namespace vexo::platform::win32
