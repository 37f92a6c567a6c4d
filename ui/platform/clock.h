#pragma once
// Wall-clock time at the platform's 100-ns precision, the local time zone,
// and a monotonic stopwatch for measuring.

#include "base/datetime.h"
#include "platform/files.h"

#include <cstdint>

namespace vexo::platform {

class Clock {
public:
    virtual ~Clock() = default;

    virtual FileTime NowUtc() = 0;
    // A UTC file time as local wall time in the user's time zone.
    virtual base::DateTimeParts ToLocal(FileTime utc) = 0;
    base::DateTimeParts NowLocal() { return ToLocal(NowUtc()); }
    // Nanoseconds from an arbitrary fixed point; never goes back.
    virtual std::int64_t MonotonicNanos() = 0;
};

} // namespace vexo::platform
