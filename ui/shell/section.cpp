#include "shell/section.h"

namespace vexo::shell {

base::Lease BusyState::HoldScan() {
    busy = true;
    stop = false;
    return base::Lease([this] { busy = false; });
}

base::Lease BusyState::HoldEmbedded(std::function<void()> stopAction) {
    embeddedStop = std::move(stopAction);
    return HoldEmbeddedKeepingStop();
}

base::Lease BusyState::HoldEmbeddedKeepingStop() {
    embeddedBusy = true;
    return base::Lease([this] {
        embeddedBusy = false;
        embeddedStop = nullptr;
    });
}

} // namespace vexo::shell
