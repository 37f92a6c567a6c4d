#pragma once
// The file service: folder listings, single-entry reads, writes and moves,
// and full-path normalisation with the Windows rules. Paths are UTF-8 Windows
// paths ("C:\Users\...") on every adapter; the emulated machine maps them onto
// host folders.

#include "base/file_writer.h"
#include "base/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vexo::platform {

// The file attributes the product decides by, with the values Windows uses,
// so the win32 adapter passes them through unchanged.
namespace attr {
inline constexpr std::uint32_t ReadOnly = 0x1;
inline constexpr std::uint32_t Hidden = 0x2;
inline constexpr std::uint32_t System = 0x4;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Temporary = 0x100;
inline constexpr std::uint32_t ReparsePoint = 0x400;
inline constexpr std::uint32_t Offline = 0x1000;
} // namespace attr

// Times are Windows file times: 100-ns ticks since 1601-01-01 UTC.
using FileTime = std::int64_t;

struct FileInfo {
    std::uint32_t attributes = 0;
    std::int64_t length = 0;
    FileTime lastWrite = 0;

    bool IsDirectory() const { return (attributes & attr::Directory) != 0; }
    bool IsReparsePoint() const { return (attributes & attr::ReparsePoint) != 0; }
    bool IsOffline() const { return (attributes & attr::Offline) != 0; }
};

// One entry of a folder listing. `name` is valid only during the call that
// receives it: a listing of a million files makes no string per entry.
struct DirEntryView {
    std::string_view name;
    FileInfo info;
};

// Receives a folder's entries one at a time, in the file system's order,
// without "." and "..". Returning false stops the listing early.
class ListingSink {
public:
    virtual bool OnEntry(const DirEntryView& entry) = 0;

protected:
    ~ListingSink() = default;
};

class Files : public base::FileWriter {
public:
    // Lists `folder` in one pass (hidden and system entries included). A
    // failure to open the listing, or one half-way through it, is returned
    // after the entries already delivered.
    virtual base::Status ListFolder(const std::string& folder, ListingSink& sink) = 0;
    // The listing a walk that adds up sizes needs: every entry with its
    // kind (folder, link, offline) and a file's length, in whatever order
    // the file system keeps them. A folder's own time and read-only flag
    // may be missing where they would cost a question per folder; the
    // failures are ListFolder's.
    virtual base::Status ListFolderSizes(const std::string& folder, ListingSink& sink) = 0;

    // Reads one entry (file or folder, hidden and system included) without
    // following a link at its own place.
    virtual base::Result<FileInfo> ReadInfo(const std::string& path) = 0;
    virtual bool Exists(const std::string& path) = 0;

    virtual base::Status CreateFolderTree(const std::string& path) = 0;
    virtual base::Result<std::string> ReadAllBytes(const std::string& path) = 0;
    // From base::FileWriter: WriteAllBytes, AppendBytes, FlushToDisk,
    // MoveReplace, RemoveFile.

    // The platform's full path: relative parts against the current
    // directory, "." and ".." collapsed, "/" turned into "\". Trailing
    // backslashes are kept as given.
    virtual base::Result<std::string> FullPath(const std::string& path) = 0;
    // The full path with every existing name spelt in its long form: a short
    // 8.3 alias ("PROGRA~1") becomes the name it stands for, so that prefix
    // tests on paths mean what they say. Names from the first one that does
    // not exist on are kept as given; trailing backslashes as FullPath keeps
    // them. Fails where FullPath fails, or when the names cannot be looked up.
    virtual base::Result<std::string> LongPath(const std::string& path) = 0;
    virtual std::string CurrentDirectory() = 0;
};

} // namespace vexo::platform
