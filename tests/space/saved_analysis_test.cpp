// The saved analysis: what a complete run leaves in the data folder, how a
// failed save keeps the earlier one, and that nothing but a record we wrote
// is ever read back.

#include "base/datetime.h"
#include "platform/emulated/emulated_machine.h"
#include "space/saved_analysis.h"
#include "support/temp_folder.h"
#include "support/write_faults.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace vexo::space {
namespace {

using platform::emulated::EmulatedMachine;

constexpr const char* kDataFolder = "C:\\Users\\ali\\AppData\\Local\\VexoTolvik";

SavedAnalysis Sample() {
    return SavedAnalysis{
        .At = {.year = 2024,
               .month = 3,
               .day = 5,
               .hour = 14,
               .minute = 7,
               .second = 9,
               .fraction100ns = 1234567},
        // Arrival order, not the largest-first order of the finished grid.
        .Rows =
            {
                {.Name = "Windows",
                 .GB = 20.125,
                 .Path = "C:\\Windows",
                 .Notes = "متجاوز/غير متاح: 3"},
                {.Name = "Users", .GB = 112.5, .Path = "C:\\Users", .Notes = "حجم منطقي — عرض فقط"},
                // Names that look like markup, and a control character the
                // file can carry only as a reference.
                {.Name = "a&b <c> \"d\" 'e'",
                 .GB = 0.001,
                 .Path = "C:\\a&b <c> \"d\" 'e'",
                 .Notes = "tab\there"},
                {.Name = "empty", .GB = 0, .Path = "C:\\empty", .Notes = ""},
            },
        .Files = 812345,
        .Skipped = 3,
    };
}

class SavedAnalysisTest : public ::testing::Test {
protected:
    SavedAnalysisTest() {
        machine.MapDrive('C', host.path()).WithUserProfile("ali");
        machine.SetUtcNow(base::FileTimeFromParts(
            {.year = 2024, .month = 3, .day = 5, .hour = 11, .minute = 7, .second = 59}));
        machine.SetUtcOffsetMinutes(180);
    }

    std::string Path() { return std::string(kDataFolder) + "\\storage-v10-C.xml"; }

    // Read on the host: a locked file cannot be read through the machine.
    std::string OnDisk(const std::string& path) {
        std::ifstream in(*machine.HostPathOf(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    vexo::testing::TempFolder host;
    EmulatedMachine machine;
};

TEST_F(SavedAnalysisTest, ACompleteRunComesBackInArrivalOrderWithItsMinute) {
    auto path = SavedAnalysisPath(machine.environment(), "C:\\");
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(*path, Path());

    SavedAnalysis saved = Sample();
    saved.At = machine.clock().NowLocal();
    ASSERT_TRUE(SaveAnalysis(machine, *path, saved).ok());
    EXPECT_FALSE(machine.files().Exists(*path + ".tmp"));

    auto loaded = LoadSavedAnalysis(machine.files(), *path);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    ASSERT_TRUE(loaded->has_value());
    EXPECT_EQ(**loaded, saved);
    EXPECT_EQ(base::FormatMinutes((*loaded)->At), "2024-03-05 14:07");
}

TEST_F(SavedAnalysisTest, ADriveNeverAnalysedHasNoSavedAnalysis) {
    auto loaded =
        LoadSavedAnalysis(machine.files(), std::string(kDataFolder) + "\\storage-v10-D.xml");
    ASSERT_TRUE(loaded.ok());
    EXPECT_FALSE(loaded->has_value());
}

TEST_F(SavedAnalysisTest, WithoutADataFolderThereIsNoPath) {
    machine.SetEnv("LOCALAPPDATA", std::nullopt);
    EXPECT_FALSE(SavedAnalysisPath(machine.environment(), "C:\\").ok());
}

TEST_F(SavedAnalysisTest, AFailedSaveKeepsTheEarlierFileAndLogsTheError) {
    ASSERT_TRUE(SaveAnalysis(machine, Path(), Sample()).ok());
    const std::string earlier = OnDisk(Path());
    const std::string diagnostics = std::string(kDataFolder) + "\\Diagnostics.txt";
    SavedAnalysis later = Sample();
    later.Rows.pop_back();

    for (const vexo::testing::WriteFaultCase& c : vexo::testing::kWriteFaults) {
        SCOPED_TRACE(c.name);
        machine.ClearFaults();
        (void)machine.files().RemoveFile(diagnostics);
        vexo::testing::InjectWriteFault(machine, c, Path() + ".tmp", Path());

        const base::Status status = SaveAnalysis(machine, Path(), later);
        EXPECT_FALSE(status.ok());
        EXPECT_EQ(OnDisk(Path()), earlier);
        EXPECT_FALSE(machine.files().Exists(Path() + ".tmp"));
        EXPECT_EQ(OnDisk(diagnostics),
                  "\xEF\xBB\xBF" + base::FormatSortable(machine.clock().NowLocal()) +
                      " : Storage cache: " + vexo::testing::WriteFaultText(c) + "\r\n");
    }
}

TEST(SavedAnalysisFormTest, EveryCutOffFileIsRefused) {
    const std::string whole = WriteSavedAnalysis(Sample());
    ASSERT_TRUE(ReadSavedAnalysis(whole).ok());
    // Only the final line end may go: the record is complete before it.
    for (std::size_t size = 0; size + 2 < whole.size(); ++size) {
        EXPECT_FALSE(ReadSavedAnalysis(whole.substr(0, size)).ok()) << size;
    }
}

TEST(SavedAnalysisFormTest, OnlyTheRecordWeWriteIsRead) {
    const std::string head =
        "<StorageAnalysis At=\"2024-03-05T14:07:09\" Files=\"1\" Skipped=\"0\">";
    const std::string row = "<Row Name=\"a\" GB=\"1.5\" Path=\"C:\\a\" Notes=\"n\"/>";
    const std::string tail = "</StorageAnalysis>";
    struct Case {
        const char* name;
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {"the shortest record", head + tail, true},
        {"without declaration or mark", head + row + tail, true},
        {"spaces between the parts", " \r\n" + head + "\n  " + row + "\r\n" + tail + "\r\n", true},
        {"the five entities and references",
         head +
             "<Row Name=\"&amp;&lt;&gt;&quot;&apos;&#65;&#x42;\" GB=\"0\" Path=\"p\" Notes=\"\"/>" +
             tail,
         true},
        {"empty file", "", false},
        {"another root", "<Other/>", false},
        {"a DTD", "<!DOCTYPE StorageAnalysis [<!ENTITY x \"boom\">]>" + head + tail, false},
        {"an entity of its own", head + "<Row Name=\"&x;\" GB=\"0\" Path=\"p\" Notes=\"\"/>" + tail,
         false},
        {"an external entity", head + "<Row Name=\"&xxe;\" GB=\"0\" Path=\"p\" Notes=\"\"/>" + tail,
         false},
        {"a reference to no character",
         head + "<Row Name=\"&#xD800;\" GB=\"0\" Path=\"p\" Notes=\"\"/>" + tail, false},
        {"a reference past Unicode",
         head + "<Row Name=\"&#1114112;\" GB=\"0\" Path=\"p\" Notes=\"\"/>" + tail, false},
        {"a comment", head + "<!-- x -->" + tail, false},
        {"another declaration", "<?xml version=\"1.1\"?>" + head + tail, false},
        {"a processing instruction", head + "<?x y?>" + tail, false},
        {"an element nested in a row",
         head + "<Row Name=\"a\" GB=\"1\" Path=\"p\" Notes=\"n\"><Row/></Row>" + tail, false},
        {"deep nesting", head + std::string(100000, '<') + tail, false},
        {"text content", head + "hello" + tail, false},
        {"text after the end", head + tail + "x", false},
        {"a second record", head + tail + head + tail, false},
        {"a bad date",
         "<StorageAnalysis At=\"2024-02-30T00:00:00\" Files=\"1\" Skipped=\"0\">" + tail, false},
        {"a date that is no date",
         "<StorageAnalysis At=\"yesterday\" Files=\"1\" Skipped=\"0\">" + tail, false},
        {"a negative count",
         "<StorageAnalysis At=\"2024-03-05T14:07:09\" Files=\"-1\" Skipped=\"0\">" + tail, false},
        {"a count too big",
         "<StorageAnalysis At=\"2024-03-05T14:07:09\" Files=\"99999999999999999999\" "
         "Skipped=\"0\">" +
             tail,
         false},
        {"a fractional count",
         "<StorageAnalysis At=\"2024-03-05T14:07:09\" Files=\"1.5\" Skipped=\"0\">" + tail, false},
        {"a size that is text", head + "<Row Name=\"a\" GB=\"big\" Path=\"p\" Notes=\"\"/>" + tail,
         false},
        {"a size that is not finite",
         head + "<Row Name=\"a\" GB=\"inf\" Path=\"p\" Notes=\"\"/>" + tail, false},
        {"a negative size", head + "<Row Name=\"a\" GB=\"-1\" Path=\"p\" Notes=\"\"/>" + tail,
         false},
        {"a missing field", head + "<Row Name=\"a\" GB=\"1\" Path=\"p\"/>" + tail, false},
        {"a repeated field",
         head + "<Row Name=\"a\" Name=\"b\" GB=\"1\" Path=\"p\" Notes=\"\"/>" + tail, false},
        {"an unknown field",
         head + "<Row Name=\"a\" GB=\"1\" Path=\"p\" Notes=\"\" Extra=\"\"/>" + tail, false},
        {"single quotes", head + "<Row Name='a' GB='1' Path='p' Notes=''/>" + tail, false},
        {"text that is not UTF-8",
         head + "<Row Name=\"\xC3\x28\" GB=\"1\" Path=\"p\" Notes=\"\"/>" + tail, false},
        {"a raw control character",
         head + "<Row Name=\"a\x01\" GB=\"1\" Path=\"p\" Notes=\"\"/>" + tail, false},
        {"a row outside the record", row + head + tail, false},
        {"a file far too big", head + std::string(kSavedAnalysisMaxBytes, ' ') + tail, false},
    };
    for (const Case& c : cases) {
        const auto read = ReadSavedAnalysis(c.text);
        EXPECT_EQ(read.ok(), c.accepted) << c.name;
        if (!read.ok()) {
            EXPECT_EQ(read.error().kind, base::ErrorKind::InvalidInput) << c.name;
        }
    }
}

TEST_F(SavedAnalysisTest, ACorruptFileIsAnErrorNotAnEmptyAnalysis) {
    ASSERT_TRUE(machine.files().CreateFolderTree(kDataFolder).ok());
    ASSERT_TRUE(machine.files().WriteAllBytes(Path(), "\xEF\xBB\xBF<StorageAnalysis").ok());
    EXPECT_FALSE(LoadSavedAnalysis(machine.files(), Path()).ok());
}

} // namespace
} // namespace vexo::space
