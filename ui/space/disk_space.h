#pragma once
// Disk space: one card per ready fixed or removable drive with its used,
// available and total space and a usage bar, a one-line summary of all
// drives above them and a fixed explanation below. The figures are live
// readings, re-read every 5 s for as long as the application runs and after
// every removal run.
//
// The dashboard is built once with the main window and kept; its cards are
// rebuilt from a fresh list of drives each time the section opens, and keep
// being refreshed while other sections are open.

#include "shell/services.h"

#include <functional>
#include <string>
#include <vector>

namespace vexo::space {

inline constexpr std::string_view kDriveNotReady = "القرص غير متاح";
inline constexpr std::string_view kDriveReadFailed = "تعذر قراءة القرص؛ افتح سجل التشخيص";
inline constexpr toolkit::Color kBarTrack = toolkit::Color::rgb(225, 235, 250);

// A drive's usage as a bar: the used share filled in the accent colour from
// the left edge, the rest showing the track.
class UsageBar : public toolkit::Panel {
public:
    UsageBar();
    double fraction() const { return fraction_; }
    // Kept within 0 to 1; repaints.
    void setFraction(double f);
    // The filled width in whole pixels (halves to the even neighbour).
    int FilledWidth() const;

private:
    double fraction_ = 0;
};

class DiskSpaceDashboard {
public:
    // One record per card, in card order.
    struct DriveWidget {
        std::string root;
        toolkit::Label* info = nullptr;
        UsageBar* bar = nullptr;
    };

    // Builds the dashboard and gives it to the shell as a persistent view.
    explicit DiskSpaceDashboard(shell::ShellServices& services);
    DiskSpaceDashboard(const DiskSpaceDashboard&) = delete;
    DiskSpaceDashboard& operator=(const DiskSpaceDashboard&) = delete;

    // Opens the section through the shell (busy test, button, heading).
    void ShowSpace14();
    // The section's own part once the shell has marked it: fresh cards, the
    // dashboard into the stage, the palette pass, then the cards' own colours.
    void Open();
    // Rebuilds every card from the drives listed now, then refreshes them. A
    // failure to list the drives or read a label is not handled here; a
    // failed space reading shows on its card.
    void BuildDriveCards();
    // Re-reads every drive of the widget list, each card and the summary.
    void RefreshDriveWidgets();

    toolkit::Control& view() { return *view_; }
    toolkit::Label& summary() { return *summary_; }
    toolkit::FlowLayout& cardArea() { return *cards_; }
    const std::vector<DriveWidget>& widgets() const { return widgets_; }

private:
    void BuildCard(const std::string& root, const std::string& label);
    void RefreshOne(const DriveWidget& w, double& capacity, double& available);

    shell::ShellServices& services_;
    toolkit::Control* view_ = nullptr;
    toolkit::Label* summary_ = nullptr;
    toolkit::FlowLayout* cards_ = nullptr;
    std::vector<DriveWidget> widgets_;
};

// Adds Disk space to the catalog: the dashboard is made with the window and
// takes over the drive refresh. The answer finds the dashboard once the
// window has been built (null before).
std::function<DiskSpaceDashboard*()> RegisterDiskSpace(shell::SectionCatalog& catalog);

} // namespace vexo::space
