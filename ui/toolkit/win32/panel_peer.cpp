#include "toolkit/win32/panel_peer.h"

#include "toolkit/containers.h"
#include "toolkit/win32/drawing.h"

namespace vexo::toolkit::win32 {

WindowStyle PanelPeer::windowStyle() const {
    // Clipping its children: a scrolling flow gets its bar once it overflows.
    return {.style = kChildStyle | WS_CLIPCHILDREN};
}

void PanelPeer::updateKind(Change what) {
    if (what == Change::Scroll) {
        applyScroll();
    }
}

void PanelPeer::afterBounds() {
    applyScroll(); // the page is the new height
}

// The bar shows only while the content is taller than the flow.
void PanelPeer::applyScroll() {
    auto* flow = dynamic_cast<FlowLayout*>(&control_);
    if (!flow) {
        return;
    }
    const bool needed = flow->needsVerticalScroll();
    ShowScrollBar(hwnd_, SB_VERT, needed);
    if (needed) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMax = flow->scrollExtent().height - 1;
        si.nPage = static_cast<UINT>(flow->displayRect().height);
        si.nPos = flow->scrollOffset().y;
        SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    }
}

bool PanelPeer::onMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        if (!control_.onPaint) {
            RECT rc;
            GetClientRect(hwnd_, &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, brush(control_.paintedBackColor()));
        }
        result = 1; // a drawn control is painted whole in WM_PAINT
        return true;
    case WM_PAINT:
        paint();
        result = 0;
        return true;
    case WM_VSCROLL:
        result = 0;
        return onScroll(wp);
    default:
        return false;
    }
}

void PanelPeer::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (control_.onPaint) {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        OffscreenPicture picture(dc, rc.right, rc.bottom);
        renderDrawn(control_, picture.dc());
        picture.copyTo(dc, {0, 0}, {rc.right, rc.bottom});
    }
    EndPaint(hwnd_, &ps);
}

bool PanelPeer::onScroll(WPARAM wp) {
    auto* flow = dynamic_cast<FlowLayout*>(&control_);
    if (!flow) {
        return false;
    }
    Point p = flow->scrollOffset();
    switch (LOWORD(wp)) {
    case SB_LINEUP:
        p.y -= 20;
        break;
    case SB_LINEDOWN:
        p.y += 20;
        break;
    case SB_PAGEUP:
        p.y -= flow->displayRect().height;
        break;
    case SB_PAGEDOWN:
        p.y += flow->displayRect().height;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        p.y = HIWORD(wp);
        break;
    default:
        break;
    }
    flow->setScrollOffset(p);
    return true;
}

} // namespace vexo::toolkit::win32
