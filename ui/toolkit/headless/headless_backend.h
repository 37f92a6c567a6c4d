#pragma once
// The in-memory backend: controls get a peer that only counts what it was
// told, timers run on virtual time, and every modal service is answered from
// a queue the test fills. An unexpected message box or dialog fails the
// running test with its text.

#include "toolkit/backend.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vexo::toolkit {
class Form;
}

namespace vexo::toolkit::headless {

class HeadlessPeer : public ControlPeer {
public:
    explicit HeadlessPeer(Control& control) : control_(control) {}
    void update(Change what) override { ++updates_[what]; }
    void invalidate() override { ++invalidations_; }
    void focus() override { focused_ = true; }

    int updates(Change what) const {
        auto it = updates_.find(what);
        return it == updates_.end() ? 0 : it->second;
    }
    int invalidations() const { return invalidations_; }
    bool focused() const { return focused_; }
    Control& control() const { return control_; }

private:
    Control& control_;
    std::map<Change, int> updates_;
    int invalidations_ = 0;
    bool focused_ = false;
};

// A message box as the user saw it.
struct ShownMessageBox {
    std::string owner; // the owning form's title; empty without owner
    bool hasOwner = false;
    std::string text;
    std::string caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    bool rightToLeftReading = false;
    DialogResult answer = DialogResult::None;
};

class HeadlessBackend : public Backend {
public:
    // ---- Backend ----------------------------------------------------------
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
    std::string clipboardText() override { return clipboard_; }
    bool setClipboardText(const std::string& text) override {
        if (clipboardBusy) {
            return false;
        }
        clipboard_ = text;
        return true;
    }
    void pumpPending() override;
    Rect primaryWorkingArea() override { return workingArea; }

    // ---- script -------------------------------------------------------------
    std::deque<DialogResult> messageBoxAnswers;
    std::deque<ChosenPath> folderAnswers;
    std::deque<ChosenPath> saveAnswers;
    // Each modal form shown takes the next handler, which acts as the user
    // (and must close the form).
    std::deque<std::function<void(Form&)>> modalHandlers;
    // Runs at every pumpPending(): the moment a user's click arrives while a
    // UI-thread loop runs.
    std::function<void()> onPump;
    Rect workingArea{0, 0, 1280, 760};
    // Another program holds the clipboard: nothing can be put on it.
    bool clipboardBusy = false;

    // ---- what the user saw ----------------------------------------------------
    std::vector<ShownMessageBox> messageBoxes;
    std::vector<FolderBrowserArgs> folderDialogs;
    std::vector<SaveFileArgs> saveDialogs;
    std::vector<std::string> modalForms; // titles, in order
    PopupMenu* openMenu = nullptr;
    Point openMenuAt;
    int pumps = 0;

    // ---- virtual time ------------------------------------------------------------
    long long now() const { return now_; }
    // Moves time on, firing every timer that falls due, in order.
    void advance(long long ms);

private:
    struct Scheduled {
        Timer* timer;
        long long due;
    };
    std::vector<Scheduled> timers_;
    long long now_ = 0;
    std::string clipboard_;
};

} // namespace vexo::toolkit::headless
