#include "toolkit/headless/headless_backend.h"

#include "toolkit/containers.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace vexo::toolkit::headless {

namespace {

int codePoints(const std::string& s) {
    int n = 0;
    for (unsigned char ch : s) {
        if ((ch & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

const char* buttonsName(MessageButtons b) {
    switch (b) {
    case MessageButtons::Ok:
        return "Ok";
    case MessageButtons::OkCancel:
        return "OkCancel";
    case MessageButtons::YesNo:
        return "YesNo";
    case MessageButtons::YesNoCancel:
        return "YesNoCancel";
    case MessageButtons::RetryCancel:
        return "RetryCancel";
    }
    return "?";
}

} // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::createPeer(Control& control) {
    return std::make_unique<HeadlessPeer>(control);
}

// A fixed, predictable measure: two thirds of the point size per character
// and 1.7 times the point size per line, in whole pixels.
Size HeadlessBackend::measureText(const std::string& text, const Font& font, int maxWidth) {
    const double perChar = font.points * 2.0 / 3.0 * (font.bold ? 1.1 : 1.0);
    const int lineHeight = static_cast<int>(std::ceil(font.points * 1.7));
    int width = 0;
    int lines = 0;
    size_t start = 0;
    while (true) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        int w = static_cast<int>(std::ceil(codePoints(line) * perChar));
        int wrapped = 1;
        if (maxWidth > 0 && w > maxWidth) {
            wrapped = (w + maxWidth - 1) / maxWidth;
            w = maxWidth;
        }
        width = std::max(width, w);
        lines += wrapped;
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return {width, lines * lineHeight};
}

void HeadlessBackend::startTimer(Timer& timer) {
    stopTimer(timer);
    timers_.push_back({&timer, now_ + std::max(1, timer.interval())});
}

void HeadlessBackend::stopTimer(Timer& timer) {
    std::erase_if(timers_, [&](const Scheduled& s) { return s.timer == &timer; });
}

void HeadlessBackend::advance(long long ms) {
    const long long target = now_ + ms;
    while (true) {
        auto next =
            std::min_element(timers_.begin(), timers_.end(),
                             [](const Scheduled& a, const Scheduled& b) { return a.due < b.due; });
        if (next == timers_.end() || next->due > target) {
            break;
        }
        now_ = next->due;
        Timer* t = next->timer;
        next->due += std::max(1, t->interval());
        t->fire(); // may stop or destroy timers: the list is searched afresh
    }
    now_ = target;
}

void HeadlessBackend::runModal(Form& form) {
    modalForms.push_back(form.text());
    if (modalHandlers.empty()) {
        ADD_FAILURE() << "unexpected dialog: \"" << form.text() << "\"";
        form.requestClose();
        return;
    }
    auto handler = std::move(modalHandlers.front());
    modalHandlers.pop_front();
    handler(form);
    if (form.shown()) {
        ADD_FAILURE() << "dialog \"" << form.text() << "\" was left open by the test";
        form.closedByBackend();
    }
}

void HeadlessBackend::closeForm(Form&) {}

void HeadlessBackend::showPopupMenu(PopupMenu& menu, Control&, Point where) {
    openMenu = &menu;
    openMenuAt = where;
}

DialogResult HeadlessBackend::messageBox(const MessageBoxArgs& args) {
    ShownMessageBox shown;
    shown.hasOwner = args.owner != nullptr;
    if (args.owner) {
        const Control* c = args.owner;
        while (c->parent() && c->kind() != Kind::Form) {
            c = c->parent();
        }
        shown.owner = c->text();
    }
    shown.text = args.text;
    shown.caption = args.caption;
    shown.buttons = args.buttons;
    shown.icon = args.icon;
    shown.rightToLeftReading = args.rightToLeftReading;
    if (messageBoxAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box (" << buttonsName(args.buttons) << ") \""
                      << args.caption << "\": " << args.text;
        shown.answer = args.buttons == MessageButtons::Ok ? DialogResult::Ok : DialogResult::Cancel;
    } else {
        shown.answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
    }
    messageBoxes.push_back(shown);
    return shown.answer;
}

ChosenPath HeadlessBackend::browseFolder(const FolderBrowserArgs& args) {
    folderDialogs.push_back(args);
    if (folderAnswers.empty()) {
        ADD_FAILURE() << "unexpected folder browser: " << args.description;
        return std::nullopt;
    }
    ChosenPath p = folderAnswers.front();
    folderAnswers.pop_front();
    return p;
}

ChosenPath HeadlessBackend::saveFile(const SaveFileArgs& args) {
    saveDialogs.push_back(args);
    if (saveAnswers.empty()) {
        ADD_FAILURE() << "unexpected save dialog: " << args.title << " (" << args.fileName << ")";
        return std::nullopt;
    }
    ChosenPath p = saveAnswers.front();
    saveAnswers.pop_front();
    return p;
}

void HeadlessBackend::pumpPending() {
    ++pumps;
    if (onPump) {
        auto fn = onPump;
        fn();
    }
}

} // namespace vexo::toolkit::headless
