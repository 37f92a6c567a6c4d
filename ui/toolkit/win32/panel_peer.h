#pragma once
// Panels, tables, flows and custom-drawn controls: windows of our own class
// that paint their background, or their own drawing when they have one; a
// scrolling flow shows a bar each way its content overflows.

#include "toolkit/win32/window_peer.h"

namespace vexo::toolkit::win32 {

class PanelPeer : public WindowPeer {
public:
    explicit PanelPeer(Control& control) : WindowPeer(control) {}

protected:
    WindowStyle windowStyle() const override;
    void updateKind(Change what) override;
    void afterBounds() override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void paint();
    void applyScroll();
    bool onScroll(WPARAM wp, bool horizontal);
};

} // namespace vexo::toolkit::win32
