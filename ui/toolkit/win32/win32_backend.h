#pragma once
// The Windows backend: each control is a real window, so its text can be read
// and clicked from outside; drawing goes through GDI+.

#include "platform/win32/windows_api.h"
#include "toolkit/backend.h"

#include <set>

namespace vexo::toolkit::win32 {

class Win32Backend : public Backend {
public:
    Win32Backend();
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    std::unique_ptr<ControlPeer> createPeer(Control& control) override;
    Size measureText(const std::string& text, const Font& font, int maxWidth) override;
    void startTimer(Timer& timer) override;
    void stopTimer(Timer& timer) override;
    void runModal(Form& form) override;
    void closeForm(Form& form) override;
    void showPopupMenu(PopupMenu& menu, Control& at, Point where) override;
    DialogResult messageBox(const MessageBoxArgs& args) override;
    ChosenPath browseFolder(const FolderBrowserArgs& args) override;
    ChosenPath saveFile(const SaveFileArgs& args) override;
    std::string clipboardText() override;
    bool setClipboardText(const std::string& text) override;
    void pumpPending() override;
    Rect primaryWorkingArea() override;

    // The window of a control, or null when it has none yet.
    static HWND windowOf(const Control& control);
    // A window never shown that holds the windows of controls taken out of
    // their form but kept for later.
    HWND parkingWindow() const { return parking_; }
    // The one tooltip window every control's tip shows in, made on first use.
    HWND tooltipWindow();

private:
    static LRESULT CALLBACK timerProc(HWND, UINT, WPARAM, LPARAM);

    ULONG_PTR gdiplusToken_ = 0;
    HWND timerWindow_ = nullptr;
    HWND parking_ = nullptr;
    HWND tooltips_ = nullptr;
    std::set<Timer*> timers_;
};

} // namespace vexo::toolkit::win32
