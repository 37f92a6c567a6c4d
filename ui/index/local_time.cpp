#include "index/local_time.h"

namespace vexo::index {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

} // namespace

std::int64_t LocalTime::ExactTicks(platform::FileTime utc) {
    return base::FileTimeFromParts(clock_.ToLocal(utc));
}

std::int64_t LocalTime::Offset(platform::FileTime utc) {
    // Outside years 1601..9999 the platform clamps; ask it for each time.
    constexpr std::int64_t kEndOf9999 = 2'650'467'744'000'000'000;
    if (utc < kTicksPerDay || utc >= kEndOf9999 - kTicksPerDay) {
        return kMixed;
    }
    const std::int64_t day = FloorDiv(utc, kTicksPerDay);
    Day& slot = days_[static_cast<std::size_t>(day) % kDaySlots];
    if (slot.day != day) {
        const std::int64_t start = day * kTicksPerDay;
        const std::int64_t atStart = ExactTicks(start) - start;
        const std::int64_t end = start + kTicksPerDay;
        const std::int64_t atEnd = ExactTicks(end) - end;
        slot = Day{day, atStart == atEnd ? atStart : kMixed};
    }
    return slot.offset;
}

std::int64_t LocalTime::Ticks(platform::FileTime utc) {
    const std::int64_t offset = Offset(utc);
    return offset == kMixed ? ExactTicks(utc) : utc + offset;
}

base::DateTimeParts LocalTime::Parts(platform::FileTime utc) {
    const std::int64_t offset = Offset(utc);
    return offset == kMixed ? clock_.ToLocal(utc) : base::PartsFromFileTime(utc + offset);
}

} // namespace vexo::index
