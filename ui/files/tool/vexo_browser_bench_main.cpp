// Times the device browser over a generated tree (the index benchmark's
// 1,000,000 files) mapped as drive D:, the section in the main window on the
// in-memory widgets. After one crawl, prints key=value lines:
//   files           files the crawl indexed
//   crawl_ms        the crawl, from the start button to the tick that saw it end
//   show_page_ms    median time for the grid to take a published page of 500 rows
//   page_rows       rows of that page
//   page_export_ms  median time to write those 500 rows as the page's CSV
//   bulk_files      files in the removal set (top-level folders until at
//                   least 100,000 files)
//   bulk_prepare_ms median time of the engine's preparation of that set
// Usage: vexo-browser-bench ROOT [RUNS]

#include "base/culture.h"
#include "files/device_browser.h"
#include "platform/emulated/emulated_machine.h"
#include "shell/home.h"
#include "shell/main_window.h"
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

// Lets the engine finish what it was asked and the section take it up.
void Settle(toolkit::headless::HeadlessApp& ui, index::VexoEngine13& engine) {
    for (int round = 0; round < 2; ++round) {
        engine.WaitForIdle();
        ui.advanceTime(files::kBrowserTickMs);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vexo-browser-bench ROOT [RUNS]\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const auto host = std::filesystem::temp_directory_path() /
                      ("vexo-browser-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(host / "c");
    int status = 0;
    {
        platform::emulated::EmulatedMachine machine;
        machine.MapDrive('C', host / "c").WithUserProfile("bench");
        machine.MapDrive('D', root);
        machine.SetCulture(base::Culture::EnUs());

        toolkit::headless::HeadlessApp ui;
        shell::SectionCatalog catalog;
        shell::RegisterHome(catalog);
        files::RegisterDeviceBrowser(catalog);
        shell::MainWindow window(ui.app(), machine, std::move(catalog));
        window.Window().show();
        window.OpenSection(shell::Section::DeviceBrowser);
        auto* section = dynamic_cast<files::DeviceBrowserSection*>(window.OpenedSection());
        if (!section) {
            std::fprintf(stderr, "the device browser did not open\n");
            return 1;
        }
        auto* drives =
            toolkit::headless::HeadlessApp::find<toolkit::ComboBox>(section->form(), "drives");
        ui.pickItem(*drives, "D:\\");

        const auto started = Clock::now();
        section->StartIndexing();
        while (section->crawling()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ui.advanceTime(files::kBrowserTickMs);
        }
        const double crawl = MsSince(started);
        index::VexoEngine13& engine = *section->engine();

        // A page of 500, published by the engine, taken into the grid.
        ui.pickItem(
            *toolkit::headless::HeadlessApp::find<toolkit::ComboBox>(section->form(), "page-size"),
            "500");
        Settle(ui, engine);
        const index::PageRef page = engine.Page();
        std::vector<double> show;
        for (int run = 0; run < runs; ++run) {
            const auto at = Clock::now();
            section->ShowPage(*page);
            show.push_back(MsSince(at));
        }

        std::vector<double> exported;
        const std::string target = "C:\\Users\\bench\\Documents\\page.csv";
        for (int run = 0; run < runs; ++run) {
            std::vector<index::VexoFile13> rows;
            const auto at = Clock::now();
            for (int row = 0; row < section->grid().rowCount(); ++row) {
                rows.push_back(std::any_cast<index::VexoFile13>(section->grid().row(row).tag));
            }
            if (!machine.files().WriteAllBytes(target, files::PageCsv(rows)).ok()) {
                std::fprintf(stderr, "the page could not be written\n");
                status = 1;
            }
            exported.push_back(MsSince(at));
        }

        // Top-level folders of the tree until about 100,000 files lie under
        // them: the set a bulk removal would gather.
        std::vector<std::string> roots;
        std::vector<std::filesystem::path> tops;
        for (const auto& e : std::filesystem::directory_iterator(root)) {
            if (e.is_directory()) {
                tops.push_back(e.path());
            }
        }
        std::sort(tops.begin(), tops.end());
        std::int32_t covered = 0;
        for (const auto& top : tops) {
            if (covered >= 100000) {
                break;
            }
            const std::string folder = "D:\\" + top.filename().string() + "\\";
            index::Filter under;
            under.text = folder;
            engine.Request(under, index::kLargestFirst, 0, 1);
            engine.WaitForIdle();
            covered += engine.Page()->Total;
            roots.push_back(folder);
        }
        std::vector<double> prepare;
        std::int32_t bulk = 0;
        for (int run = 0; run < runs; ++run) {
            const auto at = Clock::now();
            engine.PrepareRemoval(index::Filter{}, roots);
            while (engine.RemovalBusy()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            prepare.push_back(MsSince(at));
            bulk = engine.RemovalPage() ? engine.RemovalPage()->Total : 0;
        }

        std::printf("files=%d\n", engine.Count());
        std::printf("crawl_ms=%.1f\n", crawl);
        std::printf("show_page_ms=%.2f\n", Median(show));
        std::printf("page_rows=%d\n", section->grid().rowCount());
        std::printf("page_export_ms=%.2f\n", Median(exported));
        std::printf("bulk_files=%d\n", bulk);
        std::printf("bulk_prepare_ms=%.1f\n", Median(prepare));
        if (section->grid().rowCount() != 500) {
            status = 1;
        }
        engine.WaitForIdle();
    }
    std::error_code ignored;
    std::filesystem::remove_all(host, ignored);
    return status;
}
