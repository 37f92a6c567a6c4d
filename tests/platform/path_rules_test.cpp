#include "platform/path_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vexo::platform::paths {
namespace {

TEST(PathRules, FullPathFollowsWindowsRules) {
    const struct {
        const char* path;
        const char* cwd;
        const char* expected;
    } cases[] = {
        {"C:\\a\\b.txt", "D:\\w", "C:\\a\\b.txt"},
        {"x.txt", "C:\\Users\\ali", "C:\\Users\\ali\\x.txt"},
        {"x", "C:\\", "C:\\x"},
        {".\\x\\.\\y", "C:\\w", "C:\\w\\x\\y"},
        {"..\\x", "C:\\w\\v", "C:\\w\\x"},
        {"..\\..\\..\\x", "C:\\w", "C:\\x"}, // never above the root
        {"C:/a/b", "D:\\", "C:\\a\\b"},
        {"C:\\a\\\\b", "D:\\", "C:\\a\\b"},
        {"C:\\a\\", "D:\\", "C:\\a\\"},     // trailing backslash kept
        {"C:\\a\\\\", "D:\\", "C:\\a\\\\"}, // as given
        {"C:\\a\\b\\..", "D:\\", "C:\\a"},
        {"C:\\a\\b\\..\\", "D:\\", "C:\\a\\"},
        {"C:\\a\\.", "D:\\", "C:\\a"},
        {"C:\\a\\b.", "D:\\", "C:\\a\\b"}, // trailing dots and spaces go
        {"C:\\a\\b. ", "D:\\", "C:\\a\\b"},
        {"C:\\..", "D:\\", "C:\\"},
        {"C:", "C:\\w", "C:\\w"}, // the current directory of that drive
        {"C:x", "C:\\w", "C:\\w\\x"},
        {"c:x", "C:\\w", "C:\\w\\x"},
        {"D:x", "C:\\w", "D:\\x"}, // another drive: its root
        {"D:", "C:\\w", "D:\\"},
        {"\\x\\y", "C:\\w\\v", "C:\\x\\y"}, // rooted on the current drive
        {"\\\\srv\\share\\a\\..\\b", "C:\\", "\\\\srv\\share\\b"},
        {"\\\\srv\\share\\..\\..", "C:\\", "\\\\srv\\share"},
        {"\\\\srv\\share\\", "C:\\", "\\\\srv\\share\\"},
        {"\\x", "\\\\srv\\share\\w", "\\\\srv\\share\\x"},
        {"\\\\?\\C:\\a\\..\\b", "D:\\", "\\\\?\\C:\\a\\..\\b"}, // verbatim
        {"\xD9\x85\xD9\x84\xD9\x81.txt", "C:\\w", "C:\\w\\\xD9\x85\xD9\x84\xD9\x81.txt"},
        // Full paths come back as they are; each of the five after them
        // differs from its full form in one place.
        {"C:\\", "D:\\w", "C:\\"},
        {"c:\\a b\\c.d\\e", "D:\\", "c:\\a b\\c.d\\e"},
        {"C:\\a.\\ b\\c", "D:\\", "C:\\a.\\ b\\c"}, // only the last name loses dots
        {"C:\\\\a", "D:\\", "C:\\a"},
        {"C:\\a\\..\\b", "D:\\", "C:\\b"},
        {"C:\\.\\a", "D:\\", "C:\\a"},
        {"C:\\a/b", "D:\\", "C:\\a\\b"},
        {"C:\\a\\b ", "D:\\", "C:\\a\\b"},
    };
    for (const auto& c : cases) {
        auto full = FullPath(c.path, c.cwd);
        ASSERT_TRUE(full.ok()) << c.path;
        EXPECT_EQ(*full, c.expected) << c.path << " in " << c.cwd;
    }
}

TEST(PathRules, FullPathKeepsLongPaths) {
    std::string path = "C:\\";
    for (int i = 0; i < 40; ++i) {
        path += "folder-" + std::to_string(i) + "\\";
    }
    path += "file.txt";
    ASSERT_GT(path.size(), 260u);
    auto full = FullPath(path, "D:\\");
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(*full, path);
}

TEST(PathRules, FullPathRefusesEmptyAndForbiddenCharacters) {
    for (const char* path : {"", "C:\\a*b", "C:\\a?b", "C:\\a|b", "a<b", "a>b", "a\"b", "a\tb"}) {
        auto full = FullPath(path, "C:\\");
        ASSERT_FALSE(full.ok()) << path;
        EXPECT_EQ(full.error().kind, base::ErrorKind::InvalidInput) << path;
        EXPECT_FALSE(full.error().message.empty());
    }
}

TEST(PathRules, RootParentAndDrive) {
    const struct {
        const char* path;
        const char* root;
        const char* parent; // nullptr: none
        char drive;
    } cases[] = {
        {"C:\\a\\b", "C:\\", "C:\\a", 'C'},
        {"C:\\a", "C:\\", "C:\\", 'C'},
        {"C:\\a\\b\\\\", "C:\\", "C:\\a", 'C'},
        {"C:\\", "C:\\", nullptr, 'C'},
        {"d:\\", "d:\\", nullptr, 'D'},
        {"\\\\srv\\share\\a\\b", "\\\\srv\\share", "\\\\srv\\share\\a", 0},
        {"\\\\srv\\share\\a", "\\\\srv\\share", "\\\\srv\\share", 0},
        {"\\\\srv\\share", "\\\\srv\\share", nullptr, 0},
        {"\\\\srv\\share\\", "\\\\srv\\share", nullptr, 0},
        {"\\\\?\\C:\\a", "\\\\?\\C:\\", "\\\\?\\C:\\", 'C'},
        {"a\\b", "", "a", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Root(c.path), c.root) << c.path;
        auto parent = Parent(c.path);
        if (c.parent == nullptr) {
            EXPECT_FALSE(parent.has_value()) << c.path << " -> " << parent.value_or("");
        } else {
            EXPECT_EQ(parent.value_or("<none>"), c.parent) << c.path;
        }
        EXPECT_EQ(DriveLetter(c.path), c.drive) << c.path;
    }
}

TEST(PathRules, JoinFileNameAndTrim) {
    EXPECT_EQ(Join("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(Join("C:\\", "b"), "C:\\b");
    EXPECT_EQ(Join("C:\\a\\", "b"), "C:\\a\\b");
    EXPECT_EQ(FileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(FileName("C:\\a\\"), "");
    EXPECT_EQ(FileName("b.txt"), "b.txt");
    EXPECT_EQ(TrimTrailingBackslashes("C:\\a\\\\"), "C:\\a");
    EXPECT_EQ(TrimTrailingBackslashes("C:\\"), "C:");
}

TEST(PathRules, NamesWalkTheComponentsSkippingEmptyOnes) {
    const struct {
        const char* path;
        std::vector<std::string> names;
    } cases[] = {
        {"", {}},
        {"\\", {}},
        {"\\\\\\", {}},
        {"a", {"a"}},
        {"a\\b\\c.txt", {"a", "b", "c.txt"}},
        {"\\a\\\\b\\", {"a", "b"}}, // leading, doubled and trailing backslashes
        {"Software\\Vexo Tolvik\\", {"Software", "Vexo Tolvik"}},
        {"a/b\\c", {"a/b", "c"}}, // only a backslash separates
        {"\xD9\x85\xD9\x84\xD9\x81\\x", {"\xD9\x85\xD9\x84\xD9\x81", "x"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> walked;
        for (std::string_view name : Names(c.path)) {
            walked.emplace_back(name);
        }
        EXPECT_EQ(walked, c.names) << c.path;
    }
}

TEST(PathRules, DeviceAndVerbatimFormsAreRecognisedInEverySpelling) {
    const struct {
        const char* path;
        bool device;
    } cases[] = {
        {"\\\\?\\C:\\Windows\\Temp\\x", true},
        {"\\\\?\\UNC\\server\\share\\x", true},
        {"\\\\.\\C:\\Windows", true},
        {"\\\\.\\CON", true},
        {"\\??\\C:\\Windows", true},
        {"//?/C:/Windows", true},
        {"//./C:/Windows", true},
        {"\\/?\\C:\\Windows", true},
        {"/?\?/C:/Windows", true},
        {"\\\\?", true},
        {"\\\\.", true},
        {"C:\\Windows", false},
        {"\\\\server\\share\\x", false},
        {"\\\\.server\\share", false}, // a server whose name begins with a dot
        {"\\Windows", false},
        {"C:\\??\\x", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDeviceForm(c.path), c.device) << c.path;
    }
}

TEST(PathRules, StreamsAndDeviceNamesAreFoundInAnyName) {
    const struct {
        const char* path;
        bool stream;
        bool device;
    } cases[] = {
        {"C:\\Users\\u\\Documents\\a.txt", false, false},
        {"C:\\Users\\u\\Documents\\a.txt:secret", true, false},
        {"C:\\Users\\u\\Documents\\a.txt::$DATA", true, false},
        {"C:\\Users\\u:hidden\\a.txt", true, false},
        {"\\\\server\\share\\a.txt:s", true, false},
        {"C:\\a\\CON", false, true},
        {"C:\\a\\con.txt", false, true},
        {"C:\\a\\Nul.tar.gz", false, true},
        {"C:\\a\\AUX...", false, true},
        {"C:\\a\\prn .log", false, true},
        {"C:\\a\\COM1", false, true},
        {"C:\\a\\lpt9.doc", false, true},
        {"C:\\a\\COM0", false, true},
        {"C:\\a\\COM\xC2\xB9.txt", false, true},
        {"C:\\a\\CONOUT$", false, true},
        {"C:\\NUL\\file.txt", false, true}, // a folder's name counts too
        {"C:\\a\\CONSOLE.txt", false, false},
        {"C:\\a\\COM10", false, false},
        {"C:\\a\\LPT", false, false},
        {"C:\\a\\ CON", false, false},
        {"C:\\a\\nullable.txt", false, false},
        {"C:\\a\\my.con", false, false},
        {"C:\\", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NamesAStream(c.path), c.stream) << c.path;
        EXPECT_EQ(HasReservedDeviceName(c.path), c.device) << c.path;
    }
}

} // namespace
} // namespace vexo::platform::paths
