#pragma once
// Push buttons (flat, with a 1-px border and hover and pressed colours) and
// check boxes.

#include "toolkit/control_args.h"

#include <optional>

namespace vexo::toolkit {

struct ButtonArgs : ControlArgs {
    HAlign align = HAlign::Center;
    std::optional<Color> borderColor;
    std::optional<Color> hoverColor;
    std::optional<Color> pressedColor;
};

class Button : public Control {
public:
    explicit Button(ButtonArgs args = {});
    Kind kind() const override { return Kind::Button; }

    HAlign align() const { return align_; }
    void setAlign(HAlign a);
    // Flat look; unset colours fall back to the platform's own button.
    std::optional<Color> borderColor() const { return borderColor_; }
    std::optional<Color> hoverColor() const { return hoverColor_; }
    std::optional<Color> pressedColor() const { return pressedColor_; }
    void setFlatColors(std::optional<Color> border, std::optional<Color> hover,
                       std::optional<Color> pressed);
    bool handCursor() const { return handCursor_; }
    void setHandCursor(bool on) { handCursor_ = on; }

    // A click by the user: ignored while the button cannot be used.
    void userClick();
    Size preferredSize() const override;

private:
    HAlign align_;
    std::optional<Color> borderColor_;
    std::optional<Color> hoverColor_;
    std::optional<Color> pressedColor_;
    bool handCursor_ = false;
};

struct CheckBoxArgs : ControlArgs {
    bool checked = false;
};

class CheckBox : public Control {
public:
    explicit CheckBox(CheckBoxArgs args = {});
    Kind kind() const override { return Kind::CheckBox; }

    bool checked() const { return checked_; }
    void setChecked(bool on);
    // The user ticked or cleared the box.
    void userToggle();
    Size preferredSize() const override;

    Handler<TickChangedEvent> onTickChanged;

private:
    bool checked_;
};

} // namespace vexo::toolkit
