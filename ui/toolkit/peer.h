#pragma once
// The narrow seam between a portable control and what shows it. A backend
// creates one peer per control once the control is part of a form; the peer
// reads the control's properties whenever it is told one of them changed. User
// input travels the other way through the control's `user...` methods, so the
// headless helpers and the real windows raise the same events.

#include <memory>

namespace vexo::toolkit {

class Canvas;
class Control;

enum class Change {
    Text,
    Font,
    Colors,
    Enabled,
    Visible,
    Bounds,
    Region,
    Tooltip,
    Parent,    // moved under another control (a form hosted in a panel)
    Items,     // list entries, grid rows or columns
    Selection, // selected item, ticked state, current cell
    Value,     // checked state, numeric value
    Style,     // read-only, multi-line, border and other kind-specific looks
    Scroll,    // the scroll extent of a container
};

class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void update(Change what) = 0;
    // Asks for a repaint of a custom-drawn control.
    virtual void invalidate() = 0;
    // Puts the keyboard focus on the control.
    virtual void focus() = 0;
};

} // namespace vexo::toolkit
