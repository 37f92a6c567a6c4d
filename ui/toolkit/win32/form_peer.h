#pragma once
// A form: a top-level window whose bounds are the whole window, or a form
// hosted in a panel (a section's page). A form's own messages (its size, its
// minimum, a request to close) are handled here.

#include "toolkit/containers.h"
#include "toolkit/win32/panel_peer.h"

namespace vexo::toolkit::win32 {

class FormPeer : public PanelPeer {
public:
    explicit FormPeer(Form& form) : PanelPeer(form), form_(form) {}

protected:
    WindowStyle windowStyle() const override;
    void afterCreate() override;
    void showCreated() override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool topLevel() const;
    void measureFrame();
    void onResized(WPARAM how);

    Form& form_;
};

} // namespace vexo::toolkit::win32
