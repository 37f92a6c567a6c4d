#pragma once
// Holds a listing at one folder until the test lets it go, so that a test
// acts at an exact point of a walk on another thread without any timing.

#include <condition_variable>
#include <mutex>
#include <string>

namespace vexo::testing {

class ListingGate {
public:
    // The walk waits on entering `folder` until Release().
    void Hold(const std::string& folder) {
        std::lock_guard lock(mutex_);
        held_ = folder;
        waiting_ = false;
    }
    // Returns once the walk waits at the held folder.
    void WaitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waiting_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        held_.clear();
        changed_.notify_all();
    }
    // On the walk's thread, before `folder` is listed: waits there while it
    // is the held one.
    void Enter(const std::string& folder) {
        std::unique_lock lock(mutex_);
        if (!held_.empty() && folder == held_) {
            waiting_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return held_.empty(); });
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string held_;
    bool waiting_ = false;
};

} // namespace vexo::testing
