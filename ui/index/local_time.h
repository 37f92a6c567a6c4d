#pragma once
// Local wall-clock time for many file times at once. Asking the platform
// for each of a million files costs a time-zone look-up each; the offset
// from UTC changes only at daylight-saving and zone changes, so it is asked
// for once at each end of a UTC day and reused for that day when both ends
// agree. A day whose ends disagree holds a change, and each of its times is
// converted by the platform itself. (No zone changes its offset twice
// within one day and back again.)
//
// "Local ticks" are the local wall time as a FILETIME-style count, so they
// order and compare as the local dates and times the user reads; around the
// autumn change, two different instants can share one local time.

#include "base/datetime.h"
#include "platform/clock.h"

#include <cstdint>
#include <vector>

namespace vexo::index {

class LocalTime {
public:
    explicit LocalTime(platform::Clock& clock) : clock_(clock) {}

    // Not thread-safe: one per worker.
    std::int64_t Ticks(platform::FileTime utc);
    base::DateTimeParts Parts(platform::FileTime utc);

private:
    static constexpr std::int64_t kTicksPerDay = 864'000'000'000;
    static constexpr std::int64_t kMixed = INT64_MIN;

    std::int64_t Offset(platform::FileTime utc);
    std::int64_t ExactTicks(platform::FileTime utc);

    platform::Clock& clock_;
    // Days seen, each in the slot of its number modulo the size: the times
    // of a sort's million files come in no order, and a hash map's look-ups
    // were 1.9 % of the samples of a million-row export, these are 0.3 %.
    struct Day {
        std::int64_t day = INT64_MIN;
        std::int64_t offset = 0;
    };
    static constexpr std::size_t kDaySlots = 4096; // over 11 years of days
    std::vector<Day> days_ = std::vector<Day>(kDaySlots);
};

} // namespace vexo::index
