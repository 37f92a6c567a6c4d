#pragma once
// The file operations the base layer's writers need. The platform's file
// service implements them for the real and the emulated machine, so the
// writing rules of the base layer (encodings, line ends, staging) are written
// once.

#include "base/result.h"

#include <string>
#include <string_view>

namespace vexo::base {

class FileWriter {
public:
    virtual ~FileWriter() = default;

    // Creates or truncates the file at `path` and writes `bytes` to it.
    virtual Status WriteAllBytes(const std::string& path, std::string_view bytes) = 0;
    // Appends `bytes` to the file, creating it when missing (logs grow this
    // way). An append that fails part-way leaves the file as it was: a
    // partial entry is cut off again, a file this call created is removed.
    virtual Status AppendBytes(const std::string& path, std::string_view bytes) = 0;
    // Puts what was written to the file on the disk itself, past every cache,
    // so that a power cut after it returns cannot lose or cut the data.
    virtual Status FlushToDisk(const std::string& path) = 0;
    // Moves `from` over `to`, replacing `to` when it exists.
    virtual Status MoveReplace(const std::string& from, const std::string& to) = 0;
    // Deletes a file; a missing file is not an error. (Not named DeleteFile:
    // <windows.h> makes that a macro.)
    virtual Status RemoveFile(const std::string& path) = 0;
};

} // namespace vexo::base
