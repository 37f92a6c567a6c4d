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

#include "shell/section.h"

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

// The section, kept by the shell for the window's life. It follows every
// drive change from the moment it is made.
class DiskSpaceDashboard final : public shell::ShellSection {
public:
    // One record per card, in card order.
    struct DriveWidget {
        std::string root;
        toolkit::Label* info = nullptr;
        UsageBar* bar = nullptr;
    };

    explicit DiskSpaceDashboard(shell::SectionContext& context);
    DiskSpaceDashboard(const DiskSpaceDashboard&) = delete;
    DiskSpaceDashboard& operator=(const DiskSpaceDashboard&) = delete;

    // The dashboard, built once.
    std::unique_ptr<toolkit::Control> Build() override;
    // Fresh cards for the drives listed now, before the view is shown.
    void Refresh() override { BuildDriveCards(); }
    // After the shell's palette pass: the cards' own colours.
    void Shown() override;

    // Opens the section through the shell (busy test, button, heading).
    void ShowSpace14();
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

    shell::SectionContext& context_;
    base::Lease drivesChanged_;
    // Owned by the shell (in the stage or put aside).
    toolkit::Control* view_ = nullptr;
    toolkit::Label* summary_ = nullptr;
    toolkit::FlowLayout* cards_ = nullptr;
    std::vector<DriveWidget> widgets_;
};

// Adds Disk space to the catalog as a kept section.
void RegisterDiskSpace(shell::SectionCatalog& catalog);

} // namespace vexo::space
