#pragma once
// The device browser in the main window on an emulated machine: drive C holds
// Windows and the profile of "ali", drive D is a plain data drive, and the
// drive list also meets a CD drive, a removable drive without its medium and
// a ready one. Index queries, exports, statistics and the bulk preparation
// run on the test's thread when it says so.

#include "files/bulk_review.h"
#include "files/device_browser.h"
#include "files_fixture.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace vexo::testing {

class BrowserFixture : public FilesFixture {
protected:
    BrowserFixture() {
        Drive('D', "Data", 500, 200, 200);
        Drive('E', "DVD", 4, 0, 0, platform::DriveType::CdRom);
        Drive('F', "Card", 32, 32, 32, platform::DriveType::Removable, false);
        Drive('G', "Stick", 16, 8, 8, platform::DriveType::Removable);
    }
    ~BrowserFixture() override {
        // The crawl and the engine's work borrow the scripted machine.
        scripted.held().Release();
        if (window) {
            if (auto* s = dynamic_cast<files::DeviceBrowserSection*>(window->OpenedSection())) {
                if (auto engine = s->engine()) {
                    engine->Cancel();
                    executor->RunAll();
                    engine->WaitForIdle();
                }
            }
        }
        window.reset();
    }

    static constexpr const char* kBrowserHeading = "كل ملفات الجهاز";

    // The window with Home, Disk space and the device browser, Home shown.
    shell::MainWindow& StartBrowserWindow() {
        shell::SectionCatalog catalog;
        shell::RegisterHome(catalog);
        space::RegisterDiskSpace(catalog);
        files::DeviceBrowserOptions options;
        options.reports = reports;
        options.executor = executor;
        files::RegisterDeviceBrowser(catalog, options);
        window = std::make_unique<shell::MainWindow>(ui.app(), scripted, std::move(catalog));
        window->Window().show();
        return *window;
    }
    // Opens the browser from the More menu.
    files::DeviceBrowserSection& OpenBrowser() {
        if (!window) {
            StartBrowserWindow();
        }
        ChooseMore(kBrowserHeading);
        return Browser();
    }
    files::DeviceBrowserSection& Browser() {
        auto* s = dynamic_cast<files::DeviceBrowserSection*>(window->OpenedSection());
        if (!s) {
            throw std::runtime_error("the device browser is not on the stage");
        }
        return *s;
    }
    toolkit::Control& View() { return *window->Stage().children().front(); }
    toolkit::Button& ButtonOf(std::string_view text) {
        return ui.get<toolkit::Button>(View(), std::string(text));
    }
    void Click(std::string_view text) { ui.click(ButtonOf(text)); }
    template <class T> T& Named(const std::string& name) { return ui.get<T>(View(), name); }

    // Picks a drive and indexes it to the end, taking up every answer.
    files::DeviceBrowserSection& Index(const std::string& drive) {
        files::DeviceBrowserSection& s = Browser();
        ui.pickItem(Named<toolkit::ComboBox>("drives"), drive);
        Click(files::kStartText);
        Settle();
        return s;
    }
    // Lets the crawl end and the section take up everything the engine has
    // published: queued work runs here, the timer ticks in between.
    void Settle() {
        for (int round = 0; round < 3; ++round) {
            executor->RunAll();
            if (auto engine = Browser().engine()) {
                engine->WaitForIdle();
            }
            ui.advanceTime(files::kBrowserTickMs);
        }
    }
    // One tick with every queued piece of work done first.
    void Poll() {
        executor->RunAll();
        ui.advanceTime(files::kBrowserTickMs);
    }

    void SetNumber(const std::string& name, double value) {
        Named<toolkit::NumericUpDown>(name).userEnter(
            std::to_string(static_cast<long long>(value)));
    }
    void TypeInto(const std::string& name, const std::string& text) {
        ui.type(Named<toolkit::TextBox>(name), text);
    }
    // The grid's column of names, as shown.
    std::vector<std::string> Shown(int column = 0) {
        std::vector<std::string> values;
        for (const auto& row : ui.gridRows(Browser().grid())) {
            values.push_back(row.at(static_cast<size_t>(column)));
        }
        return values;
    }
    // A file whose last write lies far in the emulated past (the machine's
    // clock says 2024-01-01).
    void Old(const std::string& path) {
        auto host = machine.HostPathOf(path);
        ASSERT_TRUE(host.has_value());
        std::filesystem::last_write_time(*host, std::filesystem::file_time_type::clock::now() -
                                                    std::chrono::hours(24 * 365 * 6));
    }

    // The "IndexRemoval-" logs in the data folder.
    std::vector<std::string> IndexRemovalLogs() {
        std::vector<std::string> logs;
        auto folder = machine.HostPathOf(kDataFolder);
        if (!folder || !std::filesystem::exists(*folder)) {
            return logs;
        }
        for (const auto& e : std::filesystem::directory_iterator(*folder)) {
            if (e.path().filename().string().rfind("IndexRemoval-", 0) == 0) {
                logs.push_back(
                    Read(std::string(kDataFolder) + "\\" + e.path().filename().string()));
            }
        }
        return logs;
    }
};

} // namespace vexo::testing
