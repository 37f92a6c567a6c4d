// The folder-size scanner over the emulated machine's real host folders: the
// links, cloud files and unreadable folders it decides by come from the
// adapter, as they come from FindFirstFileExW on Windows.

#include "platform/emulated/emulated_machine.h"
#include "space/folder_scan.h"
#include "support/forwarding_files.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vexo::space {
namespace {

namespace fs = std::filesystem;
using platform::emulated::EmulatedMachine;

// The machine's file service, with a hook that runs before each listing:
// a test stops the scan at an exact point of the walk without any timing.
class ListingHook final : public vexo::testing::ForwardingFiles {
public:
    ListingHook(platform::Files& inner, std::function<void(const std::string&)> beforeListing)
        : ForwardingFiles(inner), beforeListing_(std::move(beforeListing)) {}

    base::Status ListFolder(const std::string& folder, platform::ListingSink& sink) override {
        beforeListing_(folder);
        return inner_.ListFolder(folder, sink);
    }
    base::Status ListFolderSizes(const std::string& folder, platform::ListingSink& sink) override {
        beforeListing_(folder);
        return inner_.ListFolderSizes(folder, sink);
    }

private:
    std::function<void(const std::string&)> beforeListing_;
};

class FolderScanTest : public ::testing::Test {
protected:
    FolderScanTest() { machine.MapDrive('D', host.path()); }

    void Write(const fs::path& relative, std::size_t bytes) {
        fs::create_directories((host.path() / relative).parent_path());
        std::ofstream(host.path() / relative) << std::string(bytes, 'x');
    }

    // The whole scan on the test's thread; every result it queued.
    std::vector<VexoFolder10> Scan(VexoFastScan10& scan, const std::string& root = "D:\\") {
        scan.Run(root);
        EXPECT_TRUE(scan.Done.load());
        return scan.TakeResults();
    }

    vexo::testing::TempFolder host;
    EmulatedMachine machine;
};

TEST_F(FolderScanTest, MeasuresEachTopLevelEntryInListingOrderWithoutLinksOrCloudFiles) {
    Write("Apps/a.bin", 100);
    Write("Apps/Deep/er/b.bin", 20);
    Write("Apps/Deep/c.bin", 3);
    Write("Data/d.bin", 7);
    Write("Data/cloud.docx", 5000);
    Write("top.txt", 9);
    Write("cloud-top.docx", 4000);
    Write("Elsewhere/e.bin", 1000);
    // A junction at the top level and one inside a folder: neither is
    // followed, so nothing below them is counted twice (or forever).
    fs::create_directory_symlink(host.path() / "Elsewhere", host.path() / "Junction");
    fs::create_directory_symlink(host.path(), host.path() / "Apps" / "LoopToRoot");
    machine.MarkOffline("D:\\Data\\cloud.docx").MarkOffline("D:\\cloud-top.docx");

    auto scan = VexoFastScan10::Create(machine.files());
    const std::vector<VexoFolder10> expected = {
        {.Name = "Apps", .Path = "D:\\Apps", .Bytes = 123, .Skipped = 1, .Partial = false},
        {.Name = "Data", .Path = "D:\\Data", .Bytes = 7, .Skipped = 1, .Partial = false},
        {.Name = "Elsewhere",
         .Path = "D:\\Elsewhere",
         .Bytes = 1000,
         .Skipped = 0,
         .Partial = false},
        {.Name = "top.txt", .Path = "D:\\top.txt", .Bytes = 9, .Skipped = 0, .Partial = false},
    };
    EXPECT_EQ(Scan(*scan), expected);
    // The offline file and the junction at the top level give no row and
    // one skipped entry each.
    EXPECT_EQ(scan->Skipped.load(), 4);
    EXPECT_EQ(scan->Files.load(), 6);
    EXPECT_EQ(scan->Error(), "");
    EXPECT_EQ(scan->Current(), "top.txt");
}

TEST_F(FolderScanTest, AnUnreadableSubfolderIsSkippedOnceAndLeftOutOfTheSize) {
    Write("Users/ali/a.bin", 10);
    Write("Users/Secret/inner/big.bin", 5000);
    Write("Users/Secret/b.bin", 5000);
    machine.MarkUnreadable("D:\\Users\\Secret");

    auto scan = VexoFastScan10::Create(machine.files());
    const auto rows = Scan(*scan);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Bytes, 10);
    EXPECT_EQ(rows[0].Skipped, 1);
    EXPECT_EQ(RowNote(rows[0]), "متجاوز/غير متاح: 1");
    EXPECT_EQ(scan->Error(), "");
}

TEST_F(FolderScanTest, ReadFailuresSkipTheFolderAndOtherFailuresEndTheScan) {
    struct Case {
        const char* name;
        base::ErrorKind kind;
        bool endsScan;
    };
    const Case cases[] = {
        {"access denied", base::ErrorKind::AccessDenied, false},
        {"input/output error", base::ErrorKind::Io, false},
        {"held by another program", base::ErrorKind::SharingViolation, false},
        {"vanished while listed", base::ErrorKind::NotFound, false},
        {"drive stopped answering", base::ErrorKind::DeviceNotReady, true},
        {"anything else", base::ErrorKind::Other, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vexo::testing::TempFolder folder;
        EmulatedMachine m;
        m.MapDrive('D', folder.path());
        for (const char* file : {"A/one.bin", "B/x/two.bin", "B/x/three.bin", "C/four.bin"}) {
            fs::create_directories((folder.path() / file).parent_path());
            std::ofstream(folder.path() / file) << "abcd";
        }
        // The listing of B\x gives one file, then fails.
        m.FailListingAfter("D:\\B\\x", 1, c.kind);

        auto scan = VexoFastScan10::Create(m.files());
        scan->Run("D:\\");
        ASSERT_TRUE(scan->Done.load());
        const auto rows = scan->TakeResults();
        if (c.endsScan) {
            // B, being measured, gives no row; A stays.
            ASSERT_EQ(rows.size(), 1u);
            EXPECT_EQ(rows[0].Name, "A");
            EXPECT_NE(scan->Error(), "");
        } else {
            ASSERT_EQ(rows.size(), 3u);
            EXPECT_EQ(rows[1].Name, "B");
            EXPECT_EQ(rows[1].Bytes, 4); // what the listing gave before it failed
            EXPECT_EQ(rows[1].Skipped, 1);
            EXPECT_EQ(scan->Error(), "");
        }
    }
}

TEST_F(FolderScanTest, ARootThatCannotBeListedEndsTheScanWithItsError) {
    auto scan = VexoFastScan10::Create(machine.files());
    EXPECT_TRUE(Scan(*scan, "Q:\\").empty());
    EXPECT_NE(scan->Error(), "");
}

TEST_F(FolderScanTest, AStopDuringTheThirdFolderMarksItPartialAndMeasuresNothingAfter) {
    for (const char* file :
         {"A1/a.bin", "B2/b.bin", "C3/one/c.bin", "C3/two/c.bin", "D4/d.bin", "e5.txt"}) {
        Write(file, 10);
    }
    std::shared_ptr<VexoFastScan10> scan;
    ListingHook files(machine.files(), [&](const std::string& folder) {
        if (folder == "D:\\C3\\two") {
            scan->Cancel.store(true);
        }
    });
    scan = VexoFastScan10::Create(files);
    const auto rows = Scan(*scan);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].Partial);
    EXPECT_FALSE(rows[1].Partial);
    EXPECT_EQ(rows[2].Name, "C3");
    EXPECT_TRUE(rows[2].Partial);
    EXPECT_EQ(RowNote(rows[2]), "جزئي — توقف");
    EXPECT_EQ(scan->Error(), "");
}

TEST_F(FolderScanTest, TheBackgroundRunQueuesTheSameRowsAndEndsWithDone) {
    Write("A/a.bin", 5);
    Write("B/b.bin", 6);
    auto scan = VexoFastScan10::Create(machine.files());
    scan->Start("D:\\");
    scan->Done.wait(false);
    const auto rows = scan->TakeResults();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Bytes, 5);
    EXPECT_EQ(rows[1].Bytes, 6);
    EXPECT_TRUE(scan->TakeResults().empty());
    EXPECT_THROW(scan->Start("D:\\"), std::logic_error);
}

TEST(FolderScanRowTest, NotesAndSizesAsShown) {
    struct Case {
        VexoFolder10 folder;
        std::string note;
        double gb;
    };
    const Case cases[] = {
        {{.Name = "a", .Path = "C:\\a", .Bytes = 0, .Skipped = 0, .Partial = false},
         "حجم منطقي — عرض فقط",
         0.0},
        {{.Name = "a", .Path = "C:\\a", .Bytes = 1073741824, .Skipped = 12, .Partial = false},
         "متجاوز/غير متاح: 12",
         1.0},
        // Partial wins over skipped entries.
        {{.Name = "a", .Path = "C:\\a", .Bytes = 0, .Skipped = 3, .Partial = true},
         "جزئي — توقف",
         0.0},
        // 0.0625 GB and 0.1875 GB exactly: ties go to the even thousandth.
        {{.Name = "a", .Path = "C:\\a", .Bytes = 67108864, .Skipped = 0, .Partial = false},
         "حجم منطقي — عرض فقط",
         0.062},
        {{.Name = "a", .Path = "C:\\a", .Bytes = 3 * 67108864, .Skipped = 0, .Partial = false},
         "حجم منطقي — عرض فقط",
         0.188},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowNote(c.folder), c.note);
        EXPECT_DOUBLE_EQ(GigabytesShown(c.folder.Bytes), c.gb);
    }
}

} // namespace
} // namespace vexo::space
