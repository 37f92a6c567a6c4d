#pragma once
// My Files in the main window on an emulated machine. The machine the window
// gets passes everything to the emulated one, and lets a test hold the
// crawl at a folder, generate a large folder while it is listed, and act
// while the shell's Recycle Bin dialog for a file is open. Index queries run
// on the test's thread when it says so.

#include "files/my_files.h"
#include "index/fakes.h"
#include "shell/shell_fixture.h"
#include "support/forwarding_files.h"
#include "support/forwarding_machine.h"
#include "support/listing_gate.h"

#include <filesystem>
#include <functional>
#include <map>

namespace vexo::testing {

// The emulated file service, with a crawl that can be held at one folder and
// folders whose files are made up while they are listed.
class HeldFiles final : public ForwardingFiles {
public:
    explicit HeldFiles(platform::Files& inner) : ForwardingFiles(inner) {}

    // The crawl waits on entering `folder` until Release().
    void Hold(const std::string& folder) { gate_.Hold(folder); }
    // Returns once the crawl waits at the held folder.
    void WaitUntilHeld() { gate_.WaitUntilHeld(); }
    void Release() { gate_.Release(); }
    // Listing `folder` (which must exist, so the crawl finds it) gives
    // `count` files "f0", "f1" ... of `length` bytes each.
    void Generate(const std::string& folder, std::int64_t count, std::int64_t length) {
        generated_[folder] = {count, length};
    }

    base::Status ListFolder(const std::string& folder, platform::ListingSink& sink) override {
        gate_.Enter(folder);
        if (auto g = generated_.find(folder); g != generated_.end()) {
            std::string name;
            for (std::int64_t i = 0; i < g->second.first; ++i) {
                name = "f" + std::to_string(i);
                if (!sink.OnEntry({name, {0, g->second.second, 0}})) {
                    break;
                }
            }
            return base::Status::Ok();
        }
        return inner_.ListFolder(folder, sink);
    }

private:
    ListingGate gate_;
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> generated_;
};

// The Recycle Bin, with a moment "while the shell's dialog is open" for a
// test to act in (a click on the stop button, say).
class DialogBin final : public platform::RecycleBin {
public:
    explicit DialogBin(platform::RecycleBin& inner) : inner_(inner) {}
    std::function<void(const std::string& path)> whileOpen;
    base::Status Recycle(const std::string& path, platform::NativeWindow owner) override {
        if (whileOpen) {
            whileOpen(path);
        }
        return inner_.Recycle(path, owner);
    }

private:
    platform::RecycleBin& inner_;
};

class ScriptedMachine final : public ForwardingMachine {
public:
    explicit ScriptedMachine(platform::emulated::EmulatedMachine& m)
        : ForwardingMachine(m), files_(m.files()), bin_(m.recycleBin()) {}
    HeldFiles& held() { return files_; }
    DialogBin& bin() { return bin_; }

    platform::Files& files() override { return files_; }
    platform::RecycleBin& recycleBin() override { return bin_; }

private:
    HeldFiles files_;
    DialogBin bin_;
};

class FilesFixture : public ShellFixture {
protected:
    ~FilesFixture() override {
        // The crawl borrows the scripted machine: let it end before both go.
        scripted.held().Release();
        if (window) {
            if (auto* s = dynamic_cast<files::MyFilesSection*>(window->OpenedSection())) {
                if (auto engine = s->engine()) {
                    engine->Cancel();
                    executor->RunAll();
                    engine->WaitForIdle();
                }
            }
        }
        window.reset();
    }

    static constexpr const char* kDownloads = "C:\\Users\\ali\\Downloads";
    static constexpr const char* kDesktop = "C:\\Users\\ali\\Desktop";
    static constexpr const char* kMusic = "C:\\Users\\ali\\Music";
    static constexpr const char* kHeading = "ملفاتي — حدّد وانقل للسلة";

    // The window with Home, Disk space and My Files, Home shown first.
    shell::MainWindow& Start() {
        shell::SectionCatalog catalog;
        shell::RegisterHome(catalog);
        space::RegisterDiskSpace(catalog);
        files::MyFilesOptions options;
        options.reports = reports;
        options.executor = executor;
        files::RegisterMyFiles(catalog, options);
        window = std::make_unique<shell::MainWindow>(ui.app(), scripted, std::move(catalog));
        window->Window().show();
        return *window;
    }
    // Opens My Files with its navigation button.
    files::MyFilesSection& OpenFiles() {
        if (!window) {
            Start();
        }
        ui.click(Nav(Section::MyFiles));
        return Files();
    }
    files::MyFilesSection& Files() {
        auto* s = dynamic_cast<files::MyFilesSection*>(window->OpenedSection());
        if (!s) {
            throw std::runtime_error("My Files is not on the stage");
        }
        return *s;
    }
    toolkit::Control& View() { return *window->Stage().children().front(); }
    toolkit::Button& ButtonOf(std::string_view text) {
        return ui.get<toolkit::Button>(View(), std::string(text));
    }
    void Click(std::string_view text) { ui.click(ButtonOf(text)); }

    // Lets the crawl end and the section take up everything the engine has
    // published: queries run here, the timer ticks in between.
    void Settle() {
        for (int round = 0; round < 3; ++round) {
            executor->RunAll();
            if (auto engine = Files().engine()) {
                engine->WaitForIdle();
            }
            ui.advanceTime(files::kPollMs);
        }
    }
    // One tick with every queued query answered first.
    void Poll() {
        executor->RunAll();
        ui.advanceTime(files::kPollMs);
    }

    std::vector<std::string> Column(int column) {
        std::vector<std::string> values;
        for (const auto& row : ui.gridRows(Files().grid())) {
            values.push_back(row.at(static_cast<size_t>(column)));
        }
        return values;
    }
    std::vector<std::string> Names() { return Column(1); }

    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : ui.shownMessageBoxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }
    std::string LastBox() {
        return ui.shownMessageBoxes().empty() ? std::string("<none>")
                                              : ui.shownMessageBoxes().back().text;
    }

    // The "Removal-" logs in the data folder.
    std::vector<std::string> RemovalLogs() {
        std::vector<std::string> logs;
        auto folder = machine.HostPathOf(kDataFolder);
        if (!folder || !std::filesystem::exists(*folder)) {
            return logs;
        }
        for (const auto& e : std::filesystem::directory_iterator(*folder)) {
            if (e.path().filename().string().rfind("Removal-", 0) == 0) {
                logs.push_back(
                    Read(std::string(kDataFolder) + "\\" + e.path().filename().string()));
            }
        }
        return logs;
    }

    ScriptedMachine scripted{machine};
    std::shared_ptr<index::testing::ManualExecutor> executor =
        std::make_shared<index::testing::ManualExecutor>();
    std::shared_ptr<records::ReportStore> reports =
        std::make_shared<records::ReportStore>(scripted);
};

} // namespace vexo::testing
