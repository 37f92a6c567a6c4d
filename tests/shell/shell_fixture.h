#pragma once
// The main window on an emulated machine and the in-memory toolkit: drive C
// holds Windows and the profile of "ali"; drives are described in GiB.

#include "records/machine_fixture.h"
#include "shell/home.h"
#include "shell/main_window.h"
#include "space/disk_space.h"
#include "toolkit/headless/headless_app.h"

#include <functional>
#include <memory>
#include <vector>

namespace vexo::testing {

inline constexpr std::int64_t kGiB = 1073741824;

class ShellFixture : public MachineFixture {
protected:
    using Section = shell::Section;

    ShellFixture() {
        machine.SetCulture(base::Culture::EnUs());
        Drive('C', "Windows", 100, 40, 30);
    }

    // A drive with fixed figures (GiB), mapped onto its own host folder.
    void Drive(char letter, const std::string& label, std::int64_t total, std::int64_t free,
               std::int64_t available, platform::DriveType type = platform::DriveType::Fixed,
               bool ready = true) {
        platform::emulated::DriveDescription description;
        description.type = type;
        description.label = label;
        description.sizes =
            platform::emulated::DriveSizes{total * kGiB, free * kGiB, available * kGiB};
        description.ready = ready;
        Drive(letter, description);
    }
    void Drive(char letter, const platform::emulated::DriveDescription& description) {
        const auto folder = host() / std::string(1, static_cast<char>(letter + 32));
        std::filesystem::create_directories(folder);
        machine.MapDrive(letter, folder, description);
    }

    // Builds the window with Home, Disk space and whatever `extra` adds, and
    // shows it (Home opens as on the first show). The window works on `on`
    // when given (a machine with doubles in front of this one).
    shell::MainWindow& Open(const std::function<void(shell::SectionCatalog&)>& extra = {},
                            platform::Machine* on = nullptr) {
        shell::SectionCatalog catalog;
        shell::RegisterHome(catalog);
        space::RegisterDiskSpace(catalog);
        if (extra) {
            extra(catalog);
        }
        window =
            std::make_unique<shell::MainWindow>(ui.app(), on ? *on : machine, std::move(catalog));
        window->Window().show();
        return *window;
    }

    // What a stand-in section does; every part may be empty.
    struct StubParts {
        // Its content (an empty panel when none).
        std::function<std::unique_ptr<toolkit::Control>(shell::SectionContext&)> build = {};
        // Once the content is in the stage.
        std::function<void(toolkit::Control& content)> shown = {};
        // Hears "leaving" and "destroyed".
        std::function<void(const char*)> life = {};
    };
    class StubSection final : public shell::ShellSection {
    public:
        StubSection(shell::SectionContext& context, StubParts parts)
            : context_(context), parts_(std::move(parts)) {}
        ~StubSection() override { Hear("destroyed"); }
        std::unique_ptr<toolkit::Control> Build() override {
            auto content =
                parts_.build ? parts_.build(context_) : std::make_unique<toolkit::Panel>();
            content_ = content.get();
            return content;
        }
        void Shown() override {
            if (parts_.shown) {
                parts_.shown(*content_);
            }
        }
        void Leaving() override { Hear("leaving"); }

    private:
        void Hear(const char* what) {
            if (parts_.life) {
                parts_.life(what);
            }
        }
        shell::SectionContext& context_;
        StubParts parts_;
        toolkit::Control* content_ = nullptr;
    };
    static shell::SectionEntry Stub(StubParts parts) {
        return {.make = [parts](shell::SectionContext& context) {
            return std::make_unique<StubSection>(context, parts);
        }};
    }
    // A stand-in section that only puts a named panel into the stage.
    static shell::SectionEntry Stub(std::string name) {
        return Stub({.build = [name](shell::SectionContext&) {
            auto panel = std::make_unique<toolkit::Panel>();
            panel->setAccessibleName(name);
            return panel;
        }});
    }
    space::DiskSpaceDashboard& Dashboard() {
        return dynamic_cast<space::DiskSpaceDashboard&>(*window->KeptSection(Section::DiskSpace));
    }

    toolkit::Button& Nav(Section s) { return window->SectionButton(s); }
    std::string Heading() { return window->Heading().text(); }
    // The accessible name of what the stage holds.
    std::string OnStage() {
        const auto& children = window->Stage().children();
        return children.empty() ? std::string("<empty>") : children.front()->accessibleName();
    }
    // The row heights of the table that a hosted section's form holds first
    // (-1 for a row that fills); empty when the stage holds no such form.
    std::vector<int> HostedTableRows() {
        const auto& children = window->Stage().children();
        auto* form =
            children.empty() ? nullptr : dynamic_cast<toolkit::Form*>(children.front().get());
        if (!form || !form->hosted() || form->children().empty()) {
            return {};
        }
        auto* table = dynamic_cast<toolkit::TableLayout*>(form->children().front().get());
        std::vector<int> rows;
        for (const toolkit::Track& t : table ? table->rows() : std::vector<toolkit::Track>{}) {
            rows.push_back(t.type == toolkit::TrackType::Fill ? -1 : static_cast<int>(t.value));
        }
        return rows;
    }
    void ChooseMore(const std::string& entry) {
        ui.click(window->MoreButton());
        ui.chooseMenuItem(entry);
    }

    template <class T> static std::vector<T*> All(toolkit::Control& root) {
        std::vector<T*> found;
        std::function<void(toolkit::Control&)> walk = [&](toolkit::Control& c) {
            if (auto* t = dynamic_cast<T*>(&c)) {
                found.push_back(t);
            }
            for (const auto& child : c.children()) {
                walk(*child);
            }
        };
        walk(root);
        return found;
    }

    std::string LogText() { return Read(std::string(kDataFolder) + "\\Diagnostics.txt"); }

    toolkit::headless::HeadlessApp ui;
    std::unique_ptr<shell::MainWindow> window; // after `ui`: destroyed first
};

} // namespace vexo::testing
