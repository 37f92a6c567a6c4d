#pragma once
// The inventory's own worker. The Programs section starts one per load, looks
// on its timer whether it has finished, and takes the result over on the UI
// thread; a section that is left while the registry is still being read
// abandons the worker and never looks at its result.

#include "programs/app_inventory.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vexo::programs {

// What one run of the inventory gave: the list, or the failure of the run
// as a whole.
struct InventoryOutcome {
    Inventory inventory;
    std::optional<std::string> failure; // the error's text; the list is then empty
};

class InventoryWorker {
public:
    virtual ~InventoryWorker() = default;
    // True once the run has ended, well or not.
    virtual bool Finished() = 0;
    // The run's outcome; only once Finished() is true, and only once.
    virtual InventoryOutcome Take() = 0;
    // Tells the worker that nobody will take its outcome. Does not wait.
    virtual void Abandon() = 0;
};

using InventoryJob = std::function<Inventory()>;

// Starts `job` somewhere other than the UI thread; throws when it cannot.
using InventoryWorkerStart = std::function<std::unique_ptr<InventoryWorker>(InventoryJob job)>;

// A thread of its own, named "Vexo app inventory", that never keeps the
// process alive: an abandoned run ends by itself and its outcome goes with
// the last owner of the shared state.
std::unique_ptr<InventoryWorker> StartInventoryThread(InventoryJob job);

} // namespace vexo::programs
