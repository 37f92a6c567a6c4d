#pragma once
// Where the engine's background work runs. The product uses one small pool
// for the whole process; tests substitute an executor that runs work only
// when told, so the order of requests and publications is theirs to choose.

#include "base/thread_name.h"

#include <functional>
#include <memory>
#include <string>

namespace vexo::index {

class Executor {
public:
    virtual ~Executor() = default;
    // Runs `work` some time later on another thread (or whenever the
    // executor decides). Must not run it inside Post.
    virtual void Post(std::function<void()> work) = 0;
    // How many pieces of work may run at once; one query splits its match
    // into as many parts.
    virtual int Parallelism() const = 0;
};

// The process's pool: two background threads (one per core of the smallest
// machine the product targets). Its threads never keep the process alive:
// the pool is never destroyed, so nothing waits for them at exit.
std::shared_ptr<Executor> SharedPool();

using base::StartDetachedThread;

} // namespace vexo::index
