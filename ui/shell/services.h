#pragma once
// What the main window offers every section: the busy protocol, the stage to
// build into, the shared helpers (Tell, OpenTool, the palette pass), the drive
// cards' refresh, and the machine and culture the section works with.
//
// A section plugs in through the SectionCatalog: the shell runs the busy test
// and marks the section's button with its heading, then calls the section's
// `open`, which builds the content and hands it to Host (or shows its
// persistent view). A section that is not in the catalog is not offered: its
// buttons and menu entries do nothing, except that while work runs they are
// refused with the same message as every other entry.

#include "base/culture.h"
#include "platform/machine.h"
#include "toolkit/toolkit.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vexo::shell {

class VexoPearl15;

// Every section the user can open. The last four are reached from the More
// menu; their buttons are markers that are never shown.
enum class Section {
    Home,
    MyFiles,
    Applications,
    DiskSpace,
    CleanupReport,
    DeviceBrowser,
    FolderAnalysis,
    TemporaryFiles,
    FunctionsGuide,
};

// The More menu's entries that start a tool instead of opening a section.
enum class MoreTool { RecycleBin, WindowsCleanup, Updates, DiagnosticsLog };

// The application-wide busy state. Touched only on the UI thread.
struct BusyState {
    // The scan of the Temporary files section, or its removal, runs.
    bool busy = false;
    // Asks that scan to stop; set by the close guard, cleared by a new scan.
    bool stop = false;
    // A section runs long work (crawl, export, preparation, removal, folder
    // analysis, uninstall queue).
    bool embeddedBusy = false;
    // Asks that work to stop, where it can be stopped; empty otherwise.
    std::function<void()> embeddedStop;
};

class ShellServices {
public:
    virtual ~ShellServices() = default;

    // ---- busy protocol ----------------------------------------------------
    virtual BusyState& Busy() = 0;
    // True when nothing is busy; otherwise tells the user to stop or finish
    // first and returns false.
    virtual bool CanNavigate() = 0;

    // ---- sections ---------------------------------------------------------
    // The opener of an entry point: busy test, button and heading, then the
    // section's own build. Past the busy test, does nothing for a section not
    // in the catalog.
    virtual void OpenSection(Section section) = 0;
    // The same with a heading of the caller's (Home's applications button).
    virtual void OpenSection(Section section, std::string_view heading) = 0;
    // Marks `button` (every other section button back to white), sets the
    // heading and clears the stage: the open section is disposed, a
    // persistent view taken out. Tests no busy state.
    virtual void SelectSection(toolkit::Button& button, std::string_view heading) = 0;
    // The button (or hidden marker) of a section.
    virtual toolkit::Button& SectionButton(Section section) = 0;
    // The panel the open section lives in.
    virtual toolkit::Control& Stage() = 0;
    // Puts freshly built content into the stage, docked to fill it (a form
    // becomes a borderless child window), and runs the palette pass on it.
    // Returns the content, now owned by the stage.
    virtual toolkit::Control& Host(std::unique_ptr<toolkit::Control> content) = 0;
    // A view built once and kept for the life of the window: it is taken out
    // of the stage, never disposed, when another section opens.
    virtual toolkit::Control& KeepPersistentView(std::unique_ptr<toolkit::Control> view) = 0;
    // Puts a kept view back into the stage, docked to fill it.
    virtual void ShowPersistentView(toolkit::Control& view) = 0;

    // ---- helpers ------------------------------------------------------------
    // A message box owned by the main window, caption "فيكسو".
    virtual void Tell(const std::string& text) = 0;
    // Asks the shell to open a program, folder or address; tells the user
    // when the shell refuses. Does not wait.
    virtual void OpenTool(const std::string& target, const std::string& arguments) = 0;
    // The palette pass with the window's rounding registry.
    virtual void Style(toolkit::Control& root) = 0;
    virtual VexoPearl15& Pearl() = 0;
    // Whether banners created now should move (the colour-motion toggle).
    virtual bool Motion() const = 0;
    // Re-reads every drive card and the summary line.
    virtual void RefreshDriveWidgets() = 0;
    // Who refreshes the drive cards (the Disk space dashboard, once built).
    virtual void SetDriveWidgetsRefresher(std::function<void()> refresh) = 0;
    // Writes one line to the diagnostics log.
    virtual void Diagnose(std::string_view message) = 0;

    // ---- the world ------------------------------------------------------------
    virtual toolkit::Application& App() = 0;
    virtual toolkit::Form& Window() = 0;
    virtual bool Minimised() = 0;
    // The main window as the platform's dialogs take their owner.
    virtual platform::NativeWindow Owner() = 0;
    virtual platform::Machine& Machine() = 0;
    virtual const base::Culture& Culture() = 0;
};

// A section as the shell knows it.
struct SectionEntry {
    // Runs once while the main window is built (a persistent view is made
    // here). May be empty.
    std::function<void(ShellServices&)> construct;
    // Builds the section into the stage once the shell has run the busy test
    // and marked the section.
    std::function<void(ShellServices&)> open;
};

// The sections and tools this build offers.
class SectionCatalog {
public:
    void Add(Section section, SectionEntry entry) { sections_[section] = std::move(entry); }
    void AddTool(MoreTool tool, std::function<void(ShellServices&)> run) {
        tools_[tool] = std::move(run);
    }
    const SectionEntry* Find(Section section) const {
        auto it = sections_.find(section);
        return it == sections_.end() ? nullptr : &it->second;
    }
    const std::function<void(ShellServices&)>* FindTool(MoreTool tool) const {
        auto it = tools_.find(tool);
        return it == tools_.end() ? nullptr : &it->second;
    }
    const std::map<Section, SectionEntry>& sections() const { return sections_; }

private:
    std::map<Section, SectionEntry> sections_;
    std::map<MoreTool, std::function<void(ShellServices&)>> tools_;
};

} // namespace vexo::shell
