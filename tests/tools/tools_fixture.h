#pragma once
// The Cleanup report section, the More menu's launchers and the functions
// guide in the main window on an emulated machine (drive C: with Windows and
// the profile of "ali"), every shell call and program start recorded.

#include "platform/windows_errors.h"
#include "shell/shell_fixture.h"
#include "tools/cleanup_report_section.h"
#include "tools/functions_guide.h"
#include "tools/launchers.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexo::testing {

class ToolsFixture : public ShellFixture {
protected:
    static constexpr const char* kSystem32 = "C:\\Windows\\System32";
    static constexpr const char* kShutdown = "C:\\Windows\\System32\\shutdown.exe";
    static constexpr const char* kCmd = "C:\\Windows\\System32\\cmd.exe";
    static constexpr const char* kReportHeading = "تقرير التنظيف — قبل وبعد";
    static constexpr const char* kGuideHeading = "دليل الوظائف والحدود الفعلية";

    // The window with Home, Disk space and this folder's sections and tools;
    // Home is shown first.
    shell::MainWindow& Start() {
        return Open([this](shell::SectionCatalog& catalog) {
            tools::RegisterCleanupReport(catalog, {.reports = reports, .console = console});
            tools::RegisterToolLaunchers(catalog);
            tools::RegisterFunctionsGuide(catalog);
        });
    }
    // Opens the report section with its navigation button.
    tools::CleanupReportSection& OpenReport() {
        if (!window) {
            Start();
        }
        ui.click(Nav(Section::CleanupReport));
        return Report();
    }
    tools::CleanupReportSection& Report() {
        auto* s = dynamic_cast<tools::CleanupReportSection*>(window->OpenedSection());
        if (!s) {
            throw std::runtime_error("the Cleanup report is not on the stage");
        }
        return *s;
    }
    toolkit::Control& View() { return *window->Stage().children().front(); }
    void Click(std::string_view text) {
        ui.click(ui.get<toolkit::Button>(View(), std::string(text)));
    }
    std::vector<std::vector<std::string>> Table() {
        return toolkit::headless::HeadlessApp::gridRows(Report().table());
    }

    // Every message box so far as "caption|text".
    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : ui.shownMessageBoxes()) {
            texts.push_back(box.caption + "|" + box.text);
        }
        return texts;
    }
    static std::string Told(std::string_view text) {
        return std::string(shell::kTellCaption) + "|" + std::string(text);
    }

    // A report of a clean-up whose before readings are `before`.
    records::CleanupReport SavedReport(std::vector<records::DriveReading> before) {
        return reports->SaveReport18(records::kKindFiles, std::move(before), 2 * kGiB, 3, 3, 0,
                                     false);
    }
    static records::DriveReading Reading(const std::string& root, std::int64_t availableGiB) {
        return {.root = root,
                .total = 100 * kGiB,
                .free = availableGiB * kGiB,
                .available = availableGiB * kGiB,
                .used = (100 - availableGiB) * kGiB};
    }

    // A program that runs for `ticks` looks (or waits), then ends with 0.
    static platform::emulated::ProcessScript Runs(int ticks, bool noProcess = false) {
        platform::emulated::ProcessScript script;
        script.runTicks = ticks;
        script.noProcess = noProcess;
        return script;
    }
    static platform::emulated::ProcessScript EndsWith(int exitCode) {
        platform::emulated::ProcessScript script;
        script.exitCode = exitCode;
        return script;
    }
    // A program whose start fails with Windows' error `code`.
    static platform::emulated::ProcessScript CannotStart(std::uint32_t code) {
        platform::emulated::ProcessScript script;
        script.startError = platform::ErrorFromCode(code);
        return script;
    }

    // shutdown.exe ends with `exitCode` at its first start, `laterExitCode`
    // at every later one (Windows remembers a pending restart).
    void ScriptShutdown(int exitCode, std::optional<int> laterExitCode = std::nullopt) {
        platform::emulated::ProcessScript script;
        script.exitCode = exitCode;
        if (laterExitCode) {
            const int later = *laterExitCode;
            script.onExit = [later](platform::emulated::EmulatedMachine& m) {
                m.ScriptProcess(kShutdown, EndsWith(later));
            };
        }
        machine.ScriptProcess(kShutdown, script);
    }

    std::shared_ptr<records::ReportStore> reports = std::make_shared<records::ReportStore>(machine);
    std::shared_ptr<tools::RepairConsole> console = std::make_shared<tools::RepairConsole>();
};

} // namespace vexo::testing
