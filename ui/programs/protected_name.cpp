#include "programs/protected_name.h"

#include "base/ordinal.h"
#include "base/utf.h"

#include <string>

namespace vexo::programs {
namespace {

// Every alternative written out in lower case; '?' stands for any one code
// unit but a line feed (none of the names holds a literal question mark).
constexpr std::u16string_view kProtectedNames[] = {
    u"visual c++",
    u"redistributable",
    u".net",
    u"windows sdk",
    u"windows driver",
    u"windows runtime",
    u"windows desktop runtime",
    u"windows update",
    u"windows security",
    u"microsoft edge",
    u"microsoft defender",
    u"microsoft update",
    u"microsoft windows",
    u"microsoft asp?net",
    u"webview",
    u"driver",
    u"realtek",
    u"intel(r)",
    u"intel ",
    u"nvidia",
    u"amd software",
    u"amd chipset",
    u"synaptics",
    u"elan",
    u"firmware",
    u"bios",
    u"hotkey",
    u"hp audio",
    u"hp system event",
    u"hp wireless",
    u"hp connection optimizer",
};

bool MatchesAt(std::u16string_view folded, std::size_t at, std::u16string_view alternative) {
    if (folded.size() - at < alternative.size()) {
        return false;
    }
    for (std::size_t i = 0; i < alternative.size(); ++i) {
        char16_t unit = folded[at + i];
        if (alternative[i] == u'?' ? unit == u'\n' : unit != alternative[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool IsProtectedName(std::string_view name) {
    std::u16string folded = base::Utf8ToUtf16(name);
    for (char16_t& unit : folded) {
        unit = base::LowerInvariant(unit);
    }
    for (std::size_t at = 0; at < folded.size(); ++at) {
        for (std::u16string_view alternative : kProtectedNames) {
            if (MatchesAt(folded, at, alternative)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace vexo::programs
