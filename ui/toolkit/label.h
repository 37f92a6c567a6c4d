#pragma once
// A piece of text. Aligned to the reading side unless told otherwise.

#include "toolkit/control_args.h"

#include <optional>

namespace vexo::toolkit {

struct LabelArgs : ControlArgs {
    std::optional<HAlign> align; // none: right in right-to-left, else left
    VAlign verticalAlign = VAlign::Top;
    // Cut with an ellipsis when too long for the label, instead of wrapped.
    bool ellipsis = false;
};

class Label : public Control {
public:
    explicit Label(LabelArgs args = {});
    Kind kind() const override { return Kind::Label; }

    HAlign align() const;
    void setAlign(std::optional<HAlign> a);
    VAlign verticalAlign() const { return verticalAlign_; }
    void setVerticalAlign(VAlign a);
    bool ellipsis() const { return ellipsis_; }
    Size preferredSize() const override;

private:
    std::optional<HAlign> align_;
    VAlign verticalAlign_;
    bool ellipsis_;
};

} // namespace vexo::toolkit
