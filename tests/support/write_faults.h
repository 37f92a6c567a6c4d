#pragma once
// The ways a write can fail on the emulated machine, as rows for the tables
// of cases that hold each of the product's writers against every one of them.

#include "platform/emulated/emulated_machine.h"
#include "platform/windows_errors.h"

#include <cstdint>
#include <string>

namespace vexo::testing {

enum class WriteFault { DiskFullPartWay, AccessDenied, TargetLocked, MoveFails, FlushFails };

struct WriteFaultCase {
    WriteFault fault;
    const char* name;
    std::uint32_t code; // the Windows error the writer meets
};

inline constexpr WriteFaultCase kWriteFaults[] = {
    {WriteFault::DiskFullPartWay, "disk full part-way", platform::win::kDiskFull},
    {WriteFault::AccessDenied, "access denied", platform::win::kAccessDenied},
    {WriteFault::TargetLocked, "target locked", platform::win::kSharingViolation},
    {WriteFault::MoveFails, "move fails", platform::win::kAccessDenied},
    {WriteFault::FlushFails, "flush fails", platform::win::kIoDevice},
};

// Sets the fault for a writer whose bytes go to `written` (its staging file,
// or the file itself for one written in place) and end up at `target`. A
// full disk lets the first three bytes land.
inline void InjectWriteFault(platform::emulated::EmulatedMachine& machine, const WriteFaultCase& c,
                             const std::string& written, const std::string& target) {
    using platform::emulated::FileOp;
    switch (c.fault) {
    case WriteFault::DiskFullPartWay:
        machine.FillDiskAt(written, 3);
        break;
    case WriteFault::AccessDenied:
        machine.FailOperation(written, FileOp::Write, c.code);
        break;
    case WriteFault::TargetLocked:
        machine.LockFile(target);
        break;
    case WriteFault::MoveFails:
        machine.FailOperation(written, FileOp::Move, c.code);
        break;
    case WriteFault::FlushFails:
        machine.FailOperation(written, FileOp::Flush, c.code);
        break;
    }
}

// Windows' words for the failure the writer meets.
inline std::string WriteFaultText(const WriteFaultCase& c) {
    return platform::WindowsErrorText(c.code);
}

} // namespace vexo::testing
