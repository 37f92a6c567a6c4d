// The inventory's own thread: its outcome reaches the section whole, a
// failure as text, and an abandoned run ends by itself without anyone
// waiting for it.

#include "programs/inventory_worker.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vexo::programs {
namespace {

using namespace std::chrono_literals;

// Polls as the section's timer does, for at most ten seconds.
bool WaitFinished(InventoryWorker& worker) {
    for (int i = 0; i < 10000 && !worker.Finished(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return worker.Finished();
}

// A gate a job waits at until the test opens it.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool passed = false;
    void Open() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    void Pass() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return open; });
    }
    void MarkPassed() {
        std::lock_guard lock(mutex);
        passed = true;
        changed.notify_all();
    }
    bool WaitPassed() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [this] { return passed; });
    }
};

TEST(InventoryThread, HandsOverTheListOrTheFailureOfTheRun) {
    const auto caller = std::this_thread::get_id();
    std::thread::id ranOn;
    auto listed = StartInventoryThread([&ranOn] {
        ranOn = std::this_thread::get_id();
        Inventory inventory;
        inventory.entries.push_back(
            AppEntry{"Notes", "", 1.5, "x.exe", false, "HKEY_CURRENT_USER\\k"});
        inventory.errors.push_back("odd size");
        return inventory;
    });
    ASSERT_TRUE(WaitFinished(*listed));
    InventoryOutcome outcome = listed->Take();
    EXPECT_NE(ranOn, caller) << "never on the UI thread";
    EXPECT_FALSE(outcome.failure.has_value());
    ASSERT_EQ(outcome.inventory.entries.size(), 1u);
    EXPECT_EQ(outcome.inventory.entries[0].Name, "Notes");
    EXPECT_EQ(outcome.inventory.errors.size(), 1u);

    auto failed =
        StartInventoryThread([]() -> Inventory { throw std::runtime_error("registry gone"); });
    ASSERT_TRUE(WaitFinished(*failed));
    outcome = failed->Take();
    EXPECT_EQ(outcome.failure, "registry gone");
    EXPECT_TRUE(outcome.inventory.entries.empty());
}

TEST(InventoryThread, AnAbandonedRunEndsOnItsOwnAfterItsOwnerHasGone) {
    auto gate = std::make_shared<Gate>();
    auto worker = StartInventoryThread([gate] {
        gate->Pass();
        Inventory inventory;
        inventory.entries.resize(3);
        gate->MarkPassed();
        return inventory;
    });
    worker->Abandon();
    worker.reset(); // the section has gone while the registry was still read
    gate->Open();
    EXPECT_TRUE(gate->WaitPassed());
}

} // namespace
} // namespace vexo::programs
