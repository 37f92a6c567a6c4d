#pragma once
// The Programs section in the main window on an emulated machine, with an
// inventory worker the test finishes when it wants: the registry is read on
// the test's thread at that moment, and the section takes the result on its
// next timer tick.

#include "programs/programs_section.h"
#include "shell/shell_fixture.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexo::testing {

class ManualWorkers {
public:
    struct Run {
        programs::InventoryJob job;
        bool finished = false;
        bool abandoned = false;
        programs::InventoryOutcome outcome;
    };

    // Set: the next start fails with this text, as a thread that cannot be made.
    std::optional<std::string> startFailure;
    // Set: the next run fails as a whole with this text.
    std::optional<std::string> runFailure;

    programs::InventoryWorkerStart Starter() {
        return [this](programs::InventoryJob job) -> std::unique_ptr<programs::InventoryWorker> {
            if (startFailure) {
                throw std::runtime_error(*std::exchange(startFailure, std::nullopt));
            }
            auto run = std::make_shared<Run>();
            run->job = std::move(job);
            runs.push_back(run);
            return std::make_unique<Worker>(run);
        };
    }

    // Runs the last started job to its end, here.
    void FinishLast() {
        if (runs.empty()) {
            throw std::logic_error("no inventory was started");
        }
        Run& run = *runs.back();
        if (runFailure) {
            run.outcome.failure = *std::exchange(runFailure, std::nullopt);
        } else {
            run.outcome.inventory = run.job();
        }
        run.finished = true;
    }

    std::vector<std::shared_ptr<Run>> runs;

private:
    class Worker final : public programs::InventoryWorker {
    public:
        explicit Worker(std::shared_ptr<Run> run) : run_(std::move(run)) {}
        bool Finished() override { return run_->finished; }
        programs::InventoryOutcome Take() override { return std::move(run_->outcome); }
        void Abandon() override { run_->abandoned = true; }

    private:
        std::shared_ptr<Run> run_;
    };
};

class ProgramsFixture : public ShellFixture {
protected:
    static constexpr const char* kUninstall =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    static constexpr const char* kNavHeading = "البرامج المثبّتة — إزالة بالتتابع";
    static constexpr const char* kHomeHeading = "تطبيقاتك — اختار ثم أزل";
    static constexpr const char* kHomeButton = "التطبيقات\r\nعرض البرامج المثبتة وإزالتها بالتتابع";

    // The window with Home, Disk space and Programs, Home shown first.
    shell::MainWindow& Start() {
        return Open([this](shell::SectionCatalog& catalog) {
            programs::ProgramsOptions options;
            options.reports = reports;
            options.startWorker = workers.Starter();
            programs::RegisterPrograms(catalog, options);
        });
    }
    // Opens the section with its navigation entry and lets the first load end.
    programs::ProgramsSection& OpenLoaded() {
        if (!window) {
            Start();
        }
        ui.click(Nav(Section::Applications));
        Finish();
        return Programs();
    }
    // The running load ends and the timer takes it over.
    void Finish() {
        workers.FinishLast();
        ui.advanceTime(programs::kLoadPollMs);
    }
    programs::ProgramsSection& Programs() {
        auto* s = dynamic_cast<programs::ProgramsSection*>(window->OpenedSection());
        if (!s) {
            throw std::runtime_error("Programs is not on the stage");
        }
        return *s;
    }
    toolkit::Control& View() { return *window->Stage().children().front(); }
    toolkit::Button& ButtonOf(std::string_view text) {
        return ui.get<toolkit::Button>(View(), std::string(text));
    }
    void Click(std::string_view text) { ui.click(ButtonOf(text)); }

    // An entry under the user's uninstall key; `more` adds value lines.
    void Entry(const std::string& key, const std::string& name, const std::string& command,
               const std::string& more = {}) {
        std::string text = "[HKCU\\" + std::string(kUninstall) + "\\" + key +
                           "]\n\"DisplayName\"=\"" + Escaped(name) + "\"\n";
        if (!command.empty()) {
            text += "\"UninstallString\"=\"" + Escaped(command) + "\"\n";
        }
        text += more;
        ASSERT_TRUE(machine.LoadRegistry(text).ok()) << text;
    }
    static std::string Escaped(const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '\\' || c == '"') {
                out += '\\';
            }
            out += c;
        }
        return out;
    }
    bool KeyExists(const std::string& key) {
        return machine.registry().KeyExists(platform::Hive::CurrentUser,
                                            std::string(kUninstall) + "\\" + key);
    }
    // An uninstaller at `program` that removes its entry's key when it ends.
    void RemovesItsKey(const std::string& program, const std::string& key, int exitCode = 0) {
        platform::emulated::ProcessScript script;
        script.exitCode = exitCode;
        script.runTicks = 2;
        script.onExit = [key](platform::emulated::EmulatedMachine& m) {
            (void)m.registry().DeleteKeyTree(platform::Hive::CurrentUser,
                                             std::string(kUninstall) + "\\" + key);
        };
        machine.ScriptProcess(program, script);
    }

    // An uninstaller at `program` that ends without removing anything (it
    // hands its work to another process, say).
    void LeavesItsKey(const std::string& program, int exitCode = 0) {
        platform::emulated::ProcessScript script;
        script.exitCode = exitCode;
        script.runTicks = 1;
        machine.ScriptProcess(program, script);
    }

    int Column(std::string_view name) { return Programs().grid().columnIndex(std::string(name)); }
    // The grid's cells of one column, top to bottom, hidden rows included.
    std::vector<std::string> Cells(std::string_view column) {
        std::vector<std::string> values;
        toolkit::DataGrid& grid = Programs().grid();
        for (int row = 0; row < grid.rowCount(); ++row) {
            values.push_back(grid.cellText(row, Column(column)));
        }
        return values;
    }
    int RowNamed(const std::string& name) {
        toolkit::DataGrid& grid = Programs().grid();
        for (int row = 0; row < grid.rowCount(); ++row) {
            if (grid.cellText(row, Column("Name")) == name) {
                return row;
            }
        }
        throw std::runtime_error("no row " + name);
    }
    std::string StateOf(const std::string& name) {
        return Programs().grid().cellText(RowNamed(name), Column("State"));
    }
    void Tick(const std::string& name) { ui.tickRow(Programs().grid(), RowNamed(name)); }
    bool Ticked(const std::string& name) {
        return Programs().grid().cellText(RowNamed(name), 0) == "True";
    }

    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : ui.shownMessageBoxes()) {
            texts.push_back(box.caption + "|" + box.text);
        }
        return texts;
    }

    // The "Apps-" logs in the data folder, oldest first by name.
    std::vector<std::string> AppsLogs() {
        std::vector<std::string> names;
        auto folder = machine.HostPathOf(kDataFolder);
        if (!folder || !std::filesystem::exists(*folder)) {
            return {};
        }
        for (const auto& e : std::filesystem::directory_iterator(*folder)) {
            if (e.path().filename().string().rfind("Apps-", 0) == 0) {
                names.push_back(e.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        std::vector<std::string> logs;
        for (const std::string& name : names) {
            logs.push_back(Read(std::string(kDataFolder) + "\\" + name));
        }
        return logs;
    }

    ManualWorkers workers;
    std::shared_ptr<records::ReportStore> reports = std::make_shared<records::ReportStore>(machine);
};

} // namespace vexo::testing
