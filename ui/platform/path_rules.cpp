#include "platform/path_rules.h"

#include "base/ordinal.h"
#include "platform/windows_errors.h"

#include <algorithm>
#include <vector>

namespace vexo::platform::paths {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDriveSpec(std::string_view p) {
    return p.size() >= 2 && IsLetter(p[0]) && p[1] == ':';
}

// "\\?\" and "\\.\" paths go to the object manager as they are: Windows
// normalises nothing in them, and neither do we.
bool IsVerbatim(std::string_view p) {
    return p.size() >= 4 && p[0] == '\\' && p[1] == '\\' && (p[2] == '?' || p[2] == '.') &&
           p[3] == '\\';
}

bool IsUnc(std::string_view p) {
    return p.size() >= 2 && p[0] == '\\' && p[1] == '\\';
}

// Length of the root at the start of a path whose separators are already
// backslashes: "C:\" (3), "C:" (2), "\\server\share" (up to the backslash
// after the share), "\\?\C:\" and "\\?\UNC\server\share" likewise; 0 for a
// relative path.
std::size_t RootLength(std::string_view p) {
    if (IsVerbatim(p)) {
        std::string_view rest = p.substr(4);
        if (IsDriveSpec(rest)) {
            return 4 + (rest.size() >= 3 && rest[2] == '\\' ? 3 : 2);
        }
        std::size_t skip = 4;
        if (base::StartsWithIgnoreCase(rest, "UNC\\")) {
            skip = 8;
        }
        // server, then share
        std::size_t end = p.find('\\', skip);
        if (end == std::string_view::npos) {
            return p.size();
        }
        if (skip == 4) {
            return end; // "\\?\Volume{...}" and "\\.\PhysicalDrive0": one component
        }
        std::size_t shareEnd = p.find('\\', end + 1);
        return shareEnd == std::string_view::npos ? p.size() : shareEnd;
    }
    if (IsDriveSpec(p)) {
        return (p.size() >= 3 && p[2] == '\\') ? 3 : 2;
    }
    if (IsUnc(p)) {
        std::size_t serverEnd = p.find('\\', 2);
        if (serverEnd == std::string_view::npos) {
            return p.size();
        }
        std::size_t shareEnd = p.find('\\', serverEnd + 1);
        return shareEnd == std::string_view::npos ? p.size() : shareEnd;
    }
    return 0;
}

bool HasForbiddenCharacter(std::string_view p) {
    for (char c : p) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
            return true;
        }
    }
    return false;
}

// Collapses "." and ".." and repeated separators after a root. `absolute`
// starts with a complete root ("C:\" or "\\server\share").
std::string Normalise(std::string_view absolute) {
    std::size_t rootLen = RootLength(absolute);
    std::string root(absolute.substr(0, rootLen));
    std::string_view rest = absolute.substr(rootLen);

    std::size_t trailing = 0;
    while (trailing < rest.size() && rest[rest.size() - 1 - trailing] == '\\') {
        ++trailing;
    }

    std::vector<std::string_view> segments;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        std::size_t next = rest.find('\\', pos);
        if (next == std::string_view::npos) {
            next = rest.size();
        }
        std::string_view segment = rest.substr(pos, next - pos);
        if (segment.empty() || segment == ".") {
            // nothing
        } else if (segment == "..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
        } else {
            segments.push_back(segment);
        }
        pos = next + 1;
    }

    // Windows drops trailing dots and spaces of the last name ("a." is "a");
    // a name of dots and spaces only then vanishes.
    bool lastTrimmed = false;
    if (trailing == 0 && !segments.empty()) {
        std::string_view& last = segments.back();
        std::size_t end = last.size();
        while (end > 0 && (last[end - 1] == '.' || last[end - 1] == ' ')) {
            --end;
        }
        if (end == 0) {
            segments.pop_back();
            lastTrimmed = true;
        } else {
            last = last.substr(0, end);
        }
    }

    std::string out = root;
    bool rootEndsInSeparator = !out.empty() && out.back() == '\\';
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0 || !rootEndsInSeparator) {
            out += '\\';
        }
        out += segments[i];
    }
    if (!segments.empty()) {
        out.append(trailing, '\\');
    } else if (!rootEndsInSeparator && (trailing > 0 || lastTrimmed)) {
        out += '\\'; // "\\server\share\"
    }
    return out;
}

// True when `p` is a drive path that Normalise would give back as it is:
// "X:\" and names joined by single backslashes, none of them "." or "..",
// the last one ending in neither a dot, a space nor a backslash. Most paths
// the program hands around are such; they are spared the rebuild (a listing
// of a folder resolves its path each time).
bool IsNormalDrivePath(std::string_view p) {
    if (p.size() < 3 || !IsDriveSpec(p) || p[2] != '\\') {
        return false;
    }
    std::string_view rest = p.substr(3);
    if (rest.empty()) {
        return true;
    }
    if (rest.back() == '.' || rest.back() == ' ' || rest.back() == '\\' ||
        rest.find('/') != std::string_view::npos) {
        return false;
    }
    for (std::string_view name : Names(rest)) {
        if (name == "." || name == "..") {
            return false;
        }
    }
    // Names skips empty names: one means a doubled or leading backslash.
    return rest.front() != '\\' && rest.find("\\\\") == std::string_view::npos;
}

} // namespace

base::Result<std::string> FullPath(std::string_view path, std::string_view currentDirectory) {
    if (path.empty()) {
        return ErrorFromCode(win::kInvalidParameter);
    }
    std::string p(path);
    if (IsVerbatim(p)) {
        return p;
    }
    if (HasForbiddenCharacter(p)) {
        return ErrorFromCode(win::kInvalidName);
    }
    if (IsNormalDrivePath(p)) {
        return p;
    }
    for (char& c : p) {
        if (c == '/') {
            c = '\\';
        }
    }

    std::string cwd(TrimTrailingBackslashes(currentDirectory));
    if (IsDriveSpec(cwd) && cwd.size() == 2) {
        cwd += '\\';
    }

    std::string absolute;
    if (IsUnc(p)) {
        absolute = p;
    } else if (IsDriveSpec(p)) {
        if (p.size() >= 3 && p[2] == '\\') {
            absolute = p;
        } else if (DriveLetter(cwd) == Upper(p[0])) {
            absolute = p.size() == 2 ? cwd : Join(cwd, std::string_view(p).substr(2));
        } else {
            absolute = std::string(1, p[0]) + ":\\" + p.substr(2);
        }
    } else if (p[0] == '\\') {
        absolute = Root(cwd) + p;
    } else {
        absolute = Join(cwd, p);
    }
    return Normalise(absolute);
}

std::string Root(std::string_view fullPath) {
    std::size_t len = RootLength(fullPath);
    std::string root(fullPath.substr(0, len));
    if (IsDriveSpec(root) && root.size() == 2) {
        root += '\\';
    }
    if (IsVerbatim(root) && root.size() == 6 && IsDriveSpec(std::string_view(root).substr(4))) {
        root += '\\';
    }
    return root;
}

std::optional<std::string> Parent(std::string_view fullPath) {
    std::string_view trimmed = TrimTrailingBackslashes(fullPath);
    std::string root = Root(fullPath);
    if (trimmed.size() <= TrimTrailingBackslashes(root).size()) {
        return std::nullopt;
    }
    std::size_t cut = trimmed.rfind('\\');
    if (cut == std::string_view::npos) {
        return std::nullopt;
    }
    if (cut < root.size()) {
        return root;
    }
    return std::string(trimmed.substr(0, cut));
}

std::string_view TrimTrailingBackslashes(std::string_view path) {
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    return path;
}

std::string Join(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != '\\') {
        out += '\\';
    }
    out += name;
    return out;
}

std::string_view FileName(std::string_view path) {
    std::size_t cut = path.rfind('\\');
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

char DriveLetter(std::string_view fullPath) {
    if (IsVerbatim(fullPath)) {
        fullPath.remove_prefix(4);
    }
    return IsDriveSpec(fullPath) ? Upper(fullPath[0]) : 0;
}

bool IsDeviceForm(std::string_view path) {
    auto separator = [&](std::size_t i) { return path[i] == '\\' || path[i] == '/'; };
    auto endsPrefix = [&](std::size_t i) { return i == path.size() || separator(i); };
    if (path.size() < 3 || !separator(0)) {
        return false;
    }
    // "\\?\" and "\\.\" with either slash, or a bare "\\.": local devices.
    if (separator(1) && (path[2] == '?' || path[2] == '.') && endsPrefix(3)) {
        return true;
    }
    // "\??\": the object manager's own name for the DOS devices.
    return path[1] == '?' && path[2] == '?' && endsPrefix(3);
}

bool NamesAStream(std::string_view fullPath) {
    const std::size_t from = IsDriveSpec(fullPath) ? 2 : 0;
    return fullPath.find(':', from) != std::string_view::npos;
}

bool IsReservedDeviceName(std::string_view name) {
    // Windows looks at the name before its first dot, less trailing spaces.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (base::EqualsIgnoreCase(stem, device)) {
            return true;
        }
    }
    if (stem.size() < 4 ||
        !(base::StartsWithIgnoreCase(stem, "COM") || base::StartsWithIgnoreCase(stem, "LPT"))) {
        return false;
    }
    const std::string_view number = stem.substr(3);
    // A digit, or the Latin-1 superscripts one, two and three, which Windows
    // also takes for the port's number.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool HasReservedDeviceName(std::string_view fullPath) {
    const std::string_view rest = fullPath.substr(std::min(RootLength(fullPath), fullPath.size()));
    for (std::string_view name : Names(rest)) {
        if (IsReservedDeviceName(name)) {
            return true;
        }
    }
    return false;
}

void NameWalk::Iterator::Advance() {
    name_ = {};
    while (name_.empty() && !rest_.empty()) {
        const std::size_t cut = rest_.find('\\');
        name_ = rest_.substr(0, cut);
        rest_ = cut == std::string_view::npos ? std::string_view() : rest_.substr(cut + 1);
    }
    if (name_.empty()) {
        name_ = {}; // the end, whatever empty piece was cut last
    }
}

} // namespace vexo::platform::paths
