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

} // namespace vexo::shell
