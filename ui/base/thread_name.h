#pragma once
// Background threads carry the product's names ("Vexo index", "Vexo disk
// analysis") so that a debugger or a crash dump says whose work it was.

#include <string_view>

namespace vexo::base {

// Names the calling thread where the platform shows thread names.
void NameCurrentThread(std::string_view name);

} // namespace vexo::base
