#include "ui_application.h"

#include "files/device_browser.h"
#include "files/my_files.h"
#include "programs/programs_section.h"
#include "shell/error_capture.h"
#include "shell/home.h"
#include "space/disk_space.h"
#include "space/folder_analysis.h"

#include <memory>
#include <stdexcept>

namespace vexo::shell {

void RegisterProductSections(SectionCatalog& catalog) {
    RegisterHome(catalog);
    files::RegisterMyFiles(catalog);
    files::RegisterDeviceBrowser(catalog);
    programs::RegisterPrograms(catalog);
    space::RegisterDiskSpace(catalog);
    space::RegisterFolderAnalysis(catalog);
}

int RunUiApplication(toolkit::Application& app, platform::Machine& machine) {
    return RunUiApplication(app, machine, UiStartup{});
}

int RunUiApplication(toolkit::Application& app, platform::Machine& machine,
                     const UiStartup& startup) {
    std::unique_ptr<MainWindow> window;
    // First of all, so that nothing after it can end the process unseen.
    VexoErrors23::Install(app, machine, [&window] {
        if (window && window->Window().shown()) {
            window->RequestClose();
        }
    });

    if (startup.enableVisualStyles) {
        RunStartupStep(app, machine, startup.enableVisualStyles);
    }
    RunStartupStep(app, machine, [&] {
        SectionCatalog catalog;
        if (startup.registerSections) {
            startup.registerSections(catalog);
        } else {
            RegisterProductSections(catalog);
        }
        window = std::make_unique<MainWindow>(app, machine, std::move(catalog), startup.window);
    });
    RunStartupStep(app, machine, [&] {
        if (!window) {
            throw std::logic_error("The main window was not built.");
        }
        window->ShowModal();
    });
    return 0;
}

} // namespace vexo::shell
