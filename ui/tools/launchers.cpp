#include "tools/launchers.h"

#include "diagnostics/diagnostics.h"
#include "platform/path_rules.h"
#include "tools/windows_tools.h"

namespace vexo::tools {

void OpenRecycleBin(shell::SectionContext& context) {
    context.OpenTool(std::string(kExplorer), std::string(kRecycleBinFolder));
}

void OpenWindowsCleanup(shell::SectionContext& context) {
    context.OpenTool(System32Program(context.Machine().environment(), "cleanmgr.exe"),
                     std::string(kCleanupArguments));
}

void OpenDiagnosticsLog(shell::SectionContext& context) {
    platform::Machine& machine = context.Machine();
    // Without a data folder nothing was ever recorded.
    const std::optional<std::string> folder = diagnostics::DataFolder(machine.environment());
    const std::string log =
        folder ? platform::paths::Join(*folder, diagnostics::kDiagnosticsFileName) : std::string();
    // A file, as Notepad needs: a folder of that name is no log.
    const bool exists = folder && [&] {
        const base::Result<platform::FileInfo> info = machine.files().ReadInfo(log);
        return info.ok() && !info->IsDirectory();
    }();
    if (!exists) {
        context.Tell(std::string(kNoDiagnosticsLog));
        return;
    }
    // Quoted, so that a profile folder with spaces stays one argument.
    context.OpenTool(std::string(kNotepad), "\"" + log + "\"");
}

void RegisterToolLaunchers(shell::SectionCatalog& catalog) {
    catalog.AddTool(shell::MoreTool::RecycleBin, OpenRecycleBin);
    catalog.AddTool(shell::MoreTool::WindowsCleanup, OpenWindowsCleanup);
    catalog.AddTool(shell::MoreTool::DiagnosticsLog, OpenDiagnosticsLog);
}

} // namespace vexo::tools
