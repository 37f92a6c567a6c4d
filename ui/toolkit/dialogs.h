#pragma once
// Arguments and answers of the modal dialogs every section uses: message
// boxes, the folder browser and the save dialog.

#include <optional>
#include <string>

namespace vexo::toolkit {

class Control;

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class DialogResult { None, Ok, Cancel, Yes, No, Retry };

struct MessageBoxArgs {
    Control* owner = nullptr; // none: a box of its own, without owner window
    std::string text;
    std::string caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    bool rightToLeftReading = false;
};

struct FolderBrowserArgs {
    Control* owner = nullptr;
    std::string description;
    std::string initialFolder;
};

struct SaveFileArgs {
    Control* owner = nullptr;
    std::string title;
    // Pairs as the platform takes them: "CSV (*.csv)|*.csv|All files (*.*)|*.*".
    std::string filter;
    std::string fileName;         // proposed name
    std::string defaultExtension; // without the dot
    bool overwritePrompt = true;
};

// A chosen path, or nothing when the user cancelled.
using ChosenPath = std::optional<std::string>;

} // namespace vexo::toolkit
