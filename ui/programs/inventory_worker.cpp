#include "programs/inventory_worker.h"

#include "base/thread_name.h"

#include <exception>
#include <mutex>

namespace vexo::programs {

namespace {

// Shared by the thread and the section: whichever lets go last frees it.
struct SharedRun {
    std::mutex mutex;
    bool finished = false;
    bool abandoned = false;
    InventoryOutcome outcome;
};

class ThreadWorker final : public InventoryWorker {
public:
    explicit ThreadWorker(std::shared_ptr<SharedRun> run) : run_(std::move(run)) {}
    ~ThreadWorker() override { Abandon(); }

    bool Finished() override {
        std::lock_guard lock(run_->mutex);
        return run_->finished;
    }
    InventoryOutcome Take() override {
        std::lock_guard lock(run_->mutex);
        return std::move(run_->outcome);
    }
    void Abandon() override {
        std::lock_guard lock(run_->mutex);
        run_->abandoned = true;
    }

private:
    std::shared_ptr<SharedRun> run_;
};

void RunJob(const std::shared_ptr<SharedRun>& run, const InventoryJob& job) {
    InventoryOutcome outcome;
    try {
        outcome.inventory = job();
    } catch (const std::exception& e) {
        outcome.failure = e.what();
    } catch (...) {
        outcome.failure = "unknown error";
    }
    std::lock_guard lock(run->mutex);
    if (!run->abandoned) {
        run->outcome = std::move(outcome);
    }
    run->finished = true;
}

} // namespace

std::unique_ptr<InventoryWorker> StartInventoryThread(InventoryJob job) {
    auto run = std::make_shared<SharedRun>();
    base::StartDetachedThread("Vexo app inventory",
                              [run, job = std::move(job)] { RunJob(run, job); });
    return std::make_unique<ThreadWorker>(std::move(run));
}

} // namespace vexo::programs
