#include "toolkit/win32/label_peer.h"

#include "toolkit/label.h"
#include "toolkit/win32/drawing.h"

#include <algorithm>

namespace vexo::toolkit::win32 {

LabelPeer::LabelPeer(Label& label) : WindowPeer(label), label_(label) {}

WindowStyle LabelPeer::windowStyle() const {
    // Notify: it takes the mouse, for its tip.
    return {.className = L"STATIC",
            .style = kChildStyle | SS_OWNERDRAW | SS_NOPREFIX | SS_NOTIFY,
            .exStyle = static_cast<DWORD>(label_.rightToLeft() ? WS_EX_RTLREADING : 0)};
}

void LabelPeer::updateKind(Change what) {
    if (what == Change::Text) {
        InvalidateRect(hwnd_, nullptr, FALSE); // drawn by us
    }
}

bool LabelPeer::onMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        result = 1; // painted whole when drawn
        return true;
    }
    return false;
}

void LabelPeer::onDrawItem(const DRAWITEMSTRUCT& item) {
    drawItemOffscreen(item, [&](HDC dc, const RECT& area) { draw(dc, area); });
}

// What shows behind the label: its own colour, or, when it is see-through,
// whatever the first control below it with a background paints there (a
// banner's gradient included).
void LabelPeer::paintBackground(HDC dc, const RECT& area) {
    const Control* painter = &control_;
    POINT offset{0, 0};
    while (painter->parent() && painter->backColor().isTransparent()) {
        offset.x += painter->bounds().x;
        offset.y += painter->bounds().y;
        painter = painter->parent();
    }
    if (painter != &control_ && painter->onPaint) {
        // The painter's whole picture, as it shows it, and our piece of it.
        const Size whole = painter->size();
        OffscreenPicture picture(dc, whole.width, whole.height);
        renderDrawn(*const_cast<Control*>(painter), picture.dc());
        picture.copyTo(dc, {area.left, area.top}, {area.right - area.left, area.bottom - area.top},
                       offset);
        return;
    }
    FillRect(dc, &area, brush(painter->paintedBackColor()));
}

void LabelPeer::draw(HDC dc, const RECT& area) {
    paintBackground(dc, area);
    const Spacing& padding = control_.padding();
    drawTextInBox(dc, {.text = control_.text(),
                       .box = RECT{area.left + padding.left, area.top + padding.top,
                                   area.right - padding.right, area.bottom - padding.bottom},
                       .align = label_.align(),
                       .verticalAlign = label_.verticalAlign(),
                       .color = enabledTextColor(control_),
                       .font = font(),
                       .rightToLeft = control_.rightToLeft(),
                       .ellipsis = label_.ellipsis()});
}

} // namespace vexo::toolkit::win32
