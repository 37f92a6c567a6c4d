#pragma once
// Home: the first section the user sees. An animated banner with a call to
// review their files, the usage ring of the Windows drive (refreshed every
// 5 s while Home is open), and two large buttons to My Files and to the
// installed programs.

#include "shell/services.h"

namespace vexo::shell {

class VexoSolvaneBanner21;
class VexoSolvaneMeter21;

inline constexpr int kMeterRefreshMs = 5000;

// Opens Home through the shell (busy test, Home marked, heading).
void ShowStart14(ShellServices& services);

// Adds Home to the catalog.
void RegisterHome(SectionCatalog& catalog);

// Builds Home into the stage; the shell has already marked it.
void BuildHome(ShellServices& services);

} // namespace vexo::shell
