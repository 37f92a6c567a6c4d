#pragma once
// Buttons: a flat button drawn by us (its colours, hover, border inside its
// shape, a hand cursor when asked), and the system's tick box.

#include "toolkit/button.h"
#include "toolkit/win32/window_peer.h"

namespace vexo::toolkit::win32 {

class ButtonPeer : public WindowPeer {
public:
    explicit ButtonPeer(Button& button);

protected:
    WindowStyle windowStyle() const override;
    void updateKind(Change what) override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool onCommand(WORD code) override;
    void onDrawItem(const DRAWITEMSTRUCT& item) override;

private:
    void trackMouse(UINT msg);
    void draw(HDC dc, const RECT& area, bool pressed);

    Button& button_;
    bool hover_ = false;
};

class CheckBoxPeer : public WindowPeer {
public:
    explicit CheckBoxPeer(CheckBox& box);

protected:
    WindowStyle windowStyle() const override;
    void updateKind(Change what) override;
    bool onCommand(WORD code) override;

private:
    CheckBox& box_;
};

} // namespace vexo::toolkit::win32
