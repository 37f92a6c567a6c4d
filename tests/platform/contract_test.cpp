// The platform's contract, run on both adapters: natively on the emulated
// machine over temporary host folders, and on the real adapter under Wine.

#include "base/ordinal.h"
#include "base/text_file.h"
#include "contract_world.h"
#include "platform/path_rules.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace vexo::platform::contract {
namespace {

using K = base::ErrorKind;
using paths::Join;

// Arabic letters in a name: "ملف عربي.txt".
const std::string kArabicName = "\xD9\x85\xD9\x84\xD9\x81 \xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A.txt";

class Contract : public ::testing::Test {
protected:
    Contract() : world(MakeWorld()), m(world->machine()), dir(world->Scratch()) {}

    void Write(const std::string& path, const std::string& bytes) {
        ASSERT_TRUE(m.files().WriteAllBytes(path, bytes).ok()) << path;
    }

    std::unique_ptr<World> world;
    Machine& m;
    std::string dir;
};

struct Collect final : ListingSink {
    std::map<std::string, FileInfo> entries;
    int stopAfter = -1;
    bool OnEntry(const DirEntryView& e) override {
        entries.emplace(std::string(e.name), e.info);
        return stopAfter < 0 || static_cast<int>(entries.size()) < stopAfter;
    }
};

void ExpectFailure(const base::Error& error, K kind, const std::string& what) {
    EXPECT_EQ(static_cast<int>(error.kind), static_cast<int>(kind))
        << what << ": " << error.message;
    EXPECT_FALSE(error.message.empty()) << what;
}

// ---------------------------------------------------------------------------
// Files

TEST_F(Contract, ListingGivesEveryEntryWithItsAttributesInOnePass) {
    const FileTime year2020 = base::FileTimeFromParts({2020, 1, 1, 0, 0, 0, 0});
    Write(Join(dir, "a.txt"), "12345");
    Write(Join(dir, kArabicName), "\xD9\x85");
    Write(Join(dir, "hidden.txt"), "h");
    world->MakeHidden(Join(dir, "hidden.txt"));
    ASSERT_TRUE(m.files().CreateFolderTree(Join(dir, "sub")).ok());
    ASSERT_TRUE(world->MakeFolderLink(Join(dir, "link"), Join(dir, "sub")));

    Collect all;
    ASSERT_TRUE(m.files().ListFolder(dir, all).ok());
    std::string names;
    for (const auto& entry : all.entries) {
        names += entry.first + " ";
    }
    ASSERT_EQ(all.entries.size(), 5u) << names;
    const FileInfo& a = all.entries.at("a.txt");
    EXPECT_EQ(a.length, 5);
    EXPECT_FALSE(a.IsDirectory());
    EXPECT_GT(a.lastWrite, year2020);
    EXPECT_EQ(all.entries.at(kArabicName).length, 2);
    EXPECT_TRUE(all.entries.at("hidden.txt").attributes & attr::Hidden);
    EXPECT_TRUE(all.entries.at("sub").IsDirectory());
    EXPECT_FALSE(all.entries.at("sub").IsReparsePoint());
    EXPECT_TRUE(all.entries.at("link").IsReparsePoint());

    // A single read agrees with the listing and does not follow the link.
    constexpr std::uint32_t kDecidingBits = attr::Directory | attr::ReparsePoint | attr::Hidden;
    for (const auto& [name, listed] : all.entries) {
        auto read = m.files().ReadInfo(Join(dir, name));
        ASSERT_TRUE(read.ok()) << name;
        EXPECT_EQ(read->attributes & kDecidingBits, listed.attributes & kDecidingBits) << name;
        EXPECT_EQ(read->length, listed.length) << name;
        EXPECT_EQ(read->lastWrite, listed.lastWrite) << name;
    }

    Collect first;
    first.stopAfter = 1;
    ASSERT_TRUE(m.files().ListFolder(dir, first).ok());
    EXPECT_EQ(first.entries.size(), 1u);

    // The size walk's listing: the same entries, the same kinds, the same
    // file lengths (the link is a link, not the folder it points to).
    constexpr std::uint32_t kKindBits = attr::Directory | attr::ReparsePoint;
    Collect sizes;
    ASSERT_TRUE(m.files().ListFolderSizes(dir, sizes).ok());
    ASSERT_EQ(sizes.entries.size(), all.entries.size());
    for (const auto& [name, listed] : all.entries) {
        ASSERT_EQ(sizes.entries.count(name), 1u) << name;
        const FileInfo& sized = sizes.entries.at(name);
        EXPECT_EQ(sized.attributes & kKindBits, listed.attributes & kKindBits) << name;
        EXPECT_EQ(sized.length, listed.length) << name;
    }
    Collect firstSized;
    firstSized.stopAfter = 1;
    ASSERT_TRUE(m.files().ListFolderSizes(dir, firstSized).ok());
    EXPECT_EQ(firstSized.entries.size(), 1u);
}

TEST_F(Contract, ADriveRootListsAndReads) {
    Collect root;
    ASSERT_TRUE(m.files().ListFolder("C:\\", root).ok());
    auto windows = std::find_if(root.entries.begin(), root.entries.end(), [](const auto& e) {
        return base::EqualsIgnoreCase(e.first, "Windows");
    });
    ASSERT_NE(windows, root.entries.end());
    EXPECT_TRUE(windows->second.IsDirectory());
    auto info = m.files().ReadInfo("C:\\");
    ASSERT_TRUE(info.ok()) << info.error().message;
    EXPECT_TRUE(info->IsDirectory());
}

TEST_F(Contract, NamesMatchIgnoringCase) {
    Write(Join(dir, "Mixed.TXT"), "m");
    EXPECT_TRUE(m.files().Exists(Join(dir, "mIXED.txt")));
    auto bytes = m.files().ReadAllBytes(Join(dir, "MIXED.TXT"));
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(*bytes, "m");
}

TEST_F(Contract, StagedWriteAppendsMovesOverAndRemoves) {
    const std::string staged = Join(dir, "report.json.tmp");
    const std::string target = Join(dir, "report.json");
    Write(target, "old");
    Write(staged, "one");
    ASSERT_TRUE(m.files().AppendBytes(staged, "two").ok());
    ASSERT_TRUE(m.files().AppendBytes(Join(dir, "new.log"), "line").ok()); // created when missing
    ASSERT_TRUE(m.files().MoveReplace(staged, target).ok());
    EXPECT_EQ(m.files().ReadAllBytes(target).value(), "onetwo");
    EXPECT_FALSE(m.files().Exists(staged));
    EXPECT_EQ(m.files().ReadAllBytes(Join(dir, "new.log")).value(), "line");

    ASSERT_TRUE(m.files().RemoveFile(target).ok());
    EXPECT_FALSE(m.files().Exists(target));
    EXPECT_TRUE(m.files().RemoveFile(target).ok()) << "a missing file is not an error";
    EXPECT_TRUE(m.files().RemoveFile(Join(dir, "no\\such\\file.txt")).ok());
}

TEST_F(Contract, AStagedWriteIsFlushedAndPlacedOrLeavesTheTargetAsItWas) {
    const std::string target = Join(dir, "LastCleanup.json");
    Write(target, "old");
    ASSERT_TRUE(base::WriteStaged(m.files(), target, "new", ".tmp").ok());
    EXPECT_EQ(m.files().ReadAllBytes(target).value(), "new");
    EXPECT_FALSE(m.files().Exists(target + ".tmp"));
    ExpectFailure(m.files().FlushToDisk(Join(dir, "missing.txt")).error(), K::NotFound,
                  "FlushToDisk of a missing file");
    {
        auto held = world->HoldExclusively(target);
        EXPECT_FALSE(base::WriteStaged(m.files(), target, "newer", ".tmp").ok());
        EXPECT_FALSE(m.files().AppendBytes(target, "tail").ok());
    }
    EXPECT_EQ(m.files().ReadAllBytes(target).value(), "new");
    EXPECT_FALSE(m.files().Exists(target + ".tmp"));
    ASSERT_TRUE(m.files().AppendBytes(target, "+tail").ok());
    EXPECT_EQ(m.files().ReadAllBytes(target).value(), "new+tail");
}

TEST_F(Contract, PathsOverTwoHundredSixtyCharactersWork) {
    std::string folder = dir;
    while (folder.size() < 300) {
        folder = Join(folder, "a-rather-long-folder-name");
    }
    const std::string file = Join(folder, kArabicName);
    ASSERT_TRUE(m.files().CreateFolderTree(folder).ok());
    Write(file, "deep");
    EXPECT_EQ(m.files().ReadAllBytes(file).value(), "deep");
    EXPECT_EQ(m.files().ReadInfo(file)->length, 4);
    Collect listed;
    ASSERT_TRUE(m.files().ListFolder(folder, listed).ok());
    EXPECT_EQ(listed.entries.count(kArabicName), 1u);
    ASSERT_TRUE(m.files().MoveReplace(file, Join(folder, "moved.txt")).ok());
    ASSERT_TRUE(m.files().RemoveFile(Join(folder, "moved.txt")).ok());
    EXPECT_FALSE(m.files().Exists(Join(folder, "moved.txt")));
    EXPECT_EQ(m.files().FullPath(file).value(), file);
}

TEST_F(Contract, FullPathResolvesAgainstTheCurrentDirectory) {
    const std::string cwd = m.files().CurrentDirectory();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(m.files().FullPath("x\\..\\y.txt").value(), Join(cwd, "y.txt"));
    EXPECT_EQ(m.files().FullPath(dir + "/a/./b/../c\\").value(), dir + "\\a\\c\\");
    ExpectFailure(m.files().FullPath("").error(), K::InvalidInput, "empty path");
}

TEST_F(Contract, LongPathSpellsOutTheShortNamesOfWhatExists) {
    const std::string longDir = m.files().LongPath(dir).value();
    const std::string folder = Join(longDir, "A long folder name");
    ASSERT_TRUE(m.files().CreateFolderTree(Join(folder, "inner")).ok());
    Write(Join(folder, "inner\\file.txt"), "x");
    const std::string alias = world->ShortNameOf(folder);
    if (alias.empty()) {
        GTEST_SKIP() << "this file system gives \"A long folder name\" no short name";
    }
    const std::string shortFolder = Join(longDir, alias);
    ASSERT_TRUE(m.files().Exists(Join(shortFolder, "inner\\file.txt"))) << alias;

    const struct {
        std::string given;
        std::string expected;
    } cases[] = {
        {Join(shortFolder, "inner\\file.txt"), Join(folder, "inner\\file.txt")},
        {shortFolder + "\\", folder + "\\"},
        {Join(shortFolder, "inner\\..\\inner\\.\\file.txt"), Join(folder, "inner\\file.txt")},
        // What does not exist is kept as given, after the part that does.
        {Join(shortFolder, "missing\\deeper.txt"), Join(folder, "missing\\deeper.txt")},
        {Join(longDir, "gone\\" + alias), Join(longDir, "gone\\" + alias)},
        {"C:\\", "C:\\"},
    };
    for (const auto& c : cases) {
        base::Result<std::string> expanded = m.files().LongPath(c.given);
        ASSERT_TRUE(expanded.ok()) << c.given << ": " << expanded.error().message;
        EXPECT_TRUE(base::EqualsIgnoreCase(*expanded, c.expected))
            << c.given << " -> " << *expanded;
    }
    ExpectFailure(m.files().LongPath("").error(), K::InvalidInput, "empty path");
}

TEST_F(Contract, FileFailuresCarryTheirKindAndTheSystemsText) {
    Write(Join(dir, "held.txt"), "h");
    ASSERT_TRUE(m.files().CreateFolderTree(Join(dir, "folder")).ok());
    auto held = world->HoldExclusively(Join(dir, "held.txt"));
    Collect sink;

    ExpectFailure(m.files().ReadInfo(Join(dir, "missing.txt")).error(), K::NotFound, "ReadInfo");
    ExpectFailure(m.files().ReadInfo(Join(dir, "no\\such.txt")).error(), K::NotFound,
                  "ReadInfo below a missing folder");
    ExpectFailure(m.files().ReadAllBytes(Join(dir, "missing.txt")).error(), K::NotFound,
                  "ReadAllBytes");
    ExpectFailure(m.files().ListFolder(Join(dir, "missing"), sink).error(), K::NotFound,
                  "ListFolder");
    ExpectFailure(m.files().ListFolderSizes(Join(dir, "missing"), sink).error(), K::NotFound,
                  "ListFolderSizes");
    ExpectFailure(m.files().WriteAllBytes(Join(dir, "no\\such.txt"), "x").error(), K::NotFound,
                  "WriteAllBytes below a missing folder");
    ExpectFailure(m.files().MoveReplace(Join(dir, "missing.txt"), Join(dir, "b.txt")).error(),
                  K::NotFound, "MoveReplace");
    ExpectFailure(m.files().RemoveFile(Join(dir, "folder")).error(), K::AccessDenied,
                  "RemoveFile on a folder");
    ExpectFailure(m.files().ReadAllBytes(Join(dir, "held.txt")).error(), K::SharingViolation,
                  "ReadAllBytes of a held file");
    EXPECT_FALSE(m.files().CreateFolderTree(Join(dir, "held.txt")).ok()) << "a file is in the way";
}

TEST_F(Contract, AnUnreadableFolderCannotBeListed) {
    const std::string locked = Join(dir, "locked");
    ASSERT_TRUE(m.files().CreateFolderTree(locked).ok());
    Write(Join(locked, "inside.txt"), "i");
    if (!world->MakeUnreadable(locked)) {
        GTEST_SKIP() << "only the emulated machine shows this: Wine applies no access control "
                        "lists and the tests run as root";
    }
    Collect sink;
    ExpectFailure(m.files().ListFolder(locked, sink).error(), K::AccessDenied, "ListFolder");
    ExpectFailure(m.files().ListFolderSizes(locked, sink).error(), K::AccessDenied,
                  "ListFolderSizes");
    EXPECT_TRUE(sink.entries.empty());
    EXPECT_TRUE(m.files().ReadInfo(locked).ok()) << "its own entry reads through its parent";
}

// ---------------------------------------------------------------------------
// Volumes

TEST_F(Contract, DrivesCAndZAreFixedAndReadable) {
    auto roots = m.volumes().DriveRoots();
    ASSERT_TRUE(std::is_sorted(roots.begin(), roots.end()));
    for (const char* root : {"C:\\", "Z:\\"}) {
        EXPECT_NE(std::find(roots.begin(), roots.end(), root), roots.end()) << root;
        EXPECT_EQ(m.volumes().TypeOf(root), DriveType::Fixed) << root;
        EXPECT_TRUE(m.volumes().IsReady(root)) << root;
        auto reading = m.volumes().Read(root);
        ASSERT_TRUE(reading.ok()) << root << ": " << reading.error().message;
        EXPECT_GT(reading->total, 0);
        EXPECT_LE(reading->totalFree, reading->total);
        EXPECT_LE(reading->available, reading->totalFree);
        EXPECT_GE(reading->available, 0);
        auto label = m.volumes().Label(root);
        ASSERT_TRUE(label.ok()) << root << ": " << label.error().message;
        EXPECT_EQ(*label, reading->label) << root;
    }
    EXPECT_EQ(m.volumes().TypeOf(dir), DriveType::Fixed) << "any path on the drive";

    std::string absent;
    for (char letter = 'Y'; letter > 'D' && absent.empty(); --letter) {
        std::string root = std::string(1, letter) + ":\\";
        if (std::find(roots.begin(), roots.end(), root) == roots.end()) {
            absent = root;
        }
    }
    ASSERT_FALSE(absent.empty());
    EXPECT_EQ(m.volumes().TypeOf(absent), DriveType::NoRootDir);
    EXPECT_FALSE(m.volumes().IsReady(absent));
    auto missing = m.volumes().Read(absent);
    ASSERT_FALSE(missing.ok());
    ExpectFailure(missing.error(), K::NotFound, "Read of " + absent);
    ExpectFailure(m.volumes().Label(absent).error(), K::NotFound, "Label of " + absent);
}

// ---------------------------------------------------------------------------
// Environment

TEST_F(Contract, EnvironmentReadsSetsAndExpands) {
    auto& env = m.environment();
    env.Set("VexoContractVar", std::string("v1"));
    EXPECT_EQ(env.Get("VEXOCONTRACTVAR"), "v1");
    EXPECT_EQ(env.Expand("a%VexoContractVar%b%VexoNoSuchVar%c 100%"), "av1b%VexoNoSuchVar%c 100%");
    env.Set("VexoContractVar", std::nullopt);
    EXPECT_FALSE(env.Get("VexoContractVar").has_value());

    const std::string temp = env.TempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(m.files().Exists(temp)) << temp;
    for (KnownFolder folder : {KnownFolder::LocalAppData, KnownFolder::Desktop,
                               KnownFolder::Documents, KnownFolder::Profile}) {
        auto path = env.KnownFolderPath(folder);
        ASSERT_TRUE(path.has_value()) << static_cast<int>(folder);
        EXPECT_TRUE(m.files().Exists(*path)) << *path;
    }
    EXPECT_FALSE(env.UserCulture().decimalSeparator.empty());
}

// ---------------------------------------------------------------------------
// Registry

TEST_F(Contract, RegistryKeysAndValuesOfEveryTypeRoundTrip) {
    auto& reg = m.registry();
    const std::string key = world->ScratchKey();
    ASSERT_TRUE(reg.CreateKey(Hive::CurrentUser, key + "\\Sub\\Deeper").ok());
    EXPECT_TRUE(reg.KeyExists(Hive::CurrentUser, key + "\\sub\\DEEPER"));

    RegValue qword;
    qword.type = RegType::Qword;
    qword.number = 1ull << 40;
    RegValue binary;
    binary.type = RegType::Binary;
    binary.bytes = std::string("\0\x01\xff", 3);
    RegValue multi;
    multi.type = RegType::MultiString;
    multi.lines = {"a", "\xD8\xA8"};
    const std::pair<std::string, RegValue> values[] = {
        {"Text", RegValue::Sz("\xD9\x86\xD8\xB5")},
        {"Unexpanded", RegValue::ExpandSz("%USERPROFILE%\\Downloads")},
        {"Size", RegValue::Dword(42)},
        {"Big", qword},
        {"Blob", binary},
        {"Lines", multi},
        {"", RegValue::Sz("default")},
    };
    for (const auto& [name, value] : values) {
        ASSERT_TRUE(reg.WriteValue(Hive::CurrentUser, key, name, value).ok()) << name;
        auto read = reg.ReadValue(Hive::CurrentUser, key, name);
        ASSERT_TRUE(read.ok()) << name;
        EXPECT_EQ(read->type, value.type) << name;
        EXPECT_EQ(read->text, value.text) << name;
        EXPECT_EQ(read->number, value.number) << name;
        EXPECT_EQ(read->bytes, value.bytes) << name;
        EXPECT_EQ(read->lines, value.lines) << name;
    }
    EXPECT_EQ(reg.SubKeys(Hive::CurrentUser, key).value(), std::vector<std::string>{"Sub"});

    ExpectFailure(reg.ReadValue(Hive::CurrentUser, key, "Missing").error(), K::NotFound,
                  "missing value");
    ExpectFailure(reg.ReadValue(Hive::CurrentUser, key + "\\Missing", "x").error(), K::NotFound,
                  "missing key");
    ExpectFailure(reg.SubKeys(Hive::CurrentUser, key + "\\Missing").error(), K::NotFound,
                  "SubKeys of a missing key");

    ASSERT_TRUE(reg.DeleteKeyTree(Hive::CurrentUser, key).ok());
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, key));
    EXPECT_TRUE(reg.DeleteKeyTree(Hive::CurrentUser, key).ok()) << "a missing key is not an error";
    EXPECT_TRUE(reg.KeyExists(Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"));
}

TEST_F(Contract, RegistryListsEverySubkeyAndReadsEachOnesValues) {
    auto& reg = m.registry();
    const std::string key = world->ScratchKey() + "\\Uninstall";
    const std::vector<std::string> names = {
        "{0A1B2C3D-1111-2222-3333-444455556666}", "Notes_is1", "Z last",
        "\xD8\xA8\xD8\xB1\xD9\x86\xD8\xA7\xD9\x85\xD8\xAC", // an Arabic name
        "a.b c"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string path = key + "\\" + names[i];
        ASSERT_TRUE(reg.CreateKey(Hive::CurrentUser, path).ok()) << names[i];
        ASSERT_TRUE(
            reg.WriteValue(Hive::CurrentUser, path, "DisplayName", RegValue::Sz(names[i])).ok());
        ASSERT_TRUE(reg.WriteValue(Hive::CurrentUser, path, "EstimatedSize",
                                   RegValue::Dword(static_cast<std::uint32_t>(i)))
                        .ok());
    }
    auto listed = reg.SubKeys(Hive::CurrentUser, key);
    ASSERT_TRUE(listed.ok());
    std::vector<std::string> sorted = listed.value();
    std::vector<std::string> expected = names;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string path = key + "\\" + names[i];
        EXPECT_TRUE(reg.KeyExists(Hive::CurrentUser, path)) << names[i];
        auto name = reg.ReadValue(Hive::CurrentUser, path, "displayname");
        ASSERT_TRUE(name.ok()) << names[i] << ": value names ignore case";
        EXPECT_EQ(name->text, names[i]);
        EXPECT_EQ(reg.ReadValue(Hive::CurrentUser, path, "EstimatedSize")->number, i);
    }
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, key + "\\Gone"));
    // The machine's 32-bit programs are reached under their own name.
    EXPECT_TRUE(reg.KeyExists(Hive::LocalMachine,
                              "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion"));
}

TEST_F(Contract, CultureComparisonIgnoresCaseAndOrdersLetters) {
    auto& env = m.environment();
    EXPECT_EQ(env.CompareInUserCulture("Notepad", "NOTEPAD"), 0);
    EXPECT_LT(env.CompareInUserCulture("apple", "Banana"), 0);
    EXPECT_GT(env.CompareInUserCulture("Cherry", "banana"), 0);
    EXPECT_LT(env.CompareInUserCulture("Note", "Notepad"), 0);
    EXPECT_LT(env.CompareInUserCulture("HKEY_CURRENT_USER\\S", "HKEY_LOCAL_MACHINE\\S"), 0);
    EXPECT_LT(env.CompareInUserCulture("HKEY_LOCAL_MACHINE\\Software\\Microsoft",
                                       "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node"),
              0);
}

// ---------------------------------------------------------------------------
// Processes and the shell

// Ends a wait that would otherwise never end, so a broken adapter fails
// instead of hanging the suite.
std::function<bool()> Bounded(int& ticks) {
    return [&ticks] { return ++ticks < 100'000; };
}

TEST_F(Contract, ProcessesReportTheirExitCodes) {
    int ticks = 0;
    auto started = m.processes().Start(world->ExitsWith(7));
    ASSERT_TRUE(started.ok()) << started.error().message;
    EXPECT_EQ(started.value()->Wait(5, Bounded(ticks)).value(), 7);
    EXPECT_TRUE(started.value()->HasExited());

    auto shell = m.processes().OpenWithShell(world->ShellExitsWith(3));
    ASSERT_TRUE(shell.ok()) << shell.error().message;
    ASSERT_TRUE(shell.value());
    EXPECT_EQ(shell.value()->Wait(5, Bounded(ticks)).value(), 3);

    ProcessLaunch missing;
    missing.application = Join(dir, "missing.exe");
    missing.commandLine = "missing.exe";
    missing.noWindow = true;
    ExpectFailure(m.processes().Start(missing).error(), K::NotFound, "Start of a missing program");
    ShellLaunch missingShell{"open", Join(dir, "missing.exe"), "", "", 0, true, true};
    ExpectFailure(m.processes().OpenWithShell(missingShell).error(), K::NotFound,
                  "opening a missing program through the shell");
}

TEST_F(Contract, AWaitEndedByItsCallerLeavesTheProcessRunning) {
    const std::string flag = Join(dir, "flag.txt");
    auto started = m.processes().Start(world->RunsUntilFileExists(flag));
    ASSERT_TRUE(started.ok()) << started.error().message;
    Process& process = *started.value();

    int ticks = 0;
    auto stopped = process.Wait(1, [&] {
        ++ticks;
        return false;
    });
    ASSERT_FALSE(stopped.ok());
    ExpectFailure(stopped.error(), K::Cancelled, "Wait");
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(process.HasExited());

    Write(flag, "go");
    EXPECT_EQ(process.Wait(5, Bounded(ticks)).value(), 0);
    EXPECT_TRUE(process.HasExited());
}

// ---------------------------------------------------------------------------
// Recycle Bin

TEST_F(Contract, RecycleMovesTheFileOrReportsTheCancel) {
    const std::string gone = Join(dir, "recycle-" + kArabicName);
    const std::string kept = Join(dir, "kept.txt");
    Write(gone, "r");
    Write(kept, "k");

    world->AnswerShellConfirmation(gone, true);
    auto recycled = m.recycleBin().Recycle(gone, 0);
    ASSERT_TRUE(recycled.ok()) << recycled.error().message;
    EXPECT_FALSE(m.files().Exists(gone));
    const std::string bin = world->RecycledFilesFolder();
    if (!bin.empty()) {
        // The bin may add to the name when it already holds one like it.
        Collect inBin;
        ASSERT_TRUE(m.files().ListFolder(bin, inBin).ok()) << bin;
        auto found = std::find_if(inBin.entries.begin(), inBin.entries.end(), [&](const auto& e) {
            return e.first.rfind(paths::FileName(gone), 0) == 0;
        });
        ASSERT_NE(found, inBin.entries.end()) << bin;
        EXPECT_EQ(m.files().ReadAllBytes(Join(bin, found->first)).value(), "r");
        (void)m.files().RemoveFile(Join(bin, found->first));
    }

    world->AnswerShellConfirmation(kept, false);
    auto cancelled = m.recycleBin().Recycle(kept, 0);
    ASSERT_FALSE(cancelled.ok());
    ExpectFailure(cancelled.error(), K::Cancelled, "a cancelled confirmation");
    EXPECT_TRUE(m.files().Exists(kept));

    const std::string missing = Join(dir, "gone-before.txt");
    world->AnswerShellConfirmation(missing, true);
    auto failed = m.recycleBin().Recycle(missing, 0);
    ASSERT_FALSE(failed.ok());
    ExpectFailure(failed.error(), K::NotFound, "a file that is no longer there");
}

// ---------------------------------------------------------------------------
// Web and clock

TEST_F(Contract, AWebRequestWithoutAnswerFailsWithAText) {
    HttpRequest request{"https://127.0.0.1:9/tolvik/version.txt", "VexoTolvik/23", 500, 500};
    auto got = m.http().Get(request);
    ASSERT_FALSE(got.ok());
    EXPECT_FALSE(got.error().message.empty());
}

TEST_F(Contract, ClockGivesPlausibleTimesAndNeverGoesBack) {
    const FileTime now = m.clock().NowUtc();
    EXPECT_GT(now, base::FileTimeFromParts({2020, 1, 1, 0, 0, 0, 0}));
    EXPECT_TRUE(base::IsValidDateTime(m.clock().ToLocal(now)));
    const std::int64_t a = m.clock().MonotonicNanos();
    const std::int64_t b = m.clock().MonotonicNanos();
    EXPECT_LE(a, b);
}

} // namespace
} // namespace vexo::platform::contract
