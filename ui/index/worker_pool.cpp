#include "index/worker_pool.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#if defined(__linux__) || defined(__MINGW32__)
#include <pthread.h>
#endif

namespace vexo::index {

namespace {

class Pool final : public Executor {
public:
    explicit Pool(int threads) : threads_(threads) {
        for (int i = 0; i < threads; ++i) {
            std::thread([this] { Run(); }).detach();
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
        NameCurrentThread("Vexo worker");
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

void NameCurrentThread(std::string_view name) {
#if defined(__linux__)
    // Linux keeps 15 characters.
    const std::string shortName(name.substr(0, 15));
    pthread_setname_np(pthread_self(), shortName.c_str());
#elif defined(__MINGW32__)
    // The Windows build's threads are the POSIX layer's; it keeps the whole
    // name and hands it to a debugger that is watching.
    const std::string fullName(name);
    pthread_setname_np(pthread_self(), fullName.c_str());
#else
    (void)name;
#endif
}

} // namespace vexo::index
