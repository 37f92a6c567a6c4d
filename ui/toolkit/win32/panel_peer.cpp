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

// Each bar shows only while the content overflows the flow that way: a flow
// that wraps grows taller, a tool bar that keeps one row grows wider.
void PanelPeer::applyScroll() {
    auto* flow = dynamic_cast<FlowLayout*>(&control_);
    if (!flow) {
        return;
    }
    struct Bar {
        int bar;
        bool needed;
        int extent;
        int page;
        int position;
    };
    const Bar bars[] = {
        {SB_VERT, flow->needsVerticalScroll(), flow->scrollExtent().height,
         flow->displayRect().height, flow->scrollOffset().y},
        {SB_HORZ, flow->needsHorizontalScroll(), flow->scrollExtent().width,
         flow->displayRect().width, flow->scrollOffset().x},
    };
    for (const Bar& b : bars) {
        ShowScrollBar(hwnd_, b.bar, b.needed);
        if (b.needed) {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
            si.nMax = b.extent - 1;
            si.nPage = static_cast<UINT>(b.page);
            si.nPos = b.position;
            SetScrollInfo(hwnd_, b.bar, &si, TRUE);
        }
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
        return onScroll(wp, false);
    case WM_HSCROLL:
        result = 0;
        return onScroll(wp, true);
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

bool PanelPeer::onScroll(WPARAM wp, bool horizontal) {
    auto* flow = dynamic_cast<FlowLayout*>(&control_);
    if (!flow) {
        return false;
    }
    Point p = flow->scrollOffset();
    int& at = horizontal ? p.x : p.y;
    const int page = horizontal ? flow->displayRect().width : flow->displayRect().height;
    switch (LOWORD(wp)) {
    case SB_LINEUP: // SB_LINELEFT
        at -= 20;
        break;
    case SB_LINEDOWN: // SB_LINERIGHT
        at += 20;
        break;
    case SB_PAGEUP:
        at -= page;
        break;
    case SB_PAGEDOWN:
        at += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        at = HIWORD(wp);
        break;
    default:
        break;
    }
    flow->setScrollOffset(p);
    return true;
}

} // namespace vexo::toolkit::win32
