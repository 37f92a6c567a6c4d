#pragma once
// A numeric up-down: an edit box with the system's arrows inside it. The
// arrows step the value and what is typed is taken when the box loses the
// focus; the value itself stays the control's.

#include "toolkit/text_box.h"
#include "toolkit/win32/window_peer.h"

namespace vexo::toolkit::win32 {

class NumericUpDownPeer : public WindowPeer {
public:
    explicit NumericUpDownPeer(NumericUpDown& box);

protected:
    WindowStyle windowStyle() const override;
    void afterCreate() override;
    void afterBounds() override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool onCommand(WORD code) override;

private:
    NumericUpDown& box_;
    HWND arrows_ = nullptr; // a child of the box, destroyed with it
};

} // namespace vexo::toolkit::win32
