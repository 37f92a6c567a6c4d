#pragma once
// Text entry: a text box (single or multi-line, read-only, scroll bars, word
// wrap) and a numeric up-down.

#include "toolkit/control_args.h"

namespace vexo::toolkit {

enum class ScrollBars { None, Vertical, Horizontal, Both };

struct TextBoxArgs : ControlArgs {
    bool multiline = false;
    bool readOnly = false;
    bool wordWrap = true;
    ScrollBars scrollBars = ScrollBars::None;
};

class TextBox : public Control {
public:
    explicit TextBox(TextBoxArgs args = {});
    Kind kind() const override { return Kind::TextBox; }

    bool multiline() const { return multiline_; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on);
    bool wordWrap() const { return wordWrap_; }
    ScrollBars scrollBars() const { return scrollBars_; }

    // The user typed: replaces the text unless the box is read-only or unusable.
    // Returns whether the text was taken.
    bool userType(const std::string& text);

    // Selects the whole text, so that what the user types next replaces it
    // (a search box brought up by its shortcut). Typing clears the mark.
    void selectAll();
    bool allSelected() const { return allSelected_; }

private:
    bool multiline_;
    bool readOnly_;
    bool wordWrap_;
    ScrollBars scrollBars_;
    bool allSelected_ = false;
};

struct NumericUpDownArgs : ControlArgs {
    double minimum = 0;
    double maximum = 100;
    double increment = 1;
    int decimals = 0;
    double value = 0;
};

class NumericUpDown : public Control {
public:
    explicit NumericUpDown(NumericUpDownArgs args = {});
    Kind kind() const override { return Kind::NumericUpDown; }

    double value() const { return value_; }
    // Clamped to the range; rounded to the decimals shown.
    void setValue(double v);
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    double increment() const { return increment_; }
    int decimals() const { return decimals_; }
    void setRange(double minimum, double maximum);

    // The user stepped up (+1) or down (-1), or typed a value.
    void userStep(int steps);
    void userEnter(const std::string& typed);

    Handler<Event> onValueChanged;

private:
    void showValue();

    double minimum_;
    double maximum_;
    double increment_;
    int decimals_;
    double value_ = 0;
};

} // namespace vexo::toolkit
