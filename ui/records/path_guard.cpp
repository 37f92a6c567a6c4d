#include "records/path_guard.h"

#include "base/ordinal.h"
#include "platform/path_rules.h"

#include <algorithm>

namespace vexo::records {

namespace {

using platform::paths::TrimTrailingBackslashes;

// A path and everything below it: the path itself, or the path followed by a
// backslash. The backslash keeps "Program Files Extra" out of "Program Files".
bool IsSameOrInside(std::string_view path, std::string_view folder) {
    if (base::EqualsIgnoreCase(path, folder)) {
        return true;
    }
    // Compared as one prefix, not by byte offset: a letter and its other case
    // need not have the same UTF-8 length.
    std::string prefix(folder);
    prefix += '\\';
    return base::StartsWithIgnoreCase(path, prefix);
}

// True when a name of the full path below its root ends in a dot or a space.
// Windows drops those endings from a path's last name, so such a name is
// read as its sibling wherever it stands last: for the path itself once its
// trailing backslashes are gone, and for every folder on the way up. The
// guard would judge the sibling and pass the entry the path really names.
bool HasNameEndingInDotOrSpace(std::string_view fullPath, std::size_t rootLength) {
    std::string_view rest = fullPath.substr(std::min(rootLength, fullPath.size()));
    while (!rest.empty()) {
        const std::size_t cut = rest.find('\\');
        const std::string_view name = rest.substr(0, cut);
        if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            return true;
        }
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return false;
}

// The deepest a real path can be (32767 UTF-16 units, at least two per
// level); a walk longer than this is a fault of the file service, not a path.
constexpr int kMaxWalkDepth = 16384;

std::optional<std::string> Canonical(platform::Machine& machine, std::string_view path) {
    // Checked before and after: Windows itself turns some names into device
    // paths ("C:\a\CON" may come back as "\\.\CON"). A NUL cuts the name
    // short at every Windows call, so the rest would go unjudged.
    if (platform::paths::IsDeviceForm(path) || path.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    // One normalisation must settle the spelling: a name that still ends in a
    // dot or a space afterwards ("a\.. .\ " leaves ".. .") is read as another
    // entry by the next call that normalises it, so the guard would judge one
    // entry and the removal reach another.
    base::Result<std::string> once = machine.files().FullPath(std::string(path));
    if (!once.ok() || HasNameEndingInDotOrSpace(TrimTrailingBackslashes(*once),
                                                platform::paths::Root(*once).size())) {
        return std::nullopt;
    }
    base::Result<std::string> full = machine.files().LongPath(*once);
    if (!full.ok() || platform::paths::IsDeviceForm(*full)) {
        return std::nullopt;
    }
    return std::move(full).value();
}

bool SpellingIsAllowed(platform::Machine& machine, std::string_view canonicalPath) {
    const std::string_view f = TrimTrailingBackslashes(canonicalPath);

    // Drive and share roots, however many backslashes they were given with.
    const std::string root = platform::paths::Root(canonicalPath);
    const std::string_view bareRoot = TrimTrailingBackslashes(root);
    if (bareRoot.empty() || base::EqualsIgnoreCase(f, bareRoot)) {
        return false;
    }
    // "a.txt:secret" and "NUL" reach something other than the file named.
    if (platform::paths::IsDeviceForm(f) || platform::paths::NamesAStream(f) ||
        platform::paths::HasReservedDeviceName(f) || HasNameEndingInDotOrSpace(f, root.size())) {
        return false;
    }

    platform::Environment& environment = machine.environment();
    for (std::string_view variable : kProtectedVariables) {
        std::optional<std::string> value = environment.Get(std::string(variable));
        if (!value || value->empty()) {
            continue;
        }
        // A protected folder we cannot place could be anywhere.
        std::optional<std::string> protectedFull = Canonical(machine, *value);
        if (!protectedFull || IsSameOrInside(f, TrimTrailingBackslashes(*protectedFull))) {
            return false;
        }
    }
    return true;
}

// Every folder above the path and the drive root: a link at any of these
// could lead the removal somewhere the user never chose.
bool WalkAbove(platform::Machine& machine, std::string_view canonicalPath) {
    platform::Files& files = machine.files();
    std::optional<std::string> parent = platform::paths::Parent(canonicalPath);
    for (int depth = 0; depth < kMaxWalkDepth; ++depth) {
        if (!parent) {
            return true;
        }
        base::Result<std::string> current = files.FullPath(*parent);
        if (!current.ok()) {
            return false;
        }
        base::Result<platform::FileInfo> info = files.ReadInfo(*current);
        if (!info.ok() || info->IsReparsePoint()) {
            return false;
        }
        parent = platform::paths::Parent(*current);
    }
    return false;
}

bool GuardAccepts(platform::Machine& machine, std::string_view path) {
    std::optional<std::string> full = Canonical(machine, path);
    if (!full || !SpellingIsAllowed(machine, *full)) {
        return false;
    }
    // The path itself, then everything above it.
    const std::string f(TrimTrailingBackslashes(*full));
    base::Result<platform::FileInfo> info = machine.files().ReadInfo(f);
    return info.ok() && !info->IsReparsePoint() && WalkAbove(machine, f);
}

bool IsLocalDrive(platform::Machine& machine, const std::string& fullPath) {
    if (platform::paths::DriveLetter(fullPath) == 0) {
        return false; // a share path counts as a network drive
    }
    const platform::DriveType type = machine.volumes().TypeOf(platform::paths::Root(fullPath));
    return type == platform::DriveType::Fixed || type == platform::DriveType::Removable;
}

} // namespace

bool TestSimpleFileRoot(platform::Machine& machine, std::string_view path) noexcept {
    try {
        return GuardAccepts(machine, path);
    } catch (...) {
        return false;
    }
}

std::optional<std::string> CanonicalFullPath(platform::Machine& machine,
                                             std::string_view path) noexcept {
    try {
        return Canonical(machine, path);
    } catch (...) {
        return std::nullopt;
    }
}

bool PassesPathRules(platform::Machine& machine, std::string_view canonicalPath) noexcept {
    try {
        return SpellingIsAllowed(machine, canonicalPath);
    } catch (...) {
        return false;
    }
}

bool FoldersAboveAreSafe(platform::Machine& machine, std::string_view canonicalPath) noexcept {
    try {
        return WalkAbove(machine, canonicalPath);
    } catch (...) {
        return false;
    }
}

std::vector<std::string> PersonalFolderCandidates(platform::Machine& machine) {
    platform::Environment& environment = machine.environment();
    std::vector<std::string> candidates;
    candidates.reserve(7);

    // Without a profile there is no profile Downloads folder; joining an empty
    // value would name a "Downloads" relative to the current directory.
    std::optional<std::string> profile = environment.Get("USERPROFILE");
    candidates.push_back(profile && !profile->empty() ? platform::paths::Join(*profile, "Downloads")
                                                      : std::string());

    constexpr platform::KnownFolder kShellFolders[] = {
        platform::KnownFolder::Desktop,  platform::KnownFolder::Documents,
        platform::KnownFolder::Pictures, platform::KnownFolder::Videos,
        platform::KnownFolder::Music,
    };
    for (platform::KnownFolder folder : kShellFolders) {
        std::optional<std::string> path = environment.KnownFolderPath(folder);
        candidates.push_back(path && !path->empty() && machine.files().Exists(*path)
                                 ? std::move(*path)
                                 : std::string());
    }

    // The Downloads folder as Explorer has redirected it; usually stored with
    // an unexpanded %USERPROFILE%.
    base::Result<platform::RegValue> redirected = machine.registry().ReadValue(
        platform::Hive::CurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "{374DE290-123F-4565-9164-39C4925E467B}");
    if (redirected.ok() && (redirected->type == platform::RegType::String ||
                            redirected->type == platform::RegType::ExpandString)) {
        std::string expanded = environment.Expand(redirected->text);
        if (!expanded.empty()) {
            candidates.push_back(std::move(expanded));
        }
    }
    return candidates;
}

std::vector<std::string> GetPersonalRoots22(platform::Machine& machine) noexcept {
    std::vector<std::string> roots;
    try {
        std::vector<std::string> candidates = PersonalFolderCandidates(machine);
        std::vector<std::string> seen;
        for (const std::string& candidate : candidates) {
            // Exact repeats only: the same folder in two spellings stays
            // twice, which every consumer tolerates.
            bool repeat = false;
            for (const std::string& earlier : seen) {
                repeat = repeat || earlier == candidate;
            }
            if (repeat) {
                continue;
            }
            seen.push_back(candidate);
            if (candidate.empty() || !TestSimpleFileRoot(machine, candidate)) {
                continue;
            }
            std::optional<std::string> full = Canonical(machine, candidate);
            if (!full) {
                continue;
            }
            std::string root(TrimTrailingBackslashes(*full));
            root += '\\';
            roots.push_back(std::move(root));
        }
    } catch (...) {
        // Whatever was accepted before the failure still stands.
    }
    return roots;
}

std::vector<std::string> ValidateIndexRoots(platform::Machine& machine,
                                            const std::vector<std::string>& candidates) noexcept {
    std::vector<std::string> accepted;
    try {
        for (const std::string& candidate : candidates) {
            if (candidate.empty()) {
                continue;
            }
            // Kept in its long form, so that the containment test at removal
            // compares like with like.
            std::optional<std::string> full = Canonical(machine, candidate);
            if (!full || !IsLocalDrive(machine, *full)) {
                continue;
            }
            base::Result<platform::FileInfo> info = machine.files().ReadInfo(*full);
            if (!info.ok() || !info->IsDirectory()) {
                continue;
            }
            if (!TestSimpleFileRoot(machine, *full)) {
                continue;
            }
            // A folder inside one accepted earlier would be crawled twice.
            // Only earlier roots count: a later parent is still accepted.
            const std::string_view bare = TrimTrailingBackslashes(*full);
            bool covered = false;
            for (const std::string& root : accepted) {
                covered = covered || IsSameOrInside(bare, TrimTrailingBackslashes(root));
            }
            if (!covered) {
                accepted.push_back(std::move(*full));
            }
        }
    } catch (...) {
        // The roots accepted so far are still sound.
    }
    return accepted;
}

bool IsUnderRoots(std::string_view fullPath, const std::vector<std::string>& roots) {
    for (const std::string& root : roots) {
        const std::string_view bare = TrimTrailingBackslashes(root);
        if (bare.empty()) {
            continue;
        }
        std::string prefix(bare);
        prefix += '\\';
        if (base::StartsWithIgnoreCase(fullPath, prefix)) {
            return true;
        }
    }
    return false;
}

} // namespace vexo::records
