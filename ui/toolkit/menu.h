#pragma once
// A pop-up menu opened at a point of a control (the More menu, a grid's
// context menu). Entries run their click on the UI thread.

#include "toolkit/geometry.h"

#include <functional>
#include <string>
#include <vector>

namespace vexo::toolkit {

class Application;
class Control;

struct MenuItem {
    std::string text; // empty: a separator
    std::function<void()> onClick;
    bool enabled = true;
};

class PopupMenu {
public:
    explicit PopupMenu(Application& app) : app_(app) {}
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    std::vector<MenuItem> items;
    bool rightToLeft = true;

    // Opens at `where`, in the coordinates of `at`.
    void openAt(Control& at, Point where);
    // The user chose entry `index`: runs its click through the error hook.
    void choose(int index);
    bool isOpen() const { return open_; }
    void setOpen(bool open) { open_ = open; }

private:
    Application& app_;
    bool open_ = false;
};

} // namespace vexo::toolkit
