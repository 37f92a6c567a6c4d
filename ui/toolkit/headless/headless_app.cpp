#include "toolkit/headless/headless_app.h"

#include <functional>
#include <gtest/gtest.h>

namespace vexo::toolkit::headless {

namespace {

std::unique_ptr<HeadlessBackend> makeBackend(HeadlessBackend*& out) {
    auto b = std::make_unique<HeadlessBackend>();
    out = b.get();
    return b;
}

Control* findFirst(Control& root, const std::function<bool(const Control&)>& match) {
    if (match(root)) {
        return &root;
    }
    for (const auto& c : root.children()) {
        if (Control* hit = findFirst(*c, match)) {
            return hit;
        }
    }
    return nullptr;
}

} // namespace

HeadlessApp::HeadlessApp() : backend_(nullptr), app_(makeBackend(backend_)) {
    app_.onError = [this](const ErrorReport& report) {
        errors_.push_back(report.message);
        if (failOnError) {
            ADD_FAILURE() << "an error escaped a handler: " << report.message;
        }
    };
}

Control* HeadlessApp::findByText(Control& root, const std::string& text) {
    return findFirst(root, [&](const Control& c) { return c.text() == text; });
}

Control* HeadlessApp::findByName(Control& root, const std::string& name) {
    return findFirst(root, [&](const Control& c) { return c.accessibleName() == name; });
}

void HeadlessApp::failNotFound(const std::string& what) {
    ADD_FAILURE() << "no control with text or name \"" << what << "\"";
}

bool HeadlessApp::usable(const Control& c, const char* action) {
    if (!c.effectivelyVisible() || !c.effectivelyEnabled()) {
        ADD_FAILURE() << "cannot " << action << " \"" << c.text() << "\": it is "
                      << (c.effectivelyVisible() ? "disabled" : "hidden");
        return false;
    }
    return true;
}

void HeadlessApp::click(Control& c) {
    if (!usable(c, "click")) {
        return;
    }
    if (auto* b = dynamic_cast<Button*>(&c)) {
        b->userClick();
    } else if (auto* box = dynamic_cast<CheckBox*>(&c)) {
        box->userToggle();
    } else {
        ADD_FAILURE() << "\"" << c.text() << "\" is not clickable";
    }
}

void HeadlessApp::type(Control& c, const std::string& text) {
    if (!usable(c, "type into")) {
        return;
    }
    if (auto* box = dynamic_cast<TextBox*>(&c)) {
        if (!box->userType(text)) {
            ADD_FAILURE() << "the text box is read-only";
        }
    } else if (auto* num = dynamic_cast<NumericUpDown*>(&c)) {
        num->userEnter(text);
    } else {
        ADD_FAILURE() << "cannot type into \"" << c.text() << "\"";
    }
}

void HeadlessApp::tick(CheckBox& box) {
    if (usable(box, "tick")) {
        box.userToggle();
    }
}

void HeadlessApp::tickRow(DataGrid& grid, int row) {
    if (!usable(grid, "tick a row of")) {
        return;
    }
    if (row < 0 || row >= grid.rowCount() || grid.row(row).hidden) {
        ADD_FAILURE() << "grid row " << row << " is not shown";
        return;
    }
    if (!grid.userTick(row)) {
        ADD_FAILURE() << "grid row " << row << " cannot be ticked";
    }
}

void HeadlessApp::pickItem(ListControl& list, const std::string& item) {
    const auto& items = list.items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == item) {
            pickItem(list, static_cast<int>(i));
            return;
        }
    }
    ADD_FAILURE() << "no item \"" << item << "\" in the list";
}

void HeadlessApp::pickItem(ListControl& list, int index) {
    if (usable(list, "pick from")) {
        list.userPick(index);
    }
}

bool HeadlessApp::pressKey(Control& c, Key key, bool control, bool shift) {
    KeyEvent e;
    e.key = key;
    e.control = control;
    e.shift = shift;
    // Like a form that sees keys first: the control, then each parent.
    for (Control* at = &c; at; at = at->parent()) {
        if (at->userKeyDown(e)) {
            return true;
        }
    }
    return c.userKeyDefault(e);
}

void HeadlessApp::chooseMenuItem(const std::string& text) {
    PopupMenu* menu = backend_->openMenu;
    if (!menu || !menu->isOpen()) {
        ADD_FAILURE() << "no menu is open to choose \"" << text << "\"";
        return;
    }
    for (size_t i = 0; i < menu->items.size(); ++i) {
        if (menu->items[i].text == text) {
            backend_->openMenu = nullptr;
            menu->choose(static_cast<int>(i));
            return;
        }
    }
    ADD_FAILURE() << "the open menu has no entry \"" << text << "\"";
}

std::vector<std::string> HeadlessApp::visibleTexts(Control& root) {
    std::vector<std::string> out;
    std::function<void(Control&)> walk = [&](Control& c) {
        if (!c.visible()) {
            return;
        }
        if (!c.text().empty()) {
            out.push_back(c.text());
        }
        for (const auto& child : c.children()) {
            walk(*child);
        }
    };
    walk(root);
    return out;
}

std::vector<std::vector<std::string>> HeadlessApp::gridRows(const DataGrid& grid) {
    std::vector<std::vector<std::string>> out;
    for (int r : grid.visibleRows()) {
        std::vector<std::string> cells;
        for (size_t c = 0; c < grid.columns().size(); ++c) {
            if (grid.columns()[c].visible) {
                cells.push_back(grid.cellText(r, static_cast<int>(c)));
            }
        }
        out.push_back(std::move(cells));
    }
    return out;
}

RecordingCanvas HeadlessApp::paint(Control& c) {
    RecordingCanvas canvas;
    c.paint(canvas);
    return canvas;
}

} // namespace vexo::toolkit::headless
