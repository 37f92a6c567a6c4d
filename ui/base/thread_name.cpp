#include "base/thread_name.h"

#include <future>
#include <string>
#include <thread>

#if defined(__linux__) || defined(__MINGW32__)
#include <pthread.h>
#endif

namespace vexo::base {

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

void StartDetachedThread(std::string name, std::function<void()> work) {
    // The thread waits until it is detached before it does anything. The
    // Windows build's POSIX thread layer hands the record of a thread
    // detached after its work has returned to the next thread made, while
    // the ending thread still writes to it on its way out; that next thread
    // then never runs, and whoever waits for it waits for ever.
    std::promise<void> detached;
    std::thread([name = std::move(name), work = std::move(work), detached = detached.get_future()] {
        detached.wait();
        base::NameCurrentThread(name);
        work();
    }).detach();
    detached.set_value();
}

} // namespace vexo::base
