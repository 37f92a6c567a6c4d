#pragma once
// The one main window and the application's shared state: the navigation
// column at the right, the header with its animated accent strip, the stage
// that holds one section at a time, the busy protocol and its close guards,
// the More menu, the colour-motion toggle and the drive refresh timer.

#include "shell/section.h"
#include "shell/style.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vexo::shell {

class VexoSolvaneBanner21;

inline constexpr std::string_view kWindowTitle = "VEXO SOLVANE | إدارة الجهاز — v23";
inline constexpr std::string_view kTellCaption = "فيكسو";
inline constexpr std::string_view kNavigateRefusal =
    "أوقف الفحص أو أكمل إزالة البرنامج الجاري قبل تغيير القسم.";
inline constexpr std::string_view kCloseWait = "انتظر إيقاف التحليل أو اكتمال الإزالة قبل الإغلاق.";
inline constexpr std::string_view kOpenFailed = "تعذر الفتح: ";
inline constexpr std::string_view kFirstHeading = "مساحتك تحت السيطرة";
inline constexpr std::string_view kMotionOnText = "إيقاف حركة الألوان";
inline constexpr std::string_view kMotionOffText = "تشغيل حركة الألوان";
inline constexpr std::string_view kMoreText = "المزيد  ▾";

inline constexpr toolkit::Color kNavText = toolkit::Color::rgb(55, 83, 122);
inline constexpr toolkit::Color kNavSelectedBack = toolkit::Color::rgb(228, 239, 255);
inline constexpr toolkit::Color kNavSelectedText = toolkit::Color::rgb(24, 80, 194);

// The window's size on a working area: at most 1180 x 780 and 24 px less than
// the area, but never below 900 x 580.
toolkit::Size MainWindowSize(toolkit::Rect workingArea);

// The heading every entry point sets.
std::string_view SectionHeading(Section section);

// What the platform adds to the window; both may be empty.
struct WindowHooks {
    // The handle of a control's window, for dialogs the system shows.
    std::function<platform::NativeWindow(toolkit::Control&)> nativeWindow;
    // Gives the shown window the icon of this file (the launcher's); a failure
    // leaves the default icon.
    std::function<void(toolkit::Form&, const std::string& file)> setWindowIcon;
};

class MainWindow final : public SectionContext {
public:
    MainWindow(toolkit::Application& app, platform::Machine& machine, SectionCatalog catalog,
               WindowHooks hooks = {});
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window modally; returns once it has closed, with the More
    // menu and the drive refresh timer released.
    void ShowModal();
    // Every close request goes through the guards: true when it closed.
    bool RequestClose();
    // The colour-motion toggle's click.
    void ToggleMotion();
    // Opens the More menu below its button.
    void OpenMoreMenu();

    toolkit::Label& Heading() { return *heading_; }
    toolkit::Button& MoreButton() { return *more_; }
    toolkit::Button& MotionToggle() { return *toggle_; }
    toolkit::PopupMenu& MoreMenu() { return *moreMenu_; }
    VexoSolvaneBanner21& AccentStrip() { return *strip_; }
    toolkit::Control& Header() { return *header_; }
    toolkit::Control& Navigation() { return *nav_; }
    toolkit::Timer* DriveRefreshTimer() { return driveTimer_.get(); }

    // The application-wide busy state, for the close guards' tests; sections
    // hold leases instead.
    BusyState& Busy() { return busy_; }
    // True when nothing is busy; otherwise tells the user to stop or finish
    // first and returns false.
    bool CanNavigate() override;
    // The button (or hidden marker) of a section.
    toolkit::Button& SectionButton(Section section);
    // The panel the open section lives in.
    toolkit::Control& Stage() { return *stage_; }
    // The section on the stage (null while none is, or its opening failed).
    ShellSection* OpenedSection() { return shown_; }
    // A kept section, made with the window (null when not in the catalog).
    ShellSection* KeptSection(Section section);

    // ---- SectionContext -------------------------------------------------------
    platform::Machine& Machine() override { return machine_; }
    const base::Culture& Culture() override { return culture_; }
    toolkit::Application& App() override { return app_; }
    bool Minimised() override { return form_->minimized(); }
    void Tell(const std::string& text) override;
    toolkit::DialogResult Ask(toolkit::MessageBoxArgs box) override;
    void PumpPending() override { app_.pumpPending(); }
    platform::NativeWindow Owner() override;
    void Diagnose(std::string_view message) override;
    void OpenTool(const std::string& target, const std::string& arguments) override;
    void OpenSection(Section section, std::string_view heading = {}) override;
    VexoPearl15& Pearl() override { return pearl_; }
    void Style(toolkit::Control& root) override { StyleVexoWindow(root, pearl_); }
    bool Motion() const override { return motion_; }
    base::Lease OnDrivesChanged(std::function<void()> changed) override;
    void DrivesChanged() override;
    base::Lease HoldScan() override { return busy_.HoldScan(); }
    bool ScanStopRequested() override { return busy_.stop; }
    void RequestScanStop() override { busy_.stop = true; }
    base::Lease HoldEmbedded(std::function<void()> stop) override {
        return busy_.HoldEmbedded(std::move(stop));
    }
    base::Lease HoldEmbeddedKeepingStop() override { return busy_.HoldEmbeddedKeepingStop(); }
    base::Lease HoldRunBusy(records::RemovalFlow flow, std::function<void()> stop) override;

    toolkit::Form& Window() { return *form_; }

private:
    void Build();
    void BuildNavigation(toolkit::Control& grid);
    void BuildContentColumn(toolkit::Control& grid);
    void BuildMoreMenu();
    void OnFirstShown();
    void OnCloseRequest(toolkit::CloseEvent& e);
    void RunTool(MoreTool tool);
    toolkit::Button* NavButton(const std::string& text);
    void MakeKeptSections();
    // Marks `button` (every other section button back to white), sets the
    // heading, tells the shown section it is left and clears the stage: an
    // opened section's content is disposed and the section destroyed, a kept
    // view put aside.
    void SelectSection(toolkit::Button& button, std::string_view heading);
    void ShowOpened(const SectionEntry& entry);
    void ShowKept(Section section);
    // Puts freshly built content into the stage, docked to fill it (a form
    // becomes a borderless child window), and runs the palette pass on it.
    void Host(std::unique_ptr<toolkit::Control> content);

    toolkit::Application& app_;
    platform::Machine& machine_;
    SectionCatalog catalog_;
    WindowHooks hooks_;
    base::Culture culture_;
    BusyState busy_;
    std::map<int, std::function<void()>> driveSubscribers_;
    int nextSubscriber_ = 0;
    bool motion_ = true;
    bool firstShown_ = false;
    // Declared before the form: the registry outlives every control it holds.
    VexoPearl15 pearl_;
    // The sections outlive the controls they point into; none touches them
    // when destroyed.
    struct Kept {
        std::unique_ptr<ShellSection> section;
        toolkit::Control* view = nullptr;
    };
    std::map<Section, Kept> kept_;
    // The section opened for the stage's present content (a kept one lives
    // in kept_).
    std::unique_ptr<ShellSection> opened_;
    ShellSection* shown_ = nullptr;

    std::unique_ptr<toolkit::Form> form_;
    toolkit::Control* nav_ = nullptr;
    toolkit::Control* header_ = nullptr;
    toolkit::Label* brandLine_ = nullptr;
    toolkit::Label* heading_ = nullptr;
    VexoSolvaneBanner21* strip_ = nullptr;
    toolkit::Control* stage_ = nullptr;
    toolkit::Button* more_ = nullptr;
    toolkit::Button* toggle_ = nullptr;
    // Every button made by NavButton, markers included, in order.
    std::vector<toolkit::Button*> sectionButtons_;
    std::map<Section, toolkit::Button*> buttonOf_;
    // The More-menu sections' markers: never shown, so they live outside the
    // window.
    std::vector<std::unique_ptr<toolkit::Button>> markers_;
    // Kept views while they are out of the stage.
    std::vector<std::unique_ptr<toolkit::Control>> parkedViews_;
    std::unique_ptr<toolkit::PopupMenu> moreMenu_;
    std::unique_ptr<toolkit::Timer> driveTimer_;
};

} // namespace vexo::shell
