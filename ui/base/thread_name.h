#pragma once
// Background threads carry the product's names ("Vexo index", "Vexo disk
// analysis") so that a debugger or a crash dump says whose work it was.

#include <functional>
#include <string>
#include <string_view>

namespace vexo::base {

// Names the calling thread where the platform shows thread names.
void NameCurrentThread(std::string_view name);

// Runs `work` on a new thread named `name` that nothing waits for: it ends
// when `work` returns, and never keeps the process from ending. `work`
// catches its own failures. Throws std::system_error when no thread can be
// made.
void StartDetachedThread(std::string name, std::function<void()> work);

} // namespace vexo::base
