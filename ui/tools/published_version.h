#pragma once
// How the in-app update check reads the version file: the whole body as
// text, trimmed, one to three digits. More forgiving than the launcher's
// look at start (surrounding whitespace and a byte-order mark are fine here),
// and it also reads versions at or below the running one, so that it can say
// so. Pure: no platform, no widgets.

#include <optional>
#include <string>
#include <string_view>

namespace vexo::tools {

// The body as text: UTF-8, unless it starts with a byte-order mark of
// UTF-8, UTF-16 (either order) or UTF-32 (either order), which is taken
// away and decides. What does not decode becomes U+FFFD.
std::u32string VersionBodyText(std::string_view body);

// Whether the text trimming takes away at either end: the Unicode white
// space (tab, line ends, vertical tab, form feed, space, NEL, no-break
// spaces and the other Zs separators, line and paragraph separators).
bool IsTrimmedSpace(char32_t c);

// The published version: after trimming, exactly one to three ASCII digits
// with a value of at least 1 (leading zeros allowed within the three).
// Nothing for any other body.
std::optional<int> PublishedVersion(std::string_view body);

} // namespace vexo::tools
