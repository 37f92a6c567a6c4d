#pragma once
// A text box on the system's edit control: single or multi-line, read-only,
// with the scroll bars it asks for; what the user types reaches the box.

#include "toolkit/text_box.h"
#include "toolkit/win32/window_peer.h"

namespace vexo::toolkit::win32 {

class TextBoxPeer : public WindowPeer {
public:
    explicit TextBoxPeer(TextBox& box);

protected:
    WindowStyle windowStyle() const override;
    bool onCommand(WORD code) override;
    void updateKind(Change what) override;

private:
    TextBox& box_;
};

} // namespace vexo::toolkit::win32
