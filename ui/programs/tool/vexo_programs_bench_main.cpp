// Times the Programs section's load over N uninstall entries (2,000 unless
// told): the inventory alone, then the whole load as the user meets it — the
// section opened in the main window, the inventory on its own thread, the
// 180-ms timer taking the rows over. Prints key=value lines:
//   entries        rows the section showed
//   inventory_ms   median time of the inventory alone (any thread)
//   open_ms        the UI thread's work to open the section and start the load
//   apply_ms       the UI thread's work on the tick that takes the rows over
//   longest_ui_ms  the longest the UI thread was busy at a time during the load
//   load_ms        from the click to the rows shown
// Usage: vexo-programs-bench [ENTRIES] [RUNS]

#include "base/culture.h"
#include "platform/emulated/emulated_machine.h"
#include "programs/app_inventory.h"
#include "programs/programs_section.h"
#include "shell/main_window.h"
#include "shell/home.h"
#include "toolkit/headless/headless_app.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace vexo;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Entries as a machine of many programs has them, spread over the three
// locations: names and publishers of every length, sizes, commands quoted
// and not, some protected, some without a command.
void AddEntries(platform::emulated::EmulatedMachine& machine, int count) {
    const char* publishers[] = {"Quill Ltd", "Brush & Co", "NVIDIA Corporation", "",
                                "Contoso Software GmbH"};
    for (int i = 0; i < count; ++i) {
        const programs::UninstallLocation& where = programs::kUninstallLocations[i % 3];
        const std::string key = std::string(where.path) + "\\App" + std::to_string(i);
        const std::string name =
            (i % 17 == 0 ? "Intel(R) Driver Pack " : "Program ") + std::to_string(count - i);
        machine.AddKey(where.hive, key);
        machine.SetValue(where.hive, key, "DisplayName", platform::RegValue::Sz(name));
        machine.SetValue(where.hive, key, "Publisher", platform::RegValue::Sz(publishers[i % 5]));
        machine.SetValue(where.hive, key, "DisplayVersion", platform::RegValue::Sz("1.2.3"));
        machine.SetValue(where.hive, key, "EstimatedSize",
                         platform::RegValue::Dword(static_cast<std::uint32_t>(i * 37 % 900000)));
        if (i % 11 != 0) {
            machine.SetValue(where.hive, key, "UninstallString",
                             platform::RegValue::Sz("\"C:\\Program Files\\App" + std::to_string(i) +
                                                    "\\unins000.exe\" /SILENT"));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    const auto host = std::filesystem::temp_directory_path() /
                      ("vexo-programs-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(host / "c");
    int status = 0;
    {
        platform::emulated::EmulatedMachine machine;
        machine.MapDrive('C', host / "c").WithUserProfile("bench");
        machine.SetCulture(base::Culture::EnUs());
        AddEntries(machine, count);

        std::vector<double> inventory;
        std::size_t listed = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = Clock::now();
            const programs::Inventory result = programs::AppInventory(
                machine.registry(), programs::UserCultureOrder(machine.environment()));
            inventory.push_back(MsSince(start));
            listed = result.entries.size();
        }

        std::vector<double> open, apply, longest, load;
        std::size_t shown = 0;
        for (int run = 0; run < runs; ++run) {
            toolkit::headless::HeadlessApp ui;
            shell::SectionCatalog catalog;
            shell::RegisterHome(catalog);
            programs::RegisterPrograms(catalog);
            shell::MainWindow window(ui.app(), machine, std::move(catalog));
            window.Window().show();

            const auto clicked = Clock::now();
            ui.click(window.SectionButton(shell::Section::Applications));
            const double opening = MsSince(clicked);
            auto* section = dynamic_cast<programs::ProgramsSection*>(window.OpenedSection());
            if (!section) {
                std::fprintf(stderr, "the Programs section did not open\n");
                return 1;
            }
            double longestTick = 0;
            double applying = 0;
            while (section->loading()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                const auto tick = Clock::now();
                ui.advanceTime(programs::kLoadPollMs);
                const double busy = MsSince(tick);
                longestTick = std::max(longestTick, busy);
                if (!section->loading()) {
                    applying = busy;
                }
            }
            load.push_back(MsSince(clicked));
            open.push_back(opening);
            apply.push_back(applying);
            longest.push_back(std::max(opening, longestTick));
            shown = static_cast<std::size_t>(section->grid().rowCount());
        }

        std::printf("entries=%zu\n", shown);
        std::printf("inventory_ms=%.1f\n", Median(inventory));
        std::printf("open_ms=%.1f\n", Median(open));
        std::printf("apply_ms=%.1f\n", Median(apply));
        std::printf("longest_ui_ms=%.1f\n", Median(longest));
        std::printf("load_ms=%.1f\n", Median(load));
        if (shown != listed) {
            std::fprintf(stderr, "the section showed %zu rows of %zu entries\n", shown, listed);
            status = 1;
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(host, ignored);
    return status;
}
