#pragma once
// What happens to an error nobody caught. Two nets:
//   - VexoErrors23 catches what escapes an event handler, a timer tick or the
//     code run when the window is first shown: it writes " UI ERROR: " to the
//     diagnostics log, shows the short message, then asks the application to
//     exit. The close guards still apply, so running work is never cut off.
//   - The start-up trap catches what escapes one top-level step of start-up:
//     it writes " STARTUP/EVENT: ", shows the full text, and start-up goes on
//     with the next step.

#include "platform/machine.h"
#include "toolkit/application.h"

#include <exception>
#include <functional>
#include <string>

namespace vexo::shell {

// The error's complete description: its type and message, then those of the
// errors nested inside it, one per line.
std::string FullErrorText(std::exception_ptr error);

class VexoErrors23 {
public:
    // Installed once, before any window exists. `requestExit` sends every open
    // window a close request; it may be empty while there is no window.
    static void Install(toolkit::Application& app, platform::Machine& machine,
                        std::function<void()> requestExit);
};

// Runs one top-level step of start-up inside the trap. Returns whether the
// step ran to its end.
bool RunStartupStep(toolkit::Application& app, platform::Machine& machine,
                    const std::function<void()>& step);

} // namespace vexo::shell
