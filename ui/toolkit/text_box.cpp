#include "toolkit/text_box.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vexo::toolkit {

TextBox::TextBox(TextBoxArgs args)
    : multiline_(args.multiline), readOnly_(args.readOnly), wordWrap_(args.wordWrap),
      scrollBars_(args.scrollBars) {
    applyArgs(*this, args);
}

void TextBox::setReadOnly(bool on) {
    readOnly_ = on;
    notify(Change::Style);
}

bool TextBox::userType(const std::string& text) {
    if (readOnly_ || !effectivelyEnabled() || !effectivelyVisible()) {
        return false;
    }
    allSelected_ = false;
    setText(text);
    return true;
}

void TextBox::selectAll() {
    allSelected_ = true;
    notify(Change::Selection);
}

NumericUpDown::NumericUpDown(NumericUpDownArgs args)
    : minimum_(args.minimum), maximum_(std::max(args.minimum, args.maximum)),
      increment_(args.increment), decimals_(std::clamp(args.decimals, 0, 6)) {
    applyArgs(*this, args);
    value_ = minimum_;
    setValue(args.value);
    showValue();
}

void NumericUpDown::setValue(double v) {
    if (!std::isfinite(v)) {
        v = minimum_;
    }
    const double scale = std::pow(10.0, decimals_);
    v = std::round(std::clamp(v, minimum_, maximum_) * scale) / scale;
    if (v == value_) {
        return;
    }
    value_ = v;
    showValue();
    notify(Change::Value);
    Event e;
    raise(onValueChanged, e);
}

void NumericUpDown::setRange(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    setValue(value_);
}

void NumericUpDown::showValue() {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals_, value_);
    setText(buf);
}

void NumericUpDown::userStep(int steps) {
    if (!effectivelyEnabled()) {
        return;
    }
    setValue(value_ + increment_ * steps);
}

void NumericUpDown::userEnter(const std::string& typed) {
    if (!effectivelyEnabled()) {
        return;
    }
    char* end = nullptr;
    const double v = std::strtod(typed.c_str(), &end);
    if (end == typed.c_str()) {
        showValue(); // not a number: the box shows the value it keeps
        return;
    }
    setValue(v);
    showValue();
}

} // namespace vexo::toolkit
