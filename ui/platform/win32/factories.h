#pragma once
// The win32 adapter's parts (files, volumes, registry ...), one factory each.
// Internal to the adapter.

#include "platform/machine.h"

#include <memory>

namespace vexo::platform::win32 {

std::unique_ptr<Files> MakeFiles();
std::unique_ptr<Volumes> MakeVolumes();
std::unique_ptr<Environment> MakeEnvironment();
std::unique_ptr<Registry> MakeRegistry();
std::unique_ptr<Processes> MakeProcesses();
std::unique_ptr<RecycleBin> MakeRecycleBin();
std::unique_ptr<Http> MakeHttp();
std::unique_ptr<Clock> MakeClock();

} // namespace vexo::platform::win32
