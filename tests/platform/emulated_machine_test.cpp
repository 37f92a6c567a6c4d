// What only the emulated machine does: its description API. The behaviour it
// shares with Windows is in the contract suite.

#include "platform/emulated/emulated_machine.h"
#include "support/temp_folder.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace vexo::platform::emulated {
namespace {

namespace fs = std::filesystem;
using K = base::ErrorKind;

class EmulatedMachineTest : public ::testing::Test {
protected:
    EmulatedMachineTest() {
        fs::create_directories(temp.path() / "c");
        fs::create_directories(temp.path() / "bin");
        machine.MapDrive('C', temp.path() / "c")
            .WithUserProfile("ali")
            .UseRecycleFolder(temp.path() / "bin");
    }

    void Touch(const std::string& windowsPath, const std::string& bytes = "x") {
        ASSERT_TRUE(machine.files().WriteAllBytes(windowsPath, bytes).ok()) << windowsPath;
    }

    testing::TempFolder temp;
    EmulatedMachine machine;
};

TEST_F(EmulatedMachineTest, ProfileDescribesAFreshWindowsUser) {
    EXPECT_EQ(machine.environment().Get("userprofile"), "C:\\Users\\ali");
    EXPECT_EQ(machine.environment().TempPath(), "C:\\Users\\ali\\AppData\\Local\\Temp\\");
    EXPECT_EQ(machine.environment().KnownFolderPath(KnownFolder::Documents),
              "C:\\Users\\ali\\Documents");
    EXPECT_TRUE(fs::is_directory(temp.path() / "c/Users/ali/Downloads"));
    auto downloads = machine.registry().ReadValue(
        Hive::CurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "{374DE290-123F-4565-9164-39C4925E467B}");
    ASSERT_TRUE(downloads.ok());
    EXPECT_EQ(machine.environment().Expand(downloads->text), "C:\\Users\\ali\\Downloads");
}

TEST_F(EmulatedMachineTest, HostNamesMatchIgnoringCaseAndNewNamesKeepTheirCase) {
    Touch("C:\\users\\ALI\\Desktop\\Report.TXT");
    EXPECT_TRUE(fs::exists(temp.path() / "c/Users/ali/Desktop/Report.TXT"));
    EXPECT_TRUE(machine.files().Exists("c:\\USERS\\ali\\desktop\\report.txt"));
    EXPECT_EQ(machine.HostPathOf("C:\\USERS\\ALI\\DESKTOP\\REPORT.txt"),
              temp.path() / "c/Users/ali/Desktop/Report.TXT");
}

TEST_F(EmulatedMachineTest, DescribedFailuresAndMarksReachTheCaller) {
    const std::string docs = "C:\\Users\\ali\\Documents";
    Touch(docs + "\\a.txt");
    Touch(docs + "\\b.txt");
    Touch(docs + "\\c.txt");
    Touch("C:\\Users\\ali\\Music\\song.mp3");
    machine.MarkOffline(docs + "\\b.txt")
        .MarkAttributes(docs + "\\c.txt", attr::Hidden | attr::System)
        .FailOperation(docs + "\\a.txt", FileOp::Read, K::SharingViolation)
        .FailListingAfter(docs, 2, K::Io)
        .MarkUnreadable("C:\\Users\\ali\\Music");

    struct Collect final : ListingSink {
        std::vector<std::pair<std::string, std::uint32_t>> seen;
        bool OnEntry(const DirEntryView& e) override {
            seen.emplace_back(std::string(e.name), e.info.attributes);
            return true;
        }
    } sink;
    auto listed = machine.files().ListFolder(docs, sink);
    ASSERT_FALSE(listed.ok());
    EXPECT_EQ(listed.error().kind, K::Io);
    ASSERT_EQ(sink.seen.size(), 2u); // delivered before the failure
    EXPECT_TRUE(sink.seen[1].second & attr::Offline);

    EXPECT_TRUE(machine.files().ReadInfo(docs + "\\C.TXT")->attributes & attr::Hidden);
    EXPECT_EQ(machine.files().ReadAllBytes(docs + "\\a.txt").error().kind, K::SharingViolation);
    // A name the host refuses as too long (Wine says "not found" here instead).
    auto tooLong = machine.files().WriteAllBytes(docs + "\\" + std::string(300, 'n'), "x");
    EXPECT_EQ(tooLong.error().kind, K::PathTooLong);
    EXPECT_EQ(tooLong.error().message, "The filename or extension is too long.");

    Collect music;
    EXPECT_EQ(machine.files().ListFolder("C:\\Users\\ali\\Music", music).error().kind,
              K::AccessDenied);
    EXPECT_TRUE(machine.files().ReadInfo("C:\\Users\\ali\\Music").ok());
    EXPECT_EQ(machine.files().ReadInfo("C:\\Users\\ali\\Music\\song.mp3").error().kind,
              K::AccessDenied);
}

TEST_F(EmulatedMachineTest, InjectedWriteFaultsHitMatchingPathsWithWindowsWords) {
    const std::string data = "C:\\Users\\ali\\AppData\\Local\\VexoTolvik";
    ASSERT_TRUE(machine.files().CreateFolderTree(data).ok());
    Touch(data + "\\Diagnostics.txt", "0123");
    Touch(data + "\\kept.json", "old");
    auto host = [&](const std::string& name) {
        std::ifstream in(*machine.HostPathOf(data + "\\" + name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    machine.FillDiskAt(data + "\\*.TMP", 5)
        .FillDiskAt(data + "\\diagnostics.txt", 6)
        .FillDiskAt(data + "\\fresh.log", 2)
        .LockFile(data + "\\kept.json")
        .FailOperation(data + "\\*.csv", FileOp::Flush, K::Io);

    // A full disk: the first bytes land, then Windows' own text.
    auto full = machine.files().WriteAllBytes(data + "\\report.json.tmp", "0123456789");
    ASSERT_FALSE(full.ok());
    EXPECT_EQ(full.error().message, "There is not enough space on the disk.");
    EXPECT_EQ(host("report.json.tmp"), "01234");
    // '*' stays within one name.
    EXPECT_TRUE(machine.files().WriteAllBytes(data + "\\sub.tmp", "").ok());
    ASSERT_TRUE(machine.files().CreateFolderTree(data + "\\x.tmp").ok());
    EXPECT_TRUE(machine.files().WriteAllBytes(data + "\\x.tmp\\inner", "0123456789").ok());

    // An append that meets the full disk leaves the file as it was, and one
    // that would have created the file leaves none.
    EXPECT_FALSE(machine.files().AppendBytes(data + "\\Diagnostics.txt", "456").ok());
    EXPECT_EQ(host("Diagnostics.txt"), "0123");
    EXPECT_TRUE(machine.files().AppendBytes(data + "\\Diagnostics.txt", "45").ok());
    EXPECT_EQ(host("Diagnostics.txt"), "012345");
    EXPECT_FALSE(machine.files().AppendBytes(data + "\\fresh.log", "abc").ok());
    EXPECT_FALSE(fs::exists(*machine.HostPathOf(data + "\\fresh.log")));

    // A file another process holds: every use fails, the move onto it too.
    Touch(data + "\\kept.json.tmp", "new");
    for (const base::Status& held :
         {machine.files().ReadAllBytes(data + "\\kept.json").status(),
          machine.files().WriteAllBytes(data + "\\kept.json", "x"),
          machine.files().MoveReplace(data + "\\kept.json.tmp", data + "\\kept.json"),
          machine.files().RemoveFile(data + "\\kept.json")}) {
        ASSERT_FALSE(held.ok());
        EXPECT_EQ(held.error().kind, K::SharingViolation);
        EXPECT_EQ(held.error().message,
                  "The process cannot access the file because it is being used by another "
                  "process.");
    }
    EXPECT_EQ(host("kept.json"), "old");

    Touch(data + "\\all.csv", "rows");
    EXPECT_EQ(machine.files().FlushToDisk(data + "\\ALL.CSV").error().kind, K::Io);
    EXPECT_TRUE(machine.files().FlushToDisk(data + "\\kept.json.tmp").ok());
    EXPECT_EQ(machine.files().FlushToDisk(data + "\\missing.txt").error().kind, K::NotFound);
}

TEST_F(EmulatedMachineTest, DrivesComeFromTheDescriptionOrTheHost) {
    machine
        .MapDrive('E', temp.path(),
                  {.type = DriveType::Removable, .label = "USB", .sizes = DriveSizes{100, 40, 30}})
        .MapDrive('D', temp.path(), {.type = DriveType::CdRom, .ready = false})
        .MapDrive('F', temp.path(), {.label = "Data", .spaceFailure = K::Io})
        .MapDrive('G', temp.path(), {.label = "Lost", .labelFailure = K::AccessDenied});
    EXPECT_EQ(machine.volumes().DriveRoots(),
              (std::vector<std::string>{"C:\\", "D:\\", "E:\\", "F:\\", "G:\\"}));
    auto usb = machine.volumes().Read("E:\\");
    ASSERT_TRUE(usb.ok());
    EXPECT_EQ(usb->label, "USB");
    EXPECT_EQ(usb->available, 30);
    EXPECT_GT(machine.volumes().Read("C:\\")->total, 0); // statvfs
    EXPECT_FALSE(machine.volumes().IsReady("D:\\"));
    EXPECT_EQ(machine.volumes().Read("D:\\").error().kind, K::DeviceNotReady);
    EXPECT_EQ(machine.files().ReadInfo("D:\\x").error().kind, K::DeviceNotReady);
    EXPECT_EQ(machine.volumes().TypeOf("\\\\server\\share\\x"), DriveType::Remote);

    // A drive whose space query fails is still listed, ready and named.
    EXPECT_TRUE(machine.volumes().IsReady("F:\\"));
    EXPECT_EQ(machine.volumes().Label("F:\\").value(), "Data");
    EXPECT_EQ(machine.volumes().Read("F:\\").error().message,
              "The request could not be performed because of an I/O device error.");
    EXPECT_TRUE(machine.volumes().IsReady("G:\\"));
    EXPECT_EQ(machine.volumes().Label("G:\\").error().kind, K::AccessDenied);
    EXPECT_EQ(machine.volumes().Read("G:\\").error().kind, K::AccessDenied);
    EXPECT_EQ(machine.volumes().Label("D:\\").error().kind, K::DeviceNotReady);
}

TEST_F(EmulatedMachineTest, RegistryLoadsFromText) {
    ASSERT_TRUE(machine
                    .LoadRegistry(R"(; uninstall entries
[HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Tool]
"DisplayName"="Tool \"Pro\""
"UninstallString"=expand:"%ProgramFiles%\\Tool\\un.exe"
"EstimatedSize"=dword:00000400
"Big"=qword:100000000
"Blob"=hex:01,ff
"Lines"=multi:"a","b"
@="default"
)")
                    .ok());
    const std::string key = "software\\microsoft\\windows\\currentversion\\uninstall\\TOOL";
    auto& reg = machine.registry();
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "displayname")->text, "Tool \"Pro\"");
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "UninstallString")->type,
              RegType::ExpandString);
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "UninstallString")->text,
              "%ProgramFiles%\\Tool\\un.exe");
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "EstimatedSize")->number, 1024u);
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "Big")->number, 0x100000000u);
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "Blob")->bytes, std::string("\x01\xff", 2));
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "Lines")->lines,
              (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(reg.ReadValue(Hive::LocalMachine, key, "")->text, "default");

    auto bad = machine.LoadRegistry("[HKLM\\X]\n\"N\"=dword:xyz\n");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().kind, K::InvalidInput);
    EXPECT_NE(bad.error().message.find("line 2"), std::string::npos);

    machine.DenyKey(Hive::LocalMachine, "SOFTWARE\\Locked");
    EXPECT_EQ(reg.SubKeys(Hive::LocalMachine, "SOFTWARE\\Locked\\Below").error().kind,
              K::AccessDenied);
}

// Every call that opens a key is refused at and below a denied key and finds
// nothing where a name on the way is missing, as Windows answers.
TEST_F(EmulatedMachineTest, RegistryCallsAreRefusedAtADeniedKeyAndMissOnAMissingOne) {
    ASSERT_TRUE(machine
                    .LoadRegistry("[HKCU\\Software\\Open\\Inner]\n\"N\"=\"v\"\n"
                                  "[HKCU\\Software\\Locked\\Below]\n\"N\"=\"v\"\n")
                    .ok());
    machine.DenyKey(Hive::CurrentUser, "Software\\Locked");
    auto& reg = machine.registry();
    using Call = std::function<base::ErrorKind(const std::string&)>;
    const struct {
        const char* name;
        Call call;
    } calls[] = {
        {"SubKeys",
         [&](const std::string& key) { return reg.SubKeys(Hive::CurrentUser, key).error().kind; }},
        {"ReadValue",
         [&](const std::string& key) {
             return reg.ReadValue(Hive::CurrentUser, key, "N").error().kind;
         }},
        {"WriteValue",
         [&](const std::string& key) {
             return reg.WriteValue(Hive::CurrentUser, key, "N", RegValue{}).error().kind;
         }},
    };
    const struct {
        const char* key;
        base::ErrorKind expected;
    } keys[] = {
        {"Software\\Locked", K::AccessDenied},
        {"Software\\Locked\\Below", K::AccessDenied},
        {"software\\LOCKED\\\\Below\\", K::AccessDenied}, // any case, doubled backslashes
        {"Software\\Open\\Missing", K::NotFound},
        {"Software\\Missing\\Inner", K::NotFound},
    };
    for (const auto& c : calls) {
        for (const auto& k : keys) {
            EXPECT_EQ(c.call(k.key), k.expected) << c.name << " " << k.key;
        }
    }
    EXPECT_TRUE(reg.ReadValue(Hive::CurrentUser, "\\Software\\\\open\\Inner\\", "N").ok())
        << "empty names between backslashes are passed over";
}

TEST_F(EmulatedMachineTest, ScriptedUninstallerRemovesItsKeyBeforeItEnds) {
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App";
    ProcessScript uninstaller;
    uninstaller.exitCode = 3;
    uninstaller.runTicks = 2;
    uninstaller.onExit = [&](EmulatedMachine& m) {
        (void)m.registry().DeleteKeyTree(Hive::CurrentUser, key);
    };
    machine.AddKey(Hive::CurrentUser, key).ScriptProcess("C:\\App\\uninstall.exe", uninstaller);
    auto started =
        machine.processes().OpenWithShell({"", "C:\\App\\uninstall.exe", "/S", "", 0, true, true});
    ASSERT_TRUE(started.ok());
    ASSERT_TRUE(started.value());
    int ticks = 0;
    auto code = started.value()->Wait(100, [&] {
        ++ticks;
        return true;
    });
    EXPECT_EQ(code.value(), 3);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(machine.registry().KeyExists(Hive::CurrentUser, key));
    ASSERT_EQ(machine.ShellCalls().size(), 1u);
    EXPECT_EQ(machine.ShellCalls()[0].arguments, "/S");
    EXPECT_EQ(machine.clock().MonotonicNanos(), 200'000'000); // two ticks of 100 ms
}

TEST_F(EmulatedMachineTest, RecycleScriptsDecideTheShellsAnswer) {
    const std::string desk = "C:\\Users\\ali\\Desktop\\";
    for (const char* name : {"go.txt", "cancel.txt", "fail.txt", "big.iso", "stays.txt"}) {
        Touch(desk + name);
    }
    machine.ScriptRecycle(desk + "cancel.txt", RecycleScript::Cancelled())
        .ScriptRecycle(desk + "fail.txt",
                       RecycleScript::Failed(K::AccessDenied, "Access is denied."))
        .ScriptRecycle(desk + "big.iso", RecycleScript::DeletedForGood())
        .ScriptRecycle(desk + "stays.txt", RecycleScript::LeftInPlace());
    auto& bin = machine.recycleBin();
    EXPECT_TRUE(bin.Recycle(desk + "go.txt", 7).ok());
    EXPECT_TRUE(fs::exists(temp.path() / "bin/go.txt"));
    auto cancelled = bin.Recycle(desk + "cancel.txt", 7);
    EXPECT_EQ(cancelled.error().kind, K::Cancelled);
    EXPECT_EQ(cancelled.error().message, "The operation was canceled by the user.");
    EXPECT_EQ(bin.Recycle(desk + "fail.txt", 7).error().kind, K::AccessDenied);
    EXPECT_TRUE(bin.Recycle(desk + "big.iso", 7).ok());
    EXPECT_FALSE(fs::exists(temp.path() / "bin/big.iso"));
    EXPECT_TRUE(bin.Recycle(desk + "stays.txt", 7).ok());
    for (const char* still : {"cancel.txt", "fail.txt", "stays.txt"}) {
        EXPECT_TRUE(machine.files().Exists(desk + still)) << still;
    }
    EXPECT_FALSE(machine.files().Exists(desk + "big.iso"));
    EXPECT_EQ(machine.RecycledPaths().size(), 5u);
    EXPECT_EQ(machine.RecycleCalls()[0].owner, 7u);
}

TEST_F(EmulatedMachineTest, ClockAndWebFollowTheScript) {
    machine.SetUtcNow(base::FileTimeFromParts({2024, 3, 5, 23, 30, 0, 0})).SetUtcOffsetMinutes(120);
    EXPECT_EQ(machine.clock().NowLocal(), (base::DateTimeParts{2024, 3, 6, 1, 30, 0, 0}));
    machine.ScriptHttp("https://h/v.txt", {200, "23.1"});
    auto got = machine.http().Get({"https://h/v.txt", "VexoTolvik/23"});
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(got->body, "23.1");
    EXPECT_FALSE(machine.http().Get({"https://other/", "VexoTolvik/23"}).ok());
    EXPECT_EQ(machine.HttpRequests().at(0).userAgent, "VexoTolvik/23");
}

} // namespace
} // namespace vexo::platform::emulated
