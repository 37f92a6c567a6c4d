#include "toolkit/containers.h"

#include "toolkit/application.h"

#include <algorithm>

namespace vexo::toolkit {

// ---- Form -------------------------------------------------------------------

Form::Form(Application& app, FormArgs args) : args_(std::move(args)) {
    app_ = &app;
    setMargin({});
    applyArgs(*this, args_);
    if (args_.centerOnScreen && parent() == nullptr) {
        const Rect area = app.primaryWorkingArea();
        setLocation({area.x + (area.width - bounds().width) / 2,
                     area.y + (area.height - bounds().height) / 2});
    }
}

Form::~Form() = default;

void Form::setFrame(Spacing frame) {
    if (frame == frame_) {
        return;
    }
    frame_ = frame;
    performLayout();
}

Rect Form::displayRect() const {
    Rect r = Control::displayRect();
    if (!hosted()) {
        r.width = std::max(0, r.width - frame_.horizontal());
        r.height = std::max(0, r.height - frame_.vertical());
    }
    return r;
}

void Form::show() {
    shown_ = true;
    realizeTree();
    performLayout();
    Event e;
    raise(onShown, e);
}

DialogResult Form::showModal(Form* owner) {
    owner_ = owner;
    dialogResult_ = DialogResult::None;
    shown_ = true;
    realizeTree();
    performLayout();
    Event e;
    raise(onShown, e);
    app_->backend().runModal(*this);
    return dialogResult_;
}

bool Form::requestClose() {
    CloseEvent e;
    raise(onCloseRequest, e);
    if (e.cancel) {
        return false;
    }
    if (shown_ || hosted()) {
        app_->backend().closeForm(*this);
    }
    closedByBackend();
    return true;
}

void Form::closedByBackend() {
    shown_ = false;
}

bool Form::queryEndSession() {
    CloseEvent e;
    raise(onEndSessionQuery, e);
    return !e.cancel;
}

// ---- Panel ------------------------------------------------------------------

Panel::Panel(PanelArgs args) : border_(args.border) {
    applyArgs(*this, args);
}

// ---- TableLayout ------------------------------------------------------------

TableLayout::TableLayout(TableLayoutArgs args)
    : columns_(std::move(args.columns)), rows_(std::move(args.rows)) {
    applyArgs(*this, args);
}

void TableLayout::setColumns(std::vector<Track> c) {
    columns_ = std::move(c);
    performLayout();
}

void TableLayout::setRows(std::vector<Track> r) {
    rows_ = std::move(r);
    performLayout();
}

void TableLayout::layoutChildren() {
    std::vector<LayoutItem> items;
    for (const auto& c : children()) {
        items.push_back(c->layoutItem());
    }
    const TableResult placed = tableLayout(displayRect(), columns_, rows_, items, rightToLeft());
    for (size_t i = 0; i < children().size(); ++i) {
        if (children()[i]->visible()) {
            children()[i]->place(placed.bounds[i]);
        }
    }
}

// ---- FlowLayout -------------------------------------------------------------

FlowLayout::FlowLayout(FlowLayoutArgs args)
    : direction_(args.direction), wrap_(args.wrap), autoScroll_(args.autoScroll) {
    applyArgs(*this, args);
}

bool FlowLayout::needsVerticalScroll() const {
    return autoScroll_ && scrollExtent().height > displayRect().height;
}

bool FlowLayout::needsHorizontalScroll() const {
    return autoScroll_ && scrollExtent().width > displayRect().width;
}

void FlowLayout::setScrollOffset(Point p) {
    const Rect area = displayRect();
    p.x = std::clamp(p.x, 0, std::max(0, scrollExtent().width - area.width));
    p.y = std::clamp(p.y, 0, std::max(0, scrollExtent().height - area.height));
    if (!autoScroll_) {
        p = {};
    }
    if (p == scrollOffset_) {
        return;
    }
    scrollOffset_ = p;
    notify(Change::Scroll);
    performLayout();
}

void FlowLayout::layoutChildren() {
    std::vector<LayoutItem> items;
    for (const auto& c : children()) {
        items.push_back(c->layoutItem());
    }
    const Rect area = displayRect();
    const FlowResult placed = flowLayout(area, items, direction_, wrap_, rightToLeft());
    setScrollExtent(placed.extent);
    // A shrunk extent may leave the offset past the end.
    const Point limit{std::max(0, placed.extent.width - area.width),
                      std::max(0, placed.extent.height - area.height)};
    scrollOffset_ = {std::min(scrollOffset_.x, limit.x), std::min(scrollOffset_.y, limit.y)};
    // Content scrolled from the right edge moves right when scrolled.
    const bool fromRight = direction_ == FlowDirection::RightToLeft || rightToLeft();
    const int dx = fromRight ? scrollOffset_.x : -scrollOffset_.x;
    for (size_t i = 0; i < children().size(); ++i) {
        Rect r = placed.bounds[i];
        if (children()[i]->visible()) {
            r.x += dx;
            r.y -= scrollOffset_.y;
            children()[i]->place(r);
        }
    }
}

} // namespace vexo::toolkit
