#pragma once
// The UI application from start to end, on the calling (UI) thread.

#include "platform/machine.h"
#include "shell/main_window.h"
#include "shell/section.h"
#include "toolkit/application.h"

#include <functional>

namespace vexo::shell {

// What the platform's entry point adds to start-up. Every member may be empty.
struct UiStartup {
    // Enables the platform's visual styles: the first start-up step after the
    // error capture is in place.
    std::function<void()> enableVisualStyles;
    // The window's handle for dialogs, and its icon (see WindowHooks).
    WindowHooks window;
    // The sections of this build; empty means the product's own set
    // (RegisterProductSections).
    std::function<void(SectionCatalog&)> registerSections;
};

// Every section and tool this build offers, in one place: a new section adds
// its registration here. The sections share what lives as long as the
// application (the last clean-up report), made here on `machine`.
void RegisterProductSections(SectionCatalog& catalog, platform::Machine& machine);

// Runs the UI application on the calling (UI) thread: installs the error
// capture first, then each start-up step inside the start-up trap (build the
// main window completely, then show it modally); returns 0 once the main
// window has closed.
int RunUiApplication(toolkit::Application& app, platform::Machine& machine);
int RunUiApplication(toolkit::Application& app, platform::Machine& machine,
                     const UiStartup& startup);

} // namespace vexo::shell
