#pragma once
// One way to be a section. The main window owns each section's life: it makes
// the section through the catalog when the user opens it, puts the content
// the section builds into the stage, tells the section when it is shown and
// when the user leaves it, disposes the content, then destroys the section.
// A kept section (Disk space) is made once with the window and lives as long
// as the window; its view is put aside, not disposed, while others are open.
//
// What a section may ask of the window is its SectionContext: the machine and
// culture, Tell, the diagnostics log, OpenTool, the owner window, the opening
// of another section, the drive-change notification, and busy leases. Long
// work holds a lease; dropping it (on every path, exceptions included) clears
// the flags it set, so no section writes the busy flags by hand.
//
// A section that is not in the catalog is not offered: its buttons and menu
// entries do nothing, except that while work runs they are refused with the
// same message as every other entry.

#include "base/culture.h"
#include "base/lease.h"
#include "platform/machine.h"
#include "records/run_frame.h"
#include "toolkit/toolkit.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vexo::shell {

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

// The application-wide busy state. Touched only on the UI thread, and by
// sections only through the leases below.
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

    // The Temporary files scan or removal: sets `busy` and clears `stop`;
    // dropping the last such lease clears `busy` (a stop asked for stays
    // until the next scan).
    base::Lease HoldScan();
    // Long work of any other section: sets `embeddedBusy` with `stop` as the
    // stop action (empty: work that cannot be stopped, the uninstall queue).
    // Dropping the last such lease clears both.
    base::Lease HoldEmbedded(std::function<void()> stop);
    // The same, leaving the stop action in place as it is (the device
    // browser's export beside its crawl).
    base::Lease HoldEmbeddedKeepingStop();

    // How many leases hold each flag: work that overlaps (an export during a
    // crawl) keeps the flag until the last of it ends.
    int scanLeases = 0;
    int embeddedLeases = 0;
};

class VexoPearl15;

// What a section may ask of the main window it lives in.
class SectionContext : public records::RunWindow {
public:
    // ---- the world ------------------------------------------------------------
    virtual platform::Machine& Machine() = 0;
    virtual const base::Culture& Culture() = 0;
    virtual toolkit::Application& App() = 0;
    // Whether the main window is minimised (timers rest then).
    virtual bool Minimised() = 0;

    // ---- telling and opening --------------------------------------------------
    // Tell (a message box owned by the main window, caption "فيكسو"), Owner
    // and PumpPending come from RunWindow.
    // A message box owned by the main window, with the caption, buttons and
    // icon `box` gives (its owner is set here); the user's answer.
    virtual toolkit::DialogResult Ask(toolkit::MessageBoxArgs box) = 0;
    // Writes one line to the diagnostics log.
    virtual void Diagnose(std::string_view message) = 0;
    // Asks the shell to open a program, folder or address; tells the user
    // when the shell refuses. Does not wait.
    virtual void OpenTool(const std::string& target, const std::string& arguments) = 0;
    // The opener of an entry point: busy test, button and heading, then the
    // section. An empty heading is the section's own.
    virtual void OpenSection(Section section, std::string_view heading = {}) = 0;
    // The busy test alone, for an action that is refused while work runs:
    // true when nothing runs, otherwise tells the user so and gives false.
    virtual bool CanNavigate() = 0;

    // ---- the look -------------------------------------------------------------
    // The window's rounding registry and the palette pass with it.
    virtual VexoPearl15& Pearl() = 0;
    virtual void Style(toolkit::Control& root) = 0;
    // Whether banners created now should move (the colour-motion toggle).
    virtual bool Motion() const = 0;

    // ---- drives and busy work ---------------------------------------------------
    // Calls `changed` whenever the drives' figures may have changed (the 5-s
    // refresh, the end of a removal) for as long as the lease is held. Any
    // number of subscribers.
    virtual base::Lease OnDrivesChanged(std::function<void()> changed) = 0;
    // Tells every subscriber now.
    virtual void DrivesChanged() = 0;
    // The leases of BusyState.
    virtual base::Lease HoldScan() = 0;
    // The Temporary files scan's stop: asked for by its stop button and by
    // the close guard, cleared when a scan starts (HoldScan).
    virtual bool ScanStopRequested() = 0;
    virtual void RequestScanStop() = 0;
    virtual base::Lease HoldEmbedded(std::function<void()> stop) = 0;
    virtual base::Lease HoldEmbeddedKeepingStop() = 0;
};

// A section as the main window runs it. Every call comes on the UI thread;
// an error thrown goes to the unhandled-error capture.
class ShellSection {
public:
    virtual ~ShellSection() = default;

    // The content for the stage. A kept section builds it once, when the
    // window is built; any other on each opening.
    virtual std::unique_ptr<toolkit::Control> Build() = 0;
    // On every opening, before the content goes into the stage (a kept
    // section brings its view up to date here).
    virtual void Refresh() {}
    // The content is in the stage, styled: colours of its own, first work.
    virtual void Shown() {}
    // The user opens another section: before the content is disposed (or put
    // aside). The shell only leaves a section that is not busy.
    virtual void Leaving() {}
};

// A section as the catalog knows it.
struct SectionEntry {
    std::function<std::unique_ptr<ShellSection>(SectionContext&)> make;
    // Made once with the window and kept for the window's life.
    bool kept = false;
};

// The sections and tools this build offers.
class SectionCatalog {
public:
    void Add(Section section, SectionEntry entry) { sections_[section] = std::move(entry); }
    void AddTool(MoreTool tool, std::function<void(SectionContext&)> run) {
        tools_[tool] = std::move(run);
    }
    const SectionEntry* Find(Section section) const {
        auto it = sections_.find(section);
        return it == sections_.end() ? nullptr : &it->second;
    }
    const std::function<void(SectionContext&)>* FindTool(MoreTool tool) const {
        auto it = tools_.find(tool);
        return it == tools_.end() ? nullptr : &it->second;
    }
    const std::map<Section, SectionEntry>& sections() const { return sections_; }

private:
    std::map<Section, SectionEntry> sections_;
    std::map<MoreTool, std::function<void(SectionContext&)>> tools_;
};

} // namespace vexo::shell
