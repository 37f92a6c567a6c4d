#include "ui_application.h"

#include "files/device_browser.h"
#include "files/my_files.h"
#include "files/temp_files.h"
#include "programs/programs_section.h"
#include "shell/error_capture.h"
#include "shell/home.h"
#include "space/disk_space.h"
#include "space/folder_analysis.h"
#include "tools/cleanup_report_section.h"
#include "tools/functions_guide.h"
#include "tools/launchers.h"
#include "tools/update_check.h"

#include <memory>
#include <stdexcept>

namespace vexo::shell {

void RegisterProductSections(SectionCatalog& catalog, platform::Machine& machine) {
    // One last report for the whole application: the Cleanup report section
    // shows the one any section made, from memory when it could not be saved.
    auto reports = std::make_shared<records::ReportStore>(machine);
    files::MyFilesOptions myFiles;
    myFiles.reports = reports;
    programs::ProgramsOptions apps;
    apps.reports = reports;
    RegisterHome(catalog);
    files::RegisterMyFiles(catalog, myFiles);
    files::TempFilesOptions temporary;
    temporary.reports = reports;
    files::RegisterTemporaryFiles(catalog, temporary);
    files::DeviceBrowserOptions browser;
    browser.reports = reports;
    files::RegisterDeviceBrowser(catalog, browser);
    programs::RegisterPrograms(catalog, apps);
    space::RegisterDiskSpace(catalog);
    space::RegisterFolderAnalysis(catalog);
    tools::RegisterUpdateCheck(catalog);
    tools::RegisterCleanupReport(catalog, {.reports = reports});
    tools::RegisterToolLaunchers(catalog);
    tools::RegisterFunctionsGuide(catalog);
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
            RegisterProductSections(catalog, machine);
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
