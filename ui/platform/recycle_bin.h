#pragma once
// The Windows shell's move to the Recycle Bin, one file per call, with the
// shell's own confirmation, progress and error dialogs: the shell, not the
// product, asks the user before anything is deleted for good.

#include "base/result.h"
#include "platform/processes.h"

#include <string>

namespace vexo::platform {

class RecycleBin {
public:
    virtual ~RecycleBin() = default;

    // Success when the shell reports none; Cancelled, with the platform's
    // text for an aborted operation, when the user cancelled a dialog; any
    // other error with its text. The caller verifies the file has gone.
    virtual base::Status Recycle(const std::string& path, NativeWindow owner) = 0;
};

} // namespace vexo::platform
