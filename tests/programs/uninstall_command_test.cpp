// Which uninstall commands are started, and as what.

#include "platform/emulated/emulated_machine.h"
#include "programs/uninstall_command.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vexo::programs {
namespace {

struct SplitCase {
    std::string command;
    std::optional<SplitCommand> split;
};

TEST(UninstallCommandSplit, QuotedAndUnquotedFormsAndWhatFitsNeither) {
    const SplitCase cases[] = {
        {R"("C:\Program Files\Notes\unins000.exe" /SILENT)",
         SplitCommand{R"(C:\Program Files\Notes\unins000.exe)", "/SILENT"}},
        {R"(  "C:\a b\U.EXE"/S  )", SplitCommand{R"(C:\a b\U.EXE)", "/S"}},
        {R"("C:\a\u.exe")", SplitCommand{R"(C:\a\u.exe)", ""}},
        {R"("C:\a\u.exe" "quoted arg" /x)", SplitCommand{R"(C:\a\u.exe)", R"("quoted arg" /x)"}},
        {R"(C:\Program Files\Notes\unins000.exe /SILENT)",
         SplitCommand{R"(C:\Program Files\Notes\unins000.exe)", "/SILENT"}},
        {R"(C:\a\u.exe)", SplitCommand{R"(C:\a\u.exe)", ""}},
        {"C:\\a\\u.exe\t \t/S /Q", SplitCommand{R"(C:\a\u.exe)", "/S /Q"}},
        // The first ".exe" followed by whitespace ends the program.
        {R"(C:\my.exe dir\u.exe /S)", SplitCommand{R"(C:\my.exe)", R"(dir\u.exe /S)"}},
        {R"(C:\tools.exe.d\u.exe /S)", SplitCommand{R"(C:\tools.exe.d\u.exe)", "/S"}},
        {R"(MsiExec.exe /I{11111111-2222-3333-4444-555555555555})",
         SplitCommand{"MsiExec.exe", "/I{11111111-2222-3333-4444-555555555555}"}},
        // A carriage return before the arguments is whitespace; in them it stays.
        {"C:\\u.exe\r/S", SplitCommand{R"(C:\u.exe)", "/S"}},
        {"\"C:\\u.exe\" /S\r/Q", SplitCommand{R"(C:\u.exe)", "/S\r/Q"}},
        // Fits neither form.
        {"", std::nullopt},
        {" \t\r\n ", std::nullopt},
        {"\xE2\x80\x83\xC2\xA0", std::nullopt}, // an em space and a no-break space
        {R"("C:\Program Files\Notes\unins000.exe /SILENT)", std::nullopt}, // no closing quote
        {R"("C:\a\uninstall.bat" /S)", std::nullopt},
        {R"(C:\a\uninstall.bat)", std::nullopt},
        {R"(C:\a\setup.msi)", std::nullopt},
        {R"("C:\a\Uninstall.lnk")", std::nullopt},
        {R"(C:\a\u.exe.lnk)", std::nullopt},
        {R"(C:\a\u.exe.)", std::nullopt},
        {R"(C:\a"b\u.exe)", std::nullopt},
        {R"(".exe" /S)", std::nullopt},
        {R"("" C:\u.exe)", std::nullopt},
        {"%ComSpec% /c del C:\\x", std::nullopt},
        {"C:\\u.exe /S\nC:\\Windows\\System32\\cmd.exe", std::nullopt},
        {"\"C:\\u.exe\" /S\n/Q", std::nullopt},
        {"\"C:\\a\nb\\u.exe\" /S", std::nullopt},
        {"C:\\a\nb\\u.exe /S", std::nullopt},
        {"C:\\a\rb\\u.exe /S", std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<SplitCommand> split = SplitUninstallCommand(c.command);
        ASSERT_EQ(split.has_value(), c.split.has_value()) << c.command;
        if (split) {
            EXPECT_EQ(split->program, c.split->program) << c.command;
            EXPECT_EQ(split->arguments, c.split->arguments) << c.command;
        }
    }
}

TEST(UninstallCommandSplit, ALongCommandWithoutAnExecutableFitsNeitherForm) {
    EXPECT_FALSE(SplitUninstallCommand(std::string(100'000, 'a')).has_value());
    EXPECT_EQ(SplitUninstallCommand(std::string(100'000, 'a') + ".exe")->program.size(), 100'004u);
}

struct PrepareCase {
    std::string command;
    std::optional<UninstallLaunch> launch;
    CommandRefusal refusal = CommandRefusal::UnsupportedForm;
};

class Prepare : public ::testing::Test {
protected:
    Prepare() {
        machine.SetEnv("SystemRoot", "C:\\Windows")
            .SetEnv("WINDIR", "C:\\Windows")
            .SetEnv("ComSpec", "C:\\Windows\\system32\\cmd.exe")
            .SetEnv("ProgramFiles", "C:\\Program Files")
            .SetEnv("Shell", "C:\\Windows\\System32\\cmd")
            .SetEnv("Wrapped", "C:\\Windows\\System32\\cmd.exe /c C:\\x")
            .SetEnv("Quote", "C:\\a\" /S \"C:\\b")
            .SetEnv("Relative", "tools");
    }

    void Check(const PrepareCase& c) {
        PreparedUninstall prepared =
            PrepareUninstall(c.command, machine.environment(), machine.files());
        ASSERT_EQ(prepared.launch.has_value(), c.launch.has_value()) << c.command;
        if (prepared.launch) {
            EXPECT_EQ(prepared.launch->program, c.launch->program) << c.command;
            EXPECT_EQ(prepared.launch->arguments, c.launch->arguments) << c.command;
        } else {
            EXPECT_EQ(prepared.refusal, c.refusal) << c.command;
        }
    }

    platform::emulated::EmulatedMachine machine;
};

TEST_F(Prepare, StartsPlainExecutablesByTheirFullPath) {
    const PrepareCase cases[] = {
        {R"("%ProgramFiles%\Notes\unins000.exe" /SILENT %TEMP%)",
         UninstallLaunch{R"(C:\Program Files\Notes\unins000.exe)", "/SILENT %TEMP%"}},
        {R"(C:\a\u.exe)", UninstallLaunch{R"(C:\a\u.exe)", ""}},
        {R"(\\server\share\u.exe /S)", UninstallLaunch{R"(\\server\share\u.exe)", "/S"}},
        {R"(/a/u.exe)", UninstallLaunch{R"(/a/u.exe)", ""}},
        {R"(D:u.exe)", UninstallLaunch{R"(D:u.exe)", ""}},
        {R"(%NotSet%\u.exe)", {}, CommandRefusal::NotRooted},
        {R"(u.exe /S)", {}, CommandRefusal::NotRooted},
        {R"(tools\u.exe)", {}, CommandRefusal::NotRooted},
        {R"(%Relative%\u.exe)", {}, CommandRefusal::NotRooted},
        {R"(.\u.exe)", {}, CommandRefusal::NotRooted},
        {R"( "  C:\u.exe")", {}, CommandRefusal::NotRooted},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

TEST_F(Prepare, RefusesInterpretersScriptHostsAndRundllHoweverSpelt) {
    const PrepareCase cases[] = {
        {R"(%SystemRoot%\System32\cmd.exe /c C:\x\uninstall.bat)", {}, CommandRefusal::Interpreter},
        {R"(%ComSpec% /c C:\x\uninstall.bat)", {}, CommandRefusal::UnsupportedForm},
        {R"(%ComSpec%)", {}, CommandRefusal::UnsupportedForm},
        {R"(%Shell%.exe /c x)", {}, CommandRefusal::Interpreter},
        {R"("%Wrapped%.exe")", {}, CommandRefusal::Interpreter},
        {R"(%Quote%\u.exe)", {}, CommandRefusal::UnsupportedForm},
        {R"(powershell.exe -ExecutionPolicy Bypass -File "C:\x\Uninstall.ps1")",
         {},
         CommandRefusal::Interpreter},
        {R"("C:\Windows\System32\WindowsPowerShell\v1.0\POWERSHELL.EXE" -File u.ps1)",
         {},
         CommandRefusal::Interpreter},
        {R"(C:\Program Files\PowerShell\7\pwsh.exe -c x)", {}, CommandRefusal::Interpreter},
        {R"(C:\Windows\System32\wscript.exe u.vbs)", {}, CommandRefusal::Interpreter},
        {R"(C:/Windows/System32/CScript.exe u.js)", {}, CommandRefusal::Interpreter},
        {R"(RunDll32.exe shell32.dll,Control_RunDLL)", {}, CommandRefusal::Interpreter},
        {R"(C:cmd.exe /c x)", {}, CommandRefusal::Interpreter},
        {R"(\\?\C:\Windows\System32\cmd.exe /c x)", {}, CommandRefusal::Interpreter},
        // Names the file system takes for the same file: dotless i upper-cases to I,
        // the long s to S.
        {"C:\\Windows\\System32\\cscr\xC4\xB1pt.exe u.js", {}, CommandRefusal::Interpreter},
        {"C:\\Windows\\System32\\power\xC5\xBFhell.exe", {}, CommandRefusal::Interpreter},
        // A quoted program that reads as an interpreter with arguments.
        {R"("C:\Windows\System32\cmd.exe /c C:\x.exe")", {}, CommandRefusal::Interpreter},
        // A stream of an interpreter is no program of its own.
        {R"(C:\Windows\System32\cmd.exe:x.exe /c y)", {}, CommandRefusal::UnsupportedForm},
        {R"(\\?\C:\Windows\System32\cmd.exe:x.exe)", {}, CommandRefusal::UnsupportedForm},
        {R"(::\App\u.exe)", {}, CommandRefusal::UnsupportedForm},
        {R"(\\?\C:\App\u.exe /S)", UninstallLaunch{R"(\\?\C:\App\u.exe)", "/S"}},
        // Another program whose name only ends like one is started.
        {R"(C:\x\mycmd.exe /S)", UninstallLaunch{R"(C:\x\mycmd.exe)", "/S"}},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

TEST_F(Prepare, AnInterpreterIsRefusedUnderItsShortNameToo) {
    vexo::testing::TempFolder drive;
    const std::string folder = "C:\\Windows\\System32\\WindowsPowerShell\\v1.0";
    machine.MapDrive('C', drive.path());
    ASSERT_TRUE(machine.files().CreateFolderTree(folder).ok());
    ASSERT_TRUE(machine.files().CreateFolderTree("C:\\Program Files\\App").ok());
    ASSERT_TRUE(machine.files().WriteAllBytes(folder + "\\powershell.exe", "MZ").ok());
    ASSERT_TRUE(machine.files().WriteAllBytes("C:\\Program Files\\App\\unins000.exe", "MZ").ok());
    machine.AddShortName(folder + "\\powershell.exe", "POWERS~1.EXE")
        .AddShortName("C:\\Program Files", "PROGRA~1");
    const PrepareCase cases[] = {
        {folder + "\\POWERS~1.EXE -File u.ps1", {}, CommandRefusal::Interpreter},
        {"C:\\PROGRA~1\\App\\unins000.exe /S",
         UninstallLaunch{"C:\\PROGRA~1\\App\\unins000.exe", "/S"}},
        {"C:\\Missing\\u.exe /S", UninstallLaunch{"C:\\Missing\\u.exe", "/S"}},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

TEST_F(Prepare, RewritesWindowsInstallerCommandsToRemoveByProductCode) {
    const std::string msiexec = R"(C:\Windows\System32\msiexec.exe)";
    const PrepareCase cases[] = {
        {"MsiExec.exe /I{AbCdEf01-2345-6789-ABCD-ef0123456789}",
         UninstallLaunch{msiexec, "/x {AbCdEf01-2345-6789-ABCD-ef0123456789}"}},
        {"msiexec.exe /qb /X {11111111-2222-3333-4444-555555555555} REBOOT=R",
         UninstallLaunch{msiexec, "/x {11111111-2222-3333-4444-555555555555}"}},
        {"\"C:\\Other\\MSIEXEC.EXE\" /i\t{11111111-2222-3333-4444-555555555555}",
         UninstallLaunch{msiexec, "/x {11111111-2222-3333-4444-555555555555}"}},
        {"MsiExec.exe /p {11111111-2222-3333-4444-555555555555} /x{22222222-2222-3333-4444-"
         "555555555555}",
         UninstallLaunch{msiexec, "/x {22222222-2222-3333-4444-555555555555}"}},
        {"MsiExec.exe /I{1111111-2222-3333-4444-555555555555}", {}, CommandRefusal::UnsupportedMsi},
        {"MsiExec.exe /I{11111111-2222-3333-4444-5555555555555}",
         {},
         CommandRefusal::UnsupportedMsi},
        {"MsiExec.exe /I{G1111111-2222-3333-4444-555555555555}",
         {},
         CommandRefusal::UnsupportedMsi},
        {"MsiExec.exe /I 11111111-2222-3333-4444-555555555555", {}, CommandRefusal::UnsupportedMsi},
        {"MsiExec.exe /package C:\\x.msi", {}, CommandRefusal::UnsupportedMsi},
        {"MsiExec.exe", {}, CommandRefusal::UnsupportedMsi},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

TEST_F(Prepare, WithoutAWindowsFolderMsiexecIsNotLookedForElsewhere) {
    machine.SetEnv("WINDIR", std::nullopt);
    Check({"MsiExec.exe /X{11111111-2222-3333-4444-555555555555}", {}, CommandRefusal::NotRooted});
    machine.SetEnv("WINDIR", "C:\\Windows\\");
    Check({"MsiExec.exe /X{11111111-2222-3333-4444-555555555555}",
           UninstallLaunch{R"(C:\Windows\System32\msiexec.exe)",
                           "/x {11111111-2222-3333-4444-555555555555}"}});
}

TEST(UninstallCommandTexts, EachRefusalHasItsOwnText) {
    EXPECT_STREQ(RefusalText(CommandRefusal::UnsupportedForm),
                 "صيغة الإزالة غير مدعومة؛ استخدم قائمة ويندوز لهذا البرنامج");
    EXPECT_STREQ(RefusalText(CommandRefusal::Interpreter), "يتطلب الإزالة من قائمة ويندوز");
    EXPECT_STREQ(RefusalText(CommandRefusal::UnsupportedMsi), "أمر MSI غير مدعوم");
    EXPECT_STREQ(RefusalText(CommandRefusal::NotRooted),
                 "مسار إزالة غير كامل؛ استخدم قائمة ويندوز");
}

} // namespace
} // namespace vexo::programs
