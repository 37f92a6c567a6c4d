#pragma once
// The More menu's entries that open a Windows tool or a file instead of a
// section: the Recycle Bin, Windows Disk Clean-up and the diagnostics log in
// Notepad. The product empties no Recycle Bin and cleans no system folder
// itself. The shell refuses each of them while work runs (the busy test
// comes before the launcher); the tool started is not watched.

#include "shell/section.h"

#include <string_view>

namespace vexo::tools {

inline constexpr std::string_view kNoDiagnosticsLog = "لا يوجد سجل أخطاء حتى الآن.";

// Explorer on the Recycle Bin.
void OpenRecycleBin(shell::SectionContext& context);
// Disk Clean-up for drive C:.
void OpenWindowsCleanup(shell::SectionContext& context);
// Diagnostics.txt in Notepad, its path in quotation marks; when there is no
// log yet, says so and starts nothing.
void OpenDiagnosticsLog(shell::SectionContext& context);

// Adds the three launchers to the catalog.
void RegisterToolLaunchers(shell::SectionCatalog& catalog);

} // namespace vexo::tools
