#pragma once
// Windows path rules as pure functions, so they are tested by tables on any
// host and the emulated machine normalises exactly as the real one.

#include "base/result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vexo::platform::paths {

// The full path of `path` resolved against `currentDirectory` (itself a full
// path) with the rules of Windows' GetFullPathName: "/" becomes "\", "." and
// ".." segments collapse (never above the root), a drive-relative "C:x" uses
// the current directory only when it is on that drive, "\x" is rooted on the
// current drive. Trailing backslashes are kept. Fails with InvalidInput for
// an empty path or characters Windows forbids in paths.
base::Result<std::string> FullPath(std::string_view path, std::string_view currentDirectory);

// The root of a full path: "C:\" for a drive path, "\\server\share" for a
// share path (no trailing backslash), empty when there is none.
std::string Root(std::string_view fullPath);

// The parent folder of a full path (trailing backslashes ignored), or none
// when the path is its own root. The parent of "C:\a" is "C:\".
std::optional<std::string> Parent(std::string_view fullPath);

// The path without any trailing backslash.
std::string_view TrimTrailingBackslashes(std::string_view path);

// `folder` + "\" (unless it already ends in one) + `name`.
std::string Join(std::string_view folder, std::string_view name);

// The final component of a path (after the last backslash).
std::string_view FileName(std::string_view path);

// The names of a backslash-separated path, in order, without the empty ones
// that doubled, leading or trailing backslashes leave: "\a\\b\" walks "a"
// then "b". The views point into the walked text, which must outlive them.
class NameWalk {
public:
    class Iterator {
    public:
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;

        Iterator() = default;
        explicit Iterator(std::string_view path) : rest_(path) { Advance(); }

        std::string_view operator*() const { return name_; }
        Iterator& operator++() {
            Advance();
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            Advance();
            return before;
        }
        // Every name is non-empty, so an empty one marks the end.
        bool operator==(const Iterator& other) const {
            return name_.data() == other.name_.data() && name_.size() == other.name_.size();
        }

    private:
        void Advance();

        std::string_view rest_;
        std::string_view name_;
    };

    explicit NameWalk(std::string_view path) : path_(path) {}
    Iterator begin() const { return Iterator(path_); }
    Iterator end() const { return Iterator(); }

private:
    std::string_view path_;
};

// `for (std::string_view name : Names(path))` walks the names of `path`.
inline NameWalk Names(std::string_view path) {
    return NameWalk(path);
}

// The drive letter of a drive path, upper-cased, or 0 for share paths.
char DriveLetter(std::string_view fullPath);

// True for the forms Windows hands to its object manager with little or no
// normalisation: "\\?\", "\\.\" and "\??\" (either slash), which also
// cover "\\?\UNC\" and "\\.\CON". A path in such a form names a file
// under a spelling that no prefix test on the usual form can judge.
bool IsDeviceForm(std::string_view path);

// True when a full path names an alternate data stream of a file: it holds a
// colon anywhere after the drive's own ("C:\a.txt:secret").
bool NamesAStream(std::string_view fullPath);

// True when `name` is one Windows keeps for a device whatever folder it is
// in: CON, PRN, AUX, NUL, COM0-9, LPT0-9 (and their superscript-digit forms),
// CONIN$, CONOUT$, in any case, with or without an extension, with trailing
// dots or spaces ("nul.txt", "Com1 .log", "AUX...").
bool IsReservedDeviceName(std::string_view name);

// True when any name after the root of a full path is a reserved device name.
bool HasReservedDeviceName(std::string_view fullPath);

} // namespace vexo::platform::paths
