// Which names are protected from removal.

#include "programs/protected_name.h"

#include <gtest/gtest.h>
#include <string>

namespace vexo::programs {
namespace {

struct NameCase {
    std::string name;
    bool protectedName;
};

TEST(ProtectedName, SearchesEachAlternativeAnywhereIgnoringCase) {
    const NameCase cases[] = {
        {"Intel(R) Management Engine Components", true},
        {"NVIDIA Graphics Driver 531.18", true},
        {"Microsoft Edge", true},
        {"Microsoft Visual C++ 2015-2022 Redistributable (x64)", true},
        {"microsoft .net runtime - 8.0.1", true},
        {"Windows Desktop Runtime 8.0", true},
        {"Windows Software Development Kit", false}, // "Windows SDK" only
        {"Windows SDK AddOn", true},
        {"Realtek High Definition Audio", true},
        {"AMD Chipset Software", true},
        {"AMD Ryzen Master", false},
        {"HP Connection Optimizer", true},
        {"HP Smart", false},
        {"Synaptics Pointing Device", true},
        {"Lenovo Hotkeys", true},
        {"Dell BIOS Flash", true},
        {"Microsoft WebView2 Runtime", true},
        {"Printer firmware update", true},
        {"VEXO SOLVANE", false},
        {"Notepad++ (64-bit x64)", false},
        {"", false},
        // "Intel " ends with its space: a letter after Intel is another word.
        {"Intelligent Notes", false},
        {"Intel Graphics", true},
        {"Intel", false},
        {"Intel\tGraphics", false},
        {"Intel\xC2\xA0Graphics", false}, // a no-break space is not a space
        // Short alternatives count inside longer words.
        {"Elantra Fan Club", true},
        {"Symbiosis Studio", true},
        {"Screwdriver Pro", true},
        // The dot in ASP.NET is any one character, not only a dot.
        {"Microsoft ASP.NET Core 8.0", true},
        {"Microsoft ASPxNET Tools", true},
        {"Microsoft ASP\xD8\xB9NET", true}, // one Arabic letter, one code unit
        {"Microsoft ASPNET", false},
        {"Microsoft ASP\nNET", false},
        // One space after the word before a group, exactly.
        {"Windows  Update Assistant", false},
        {"HP  Audio", false},
        {"AMDSoftware", false},
        // Case is folded per code unit: the Kelvin sign is k, the dotless i is not i.
        {"Windows SD\xE2\x84\xAA", true},
        {"\xC4\xB0ntel(R) Tools", true},  // dotted capital I
        {"\xC4\xB1ntel(R) Tools", false}, // dotless small i
        {"\xFF\xFE BIOS", true},          // invalid bytes before the name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsProtectedName(c.name), c.protectedName) << c.name;
    }
}

TEST(ProtectedName, FindsANameAtTheEndOfTenThousandCharacters) {
    EXPECT_TRUE(IsProtectedName(std::string(10'000, 'a') + " Driver"));
    EXPECT_FALSE(IsProtectedName(std::string(10'000, 'a')));
}

} // namespace
} // namespace vexo::programs
