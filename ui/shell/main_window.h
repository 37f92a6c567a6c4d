#pragma once
// The one main window and the application's shared state: the navigation
// column at the right, the header with its animated accent strip, the stage
// that holds one section at a time, the busy protocol and its close guards,
// the More menu, the colour-motion toggle and the drive refresh timer.

#include "shell/services.h"
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

class MainWindow final : public ShellServices {
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

    // ---- ShellServices ------------------------------------------------------
    BusyState& Busy() override { return busy_; }
    bool CanNavigate() override;
    void OpenSection(Section section) override;
    void OpenSection(Section section, std::string_view heading) override;
    void SelectSection(toolkit::Button& button, std::string_view heading) override;
    toolkit::Button& SectionButton(Section section) override;
    toolkit::Control& Stage() override { return *stage_; }
    toolkit::Control& Host(std::unique_ptr<toolkit::Control> content) override;
    toolkit::Control& KeepPersistentView(std::unique_ptr<toolkit::Control> view) override;
    void ShowPersistentView(toolkit::Control& view) override;
    void Tell(const std::string& text) override;
    void OpenTool(const std::string& target, const std::string& arguments) override;
    void Style(toolkit::Control& root) override { StyleVexoWindow(root, pearl_); }
    VexoPearl15& Pearl() override { return pearl_; }
    bool Motion() const override { return motion_; }
    void RefreshDriveWidgets() override;
    void SetDriveWidgetsRefresher(std::function<void()> refresh) override {
        driveRefresher_ = std::move(refresh);
    }
    void Diagnose(std::string_view message) override;
    toolkit::Application& App() override { return app_; }
    toolkit::Form& Window() override { return *form_; }
    bool Minimised() override { return form_->minimized(); }
    platform::NativeWindow Owner() override;
    platform::Machine& Machine() override { return machine_; }
    const base::Culture& Culture() override { return culture_; }

private:
    void Build();
    void BuildNavigation(toolkit::Control& grid);
    void BuildContentColumn(toolkit::Control& grid);
    void BuildMoreMenu();
    void OnFirstShown();
    void OnCloseRequest(toolkit::CloseEvent& e);
    void RunTool(MoreTool tool);
    toolkit::Button* NavButton(const std::string& text);
    void PutInStage(toolkit::Control& content);

    toolkit::Application& app_;
    platform::Machine& machine_;
    SectionCatalog catalog_;
    WindowHooks hooks_;
    base::Culture culture_;
    BusyState busy_;
    bool motion_ = true;
    bool firstShown_ = false;
    // Declared before the form: the registry outlives every control it holds.
    VexoPearl15 pearl_;

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
    // Persistent views while they are out of the stage.
    std::vector<std::unique_ptr<toolkit::Control>> parkedViews_;
    std::vector<toolkit::Control*> persistentViews_;
    std::unique_ptr<toolkit::PopupMenu> moreMenu_;
    std::unique_ptr<toolkit::Timer> driveTimer_;
    std::function<void()> driveRefresher_;
};

} // namespace vexo::shell
