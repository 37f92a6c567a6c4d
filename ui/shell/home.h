#pragma once
// Home: the first section the user sees. An animated banner with a call to
// review their files, the usage ring of the Windows drive (refreshed every
// 5 s while Home is open), and two large buttons to My Files and to the
// installed programs.

#include "shell/section.h"

namespace vexo::shell {

class VexoSolvaneMeter21;

inline constexpr int kMeterRefreshMs = 5000;

// One opening of Home, made by the shell and destroyed once the user leaves.
class HomeSection final : public ShellSection {
public:
    explicit HomeSection(SectionContext& context) : context_(context) {}

    std::unique_ptr<toolkit::Control> Build() override;
    // The colours and fonts that stand out, then the ring's refresh timer.
    void Shown() override;

private:
    // Reads the Windows drive into the ring; a failure is logged and keeps
    // the figures the ring shows.
    void ReadMeter(bool nameTheDrive);

    SectionContext& context_;
    // Owned by the content.
    toolkit::Control* content_ = nullptr;
    VexoSolvaneMeter21* meter_ = nullptr;
    toolkit::Button* review_ = nullptr;
    toolkit::Button* files_ = nullptr;
    toolkit::Button* apps_ = nullptr;
};

// Opens Home through the shell (busy test, Home marked, heading).
void ShowStart14(SectionContext& context);

// Adds Home to the catalog.
void RegisterHome(SectionCatalog& catalog);

} // namespace vexo::shell
