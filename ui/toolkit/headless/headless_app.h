#pragma once
// Test helpers that drive the widget set as a user would: find a control by
// its text or accessible name, click, type, tick a grid row, pick an item,
// press a key, let time pass, and read back what is on screen. Acting on a
// control the user could not reach (disabled, hidden) fails the test.

#include "toolkit/headless/headless_backend.h"
#include "toolkit/headless/recording_canvas.h"
#include "toolkit/toolkit.h"

#include <memory>
#include <string>
#include <vector>

namespace vexo::toolkit::headless {

class HeadlessApp {
public:
    HeadlessApp();
    HeadlessApp(const HeadlessApp&) = delete;
    HeadlessApp& operator=(const HeadlessApp&) = delete;

    Application& app() { return app_; }
    HeadlessBackend& backend() { return *backend_; }

    // Errors that escaped a handler or a timer; each also fails the test
    // unless `failOnError` was cleared (tests of the error hook's users).
    const std::vector<std::string>& errors() const { return errors_; }
    bool failOnError = true;

    // ---- finding ----------------------------------------------------------
    static Control* findByText(Control& root, const std::string& text);
    static Control* findByName(Control& root, const std::string& name);
    template <class T> static T* find(Control& root, const std::string& textOrName) {
        Control* c = findByText(root, textOrName);
        if (!c) {
            c = findByName(root, textOrName);
        }
        return dynamic_cast<T*>(c);
    }
    // Like find, but fails the test when nothing matches.
    template <class T> static T& get(Control& root, const std::string& textOrName) {
        T* c = find<T>(root, textOrName);
        if (!c) {
            failNotFound(textOrName);
            throw std::runtime_error("no control \"" + textOrName + "\"");
        }
        return *c;
    }

    // ---- acting ------------------------------------------------------------------
    void click(Control& c);
    void click(Control& root, const std::string& textOrName) {
        click(get<Control>(root, textOrName));
    }
    void type(Control& textBox, const std::string& text);
    void tick(CheckBox& box);
    void tickRow(DataGrid& grid, int row);
    void pickItem(ListControl& list, const std::string& item);
    void pickItem(ListControl& list, int index);
    // Returns whether a handler marked the key handled.
    bool pressKey(Control& c, Key key, bool control = false, bool shift = false);
    void advanceTime(long long ms) { backend_->advance(ms); }
    // Chooses an entry of the menu that is open now.
    void chooseMenuItem(const std::string& text);

    // ---- scripting the modal dialogs ----------------------------------------------
    void expectMessageBox(DialogResult answer) { backend_->messageBoxAnswers.push_back(answer); }
    void expectFolder(ChosenPath answer) { backend_->folderAnswers.push_back(std::move(answer)); }
    void expectSaveFile(ChosenPath answer) { backend_->saveAnswers.push_back(std::move(answer)); }
    void expectModal(std::function<void(Form&)> actAsUser) {
        backend_->modalHandlers.push_back(std::move(actAsUser));
    }
    const std::vector<ShownMessageBox>& shownMessageBoxes() const { return backend_->messageBoxes; }

    // ---- reading what the user sees ---------------------------------------------------
    // Texts of the visible controls below root, in tree order.
    static std::vector<std::string> visibleTexts(Control& root);
    // The grid as shown: visible rows, each cell's displayed text.
    static std::vector<std::vector<std::string>> gridRows(const DataGrid& grid);
    // Paints a custom-drawn control and returns what it drew.
    static RecordingCanvas paint(Control& c);
    static HeadlessPeer* peerOf(const Control& c) { return dynamic_cast<HeadlessPeer*>(c.peer()); }

private:
    static void failNotFound(const std::string& what);
    bool usable(const Control& c, const char* action);

    HeadlessBackend* backend_;
    Application app_;
    std::vector<std::string> errors_;
};

} // namespace vexo::toolkit::headless
