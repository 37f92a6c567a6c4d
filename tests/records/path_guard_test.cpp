// Which paths a removal may touch, and which folders become roots, on an
// emulated machine with a user profile.

#include "records/machine_fixture.h"
#include "records/path_guard.h"

namespace vexo::records {
namespace {

using platform::DriveType;
using platform::Hive;
using platform::KnownFolder;
using platform::RegValue;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kDownloadsValue = "{374DE290-123F-4565-9164-39C4925E467B}";

class PathGuard : public testing::MachineFixture {
protected:
    PathGuard() {
        Write("C:\\Users\\ali\\Documents\\report.docx");
        Write("C:\\Users\\ali\\Documents\\deep\\er\\still\\notes.txt");
        Write("C:\\Windows\\Temp\\setup.log");
        Write("C:\\Program Files\\App\\app.exe");
        Write("C:\\Program Files Extra\\keep.txt");
        Write("C:\\Program Files (x86)\\Old\\old.exe");
        Write("C:\\ProgramData\\Vendor\\cache.bin");
        Write("C:\\Users\\ali\\AppData\\Roaming\\App\\settings.ini");
        Write("C:\\Users\\ali\\AppData\\Local\\Temp\\x.tmp");
        Write("C:\\Elsewhere\\target\\inside.txt");
        Write("C:\\Elsewhere\\lone.txt");
        Link("C:\\Users\\ali\\Documents\\linked", "C:\\Elsewhere\\target");
        Link("C:\\Users\\ali\\Documents\\deep\\er\\shortcut.txt", "C:\\Elsewhere\\lone.txt");
    }
};

TEST_F(PathGuard, DecidesEveryRule) {
    struct Case {
        const char* path;
        bool accepted;
    };
    const Case cases[] = {
        {"C:\\Users\\ali\\Documents\\report.docx", true},
        {"C:\\Users\\ali\\Documents", true},
        {"C:\\Users\\ali\\Documents\\\\", true},
        {"C:/Users/ali/Documents/deep/./er/still/../still/notes.txt", true},
        // Drive and share roots, however they are written.
        {"C:\\", false},
        {"C:\\\\", false},
        {"c:", false},
        {"\\\\server\\share", false},
        {"\\\\server\\share\\\\", false},
        // The protected folders themselves and everything inside them.
        {"C:\\Windows", false},
        {"C:\\Windows\\Temp\\setup.log", false},
        {"c:\\program files\\app\\app.exe", false},
        {"C:\\PROGRAM FILES\\", false},
        {"C:\\Program Files (x86)\\Old\\old.exe", false},
        {"C:\\ProgramData", false},
        {"C:\\ProgramData\\Vendor\\cache.bin", false},
        {"C:\\Users\\ali\\AppData\\Roaming", false},
        {"C:\\Users\\ali\\AppData\\Roaming\\App\\settings.ini", false},
        {"C:\\Users\\ali\\AppData\\Local", false},
        {"C:\\Users\\ali\\AppData\\Local\\Temp\\x.tmp", false},
        {"C:\\Users\\ali\\AppData\\Local\\VexoTolvik", false},
        // A sibling whose name merely begins like a protected folder.
        {"C:\\Program Files Extra\\keep.txt", true},
        // Links: the folder, anything below it at any depth, a linked file.
        {"C:\\Users\\ali\\Documents\\linked", false},
        {"C:\\Users\\ali\\Documents\\linked\\inside.txt", false},
        {"C:\\Users\\ali\\Documents\\deep\\er\\shortcut.txt", false},
        // What cannot be read cannot be judged.
        {"C:\\Users\\ali\\Documents\\missing.txt", false},
        {"C:\\Users\\ali\\Nowhere\\missing.txt", false},
        {"Q:\\unmapped\\file.txt", false},
        {"", false},
        {"C:\\Users\\ali\\Documents\\bad|name.txt", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TestSimpleFileRoot(machine, c.path), c.accepted) << c.path;
    }
}

TEST_F(PathGuard, RelativePathsAreJudgedWhereTheyResolve) {
    machine.SetCurrentDirectory("C:\\Users\\ali\\Documents");
    EXPECT_TRUE(TestSimpleFileRoot(machine, "report.docx"));
    EXPECT_FALSE(TestSimpleFileRoot(machine, "..\\AppData\\Local\\Temp\\x.tmp"));
    EXPECT_FALSE(TestSimpleFileRoot(machine, "\\"));
}

TEST_F(PathGuard, ReadsTheProtectedVariablesAtEveryCall) {
    const char* oldExe = "C:\\Program Files (x86)\\Old\\old.exe";
    machine.SetEnv("ProgramFiles(x86)", std::nullopt);
    EXPECT_TRUE(TestSimpleFileRoot(machine, oldExe));
    // The other five still hold.
    EXPECT_FALSE(TestSimpleFileRoot(machine, "C:\\Program Files\\App\\app.exe"));
    EXPECT_FALSE(TestSimpleFileRoot(machine, "C:\\ProgramData\\Vendor\\cache.bin"));
    machine.SetEnv("ProgramFiles(x86)", "");
    EXPECT_TRUE(TestSimpleFileRoot(machine, oldExe));

    // A variable set later protects at once; nothing was cached.
    machine.SetEnv("ProgramFiles(x86)", "c:\\program files (x86)\\");
    EXPECT_FALSE(TestSimpleFileRoot(machine, oldExe));
    machine.SetEnv("APPDATA", "C:\\Users\\ali\\Documents\\deep");
    EXPECT_FALSE(
        TestSimpleFileRoot(machine, "C:\\Users\\ali\\Documents\\deep\\er\\still\\notes.txt"));
    EXPECT_TRUE(TestSimpleFileRoot(machine, "C:\\Users\\ali\\Documents\\report.docx"));
}

TEST_F(PathGuard, NoOtherSpellingOfAFileGetsThrough) {
    machine.AddShortName("C:\\Program Files", "PROGRA~1")
        .AddShortName("C:\\Users\\ali\\AppData", "APPDAT~1")
        .AddShortName("C:\\Users\\ali\\Documents", "DOCUME~1");
    // Names Windows reads as something else; the host keeps them as files.
    Write("C:\\Users\\ali\\Documents\\report.docx:secret");
    Write("C:\\Users\\ali\\Documents\\nul.txt");
    Write("C:\\Users\\ali\\Documents\\Com1 .log");
    Write("C:\\Users\\ali\\Documents\\aux\\inside.txt");
    struct Case {
        const char* what;
        const char* path;
        bool accepted;
    };
    const Case cases[] = {
        {"verbatim", "\\\\?\\C:\\Windows\\Temp\\setup.log", false},
        {"device", "\\\\.\\C:\\Windows\\Temp\\setup.log", false},
        {"verbatim, slashes", "//?/C:/Windows/Temp/setup.log", false},
        {"device, slashes", "//./C:/Windows/Temp/setup.log", false},
        {"object manager", "\\??\\C:\\Windows\\Temp\\setup.log", false},
        {"verbatim share", "\\\\?\\UNC\\server\\share\\x.txt", false},
        // The form itself is refused, whatever it names.
        {"verbatim personal", "\\\\?\\C:\\Users\\ali\\Documents\\report.docx", false},
        {"short name", "C:\\PROGRA~1\\App\\app.exe", false},
        {"short name, lower case", "c:\\progra~1\\app\\app.exe", false},
        {"short name above", "C:\\Users\\ali\\APPDAT~1\\Local\\Temp\\x.tmp", false},
        {"short name of a personal folder", "C:\\Users\\ali\\DOCUME~1\\report.docx", true},
        {"case", "C:\\WINDOWS\\temp\\SETUP.LOG", false},
        {"..", "C:\\Users\\ali\\Documents\\..\\AppData\\Local\\Temp\\x.tmp", false},
        {"forward slashes", "C:/Program Files/App/app.exe", false},
        {"trailing dot", "C:\\Windows\\Temp\\setup.log.", false},
        {"trailing space", "C:\\Windows\\Temp\\setup.log ", false},
        {"trailing dot on a folder", "C:\\Windows.\\Temp\\setup.log", false},
        {"stream", "C:\\Users\\ali\\Documents\\report.docx:secret", false},
        {"default stream", "C:\\Users\\ali\\Documents\\report.docx::$DATA", false},
        {"device name", "C:\\Users\\ali\\Documents\\nul.txt", false},
        {"device name, trailing space", "C:\\Users\\ali\\Documents\\Com1 .log", false},
        {"device name of a folder", "C:\\Users\\ali\\Documents\\aux\\inside.txt", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TestSimpleFileRoot(machine, c.path), c.accepted) << c.what << ": " << c.path;
    }
}

TEST_F(PathGuard, AProtectedFolderInAnotherSpellingStillProtects) {
    machine.AddShortName("C:\\Program Files", "PROGRA~1");
    const char* app = "C:\\Program Files\\App\\app.exe";
    const char* report = "C:\\Users\\ali\\Documents\\report.docx";
    struct Case {
        const char* value;
        bool appAccepted;
        bool reportAccepted;
    };
    const Case cases[] = {
        {"C:\\PROGRA~1", false, true},
        {"c:/program files/./", false, true},
        // A location that cannot be placed could be anywhere.
        {"\\\\?\\C:\\Program Files", false, false},
        {"\\\\.\\C:\\Program Files", false, false},
    };
    for (const Case& c : cases) {
        machine.SetEnv("ProgramFiles", c.value);
        EXPECT_EQ(TestSimpleFileRoot(machine, app), c.appAccepted) << c.value;
        EXPECT_EQ(TestSimpleFileRoot(machine, report), c.reportAccepted) << c.value;
    }
}

// Windows drops the dots and spaces that end a path's last name, so a name
// ending in one is read as its sibling whenever it stands last, as it does
// for every folder on the way up: the guard would judge the sibling.
TEST_F(PathGuard, RefusesANameEndingInADotOrASpace) {
    Folder("C:\\Users\\ali\\Documents\\Sub");
    Write("C:\\Users\\ali\\Documents\\Sub\\photo.jpg");
    // Made on the host: every Windows spelling of these names reads "Sub".
    const std::filesystem::path documents = host() / "c" / "Users" / "ali" / "Documents";
    std::filesystem::create_directory_symlink(host() / "c" / "Windows" / "Temp",
                                              documents / "Sub ");
    std::filesystem::create_directory_symlink(host() / "c" / "Windows" / "Temp",
                                              documents / "Sub.");
    for (const char* path : {
             "C:\\Users\\ali\\Documents\\Sub \\setup.log",
             "C:\\Users\\ali\\Documents\\Sub.\\setup.log",
             "C:\\Users\\ali\\Documents\\Sub \\",
             "C:\\Users\\ali\\Documents\\Sub.\\",
             // One normalisation leaves ".. ." standing; the next reads the
             // Documents folder for it.
             "C:\\Users\\ali\\Documents\\.. ./ ",
         }) {
        EXPECT_FALSE(TestSimpleFileRoot(machine, path)) << path;
    }
    // The trailing dot or space of the last name alone is dropped before the
    // guard looks: that is the real folder's own spelling.
    EXPECT_TRUE(TestSimpleFileRoot(machine, "C:\\Users\\ali\\Documents\\Sub\\photo.jpg"));
    EXPECT_TRUE(TestSimpleFileRoot(machine, "C:\\Users\\ali\\Documents\\Sub. "));
}

TEST_F(PathGuard, AnUnreadableFolderOnTheWayRefuses) {
    machine.MarkUnreadable("C:\\Users\\ali\\Documents\\deep");
    EXPECT_FALSE(
        TestSimpleFileRoot(machine, "C:\\Users\\ali\\Documents\\deep\\er\\still\\notes.txt"));
    EXPECT_TRUE(TestSimpleFileRoot(machine, "C:\\Users\\ali\\Documents\\report.docx"));
}

// ---------------------------------------------------------------------------

class PersonalRoots : public testing::MachineFixture {
protected:
    PersonalRoots() {
        for (const char* folder :
             {"Downloads", "Desktop", "Documents", "Pictures", "Videos", "Music"}) {
            Folder(std::string(kProfile) + "\\" + folder);
        }
        machine.SetKnownFolder(KnownFolder::Desktop, "C:\\Users\\ali\\Desktop")
            .SetKnownFolder(KnownFolder::Documents, "C:\\Users\\ali\\Documents")
            .SetKnownFolder(KnownFolder::Pictures, "C:\\Users\\ali\\Pictures")
            .SetKnownFolder(KnownFolder::Videos, "C:\\Users\\ali\\Videos")
            .SetKnownFolder(KnownFolder::Music, "C:\\Users\\ali\\Music")
            .SetValue(Hive::CurrentUser, kShellFolders, kDownloadsValue,
                      RegValue::ExpandSz("%USERPROFILE%\\Downloads"));
    }
};

TEST_F(PersonalRoots, AreTheGuardedFoldersOnceEachWithOneBackslash) {
    const std::vector<std::string> expected = {
        "C:\\Users\\ali\\Downloads\\", "C:\\Users\\ali\\Desktop\\", "C:\\Users\\ali\\Documents\\",
        "C:\\Users\\ali\\Pictures\\",  "C:\\Users\\ali\\Videos\\",  "C:\\Users\\ali\\Music\\",
    };
    EXPECT_EQ(GetPersonalRoots22(machine), expected);
}

TEST_F(PersonalRoots, DropOnlyExactRepeats) {
    // Redirected Downloads differing only in case stays a second root.
    machine.SetValue(Hive::CurrentUser, kShellFolders, kDownloadsValue,
                     RegValue::Sz("C:\\USERS\\ali\\Downloads\\\\"));
    machine.SetKnownFolder(KnownFolder::Music, "C:\\Users\\ali\\Documents");
    const std::vector<std::string> roots = GetPersonalRoots22(machine);
    ASSERT_EQ(roots.size(), 6u);
    EXPECT_EQ(roots[4], "C:\\Users\\ali\\Videos\\");
    EXPECT_EQ(roots[5], "C:\\USERS\\ali\\Downloads\\");
}

TEST_F(PersonalRoots, SkipWhatDoesNotResolveOrIsLinked) {
    Folder("C:\\Elsewhere\\Pics");
    Folder("C:\\Elsewhere\\Media\\Videos");
    std::filesystem::remove_all(*machine.HostPathOf("C:\\Users\\ali\\Pictures"));
    Link("C:\\Users\\ali\\Pictures", "C:\\Elsewhere\\Pics");
    Link("C:\\Users\\ali\\Media", "C:\\Elsewhere\\Media");
    machine.SetKnownFolder(KnownFolder::Videos, "C:\\Users\\ali\\Media\\Videos")
        .SetKnownFolder(KnownFolder::Desktop, std::nullopt)
        .SetKnownFolder(KnownFolder::Music, "C:\\Users\\ali\\NoMusic")
        .SetValue(Hive::CurrentUser, kShellFolders, kDownloadsValue, RegValue::Sz(""));
    const std::vector<std::string> expected = {"C:\\Users\\ali\\Downloads\\",
                                               "C:\\Users\\ali\\Documents\\"};
    EXPECT_EQ(GetPersonalRoots22(machine), expected);

    machine.DenyKey(Hive::CurrentUser, kShellFolders);
    EXPECT_EQ(GetPersonalRoots22(machine), expected);
}

TEST_F(PersonalRoots, AreSpeltInFullAndNeverInADeviceForm) {
    machine.AddShortName("C:\\Users\\ali\\Documents", "DOCUME~1")
        .SetKnownFolder(KnownFolder::Documents, "C:\\Users\\ali\\DOCUME~1")
        .SetValue(Hive::CurrentUser, kShellFolders, kDownloadsValue,
                  RegValue::Sz("\\\\?\\C:\\Users\\ali\\Downloads"));
    machine.SetEnv("USERPROFILE", "\\\\.\\C:\\Users\\ali");
    const std::vector<std::string> expected = {
        "C:\\Users\\ali\\Desktop\\", "C:\\Users\\ali\\Documents\\", "C:\\Users\\ali\\Pictures\\",
        "C:\\Users\\ali\\Videos\\",  "C:\\Users\\ali\\Music\\",
    };
    EXPECT_EQ(GetPersonalRoots22(machine), expected);
}

TEST_F(PersonalRoots, WithoutAProfileThereIsNoProfileDownloads) {
    // An unset USERPROFILE must not turn into a "Downloads" folder relative to
    // wherever the current directory happens to be.
    machine.SetEnv("USERPROFILE", std::nullopt).SetCurrentDirectory(kProfile);
    machine.SetValue(Hive::CurrentUser, kShellFolders, kDownloadsValue,
                     RegValue::ExpandSz("%USERPROFILE%\\Downloads"));
    for (const std::string& root : GetPersonalRoots22(machine)) {
        EXPECT_NE(root, "C:\\Users\\ali\\Downloads\\");
    }
}

// ---------------------------------------------------------------------------

class IndexRoots : public testing::MachineFixture {
protected:
    IndexRoots() {
        Folder("C:\\Users\\ali\\Documents\\Work\\2024");
        Write("C:\\Users\\ali\\Documents\\file.txt");
        Folder("C:\\Elsewhere\\real");
        Link("C:\\Users\\ali\\Documents\\linked", "C:\\Elsewhere\\real");
        std::filesystem::create_directories(host() / "n" / "Shared");
        std::filesystem::create_directories(host() / "e" / "Photos");
        machine.MapDrive('N', host() / "n", {DriveType::Remote, "net", std::nullopt, true});
        machine.MapDrive('E', host() / "e", {DriveType::Removable, "usb", std::nullopt, true});
    }
    std::vector<std::string> Validate(std::vector<std::string> candidates) {
        return ValidateIndexRoots(machine, candidates);
    }
};

TEST_F(IndexRoots, AnEarlierFolderCoversItsSubfoldersButNotTheReverse) {
    EXPECT_EQ(Validate({kDocuments, "C:\\Users\\ali\\Documents\\Work\\2024"}),
              std::vector<std::string>{kDocuments});
    EXPECT_EQ(Validate({"C:\\Users\\ali\\Documents\\Work", kDocuments}),
              (std::vector<std::string>{"C:\\Users\\ali\\Documents\\Work", kDocuments}));
    EXPECT_EQ(Validate({kDocuments, "c:\\users\\ali\\documents\\\\"}),
              std::vector<std::string>{kDocuments});
    // A sibling that only begins like an accepted root is not covered by it.
    Folder("C:\\Users\\ali\\Documents2");
    EXPECT_EQ(Validate({kDocuments, "C:\\Users\\ali\\Documents2"}),
              (std::vector<std::string>{kDocuments, "C:\\Users\\ali\\Documents2"}));
}

TEST_F(IndexRoots, KeepLocalGuardedFoldersAsNormalised) {
    EXPECT_EQ(Validate({"", "C:/Users/ali/Documents/Work/", "E:\\Photos"}),
              (std::vector<std::string>{"C:\\Users\\ali\\Documents\\Work\\", "E:\\Photos"}));
}

TEST_F(IndexRoots, AreSpeltInFullAndNeverInADeviceForm) {
    machine.AddShortName(kDocuments, "DOCUME~1");
    EXPECT_EQ(Validate({"C:\\Users\\ali\\DOCUME~1\\Work\\", "c:\\users\\ali\\docume~1\\work"}),
              std::vector<std::string>{"C:\\Users\\ali\\Documents\\Work\\"});
    for (const char* candidate :
         {"\\\\?\\C:\\Users\\ali\\Documents", "\\\\.\\C:\\Users\\ali\\Documents",
          "//?/C:/Users/ali/Documents", "\\\\?\\E:\\Photos"}) {
        EXPECT_TRUE(Validate({candidate}).empty()) << candidate;
    }
}

TEST_F(IndexRoots, RefuseWhatIsNoLocalGuardedFolder) {
    for (const char* candidate : {
             "N:\\Shared",                          // a network drive
             "\\\\server\\share\\Shared",           // a share
             "C:\\Users\\ali\\Documents\\file.txt", // a file
             "C:\\Users\\ali\\Documents\\none",     // missing
             "C:\\Users\\ali\\Documents\\linked",   // a link
             "C:\\Users\\ali\\AppData\\Local",      // protected
             "C:\\",                                // a drive root
             "E:\\",
         }) {
        EXPECT_TRUE(Validate({candidate}).empty()) << candidate;
    }
}

} // namespace
} // namespace vexo::records
