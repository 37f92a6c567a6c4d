#pragma once
// Starting programs: directly (CreateProcess) or through the Windows shell
// (ShellExecuteEx), and waiting for them while the UI keeps breathing.

#include "base/result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vexo::platform {

// An opaque owner window for dialogs the system shows on the product's
// behalf (0: none). The toolkit hands it out; the platform only passes it on.
using NativeWindow = std::uintptr_t;

// A started process the product waits for.
class Process {
public:
    virtual ~Process() = default;

    // Waits until the process ends and returns its exit code. While it runs,
    // `onTick` is called every `tickMs` milliseconds (the UI lets its pending
    // messages through there); when `onTick` returns false the wait ends
    // early with Cancelled and the process keeps running.
    virtual base::Result<int> Wait(int tickMs, const std::function<bool()>& onTick) = 0;
    // True once the process has ended.
    virtual bool HasExited() = 0;
};

struct ProcessLaunch {
    std::string application;   // full path of the executable
    std::string commandLine;   // the whole command line, program name included
    std::string workingFolder; // empty: the caller's
    bool noWindow = false;     // CREATE_NO_WINDOW
};

struct ShellLaunch {
    std::string verb; // "open", "runas", "properties"; empty: the default verb
    std::string file; // a program, a document, a folder or a URI
    std::string arguments;
    std::string workingFolder;
    NativeWindow owner = 0;
    bool wantProcess = false; // ask for the started process
    bool noErrorUi = false;   // SEE_MASK_FLAG_NO_UI: the shell shows no error box
};

class Processes {
public:
    virtual ~Processes() = default;

    virtual base::Result<std::unique_ptr<Process>> Start(const ProcessLaunch& launch) = 0;
    // Hands the request to the shell. With wantProcess the result holds the
    // started process when the shell gives one (it may not, for a document
    // opened in a running program); otherwise it holds null.
    virtual base::Result<std::unique_ptr<Process>> OpenWithShell(const ShellLaunch& launch) = 0;
};

} // namespace vexo::platform
