#pragma once
// All the operating-system services of the UI application, as one bundle a
// section receives. The product builds it from the win32 adapter; tests build
// it from the emulated machine.

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/processes.h"
#include "platform/recycle_bin.h"
#include "platform/registry.h"
#include "platform/volumes.h"

namespace vexo::platform {

class Machine {
public:
    virtual ~Machine() = default;

    virtual Files& files() = 0;
    virtual Volumes& volumes() = 0;
    virtual Environment& environment() = 0;
    virtual Registry& registry() = 0;
    virtual Processes& processes() = 0;
    virtual RecycleBin& recycleBin() = 0;
    virtual Http& http() = 0;
    virtual Clock& clock() = 0;
};

} // namespace vexo::platform
