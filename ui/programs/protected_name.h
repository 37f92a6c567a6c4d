#pragma once
// Which installed programs are parts of Windows, runtimes or hardware
// drivers: their rows are shown but can never be ticked for removal.

#include <string_view>

namespace vexo::programs {

// True when any of the protected names occurs anywhere in `name`, letter case
// ignored: "Visual C++", "Redistributable", ".NET", "Windows " followed by
// SDK, Driver, Runtime, Desktop Runtime, Update or Security, "Microsoft "
// followed by Edge, Defender, Update, Windows or "ASP", any one character and
// "NET", "WebView", "Driver", "Realtek", "Intel(R)", "Intel " (with its
// space, so "Intelligent" is not protected), "NVIDIA", "AMD Software", "AMD
// Chipset", "Synaptics", "ELAN", "Firmware", "BIOS", "Hotkey", and "HP "
// followed by Audio, System Event, Wireless or Connection Optimizer.
// Short names count inside longer words too ("Elantra", "Symbiosis").
//
// Case is folded per UTF-16 code unit through the simple lower-case mapping,
// so the Kelvin sign reads as k and the dotted capital I as i, as the system's
// own pattern search takes them; the dotless i stays apart from i. The
// character after "ASP" is one code unit other than a line feed. A space is
// U+0020 only.
bool IsProtectedName(std::string_view name);

} // namespace vexo::programs
