#pragma once
// The one application object: it holds the backend, runs every event handler
// and timer tick through the error hook, and offers the modal dialogs.

#include "toolkit/backend.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace vexo::toolkit {

struct ErrorReport {
    std::exception_ptr error;
    std::string message; // what() of a std::exception, else a fixed text
};

class Application {
public:
    explicit Application(std::unique_ptr<Backend> backend);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application();

    Backend& backend() { return *backend_; }

    // Receives every error that escapes a handler or a timer tick. Without a
    // hook the error is dropped after the backend's default report.
    std::function<void(const ErrorReport&)> onError;

    // Runs `fn`; an escaping error goes to onError and never further.
    void dispatch(const std::function<void()>& fn);

    DialogResult messageBox(const MessageBoxArgs& args) { return backend_->messageBox(args); }
    ChosenPath browseFolder(const FolderBrowserArgs& args) { return backend_->browseFolder(args); }
    ChosenPath saveFile(const SaveFileArgs& args) { return backend_->saveFile(args); }
    std::string clipboardText() { return backend_->clipboardText(); }
    bool setClipboardText(const std::string& text) { return backend_->setClipboardText(text); }
    void pumpPending() { backend_->pumpPending(); }
    Rect primaryWorkingArea() { return backend_->primaryWorkingArea(); }

private:
    std::unique_ptr<Backend> backend_;
};

} // namespace vexo::toolkit
