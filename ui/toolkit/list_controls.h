#pragma once
// Choosing from a list: a drop-down list (no free text) and a list box with a
// horizontal scroll bar for long entries.

#include "toolkit/control_args.h"

#include <string>
#include <vector>

namespace vexo::toolkit {

// The items and the selection shared by both kinds.
class ListControl : public Control {
public:
    const std::vector<std::string>& items() const { return items_; }
    void setItems(std::vector<std::string> items);
    void addItem(std::string item);
    int selectedIndex() const { return selected_; }
    // -1 clears the selection; out-of-range indexes are ignored.
    void setSelectedIndex(int index);
    std::string selectedItem() const;
    // The user picked an entry.
    void userPick(int index);

    Handler<SelectionChangedEvent> onSelectionChanged;

protected:
    ListControl() = default;

private:
    std::vector<std::string> items_;
    int selected_ = -1;
};

struct ListArgs : ControlArgs {
    std::vector<std::string> items;
    int selectedIndex = -1;
};

class ComboBox : public ListControl {
public:
    explicit ComboBox(ListArgs args = {});
    Kind kind() const override { return Kind::ComboBox; }
};

class ListBox : public ListControl {
public:
    explicit ListBox(ListArgs args = {});
    Kind kind() const override { return Kind::ListBox; }
    // Width of the longest entry, for the horizontal scroll bar.
    int horizontalExtent() const;
};

} // namespace vexo::toolkit
