// The More menu's launchers: each starts its Windows tool through the shell,
// each is refused while work runs, and a tool the shell cannot start is told.

#include "tools/tools_fixture.h"

namespace vexo::tools {
namespace {

using toolkit::DialogResult;

class LaunchersTest : public testing::ToolsFixture {
protected:
    void Log() { Write(std::string(kDataFolder) + "\\Diagnostics.txt", "entry\r\n"); }
};

TEST_F(LaunchersTest, EachEntryStartsItsToolAndLeavesTheSectionAsItIs) {
    machine.ScriptProcess("C:\\Windows\\System32\\cleanmgr.exe", {});
    Log();
    Start();
    struct Case {
        const char* entry;
        const char* file;
        const char* arguments;
    } cases[] = {
        {"سلة المحذوفات", "explorer.exe", "shell:RecycleBinFolder"},
        {"تنظيف ويندوز", "C:\\Windows\\System32\\cleanmgr.exe", "/d C"},
        {"سجل التشخيص", "notepad.exe",
         "\"C:\\Users\\ali\\AppData\\Local\\VexoTolvik\\Diagnostics.txt\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        const std::size_t before = machine.ShellCalls().size();
        ChooseMore(c.entry);
        const auto calls = machine.ShellCalls();
        ASSERT_EQ(calls.size(), before + 1);
        EXPECT_EQ(calls.back().file, c.file);
        EXPECT_EQ(calls.back().arguments, c.arguments);
        EXPECT_EQ(calls.back().verb, "open");
        EXPECT_EQ(Heading(), "تحكّم أذكى. مساحة أوسع.");
        EXPECT_EQ(OnStage(), "home");
    }
}

// Disk Clean-up asks for drive C: even when Windows lives on another drive;
// only the program is taken from the Windows folder.
TEST_F(LaunchersTest, CleanUpAsksForDriveCWhereverWindowsIs) {
    Drive('D', "System", 200, 50, 50);
    machine.SetEnv("WINDIR", "D:\\Windows");
    machine.ScriptProcess("D:\\Windows\\System32\\cleanmgr.exe", {});
    Start();
    ChooseMore("تنظيف ويندوز");
    ASSERT_EQ(machine.ShellCalls().size(), 1u);
    EXPECT_EQ(machine.ShellCalls()[0].file, "D:\\Windows\\System32\\cleanmgr.exe");
    EXPECT_EQ(machine.ShellCalls()[0].arguments, "/d C");
}

TEST_F(LaunchersTest, AToolTheShellCannotStartIsTold) {
    Start(); // no cleanmgr.exe in the Windows folder
    ui.expectMessageBox(DialogResult::Ok);
    ChooseMore("تنظيف ويندوز");
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{Told(std::string(shell::kOpenFailed) +
                                             "The system cannot find the file specified.")}));
}

// A profile folder with a space stays one argument for Notepad.
TEST_F(LaunchersTest, ADiagnosticsLogPathWithSpacesIsQuoted) {
    const std::string local = "C:\\Users\\ali hassan\\AppData\\Local";
    machine.SetEnv("LOCALAPPDATA", local);
    Write(local + "\\VexoTolvik\\Diagnostics.txt", "entry\r\n");
    Start();
    ChooseMore("سجل التشخيص");
    ASSERT_EQ(machine.ShellCalls().size(), 1u);
    EXPECT_EQ(machine.ShellCalls()[0].arguments,
              "\"C:\\Users\\ali hassan\\AppData\\Local\\VexoTolvik\\Diagnostics.txt\"");
}

TEST_F(LaunchersTest, WithoutADiagnosticsLogNothingStarts) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"no log written yet", [] {}},
        {"a folder of that name",
         [this] { Folder(std::string(kDataFolder) + "\\Diagnostics.txt"); }},
        {"no local application data", [this] { machine.SetEnv("LOCALAPPDATA", std::nullopt); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        window.reset();
        Start();
        ui.expectMessageBox(DialogResult::Ok);
        ChooseMore("سجل التشخيص");
        EXPECT_EQ(Boxes().back(), Told(kNoDiagnosticsLog));
    }
    EXPECT_TRUE(machine.ShellCalls().empty());
}

// While work runs (here the uninstall queue, which registers no stop action)
// every entry of the menu only shows the refusal.
TEST_F(LaunchersTest, EveryEntryIsRefusedWhileWorkRuns) {
    Log();
    Start();
    const std::vector<std::string> entries = {"كل ملفات الجهاز", "تحليل المجلدات", "ملفات مؤقتة",
                                              "سلة المحذوفات",   "تنظيف ويندوز",   "التحديثات",
                                              "سجل التشخيص",     "دليل الوظائف"};
    for (bool scan : {false, true}) {
        SCOPED_TRACE(scan ? "temporary files scan" : "uninstall queue");
        base::Lease work = scan ? window->HoldScan() : window->HoldEmbedded({});
        for (const std::string& entry : entries) {
            ui.expectMessageBox(DialogResult::Ok);
            ChooseMore(entry);
            EXPECT_EQ(Boxes().back(), Told(shell::kNavigateRefusal)) << entry;
        }
    }
    EXPECT_EQ(ui.shownMessageBoxes().size(), 2 * entries.size());
    EXPECT_TRUE(machine.ShellCalls().empty());
    EXPECT_TRUE(machine.ProcessStarts().empty());
    EXPECT_EQ(Heading(), "تحكّم أذكى. مساحة أوسع.");
    EXPECT_EQ(OnStage(), "home");
}

} // namespace
} // namespace vexo::tools
