#include "toolkit/control_args.h"

namespace vexo::toolkit {

void applyArgs(Control& c, const ControlArgs& args) {
    c.setText(args.text);
    if (args.bounds) {
        c.setBounds(*args.bounds);
    }
    if (args.size) {
        c.setSize(*args.size);
    }
    c.setDock(args.dock);
    if (args.margin) {
        c.setMargin(*args.margin);
    }
    if (args.padding) {
        c.setPadding(*args.padding);
    }
    if (args.minimumSize) {
        c.setMinimumSize(*args.minimumSize);
    }
    if (args.font) {
        c.setFont(args.font);
    }
    if (args.foreColor) {
        c.setForeColor(args.foreColor);
    }
    if (args.backColor) {
        c.setBackColor(args.backColor);
    }
    if (args.rightToLeft) {
        c.setRightToLeft(args.rightToLeft);
    }
    c.setAccessibleName(args.accessibleName);
    c.setTooltip(args.tooltip);
    c.setEnabled(args.enabled);
    c.setVisible(args.visible);
    c.setAutoSize(args.autoSize);
}

} // namespace vexo::toolkit
