#pragma once
// A drop-down list or a list box on the system's controls: the entries, the
// selected one, and the user's pick.

#include "toolkit/list_controls.h"
#include "toolkit/win32/window_peer.h"

namespace vexo::toolkit::win32 {

class ListPeer : public WindowPeer {
public:
    explicit ListPeer(ListControl& list);

protected:
    WindowStyle windowStyle() const override;
    void updateKind(Change what) override;
    bool onCommand(WORD code) override;

private:
    void refill();

    ListControl& list_;
    bool combo_; // a drop-down list, else a list box
};

} // namespace vexo::toolkit::win32
