#pragma once
// Which folders are the user's personal folders, and whether a folder or file
// may be touched by a removal at all. The rule is conservative: a path is
// refused when it is a drive or share root, when it is or lies inside one of
// the protected system and application-data folders, when it or any folder
// above it is a link, or when any of them cannot be read. A refusal is a
// plain false; the section words its own message.
//
// Nothing is cached: the protected variables, known folders and the registry
// are read afresh at every call, because the user (or another program) may
// have moved a folder or made a link since the last one.

#include "platform/machine.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::records {

// The six protected locations, by environment variable, in the order they
// are consulted. An unset or empty variable is ignored.
inline constexpr std::string_view kProtectedVariables[] = {
    "WINDIR", "ProgramFiles", "ProgramFiles(x86)", "ProgramData", "APPDATA", "LOCALAPPDATA",
};

// True only when `path` passes every rule of the guard; any failure on the way
// (an invalid path, an unreadable folder, an unset current directory) answers
// false. Never throws. It is GuardedFullPath, then the entry itself (it must
// read and be no link), then FoldersAboveAreSafe.
bool TestSimpleFileRoot(platform::Machine& machine, std::string_view path) noexcept;

// The one form every rule judges a path in: its full path with every existing
// name in its long form (trailing backslashes as given). None for a device or
// verbatim form ("\\?\", "\\.\", "\??\", either slash), which would reach
// the file under a spelling no prefix test can judge, and when the long form
// cannot be had. Reads only to spell names out. Never throws.
std::optional<std::string> CanonicalFullPath(platform::Machine& machine,
                                             std::string_view path) noexcept;

// The rules on a path's spelling, for a path CanonicalFullPath gave: it is no
// drive or share root, names no alternate stream and no reserved device, and
// neither is nor lies inside a protected location (each placed afresh by
// CanonicalFullPath; one that cannot be placed refuses everything). Reads
// nothing of the path itself. Never throws.
bool PassesPathRules(platform::Machine& machine, std::string_view canonicalPath) noexcept;

// The guard's walk over the folders above a canonical path: each of them, up
// to and including the drive root, reads and is no link. The entry itself is
// not read here, so that the removal step can read it with its own words.
// Never throws.
bool FoldersAboveAreSafe(platform::Machine& machine, std::string_view canonicalPath) noexcept;

// The user's personal folder candidates in their fixed order: Downloads under
// the profile, Desktop, Documents, Pictures, Videos, Music, and the redirected
// Downloads folder when the registry names one. A folder that does not
// resolve is an empty string (every consumer skips it); repeats are kept.
std::vector<std::string> PersonalFolderCandidates(platform::Machine& machine);

// The candidates without exact repeats and without the ones the guard
// refuses, each as a full path ending in exactly one backslash. Never throws.
std::vector<std::string> GetPersonalRoots22(platform::Machine& machine) noexcept;

// The folders My Files may index and later remove from: of the candidates in
// order, the local (fixed or removable) folders that exist and pass the
// guard, without those already covered by a folder accepted before them.
// Each is kept as its full path, trailing backslashes as given. A bad
// candidate is skipped; an empty answer is for the section to report.
std::vector<std::string> ValidateIndexRoots(platform::Machine& machine,
                                            const std::vector<std::string>& candidates) noexcept;

// True when `fullPath` lies under at least one of `roots`: the root without
// its trailing backslashes, plus one backslash, is an ordinal ignore-case
// prefix of the path. Empty roots contain nothing.
bool IsUnderRoots(std::string_view fullPath, const std::vector<std::string>& roots);

} // namespace vexo::records
