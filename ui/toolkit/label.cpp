#include "toolkit/label.h"

#include "toolkit/application.h"

namespace vexo::toolkit {

Label::Label(LabelArgs args)
    : align_(args.align), verticalAlign_(args.verticalAlign), ellipsis_(args.ellipsis) {
    applyArgs(*this, args);
}

HAlign Label::align() const {
    if (align_) {
        return *align_;
    }
    return rightToLeft() ? HAlign::Right : HAlign::Left;
}

void Label::setAlign(std::optional<HAlign> a) {
    align_ = a;
    notify(Change::Style);
}

void Label::setVerticalAlign(VAlign a) {
    verticalAlign_ = a;
    notify(Change::Style);
}

Size Label::preferredSize() const {
    if (!application()) {
        return size();
    }
    const Size t = application()->backend().measureText(text(), font(), 0);
    return {t.width + padding().horizontal(), t.height + padding().vertical()};
}

} // namespace vexo::toolkit
