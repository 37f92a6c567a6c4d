#include "toolkit/control.h"

#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/timer.h"

#include <algorithm>
#include <stdexcept>

namespace vexo::toolkit {

Control::~Control() {
    // Children first, so their windows go before the one that holds them.
    children_.clear();
    timers_.clear();
    peer_.reset();
}

// ---- tree -----------------------------------------------------------------

Control* Control::adopt(std::unique_ptr<Control> child) {
    Control* raw = child.get();
    raw->parent_ = this;
    children_.push_back(std::move(child));
    raw->setApplication(app_);
    if (raw->peer_) {
        raw->peer_->update(Change::Parent);
    } else if (peer_) {
        raw->realizeTree();
    }
    performLayout();
    return raw;
}

std::unique_ptr<Control> Control::release(Control* child) {
    auto it = std::find_if(children_.begin(), children_.end(),
                           [&](const auto& c) { return c.get() == child; });
    if (it == children_.end()) {
        return nullptr;
    }
    std::unique_ptr<Control> out = std::move(*it);
    children_.erase(it);
    out->parent_ = nullptr;
    if (out->peer_) {
        out->peer_->update(Change::Parent);
    }
    performLayout();
    return out;
}

void Control::fireDisposed() {
    disposing_ = true;
    for (auto& c : children_) {
        c->fireDisposed();
    }
    for (auto& t : timers_) {
        t->stop();
    }
    DisposedEvent e;
    raise(onDisposed, e);
}

void Control::dispose() {
    if (disposing_) {
        return;
    }
    fireDisposed();
    if (parent_) {
        Control* p = parent_;
        std::unique_ptr<Control> self = p->release(this);
        self.reset(); // destroys `this`
    }
}

void Control::clearChildren() {
    suspendLayout();
    while (!children_.empty()) {
        children_.back()->dispose();
    }
    resumeLayout();
}

void Control::setApplication(Application* app) {
    app_ = app;
    for (auto& c : children_) {
        c->setApplication(app);
    }
}

void Control::realizeTree() {
    if (!app_ || !wantsPeer()) {
        return;
    }
    if (!peer_) {
        peer_ = app_->backend().createPeer(*this);
    }
    for (auto& c : children_) {
        c->realizeTree();
    }
}

void Control::releasePeers() {
    for (auto& c : children_) {
        c->releasePeers();
    }
    peer_.reset();
}

Timer* Control::addTimer(int intervalMs) {
    if (!app_) {
        throw std::logic_error("a timer needs a control that belongs to a form");
    }
    timers_.push_back(std::make_unique<Timer>(*app_, intervalMs));
    return timers_.back().get();
}

// ---- properties -------------------------------------------------------------

void Control::notify(Change what) {
    if (peer_) {
        peer_->update(what);
    }
}

void Control::setText(std::string text) {
    if (text == text_) {
        return;
    }
    text_ = std::move(text);
    notify(Change::Text);
    refreshAutoSize();
    TextChangedEvent e;
    raise(onTextChanged, e);
}

Font Control::font() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (c->font_) {
            return *c->font_;
        }
    }
    return Font{};
}

void Control::setFont(std::optional<Font> font) {
    font_ = std::move(font);
    notify(Change::Font);
    for (auto& c : children_) {
        if (!c->font_) {
            c->setFont(std::nullopt); // inherited: tell their peers too
        }
    }
    refreshAutoSize();
}

Color Control::foreColor() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (c->foreColor_) {
            return *c->foreColor_;
        }
    }
    return kBlack;
}

Color Control::backColor() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (c->backColor_) {
            return *c->backColor_;
        }
    }
    return Color::rgb(240, 240, 240);
}

Color Control::paintedBackColor() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (c->backColor_ && !c->backColor_->isTransparent()) {
            return *c->backColor_;
        }
    }
    return Color::rgb(240, 240, 240);
}

void Control::setForeColor(std::optional<Color> c) {
    foreColor_ = c;
    notify(Change::Colors);
    for (auto& child : children_) {
        if (!child->foreColor_) {
            child->setForeColor(std::nullopt);
        }
    }
}

void Control::setBackColor(std::optional<Color> c) {
    backColor_ = c;
    notify(Change::Colors);
    for (auto& child : children_) {
        if (!child->backColor_) {
            child->setBackColor(std::nullopt);
        }
    }
}

bool Control::rightToLeft() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (c->rightToLeft_) {
            return *c->rightToLeft_;
        }
    }
    return false;
}

void Control::setRightToLeft(std::optional<bool> rtl) {
    rightToLeft_ = rtl;
    notify(Change::Style);
    performLayout();
    if (parent_) {
        parent_->performLayout();
    }
}

bool Control::effectivelyEnabled() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (!c->enabled_) {
            return false;
        }
    }
    return true;
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    notify(Change::Enabled);
}

bool Control::effectivelyVisible() const {
    for (const Control* c = this; c; c = c->parent_) {
        if (!c->visible_) {
            return false;
        }
    }
    return true;
}

void Control::setVisible(bool visible) {
    if (visible == visible_) {
        return;
    }
    visible_ = visible;
    notify(Change::Visible);
    requestParentLayout();
}

void Control::setBounds(Rect r) {
    specified_ = r.size();
    place(r);
}

void Control::place(Rect r) {
    r.width = std::max(r.width, minimumSize_.width);
    r.height = std::max(r.height, minimumSize_.height);
    if (r == bounds_) {
        return;
    }
    const bool resized = r.size() != bounds_.size();
    bounds_ = r;
    notify(Change::Bounds);
    if (resized) {
        performLayout();
        ResizeEvent e;
        e.size = r.size();
        raise(onResize, e);
    }
    if (!inLayoutOfParent()) {
        requestParentLayout();
    }
}

bool Control::inLayoutOfParent() const {
    return parent_ && parent_->inLayout_;
}

Rect Control::displayRect() const {
    return {padding_.left, padding_.top, std::max(0, bounds_.width - padding_.horizontal()),
            std::max(0, bounds_.height - padding_.vertical())};
}

Rect Control::boundsInForm() const {
    Rect r = bounds_;
    for (const Control* c = parent_; c && c->kind() != Kind::Form; c = c->parent_) {
        r.x += c->bounds_.x;
        r.y += c->bounds_.y;
    }
    if (parent_ == nullptr && kind() == Kind::Form) {
        return {0, 0, r.width, r.height};
    }
    return r;
}

void Control::setDock(Dock d) {
    dock_ = d;
    requestParentLayout();
}

void Control::setMargin(Spacing m) {
    margin_ = m;
    requestParentLayout();
}

void Control::setPadding(Spacing p) {
    padding_ = p;
    performLayout();
}

void Control::setAutoSize(bool on) {
    autoSize_ = on;
    refreshAutoSize();
}

void Control::setMinimumSize(Size s) {
    minimumSize_ = s;
    place(bounds_);
    requestParentLayout();
}

void Control::setCell(Cell c) {
    cell_ = c;
    requestParentLayout();
}

void Control::setTooltip(std::string text) {
    tooltip_ = std::move(text);
    notify(Change::Tooltip);
}

void Control::setRegion(std::optional<Path> region) {
    region_ = std::move(region);
    notify(Change::Region);
}

Size Control::preferredSize() const {
    return bounds_.size();
}

void Control::refreshAutoSize() {
    if (autoSize_ && app_) {
        setSize(preferredSize());
    }
}

// ---- layout ---------------------------------------------------------------

void Control::resumeLayout() {
    if (layoutSuspended_ > 0 && --layoutSuspended_ == 0) {
        layoutResumed();
        if (layoutPending_) {
            performLayout();
        }
    }
}

void Control::performLayout() {
    if (layoutSuspended_ > 0) {
        layoutPending_ = true;
        return;
    }
    if (inLayout_) {
        return;
    }
    layoutPending_ = false;
    inLayout_ = true;
    layoutChildren();
    inLayout_ = false;
}

void Control::requestParentLayout() {
    if (parent_ && !parent_->inLayout_) {
        parent_->performLayout();
    }
}

void Control::layoutChildren() {
    std::vector<LayoutItem> items;
    items.reserve(children_.size());
    for (const auto& c : children_) {
        items.push_back(c->layoutItem());
    }
    const std::vector<Rect> placed = dockLayout(displayRect(), items);
    for (size_t i = 0; i < children_.size(); ++i) {
        children_[i]->place(placed[i]);
    }
}

LayoutItem Control::layoutItem() const {
    LayoutItem item;
    item.bounds = {bounds_.x, bounds_.y, specified_.width, specified_.height};
    item.autoSize = autoSize_;
    item.preferred = autoSize_ ? preferredSize() : specified_;
    item.minimum = minimumSize_;
    item.margin = margin_;
    item.dock = dock_;
    item.visible = visible_;
    item.cell = cell_;
    return item;
}

void Control::setScrollExtent(Size s) {
    if (s == scrollExtent_) {
        return;
    }
    scrollExtent_ = s;
    notify(Change::Scroll);
}

// ---- input and painting -----------------------------------------------------

bool Control::userKeyDown(KeyEvent& e) {
    raise(onKeyDown, e);
    return e.didHandle;
}

bool Control::userKeyDefault(const KeyEvent&) {
    return false;
}

void Control::focus() {
    if (peer_) {
        peer_->focus();
    }
}

void Control::invalidate() {
    if (peer_) {
        peer_->invalidate();
    }
}

void Control::paint(Canvas& canvas) {
    PaintEvent e;
    e.canvas = &canvas;
    e.clientArea = {0, 0, bounds_.width, bounds_.height};
    raise(onPaint, e);
}

void Control::dispatchHandler(const std::function<void()>& fn) {
    if (app_) {
        app_->dispatch(fn);
    } else {
        fn();
    }
}

} // namespace vexo::toolkit
