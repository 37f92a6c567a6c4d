#include "toolkit/list_controls.h"

#include "toolkit/application.h"

#include <algorithm>

namespace vexo::toolkit {

void ListControl::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    const bool hadSelection = selected_ >= 0;
    selected_ = -1;
    notify(Change::Items);
    if (hadSelection) {
        SelectionChangedEvent e;
        raise(onSelectionChanged, e);
    }
}

void ListControl::addItem(std::string item) {
    items_.push_back(std::move(item));
    notify(Change::Items);
}

void ListControl::setSelectedIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size()) || index == selected_) {
        return;
    }
    selected_ = index;
    notify(Change::Selection);
    SelectionChangedEvent e;
    raise(onSelectionChanged, e);
}

std::string ListControl::selectedItem() const {
    return selected_ >= 0 ? items_[static_cast<size_t>(selected_)] : std::string();
}

void ListControl::userPick(int index) {
    if (!effectivelyEnabled() || !effectivelyVisible()) {
        return;
    }
    setSelectedIndex(index);
}

ComboBox::ComboBox(ListArgs args) {
    applyArgs(*this, args);
    setItems(std::move(args.items));
    setSelectedIndex(args.selectedIndex);
}

ListBox::ListBox(ListArgs args) {
    applyArgs(*this, args);
    setItems(std::move(args.items));
    setSelectedIndex(args.selectedIndex);
}

int ListBox::horizontalExtent() const {
    int widest = 0;
    if (!application()) {
        return 0;
    }
    for (const auto& item : items()) {
        widest = std::max(widest, application()->backend().measureText(item, font(), 0).width);
    }
    return widest + 8;
}

} // namespace vexo::toolkit
