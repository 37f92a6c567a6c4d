#include "shell/section.h"

namespace vexo::shell {

// A lease dropped after the state was reset by hand (the close guards' tests
// do) finds no holder left and changes nothing.

base::Lease BusyState::HoldScan() {
    busy = true;
    stop = false;
    ++scanLeases;
    return base::Lease([this] {
        if (scanLeases > 0 && --scanLeases == 0) {
            busy = false;
        }
    });
}

base::Lease BusyState::HoldEmbedded(std::function<void()> stopAction) {
    embeddedStop = std::move(stopAction);
    return HoldEmbeddedKeepingStop();
}

base::Lease BusyState::HoldEmbeddedKeepingStop() {
    embeddedBusy = true;
    ++embeddedLeases;
    return base::Lease([this] {
        if (embeddedLeases > 0 && --embeddedLeases == 0) {
            embeddedBusy = false;
            embeddedStop = nullptr;
        }
    });
}

toolkit::Button* ToolbarButton(toolkit::Control& bar, std::string_view text) {
    toolkit::ButtonArgs args;
    args.text = std::string(text);
    args.autoSize = true;
    args.minimumSize = toolkit::Size{0, 32};
    args.padding = toolkit::Spacing{8, 0, 8, 0};
    return bar.add<toolkit::Button>(args);
}

} // namespace vexo::shell
