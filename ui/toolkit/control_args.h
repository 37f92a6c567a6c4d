#pragma once
// The settings every control can be created with. Each kind adds its own in a
// `XxxArgs` struct derived from this one; unset optionals keep the defaults
// (inherited font and colours, the kind's own margin).

#include "toolkit/control.h"

#include <optional>
#include <string>

namespace vexo::toolkit {

struct ControlArgs {
    std::string text;
    std::optional<Rect> bounds;
    std::optional<Size> size;
    Dock dock = Dock::None;
    std::optional<Spacing> margin;
    std::optional<Spacing> padding;
    bool autoSize = false;
    std::optional<Size> minimumSize;
    std::optional<Font> font;
    std::optional<Color> foreColor;
    std::optional<Color> backColor;
    std::optional<bool> rightToLeft;
    std::string accessibleName;
    std::string tooltip;
    bool enabled = true;
    bool visible = true;
};

// Applies the common settings; called by each kind's constructor.
void applyArgs(Control& c, const ControlArgs& args);

} // namespace vexo::toolkit
