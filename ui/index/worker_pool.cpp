#include "index/worker_pool.h"

#include "base/thread_name.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace vexo::index {

namespace {

class Pool final : public Executor {
public:
    explicit Pool(int threads) : threads_(threads) {
        for (int i = 0; i < threads; ++i) {
            StartDetachedThread("Vexo worker", [this] { Run(); });
        }
    }

    void Post(std::function<void()> work) override {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(work));
        }
        wake_.notify_one();
    }

    int Parallelism() const override { return threads_; }

private:
    void Run() {
        for (;;) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !queue_.empty(); });
                work = std::move(queue_.front());
                queue_.pop_front();
            }
            // Work items catch their own failures; one that escapes must
            // not take the pool down with it.
            try {
                work();
            } catch (...) {
            }
        }
    }

    const int threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
};

} // namespace

std::shared_ptr<Executor> SharedPool() {
    // Deliberately never destroyed: its threads are still waiting when the
    // process ends, and a destructor would have to wait for them.
    static auto* const pool = new std::shared_ptr<Executor>(std::make_shared<Pool>(2));
    return *pool;
}

} // namespace vexo::index
