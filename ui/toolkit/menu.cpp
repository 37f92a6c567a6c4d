#include "toolkit/menu.h"

#include "toolkit/application.h"

namespace vexo::toolkit {

void PopupMenu::openAt(Control& at, Point where) {
    open_ = true;
    app_.backend().showPopupMenu(*this, at, where);
}

void PopupMenu::choose(int index) {
    open_ = false;
    if (index < 0 || index >= static_cast<int>(items.size())) {
        return;
    }
    const MenuItem& item = items[static_cast<size_t>(index)];
    if (!item.enabled || item.text.empty() || !item.onClick) {
        return;
    }
    auto fn = item.onClick; // the handler may replace the menu's items
    app_.dispatch(fn);
}

} // namespace vexo::toolkit
