#include "shell/style.h"

#include <algorithm>
#include <deque>

namespace vexo::shell {

// ---- rounding ---------------------------------------------------------------

void VexoPearl15::Round(toolkit::Control& control, int radius) {
    if (!rounded_.emplace(&control, radius).second) {
        return;
    }
    Shape(control, radius);
    // The region is cut for one size; a resized control needs a new one.
    auto previousResize = control.onResize;
    control.onResize = [radius, previousResize](toolkit::ResizeEvent& e) {
        Shape(*e.sender, radius);
        if (previousResize) {
            previousResize(e);
        }
    };
    // A disposed control's address may come back for a new control, which
    // must be free to get its own radius.
    auto previousDisposed = control.onDisposed;
    control.onDisposed = [this, previousDisposed](toolkit::DisposedEvent& e) {
        rounded_.erase(e.sender);
        if (previousDisposed) {
            previousDisposed(e);
        }
    };
}

int VexoPearl15::RadiusOf(const toolkit::Control& control) const {
    auto it = rounded_.find(&control);
    return it == rounded_.end() ? 0 : it->second;
}

void VexoPearl15::Shape(toolkit::Control& control, int radius) {
    const toolkit::Size size = control.size();
    // Too small to carry a figure: the previous region stays.
    if (control.isDisposing() || size.width < 2 || size.height < 2) {
        return;
    }
    control.setRegion(toolkit::roundedRectPath(size, radius));
}

// ---- the palette pass ----------------------------------------------------------

namespace {

void StyleOne(toolkit::Control& c, VexoPearl15& pearl) {
    using toolkit::Kind;
    c.setForeColor(palette::kText);
    switch (c.kind()) {
    case Kind::Button: {
        auto& b = static_cast<toolkit::Button&>(c);
        b.setFlatColors(palette::kButtonBorder, palette::kButtonHover, palette::kButtonPressed);
        b.setBackColor(palette::kWhite);
        b.setMinimumSize({0, 38});
        b.setHandCursor(true);
        pearl.Round(b, 10);
        break;
    }
    case Kind::DataGrid: {
        auto& g = static_cast<toolkit::DataGrid&>(c);
        g.setBackColor(palette::kWhite);
        toolkit::DataGrid::Look look = g.look();
        look.border = false;
        look.gridLines = palette::kGridLines;
        look.platformHeaderStyle = false;
        look.headerHeight = 44;
        look.headerBack = palette::kGridHeaderBack;
        look.headerFore = palette::kGridHeaderText;
        look.selectionBack = palette::kAccent;
        look.selectionFore = palette::kWhite;
        look.alternatingRowBack = palette::kGridAlternate;
        look.rowHeight = 40;
        g.setLook(look);
        break;
    }
    case Kind::TextBox:
    case Kind::NumericUpDown:
    case Kind::ComboBox:
        c.setBackColor(palette::kWhite);
        break;
    case Kind::Label:
        c.setBackColor(toolkit::Color::transparent());
        break;
    case Kind::Panel:
    case Kind::TableLayout:
    case Kind::FlowLayout:
    case Kind::Form:
        c.setBackColor(palette::kPage);
        break;
    case Kind::CheckBox:
    case Kind::ListBox:
    case Kind::Drawn:
        break;
    }
}

} // namespace

void StyleVexoWindow(toolkit::Control& root, VexoPearl15& pearl) {
    std::deque<toolkit::Control*> queue{&root};
    while (!queue.empty()) {
        toolkit::Control* c = queue.front();
        queue.pop_front();
        StyleOne(*c, pearl);
        for (const auto& child : c->children()) {
            queue.push_back(child.get());
        }
    }
}

void MakePrimary(toolkit::Button& button) {
    button.setBackColor(palette::kAccent);
    button.setForeColor(palette::kWhite);
}

void MakeDestructive(toolkit::Button& button) {
    button.setBackColor(palette::kDestructive);
    button.setForeColor(palette::kWhite);
}

toolkit::Button* AddBarButton(toolkit::Control& bar, std::string_view text) {
    toolkit::ButtonArgs args;
    args.text = std::string(text);
    args.autoSize = true;
    args.minimumSize = toolkit::Size{0, 32};
    args.padding = toolkit::Spacing{8, 0, 8, 0};
    return bar.add<toolkit::Button>(args);
}

} // namespace vexo::shell
