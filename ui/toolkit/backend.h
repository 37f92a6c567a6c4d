#pragma once
// What shows the controls: the real windows or the in-memory stand-in used by
// tests. Sections never see it; they go through Application and the controls.

#include "toolkit/dialogs.h"
#include "toolkit/geometry.h"
#include "toolkit/peer.h"

#include <memory>
#include <string>

namespace vexo::toolkit {

class Control;
class Form;
class PopupMenu;
class Timer;

class Backend {
public:
    virtual ~Backend() = default;

    virtual std::unique_ptr<ControlPeer> createPeer(Control& control) = 0;
    // Size of the text in that font, single line unless `maxWidth` > 0 (then
    // wrapped at that width).
    virtual Size measureText(const std::string& text, const Font& font, int maxWidth) = 0;

    virtual void startTimer(Timer& timer) = 0;
    virtual void stopTimer(Timer& timer) = 0;

    // Shows the form and returns once it has closed.
    virtual void runModal(Form& form) = 0;
    virtual void closeForm(Form& form) = 0;
    // Opens the menu at a point of the control; the chosen item's click runs
    // from inside (or, headless, later when the test picks it).
    virtual void showPopupMenu(PopupMenu& menu, Control& at, Point where) = 0;

    virtual DialogResult messageBox(const MessageBoxArgs& args) = 0;
    virtual ChosenPath browseFolder(const FolderBrowserArgs& args) = 0;
    virtual ChosenPath saveFile(const SaveFileArgs& args) = 0;
    virtual std::string clipboardText() = 0;
    // False when the clipboard could not be opened or took nothing (another
    // program holds it open).
    virtual bool setClipboardText(const std::string& text) = 0;

    // Lets pending window messages through (paints, clicks on a stop button).
    virtual void pumpPending() = 0;
    virtual Rect primaryWorkingArea() = 0;
};

} // namespace vexo::toolkit
