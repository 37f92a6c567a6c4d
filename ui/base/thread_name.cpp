#include "base/thread_name.h"

#include <string>

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

} // namespace vexo::base
