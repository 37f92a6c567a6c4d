// The single prefix test both removal flows apply before the guard.

#include "records/path_guard.h"

#include <gtest/gtest.h>

namespace vexo::records {
namespace {

TEST(RootContainment, IsAPrefixThroughOneBackslashIgnoringCase) {
    struct Case {
        const char* path;
        std::vector<std::string> roots;
        bool inside;
    };
    const Case cases[] = {
        {"C:\\Users\\ali\\Documents\\a.txt", {"C:\\Users\\ali\\Documents"}, true},
        {"C:\\Users\\ali\\Documents\\a.txt", {"c:\\users\\ALI\\documents\\\\\\"}, true},
        {"C:\\Users\\ali\\Documents\\sub\\a.txt", {"D:\\x", "C:\\Users\\ali\\Documents\\"}, true},
        {"C:\\Users\\ali\\Documents2\\a.txt", {"C:\\Users\\ali\\Documents"}, false},
        {"C:\\Users\\ali\\Documents", {"C:\\Users\\ali\\Documents"}, false},
        {"C:\\a.txt", {"C:\\"}, true},
        {"\\\\server\\share\\a.txt", {""}, false},
        {"C:\\a.txt", {}, false},
        {"C:\\Users\\ali\\مستندات\\ملف.txt", {"C:\\Users\\ali\\مستندات"}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUnderRoots(c.path, c.roots), c.inside) << c.path;
    }
}

} // namespace
} // namespace vexo::records
