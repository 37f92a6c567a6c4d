// The inventory over the emulated machine's registry.

#include "platform/emulated/emulated_machine.h"
#include "programs/app_inventory.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vexo::programs {
namespace {

using platform::Hive;
using platform::RegType;
using platform::RegValue;

constexpr const char* kMachine64 = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kMachine32 =
    "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kUser = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class Inventories : public ::testing::Test {
protected:
    Inventory Run() {
        return AppInventory(machine.registry(), UserCultureOrder(machine.environment()));
    }

    void Load(const std::string& text) { ASSERT_TRUE(machine.LoadRegistry(text).ok()) << text; }

    std::vector<std::string> Names(const Inventory& inventory) {
        std::vector<std::string> names;
        for (const AppEntry& e : inventory.entries) {
            names.push_back(e.Name);
        }
        return names;
    }

    platform::emulated::EmulatedMachine machine;
};

TEST_F(Inventories, ReadsEveryFieldOfAnEntry) {
    Load(R"([HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Notes]
"DisplayName"="Notes"
"Publisher"="Quill Ltd"
"EstimatedSize"=dword:00000600
"UninstallString"=expand:"  \"%ProgramFiles%\\Notes\\unins000.exe\" /SILENT "
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bare]
"DisplayName"="Bare"
)");
    Inventory inventory = Run();
    ASSERT_EQ(inventory.entries.size(), 2u);
    EXPECT_TRUE(inventory.errors.empty());
    const AppEntry& bare = inventory.entries[0];
    EXPECT_EQ(bare.Name, "Bare");
    EXPECT_EQ(bare.Publisher, "");
    EXPECT_FALSE(bare.MB.has_value());
    EXPECT_EQ(bare.Command, "") << "no UninstallString: an empty command, still listed";
    EXPECT_EQ(bare.Key,
              "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bare");
    const AppEntry& notes = inventory.entries[1];
    EXPECT_EQ(notes.Publisher, "Quill Ltd");
    EXPECT_EQ(notes.MB, 1.5);
    EXPECT_EQ(notes.Command, "  \"%ProgramFiles%\\Notes\\unins000.exe\" /SILENT ")
        << "the command as stored: not trimmed, not expanded";
    EXPECT_FALSE(notes.Protected);
    EXPECT_EQ(notes.Key,
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Notes");
}

TEST_F(Inventories, LeavesOutComponentsUpdatesAndNamelessEntries) {
    Load(R"([HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kept]
"DisplayName"="Kept"
"SystemComponent"=dword:00000000
"ParentKeyName"=""
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Component]
"DisplayName"="Component"
"SystemComponent"=dword:00000001
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ComponentText]
"DisplayName"="Component as text"
"SystemComponent"="1"
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ComponentQword]
"DisplayName"="Component as qword"
"SystemComponent"=qword:1
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KB123]
"DisplayName"="Update for Kept"
"ParentKeyName"="Kept"
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Empty]
"DisplayName"=""
"UninstallString"="C:\\x.exe"
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nameless]
"UninstallString"="C:\\x.exe"
[HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Two]
"DisplayName"="Two is not one"
"SystemComponent"=dword:00000002
)");
    Inventory inventory = Run();
    EXPECT_EQ(Names(inventory), (std::vector<std::string>{"Kept", "Two is not one"}));
    EXPECT_TRUE(inventory.errors.empty());
}

TEST_F(Inventories, AnEstimatedSizeThatIsNoNumberCostsOnlyItsEntry) {
    struct SizeCase {
        const char* what;
        RegValue value;
    };
    RegValue bytes;
    bytes.type = RegType::Binary;
    bytes.bytes = std::string("\x00\x06", 2);
    RegValue lines;
    lines.type = RegType::MultiString;
    lines.lines = {"1536"};
    const SizeCase cases[] = {
        {"text", RegValue::Sz("about 2 GB")}, {"text that reads as infinity", RegValue::Sz("inf")},
        {"hex text", RegValue::Sz("0x600")},  {"raw bytes", bytes},
        {"a list of strings", lines},
    };
    for (const auto& c : cases) {
        platform::emulated::EmulatedMachine fresh;
        const std::string bad = std::string(kMachine64) + "\\Bad";
        fresh.SetValue(Hive::LocalMachine, bad, "DisplayName", RegValue::Sz("Bad"));
        fresh.SetValue(Hive::LocalMachine, bad, "EstimatedSize", c.value);
        fresh.SetValue(Hive::LocalMachine, std::string(kMachine64) + "\\Good", "DisplayName",
                       RegValue::Sz("Good"));
        Inventory inventory = AppInventory(fresh.registry(), UserCultureOrder(fresh.environment()));
        ASSERT_EQ(inventory.entries.size(), 1u) << c.what;
        EXPECT_EQ(inventory.entries[0].Name, "Good") << c.what;
        ASSERT_EQ(inventory.errors.size(), 1u) << c.what;
        EXPECT_NE(inventory.errors[0].find("Bad"), std::string::npos) << inventory.errors[0];
        EXPECT_NE(inventory.errors[0].find("EstimatedSize"), std::string::npos)
            << inventory.errors[0];
    }
}

TEST_F(Inventories, EstimatedSizeBecomesMegabytesToOneDecimalHalvesToEven) {
    struct MbCase {
        RegValue size;
        std::optional<double> mb;
    };
    RegValue big;
    big.type = RegType::Qword;
    big.number = 10ull * 1024 * 1024;
    const MbCase cases[] = {
        {RegValue::Dword(1536), 1.5},
        {RegValue::Dword(51), 0.0},
        {RegValue::Dword(52), 0.1},
        {RegValue::Dword(256), 0.2}, // 0.25: the even tenth is below
        {RegValue::Dword(768), 0.8}, // 0.75: the even tenth is above
        {RegValue::Dword(1280), 1.2},
        {RegValue::Dword(0), std::nullopt},
        {RegValue::Dword(0xFFFFFFFF), 4194304.0},
        {big, 10240.0},
        {RegValue::Sz("1536"), 1.5},
        {RegValue::Sz(" 2048 "), 2.0},
        {RegValue::ExpandSz("512.5"), 0.5},
        {RegValue::Sz("0"), std::nullopt},
        {RegValue::Sz(""), std::nullopt},
    };
    for (const auto& c : cases) {
        machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\App", "DisplayName",
                         RegValue::Sz("App"));
        machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\App", "EstimatedSize", c.size);
        Inventory inventory = Run();
        ASSERT_EQ(inventory.entries.size(), 1u) << c.size.text << c.size.number;
        EXPECT_EQ(inventory.entries[0].MB, c.mb) << c.size.text << c.size.number;
    }
}

TEST_F(Inventories, SortsByNameThenKeyUserFirstThenSixtyFourBit) {
    for (const char* path : {kMachine32, kMachine64}) {
        machine.SetValue(Hive::LocalMachine, std::string(path) + "\\Tool", "DisplayName",
                         RegValue::Sz("Tool"));
    }
    machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\Tool", "DisplayName",
                     RegValue::Sz("TOOL"));
    machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\Atlas", "DisplayName",
                     RegValue::Sz("atlas"));
    machine.SetValue(Hive::LocalMachine, std::string(kMachine64) + "\\Zed", "DisplayName",
                     RegValue::Sz("Zed"));
    Inventory inventory = Run();
    std::vector<std::string> keys;
    for (const AppEntry& e : inventory.entries) {
        keys.push_back(e.Key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "HKEY_CURRENT_USER\\" + std::string(kUser) + "\\Atlas",
                        "HKEY_CURRENT_USER\\" + std::string(kUser) + "\\Tool",
                        "HKEY_LOCAL_MACHINE\\" + std::string(kMachine64) + "\\Tool",
                        "HKEY_LOCAL_MACHINE\\" + std::string(kMachine32) + "\\Tool",
                        "HKEY_LOCAL_MACHINE\\" + std::string(kMachine64) + "\\Zed",
                    }));
}

TEST_F(Inventories, MissingAndClosedLocationsAndEntriesGiveNothingAndNoError) {
    machine.SetValue(Hive::LocalMachine, std::string(kMachine64) + "\\Open", "DisplayName",
                     RegValue::Sz("Open"));
    machine.SetValue(Hive::LocalMachine, std::string(kMachine64) + "\\Closed", "DisplayName",
                     RegValue::Sz("Closed"));
    machine.DenyKey(Hive::LocalMachine, std::string(kMachine64) + "\\Closed");
    machine.SetValue(Hive::LocalMachine, std::string(kMachine32) + "\\Hidden", "DisplayName",
                     RegValue::Sz("Hidden"));
    machine.DenyKey(Hive::LocalMachine, kMachine32);
    Inventory inventory = Run(); // and nothing at all under HKCU
    EXPECT_EQ(Names(inventory), std::vector<std::string>{"Open"});
    EXPECT_TRUE(inventory.errors.empty());
}

TEST_F(Inventories, TakesNamesAsTheyAreAndOtherValuesAsText) {
    const std::string controls = std::string("A\x01\tB\r\nC\x7F", 8);
    const std::string longName(10'000, 'n');
    machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\Ctl", "DisplayName",
                     RegValue::Sz(controls));
    machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\Long", "DisplayName",
                     RegValue::Sz(longName));
    machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\Long", "Publisher",
                     RegValue::Dword(7));
    RegValue lines;
    lines.type = RegType::MultiString;
    lines.lines = {"C:\\u.exe", "/S"};
    machine.SetValue(Hive::CurrentUser, std::string(kUser) + "\\Long", "UninstallString", lines);
    Inventory inventory = Run();
    ASSERT_EQ(inventory.entries.size(), 2u);
    EXPECT_EQ(inventory.entries[0].Name, controls);
    EXPECT_EQ(inventory.entries[1].Name, longName);
    EXPECT_EQ(inventory.entries[1].Publisher, "7");
    EXPECT_EQ(inventory.entries[1].Command, "C:\\u.exe /S");
}

TEST_F(Inventories, ListsTwoThousandEntriesInOrder) {
    for (int i = 0; i < 2000; ++i) {
        const std::string number = std::to_string(10000 + i);
        const char* path = i % 2 == 0 ? kMachine64 : kMachine32;
        machine.SetValue(Hive::LocalMachine, std::string(path) + "\\{" + number + "}",
                         "DisplayName", RegValue::Sz("Program " + number));
        machine.SetValue(Hive::LocalMachine, std::string(path) + "\\{" + number + "}",
                         "EstimatedSize", RegValue::Dword(static_cast<std::uint32_t>(i * 1024)));
    }
    Inventory inventory = Run();
    ASSERT_EQ(inventory.entries.size(), 2000u);
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(inventory.entries[i].Name, "Program " + std::to_string(10000 + i));
        EXPECT_EQ(inventory.entries[i].MB, i == 0 ? std::nullopt : std::optional<double>(i));
    }
}

} // namespace
} // namespace vexo::programs
