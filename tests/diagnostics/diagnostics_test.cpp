// The diagnostics log's three writers: file, encoding, line form, rotation,
// and silence on every failure.

#include "diagnostics/diagnostics.h"
#include "records/machine_fixture.h"
#include "support/write_faults.h"

#include <fstream>

namespace vexo::diagnostics {
namespace {

using platform::KnownFolder;
using platform::emulated::FileOp;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

class DiagnosticsLog : public testing::MachineFixture {
protected:
    DiagnosticsLog() {
        machine.SetUtcOffsetMinutes(120).Advance((14 * 3600 + 3 * 60 + 9) * 10'000'000LL + 5);
        machine.SetKnownFolder(KnownFolder::LocalAppData, "C:\\Users\\ali\\AppData\\Local");
    }
    std::string LogPath() { return std::string(kDataFolder) + "\\Diagnostics.txt"; }
    std::string PreviousPath() { return std::string(kDataFolder) + "\\Diagnostics.previous.txt"; }
    static constexpr const char* kStamp = "2024-01-01T16:03:09";
};

TEST_F(DiagnosticsLog, OrdinaryEntriesStartTheFileWithAByteOrderMark) {
    ASSERT_FALSE(Exists(kDataFolder));
    WriteDriveDiagnostic(machine, "Report disk: the device is not ready.");
    WriteDriveDiagnostic(machine, "second");
    EXPECT_EQ(Read(LogPath()), std::string(kBom) + kStamp +
                                   " : Report disk: the device is not ready.\r\n" + kStamp +
                                   " : second\r\n");
}

TEST_F(DiagnosticsLog, ErrorEntriesAddNoMark) {
    struct Case {
        void (*write)(platform::Machine&, std::string_view) noexcept;
        const char* separator;
    };
    for (const Case& c :
         {Case{WriteUiErrorEntry, " UI ERROR: "}, Case{WriteStartupEntry, " STARTUP/EVENT: "}}) {
        (void)machine.files().RemoveFile(LogPath());
        c.write(machine, "std::runtime_error: boom\r\n   at Handler");
        EXPECT_EQ(Read(LogPath()), std::string(kStamp) + c.separator +
                                       "std::runtime_error: boom\r\n   at Handler\r\n");
    }
    // An ordinary entry appended later adds no mark in the middle.
    WriteDriveDiagnostic(machine, "after");
    EXPECT_EQ(Read(LogPath()).find(kBom), std::string::npos);
}

TEST_F(DiagnosticsLog, RotatesOnlyAboveTheThreshold) {
    Folder(kDataFolder);
    Write(PreviousPath(), "older generation");
    const std::string exact(524288, 'a');
    Write(LogPath(), exact);
    WriteDriveDiagnostic(machine, "kept");
    const std::string grown = Read(LogPath());
    EXPECT_EQ(grown, exact + kStamp + " : kept\r\n");
    EXPECT_EQ(Read(PreviousPath()), "older generation");

    // Now above: the next entry moves it aside and starts afresh.
    WriteDriveDiagnostic(machine, "fresh");
    EXPECT_EQ(Read(PreviousPath()), grown);
    EXPECT_EQ(Read(LogPath()), std::string(kBom) + kStamp + " : fresh\r\n");

    // The error writers never rotate.
    Write(LogPath(), std::string(600000, 'b'));
    WriteUiErrorEntry(machine, "x");
    WriteStartupEntry(machine, "y");
    EXPECT_EQ(Read(PreviousPath()), grown);
    EXPECT_EQ(Read(LogPath()), std::string(600000, 'b') + kStamp + " UI ERROR: x\r\n" + kStamp +
                                   " STARTUP/EVENT: y\r\n");
}

TEST_F(DiagnosticsLog, EveryFailureIsSilent) {
    machine.SetEnv("LOCALAPPDATA", std::nullopt)
        .SetKnownFolder(KnownFolder::LocalAppData, std::nullopt);
    WriteDriveDiagnostic(machine, "lost");
    WriteUiErrorEntry(machine, "lost");
    WriteStartupEntry(machine, "lost");
    EXPECT_FALSE(Exists(kDataFolder));

    machine.SetEnv("LOCALAPPDATA", "C:\\Users\\ali\\AppData\\Local");
    machine.FailOperation(kDataFolder, FileOp::CreateFolder, base::ErrorKind::AccessDenied);
    WriteDriveDiagnostic(machine, "lost");
    EXPECT_FALSE(Exists(LogPath()));
}

// The UI error writer finds the data folder through the known folder, the
// other two through LOCALAPPDATA: with only one of them there, only its
// writers leave an entry.
TEST_F(DiagnosticsLog, EachWriterFindsTheDataFolderWhereItLooks) {
    struct Case {
        const char* name;
        void (*write)(platform::Machine&, std::string_view) noexcept;
        bool byKnownFolder;
    };
    const Case cases[] = {{"ordinary", WriteDriveDiagnostic, false},
                          {"UI error", WriteUiErrorEntry, true},
                          {"start-up", WriteStartupEntry, false}};
    const std::string local = "C:\\Users\\ali\\AppData\\Local";
    for (const Case& c : cases) {
        for (const bool onlyKnownFolder : {true, false}) {
            (void)machine.files().RemoveFile(LogPath());
            machine.SetEnv("LOCALAPPDATA", onlyKnownFolder ? std::nullopt : std::optional(local))
                .SetKnownFolder(KnownFolder::LocalAppData,
                                onlyKnownFolder ? std::optional(local) : std::nullopt);
            c.write(machine, "entry");
            EXPECT_EQ(Exists(LogPath()), onlyKnownFolder == c.byKnownFolder)
                << c.name << (onlyKnownFolder ? ", only the known folder" : ", only LOCALAPPDATA");
        }
    }
}

TEST_F(DiagnosticsLog, ALockedLogLosesTheEntryButKeepsWhatIsThere) {
    Folder(kDataFolder);
    Write(LogPath(), std::string(524289, 'c'));
    machine.FailOperation(LogPath(), FileOp::Move, base::ErrorKind::SharingViolation);
    WriteDriveDiagnostic(machine, "lost");
    EXPECT_EQ(Read(LogPath()), std::string(524289, 'c'));
    EXPECT_FALSE(Exists(PreviousPath()));
}

TEST_F(DiagnosticsLog, AnEntryThatCannotBeWrittenLeavesTheLogAsItWas) {
    struct Writer {
        const char* name;
        void (*write)(platform::Machine&, std::string_view) noexcept;
    };
    const Writer writers[] = {{"ordinary", WriteDriveDiagnostic},
                              {"UI error", WriteUiErrorEntry},
                              {"start-up", WriteStartupEntry}};
    // Read on the host: a locked log cannot be read through the machine.
    auto onDisk = [&](const std::string& path) -> std::optional<std::string> {
        std::ifstream in(*machine.HostPathOf(path), std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    Folder(kDataFolder);
    for (const Writer& w : writers) {
        for (const testing::WriteFaultCase& c : testing::kWriteFaults) {
            if (c.fault == testing::WriteFault::MoveFails ||
                c.fault == testing::WriteFault::FlushFails) {
                continue; // appended in place; a failed rotation is tested above
            }
            // A log that is there, and the first entry ever, which must not
            // leave a file without its byte-order mark behind.
            for (const std::optional<std::string>& before :
                 {std::optional<std::string>(std::string(kBom) + kStamp + " : earlier\r\n"),
                  std::optional<std::string>()}) {
                const std::string what =
                    std::string(w.name) + ", " + c.name + (before ? "" : ", first entry");
                machine.ClearFaults();
                (void)machine.files().RemoveFile(LogPath());
                if (before) {
                    Write(LogPath(), *before);
                }
                testing::InjectWriteFault(machine, c, LogPath(), LogPath());
                w.write(machine, "lost " + std::string(100, 'x'));
                EXPECT_EQ(onDisk(LogPath()), before) << what;
            }
        }
    }
    machine.ClearFaults();
    (void)machine.files().RemoveFile(LogPath());
    testing::InjectWriteFault(machine, testing::kWriteFaults[0], LogPath(), LogPath());
    WriteDriveDiagnostic(machine, "lost");
    machine.ClearFaults();
    WriteDriveDiagnostic(machine, "kept");
    EXPECT_EQ(Read(LogPath()), std::string(kBom) + kStamp + " : kept\r\n");
}

TEST_F(DiagnosticsLog, HostileTextIsWrittenAsItIs) {
    const std::string text = "=\"quoted\" ملف " + std::string(400, 'x') + " ;,\t\"";
    WriteDriveDiagnostic(machine, text);
    EXPECT_EQ(Read(LogPath()), std::string(kBom) + kStamp + " : " + text + "\r\n");
}

TEST(DiagnosticsMessages, LeadThenTheErrorOnTheNextLine) {
    EXPECT_EQ(UiErrorMessageText("boom"),
              "توقفت الواجهة بسبب خطأ. أغلقنا التطبيق لمنع استمرار عملية غير واضحة. التفاصيل في "
              "سجل التشخيص.\r\nboom");
    EXPECT_EQ(StartupErrorMessageText("full\r\ntrace"),
              "تعذر إكمال العملية. التفاصيل محفوظة في سجل التشخيص.\r\nfull\r\ntrace");
}

} // namespace
} // namespace vexo::diagnostics
