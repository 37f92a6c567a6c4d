#include "toolkit/button.h"

#include "toolkit/application.h"

namespace vexo::toolkit {

Button::Button(ButtonArgs args)
    : align_(args.align), borderColor_(args.borderColor), hoverColor_(args.hoverColor),
      pressedColor_(args.pressedColor) {
    applyArgs(*this, args);
}

void Button::setAlign(HAlign a) {
    align_ = a;
    notify(Change::Style);
}

void Button::setFlatColors(std::optional<Color> border, std::optional<Color> hover,
                           std::optional<Color> pressed) {
    borderColor_ = border;
    hoverColor_ = hover;
    pressedColor_ = pressed;
    notify(Change::Colors);
}

void Button::userClick() {
    if (!effectivelyEnabled() || !effectivelyVisible()) {
        return;
    }
    ClickEvent e;
    raise(onClick, e);
}

Size Button::preferredSize() const {
    if (!application()) {
        return size();
    }
    const Size t = application()->backend().measureText(text(), font(), 0);
    // Room for the border and the focus frame, as the platform's button has.
    return {t.width + padding().horizontal() + 10, t.height + padding().vertical() + 10};
}

CheckBox::CheckBox(CheckBoxArgs args) : checked_(args.checked) {
    applyArgs(*this, args);
}

void CheckBox::setChecked(bool on) {
    if (on == checked_) {
        return;
    }
    checked_ = on;
    notify(Change::Value);
    TickChangedEvent e;
    raise(onTickChanged, e);
}

void CheckBox::userToggle() {
    if (!effectivelyEnabled() || !effectivelyVisible()) {
        return;
    }
    setChecked(!checked_);
    ClickEvent e;
    raise(onClick, e);
}

Size CheckBox::preferredSize() const {
    if (!application()) {
        return size();
    }
    const Size t = application()->backend().measureText(text(), font(), 0);
    return {t.width + 20 + padding().horizontal(), std::max(t.height, 17) + padding().vertical()};
}

} // namespace vexo::toolkit
