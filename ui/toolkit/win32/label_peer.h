#pragma once
// A label: a static window drawn by us, since the system's static draws
// neither right-to-left reading order, nor vertical centring, nor a
// see-through background.

#include "toolkit/label.h"
#include "toolkit/win32/window_peer.h"

namespace vexo::toolkit::win32 {

class LabelPeer : public WindowPeer {
public:
    explicit LabelPeer(Label& label);

protected:
    WindowStyle windowStyle() const override;
    void updateKind(Change what) override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void onDrawItem(const DRAWITEMSTRUCT& item) override;

private:
    void paintBackground(HDC dc, const RECT& area);
    void draw(HDC dc, const RECT& area);

    Label& label_;
};

} // namespace vexo::toolkit::win32
