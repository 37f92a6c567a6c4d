#pragma once
// Logical drives and their live readings. Nothing is cached: every call asks
// the system, because the product shows real figures, never estimates.

#include "base/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexo::platform {

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

struct VolumeReading {
    std::string label;
    std::int64_t total = 0;
    std::int64_t totalFree = 0;
    std::int64_t available = 0; // free bytes the current user may use (quotas applied)
};

class Volumes {
public:
    virtual ~Volumes() = default;

    // The roots of the logical drives ("C:\", "D:\", ...) in letter order.
    virtual std::vector<std::string> DriveRoots() = 0;
    // The type of the drive holding `root` (a drive root or any path on it).
    virtual DriveType TypeOf(const std::string& root) = 0;
    virtual bool IsReady(const std::string& root) = 0;
    // The volume label alone (empty when the drive has none), without the
    // space query, which can fail on its own.
    virtual base::Result<std::string> Label(const std::string& root) = 0;
    // Label and byte counts; fails with DeviceNotReady for a drive without
    // its medium, and with the platform's text for any other failure.
    virtual base::Result<VolumeReading> Read(const std::string& root) = 0;
};

} // namespace vexo::platform
