#include "startup_version.h"

namespace vexo::app {

std::optional<unsigned> StartupOfferedVersion(const unsigned char* bytes, std::size_t count) {
    std::size_t at = 0;
    unsigned value = 0;
    bool anyDigit = false;
    while (at < count && bytes[at] >= '0' && bytes[at] <= '9') {
        value = value * 10 + static_cast<unsigned>(bytes[at] - '0');
        anyDigit = true;
        ++at;
        if (value > 2399) {
            break;
        }
    }
    while (at < count && (bytes[at] == '\r' || bytes[at] == '\n' || bytes[at] == ' ')) {
        ++at;
    }
    if (!anyDigit || at != count || value <= kRunningVersion || value > 999) {
        return std::nullopt;
    }
    return value;
}

} // namespace vexo::app
