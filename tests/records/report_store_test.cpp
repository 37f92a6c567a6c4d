// Drive readings and the last report kept in memory and in LastCleanup.json.

#include "base/datetime.h"
#include "records/cleanup_report.h"
#include "records/machine_fixture.h"
#include "support/write_faults.h"

#include <fstream>

namespace vexo::records {
namespace {

using platform::DriveType;
using platform::emulated::DriveDescription;
using platform::emulated::DriveSizes;
using platform::emulated::FileOp;

constexpr std::int64_t kGb = 1073741824;

class ReportStoreTest : public testing::MachineFixture {
protected:
    ReportStoreTest() {
        // Fixed figures for C too: the host's own free space moves under a test.
        machine.MapDrive(
            'C', host() / "c",
            {DriveType::Fixed, "system", DriveSizes{100 * kGb, 40 * kGb, 39 * kGb}, true});
        for (const char* drive : {"d", "e", "f", "g"}) {
            std::filesystem::create_directories(host() / drive);
        }
        machine.MapDrive(
            'D', host() / "d",
            {DriveType::Removable, "usb", DriveSizes{8 * kGb, 3 * kGb, 3 * kGb}, true});
        machine.MapDrive('E', host() / "e", {DriveType::Remote, "net", std::nullopt, true});
        machine.MapDrive('F', host() / "f", {DriveType::Removable, "card", std::nullopt, false});
        machine.MapDrive('G', host() / "g", {DriveType::CdRom, "disc", std::nullopt, true});
    }
    std::string JsonPath() { return std::string(kDataFolder) + "\\LastCleanup.json"; }
    std::string Diagnostics() { return Read(std::string(kDataFolder) + "\\Diagnostics.txt"); }
    CleanupReport Save(ReportStore& store, std::string_view kind = kKindFiles) {
        return store.SaveReport18(kind, ReadStorage18(machine), 1234, 3, 2, 1, false);
    }
};

TEST_F(ReportStoreTest, ReadsReadyFixedAndRemovableDrivesInLetterOrder) {
    const std::vector<DriveReading> readings = ReadStorage18(machine);
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0], (DriveReading{"C:\\", 100 * kGb, 40 * kGb, 39 * kGb, 60 * kGb}));
    EXPECT_EQ(readings[1], (DriveReading{"D:\\", 8 * kGb, 3 * kGb, 3 * kGb, 5 * kGb}));
}

TEST_F(ReportStoreTest, SavesAndReadsBackAfterARestart) {
    machine.SetUtcOffsetMinutes(-90);
    ReportStore store(machine);
    EXPECT_FALSE(store.LastReport().has_value());

    const CleanupReport report = Save(store);
    EXPECT_EQ(report.at, "2023-12-31T22:30:00");
    EXPECT_EQ(report.kind, kKindFiles);
    EXPECT_EQ(report.after, ReadStorage18(machine));
    EXPECT_EQ(store.LastReport(), report);
    EXPECT_EQ(Read(JsonPath()), SerializeReport(report));
    EXPECT_FALSE(Exists(JsonPath() + ".tmp"));

    ReportStore restarted(machine);
    EXPECT_EQ(restarted.LastReport(), report);

    // The next report replaces it in memory and on disk.
    machine.Advance(10'000'000);
    const CleanupReport next = Save(store, kKindPrograms);
    EXPECT_EQ(store.LastReport(), next);
    EXPECT_EQ(ReportStore(machine).LastReport(), next);
}

TEST_F(ReportStoreTest, AFailedSaveKeepsTheOldFileAndTheNewReport) {
    ReportStore first(machine);
    const CleanupReport old = Save(first);

    machine.Advance(10'000'000);
    machine.FailOperation(JsonPath(), FileOp::Move, base::ErrorKind::AccessDenied);
    ReportStore store(machine);
    const CleanupReport fresh = Save(store, kKindIndexResults);
    EXPECT_EQ(fresh.kind, kKindIndexResults);
    EXPECT_EQ(store.LastReport(), fresh);
    EXPECT_EQ(Read(JsonPath()), SerializeReport(old));
    EXPECT_NE(Diagnostics().find(" : Save report: "), std::string::npos);

    ReportStore restarted(machine);
    EXPECT_EQ(restarted.LastReport(), old);
}

TEST_F(ReportStoreTest, EveryWriteFaultKeepsTheOldFileAndCostsOneDiagnosticsLine) {
    ReportStore first(machine);
    const std::string old = SerializeReport(Save(first));
    const std::string diagnostics = std::string(kDataFolder) + "\\Diagnostics.txt";
    // Read on the host: a locked file cannot be read through the machine.
    auto onDisk = [&](const std::string& path) {
        std::ifstream in(*machine.HostPathOf(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (const testing::WriteFaultCase& c : testing::kWriteFaults) {
        machine.ClearFaults().Advance(10'000'000);
        (void)machine.files().RemoveFile(diagnostics);
        testing::InjectWriteFault(machine, c, JsonPath() + ".tmp", JsonPath());
        ReportStore store(machine);
        const CleanupReport fresh = Save(store, kKindIndexResults);
        EXPECT_EQ(store.LastReport(), fresh) << c.name;
        EXPECT_EQ(onDisk(JsonPath()), old) << c.name;
        // A failed staging file is removed rather than left for the next save.
        EXPECT_FALSE(Exists(JsonPath() + ".tmp")) << c.name;
        EXPECT_EQ(Diagnostics(), "\xEF\xBB\xBF" + base::FormatSortable(machine.clock().NowLocal()) +
                                     " : Save report: " + testing::WriteFaultText(c) + "\r\n")
            << c.name;
    }
    machine.ClearFaults();
    EXPECT_EQ(ReportStore(machine).LastReport(), first.LastReport());
}

TEST_F(ReportStoreTest, AStaleStagingFileIsReplaced) {
    Write(JsonPath() + ".tmp", std::string(10000, '{'));
    ReportStore store(machine);
    const CleanupReport report = Save(store);
    EXPECT_FALSE(Exists(JsonPath() + ".tmp"));
    EXPECT_EQ(ReportStore(machine).LastReport(), report);
}

TEST_F(ReportStoreTest, WithoutADataFolderTheReportStillComesBack) {
    machine.SetEnv("LOCALAPPDATA", std::nullopt);
    ReportStore store(machine);
    const CleanupReport report = Save(store);
    EXPECT_EQ(report.success, 2);
    EXPECT_EQ(store.LastReport(), report);
    EXPECT_FALSE(Exists(JsonPath()));
}

TEST_F(ReportStoreTest, ABrokenFileIsNoReportWithoutAWord) {
    ReportStore saver(machine);
    const std::string good = SerializeReport(Save(saver));
    const std::string broken[] = {
        good.substr(0, good.size() - 10),
        good.substr(0, 3),
        std::string(good).replace(good.find("\"Success\""), 9, "\"Sucess\""),
        std::string(good).replace(good.find(": ["), 3, ": {"),
        "",
    };
    const std::string before = Diagnostics();
    for (const std::string& bytes : broken) {
        Write(JsonPath(), bytes);
        EXPECT_FALSE(ReportStore(machine).LastReport().has_value()) << bytes.substr(0, 60);
    }
    (void)machine.files().RemoveFile(JsonPath());
    EXPECT_FALSE(ReportStore(machine).LastReport().has_value());
    Write(JsonPath(), good);
    machine.FailOperation(JsonPath(), FileOp::Read, base::ErrorKind::SharingViolation);
    EXPECT_FALSE(ReportStore(machine).LastReport().has_value());
    EXPECT_EQ(Diagnostics(), before);
}

} // namespace
} // namespace vexo::records
