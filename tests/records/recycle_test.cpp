// One file to the Recycle Bin, and the frame a section's whole removal runs
// in, on an emulated machine whose shell answers from a script.

#include "base/datetime.h"
#include "diagnostics/diagnostics.h"
#include "records/machine_fixture.h"
#include "records/removal_log.h"
#include "records/run_frame.h"
#include "support/write_faults.h"

#include <functional>

namespace vexo::records {
namespace {

using platform::emulated::FileOp;
using platform::emulated::RecycleScript;

constexpr const char* kDocs = "C:\\Users\\ali\\Documents\\";
constexpr const char* kTemp = "C:\\Users\\ali\\AppData\\Local\\Temp\\";

std::string Doc(const std::string& name) {
    return kDocs + name;
}

class RecycleStep : public testing::MachineFixture {
protected:
    RecycleStep() {
        Write(Doc("a.txt"), "0123456789");
        Write(Doc("grown.txt"), "twelve bytes");
        Folder(Doc("folder"));
        Write(Doc("cloud.docx"), "c");
        machine.MarkOffline(Doc("cloud.docx"));
        Write("C:\\Elsewhere\\real\\x.txt", "x");
        Write("C:\\Elsewhere\\lone.txt", "x");
        Link(Doc("linked"), "C:\\Elsewhere\\real");
        Link(Doc("link.txt"), "C:\\Elsewhere\\lone.txt");
        Write(std::string(kTemp) + "t.tmp", "tmp");
        Write("C:\\Outside\\o.txt", "o");
    }

    RemovalCandidate Indexed(const std::string& path) {
        RemovalCandidate candidate{path, 0, {}};
        auto info = machine.files().ReadInfo(path);
        if (info.ok()) {
            candidate.indexedBytes = info->length;
            candidate.indexedModified = machine.clock().ToLocal(info->lastWrite);
        }
        return candidate;
    }
    RecycleOutcome Run(RemovalFlow flow, const RemovalCandidate& candidate) {
        return RecycleOneFile(machine, candidate, RecycleChecks{flow, {kDocs}}, 77);
    }
    std::string PlatformText(const std::string& path) {
        auto info = machine.files().ReadInfo(path);
        return info.ok() ? std::string("<exists>") : info.error().message;
    }
};

TEST_F(RecycleStep, RefusalsBeforeTheShellInEachFlow) {
    struct Case {
        const char* name;
        RemovalFlow flow;
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {"outside the roots", RemovalFlow::MyFiles, "C:\\Outside\\o.txt",
         "مسار خارج مجلداتك أو داخل مجلد محمي"},
        {"inside a linked folder", RemovalFlow::MyFiles, Doc("linked\\x.txt"),
         "مسار خارج مجلداتك أو داخل مجلد محمي"},
        {"unnormalisable", RemovalFlow::BulkReview, Doc("bad|name"),
         "مسار محمي أو خارج الملفات الشخصية"},
        {"protected inside the roots", RemovalFlow::BulkReview,
         "C:\\Users\\ali\\AppData\\Local\\Temp\\t.tmp", "مسار محمي أو خارج الملفات الشخصية"},
        {"a folder", RemovalFlow::TemporaryFiles, Doc("folder"), "تم تجاوز رابط أو مجلد"},
        {"a folder", RemovalFlow::MyFiles, Doc("folder\\"), "مجلد أو رابط أو ملف سحابي غير متاح"},
        {"a linked file", RemovalFlow::MyFiles, Doc("link.txt"),
         "مجلد أو رابط أو ملف سحابي غير متاح"},
        {"a linked file", RemovalFlow::BulkReview, Doc("link.txt"), "رابط أو مجلد أو ملف غير محمّل"},
        {"a linked file", RemovalFlow::TemporaryFiles, Doc("link.txt"), "تم تجاوز رابط أو مجلد"},
        {"an offline file", RemovalFlow::MyFiles, Doc("cloud.docx"),
         "مجلد أو رابط أو ملف سحابي غير متاح"},
        {"an offline file", RemovalFlow::BulkReview, Doc("cloud.docx"),
         "رابط أو مجلد أو ملف غير محمّل"},
        {"gone since listed", RemovalFlow::TemporaryFiles, std::string(kTemp) + "gone.tmp",
         PlatformText(std::string(kTemp) + "gone.tmp")},
        {"gone since listed", RemovalFlow::MyFiles, Doc("gone.txt"), PlatformText(Doc("gone.txt"))},
        {"gone since listed", RemovalFlow::BulkReview, Doc("gone.txt"),
         PlatformText(Doc("gone.txt"))},
    };
    for (const Case& c : cases) {
        RecycleOutcome outcome = Run(c.flow, Indexed(c.path));
        EXPECT_FALSE(outcome.removed) << c.name;
        EXPECT_EQ(outcome.reason, c.reason) << c.name;
    }
    EXPECT_TRUE(machine.RecycleCalls().empty());
    EXPECT_TRUE(Exists(Doc("link.txt")));
}

// A read of each of these files would fail with a sharing violation, so only
// a refusal made before anything reads the file gives the section's words.
TEST_F(RecycleStep, WhatThePlaceRefusesIsRefusedBeforeTheFileIsRead) {
    Write(Doc("locked\\in.txt"));
    Write(Doc("locked\\sub\\in.txt"));
    machine.MarkUnreadable(Doc("locked"));
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"protected", std::string(kTemp) + "t.tmp"},
        {"protected, gone", "C:\\Users\\ali\\AppData\\Local\\gone.txt"},
        {"under a linked folder", Doc("linked\\x.txt")},
        {"under a linked folder, gone", Doc("linked\\gone.txt")},
        {"in an unreadable folder", Doc("locked\\in.txt")},
        {"below an unreadable folder", Doc("locked\\sub\\in.txt")},
        {"outside the roots, gone", "C:\\Outside\\gone.txt"},
    };
    for (const auto& c : cases) {
        machine.FailOperation(c.path, FileOp::ReadInfo, base::ErrorKind::SharingViolation);
        RecycleOutcome outcome = RecycleOneFile(
            machine, {c.path, 0, 0}, RecycleChecks{RemovalFlow::MyFiles, {kProfile}}, 77);
        EXPECT_EQ(outcome.reason, "مسار خارج مجلداتك أو داخل مجلد محمي") << c.what;
    }
    EXPECT_TRUE(machine.RecycleCalls().empty());
}

// Every other spelling of a file, and what may change between listing and
// removal, against the step run over the whole profile.
TEST_F(RecycleStep, NoOtherSpellingOrChangeSinceListingReachesAnotherFile) {
    machine.AddShortName("C:\\Users\\ali\\AppData", "APPDAT~1");
    Write(Doc("holiday photos.zip"), "z");
    machine.AddShortName(Doc("holiday photos.zip"), "HOLIDA~1.ZIP");
    Link(Doc("deep\\er\\linked"), "C:\\Elsewhere\\real");
    // Listed, then moved away.
    Write(Doc("moved.txt"));
    ASSERT_TRUE(machine.files().MoveReplace(Doc("moved.txt"), Doc("moved-away.txt")).ok());
    // Listed, then its folder put aside and a link to a protected folder
    // holding a file of the same name put in its place.
    Write(Doc("work\\x.tmp"));
    Write(std::string(kTemp) + "x.tmp");
    std::filesystem::rename(*machine.HostPathOf(Doc("work")), *machine.HostPathOf(Doc("work-old")));
    Link(Doc("work"), "C:\\Users\\ali\\AppData\\Local\\Temp");

    const std::string outside = "مسار خارج مجلداتك أو داخل مجلد محمي";
    const struct {
        const char* what;
        RemovalFlow flow;
        std::string path;
        std::string reason;
    } cases[] = {
        {"case", RemovalFlow::MyFiles, "C:\\USERS\\ALI\\APPDATA\\LOCAL\\TEMP\\T.TMP", outside},
        {"short name above", RemovalFlow::MyFiles, "C:\\Users\\ali\\APPDAT~1\\Local\\Temp\\t.tmp",
         outside},
        {"short name of the file", RemovalFlow::MyFiles, Doc("HOLIDA~1.ZIP"), outside},
        {"verbatim", RemovalFlow::MyFiles, "\\\\?\\" + Doc("a.txt"), outside},
        {"device", RemovalFlow::MyFiles, "\\\\.\\" + Doc("a.txt"), outside},
        {"trailing dot", RemovalFlow::MyFiles, Doc("a.txt."), outside},
        {"trailing dot", RemovalFlow::BulkReview, Doc("a.txt."),
         "مسار محمي أو خارج الملفات الشخصية"},
        {"trailing space", RemovalFlow::MyFiles, Doc("a.txt "), outside},
        {"..", RemovalFlow::MyFiles, Doc("..\\AppData\\Local\\Temp\\t.tmp"), outside},
        {".. back onto the file", RemovalFlow::MyFiles, Doc("folder\\..\\a.txt"), outside},
        {". segment", RemovalFlow::BulkReview, Doc(".\\a.txt"),
         "مسار محمي أو خارج الملفات الشخصية"},
        {"forward slashes", RemovalFlow::MyFiles, "C:/Users/ali/Documents/a.txt", outside},
        {"stream", RemovalFlow::MyFiles, Doc("a.txt:secret"), outside},
        {"link deep above", RemovalFlow::MyFiles, Doc("deep\\er\\linked\\x.txt"), outside},
        {"the file a link now", RemovalFlow::MyFiles, Doc("link.txt"),
         "مجلد أو رابط أو ملف سحابي غير متاح"},
        {"moved away since listed", RemovalFlow::MyFiles, Doc("moved.txt"),
         PlatformText(Doc("moved.txt"))},
        {"its folder now a link", RemovalFlow::MyFiles, Doc("work\\x.tmp"), outside},
    };
    for (const auto& c : cases) {
        RecycleOutcome outcome =
            RecycleOneFile(machine, {c.path, 0, 0}, RecycleChecks{c.flow, {kProfile}}, 77);
        EXPECT_FALSE(outcome.removed) << c.what;
        EXPECT_EQ(outcome.reason, c.reason) << c.what << ": " << c.path;
    }
    EXPECT_TRUE(machine.RecycleCalls().empty());
    for (const std::string& kept : {Doc("a.txt"), std::string(kTemp) + "t.tmp",
                                    Doc("holiday photos.zip"), std::string(kTemp) + "x.tmp"}) {
        EXPECT_TRUE(Exists(kept)) << kept;
    }

    // Case is the one difference from the listed spelling that is the same file.
    RecycleOutcome sameFile = RecycleOneFile(machine, {"c:\\users\\ALI\\documents\\A.TXT", 0, 0},
                                             RecycleChecks{RemovalFlow::MyFiles, {kProfile}}, 77);
    EXPECT_TRUE(sameFile.removed) << sameFile.reason;
    EXPECT_FALSE(Exists(Doc("a.txt")));
}

TEST_F(RecycleStep, TemporaryFilesTakesItsPathAsGivenWithoutTheGuard) {
    RecycleOutcome outcome = Run(RemovalFlow::TemporaryFiles, {std::string(kTemp) + "t.tmp"});
    EXPECT_TRUE(outcome.removed) << outcome.reason;
    EXPECT_EQ(outcome.bytes, 3);
    EXPECT_FALSE(Exists(std::string(kTemp) + "t.tmp"));
    // Offline files are only refused by the index flows.
    EXPECT_TRUE(Run(RemovalFlow::TemporaryFiles, {Doc("cloud.docx")}).removed);
}

// Given the folder its listing walked, the Temporary files flow takes a file
// only where the walk could have found it: below that folder, through real
// folders. A folder of the walk swapped for a link since leads elsewhere.
TEST_F(RecycleStep, TemporaryFilesTakesOnlyWhatLiesUnderTheWalkedFolder) {
    const std::string temp = kTemp;
    Write(temp + "Sub\\deep\\d.tmp", "d");
    Write(temp + "u.tmp", "u");
    Link(temp + "Swapped", "C:\\Elsewhere\\real");
    Link("C:\\Users\\ali\\AppData\\Local\\TempLink", temp);
    struct Case {
        const char* name;
        std::string root;
        std::string path;
        bool removed;
    };
    const Case cases[] = {
        {"a folder of the walk now a link", temp, temp + "Swapped\\x.txt", false},
        {"the walked folder itself now a link", "C:\\Users\\ali\\AppData\\Local\\TempLink\\",
         "C:\\Users\\ali\\AppData\\Local\\TempLink\\t.tmp", false},
        {"outside the walked folder", temp, Doc("a.txt"), false},
        {"a neighbour sharing its name's start", temp.substr(0, temp.size() - 1) + "2\\",
         temp + "t.tmp", false},
        {"two real folders down", temp, temp + "Sub\\deep\\d.tmp", true},
        {"root spelt in other case, no backslash", "c:\\users\\ALI\\appdata\\local\\temp",
         temp + "u.tmp", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t shellCalls = machine.RecycledPaths().size();
        RecycleOutcome outcome = RecycleOneFile(
            machine, {c.path, 0, 0}, RecycleChecks{RemovalFlow::TemporaryFiles, {}, c.root}, 77);
        EXPECT_EQ(outcome.removed, c.removed) << outcome.reason;
        if (!c.removed) {
            EXPECT_EQ(outcome.reason, "تم تجاوز رابط أو مجلد");
            EXPECT_EQ(machine.RecycledPaths().size(), shellCalls) << "the shell never asked";
            EXPECT_TRUE(Exists(c.path));
        }
    }
}

TEST_F(RecycleStep, BulkReviewRefusesAFileChangedSinceIndexing) {
    RemovalCandidate sizeChanged = Indexed(Doc("a.txt"));
    sizeChanged.indexedBytes += 1;
    RemovalCandidate timeChanged = Indexed(Doc("a.txt"));
    timeChanged.indexedModified.second = (timeChanged.indexedModified.second + 1) % 60;
    for (const RemovalCandidate& candidate : {sizeChanged, timeChanged}) {
        RecycleOutcome outcome = Run(RemovalFlow::BulkReview, candidate);
        EXPECT_EQ(outcome.reason, "الملف تغيّر بعد الفهرسة؛ أعد الفحص قبل حذفه");
    }
    EXPECT_TRUE(Exists(Doc("a.txt")));
    // My Files does not compare; it counts the size read just now.
    EXPECT_TRUE(Run(RemovalFlow::MyFiles, sizeChanged).removed);
    EXPECT_TRUE(Run(RemovalFlow::BulkReview, Indexed(Doc("grown.txt"))).removed);
}

TEST_F(RecycleStep, CountsTheSizeReadJustBeforeTheShell) {
    RemovalCandidate candidate = Indexed(Doc("grown.txt"));
    candidate.indexedBytes = 5;
    RecycleOutcome outcome = Run(RemovalFlow::MyFiles, candidate);
    ASSERT_TRUE(outcome.removed) << outcome.reason;
    EXPECT_EQ(outcome.bytes, 12);
    ASSERT_EQ(machine.RecycleCalls().size(), 1u);
    EXPECT_EQ(machine.RecycleCalls()[0].path, Doc("grown.txt"));
    EXPECT_EQ(machine.RecycleCalls()[0].owner, 77u);
}

TEST_F(RecycleStep, TheShellsAnswers) {
    struct Case {
        const char* name;
        RecycleScript script;
        bool removed;
        std::string reason; // empty: the platform's text, checked not empty
    };
    const Case cases[] = {
        {"cancelled", RecycleScript::Cancelled(), false, ""},
        {"failed", RecycleScript::Failed(base::ErrorKind::SharingViolation, "in use by Word"),
         false, "in use by Word"},
        {"deleted for good", RecycleScript::DeletedForGood(), true, ""},
        {"left in place", RecycleScript::LeftInPlace(), false, "الملف بعده موجود"},
    };
    for (const Case& c : cases) {
        Write(Doc("shell.txt"), "s");
        machine.ScriptRecycle(Doc("shell.txt"), c.script);
        RecycleOutcome outcome = Run(RemovalFlow::MyFiles, Indexed(Doc("shell.txt")));
        EXPECT_EQ(outcome.removed, c.removed) << c.name;
        EXPECT_EQ(Exists(Doc("shell.txt")), !c.removed) << c.name;
        if (!c.reason.empty()) {
            EXPECT_EQ(outcome.reason, c.reason) << c.name;
        } else if (!c.removed) {
            EXPECT_FALSE(outcome.reason.empty()) << c.name;
        }
    }
}

TEST_F(RecycleStep, StillThereReasonPerFlow) {
    const std::pair<RemovalFlow, const char*> flows[] = {
        {RemovalFlow::TemporaryFiles, "الملف باقٍ في مكانه"},
        {RemovalFlow::MyFiles, "الملف بعده موجود"},
        {RemovalFlow::BulkReview, "الملف ما زال موجوداً"},
    };
    machine.ScriptRecycle(Doc("a.txt"), RecycleScript::LeftInPlace());
    for (const auto& [flow, reason] : flows) {
        EXPECT_EQ(Run(flow, Indexed(Doc("a.txt"))).reason, reason);
    }
}

// ---------------------------------------------------------------------------
// The run frame

class RecordingHost : public RunWindow {
public:
    void Tell(const std::string& text) override { told.push_back(text); }
    void PumpPending() override {
        ++pumps;
        if (onPump) {
            onPump(pumps);
        }
    }
    base::Lease HoldRunBusy(RemovalFlow, std::function<void()> stop) override {
        busyChanges.push_back(true);
        stopAction = std::move(stop);
        if (onBusy) {
            onBusy();
        }
        return base::Lease([this] { busyChanges.push_back(false); });
    }
    platform::NativeWindow Owner() override { return 5; }

    std::vector<std::string> told;
    std::vector<bool> busyChanges;
    std::vector<std::pair<int, int>> progress;
    int pumps = 0;
    std::function<void(int)> onPump;
    std::function<void()> onBusy;
    std::function<void()> stopAction;
};

class RunFrame : public testing::MachineFixture {
protected:
    RunFrame() {
        for (int i = 1; i <= 5; ++i) {
            Write(Doc("f" + std::to_string(i) + ".txt"), std::string(i * 10, 'x'));
        }
    }
    std::vector<RemovalCandidate> Five() {
        std::vector<RemovalCandidate> list;
        for (int i = 1; i <= 5; ++i) {
            list.push_back({Doc("f" + std::to_string(i) + ".txt"), i * 10, {}});
        }
        return list;
    }
    RemovalCandidate Indexed(const std::string& path) {
        auto info = machine.files().ReadInfo(path);
        if (!info.ok()) {
            return {path, -1, {}};
        }
        return {path, info->length, machine.clock().ToLocal(info->lastWrite)};
    }
    std::string LogPath(std::string_view prefix) {
        return std::string(kDataFolder) + "\\" + RemovalLogName(prefix, machine.clock().NowLocal());
    }

    RecordingHost host;
    ReportStore store{machine};
    RemovalRun run{machine, store, host};
    int followUps = 0;
    std::vector<std::pair<std::string, std::int64_t>> engineUpdates;
    RemovalSection MyFiles() {
        RemovalSection section;
        section.flow = RemovalFlow::MyFiles;
        section.roots = {kDocs};
        section.onRemoved = [this](const RemovalCandidate& c, const RecycleOutcome& o) {
            engineUpdates.emplace_back(o.fullPath, c.indexedBytes);
        };
        section.onProgress = [this](int handled, int total) {
            host.progress.emplace_back(handled, total);
        };
        section.followUp = [this] {
            ++followUps;
            EXPECT_FALSE(host.busyChanges.back()) << "follow-up before busy was cleared";
        };
        return section;
    }
};

TEST_F(RunFrame, AStopDuringTheThirdFileEndsBeforeTheFourth) {
    host.onPump = [this](int pumps) {
        if (pumps == 3) {
            run.RequestStop();
        }
    };
    std::optional<RunResult> result = run.Run(MyFiles(), Five());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->done, 3);
    EXPECT_TRUE(result->stopped);
    EXPECT_EQ(result->report.attempted, 3);
    EXPECT_EQ(result->report.success, 3);
    EXPECT_TRUE(result->report.stopped);
    EXPECT_EQ(result->report.logicalRemoved, 10 + 20 + 30);
    EXPECT_EQ(result->report.kind, kKindFiles);
    EXPECT_TRUE(Exists(Doc("f4.txt")));
    EXPECT_EQ(machine.RecycleCalls().size(), 3u);
    EXPECT_EQ(result->logLines.size(), 3u);
    EXPECT_EQ(engineUpdates.size(), 3u);
    EXPECT_EQ(engineUpdates[2], (std::pair<std::string, std::int64_t>{Doc("f3.txt"), 30}));

    EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
    ASSERT_EQ(host.told.size(), 1u);
    EXPECT_EQ(host.told[0], ReportSummary18(result->report, machine.environment().UserCulture()));
    EXPECT_EQ(followUps, 1);
    EXPECT_EQ(host.progress.back(), (std::pair<int, int>{3, 5}));
    EXPECT_EQ(store.LastReport(), result->report);
}

// The close guard stops a run through the stop action the frame registered
// with its busy lease.
TEST_F(RunFrame, TheStopActionOfItsBusyLeaseEndsTheRunAfterTheCurrentFile) {
    host.onPump = [this](int pumps) {
        if (pumps == 2) {
            ASSERT_TRUE(host.stopAction);
            host.stopAction();
        }
    };
    std::optional<RunResult> result = run.Run(MyFiles(), Five());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->done, 2);
    EXPECT_TRUE(result->report.stopped);
    EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(RunFrame, AStopBeforeTheLoopCannotEmptyTheLog) {
    run.RequestStop(); // not running: ignored
    host.onBusy = [this] { run.RequestStop(); };
    host.onPump = [this](int) { run.RequestStop(); };
    std::optional<RunResult> result = run.Run(MyFiles(), Five());
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->logLines.size(), 1u);
    EXPECT_EQ(result->report.attempted, 1);
    EXPECT_TRUE(result->stopped);
}

TEST_F(RunFrame, TemporaryFilesRunsToTheEndWhateverIsPressed) {
    host.onPump = [this](int) { run.RequestStop(); };
    std::vector<RemovalCandidate> list = Five();
    list[1].path = std::string(kTemp) + "missing.tmp";
    RemovalSection section;
    section.flow = RemovalFlow::TemporaryFiles;
    std::optional<RunResult> result = run.Run(section, list);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->done, 4);
    EXPECT_EQ(result->failed, 1);
    EXPECT_FALSE(result->report.stopped);
    EXPECT_EQ(result->report.attempted, 5);
}

TEST_F(RunFrame, WritesOneLinePerFileInTheSectionsWords) {
    std::vector<RemovalCandidate> list = {
        {"C:\\Users\\ali\\Documents\\f1.txt", 10, 0},
        {"C:\\Outside\\o.txt", 1, 0},
        // Not the spelling the index gave: it stays, under the name it was listed by.
        {"C:/Users/ali/Documents/./f2.txt", 20, 0},
    };
    Write("C:\\Outside\\o.txt", "o");
    std::optional<RunResult> result = run.Run(MyFiles(), list);
    ASSERT_TRUE(result.has_value());
    const std::vector<std::string> expected = {
        "REMOVED C:\\Users\\ali\\Documents\\f1.txt",
        "NOT REMOVED C:\\Outside\\o.txt : مسار خارج مجلداتك أو داخل مجلد محمي",
        "NOT REMOVED C:/Users/ali/Documents/./f2.txt : مسار خارج مجلداتك أو داخل مجلد محمي",
    };
    EXPECT_EQ(result->logLines, expected);
    ASSERT_TRUE(result->logPath.has_value());
    EXPECT_EQ(*result->logPath, LogPath("Removal-"));
    EXPECT_EQ(Read(*result->logPath),
              "\xEF\xBB\xBF" + expected[0] + "\r\n" + expected[1] + "\r\n" + expected[2] + "\r\n");

    RemovalSection bulk = MyFiles();
    bulk.flow = RemovalFlow::BulkReview;
    machine.Advance(10'000); // one millisecond: a log of its own
    result = run.Run(bulk, {Indexed(Doc("f2.txt")), {Doc("f3.txt"), 30, 0}});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->logLines[0], "RECYCLED " + Doc("f2.txt"));
    EXPECT_EQ(result->report.kind, kKindIndexResults);
    EXPECT_EQ(result->logLines[1],
              "SKIPPED " + Doc("f3.txt") + " : الملف تغيّر بعد الفهرسة؛ أعد الفحص قبل حذفه");
    EXPECT_EQ(*result->logPath, LogPath("IndexRemoval-"));
}

TEST_F(RunFrame, ALogThatCannotBeWrittenNeverEndsTheRun) {
    const std::string diagnostics = std::string(kDataFolder) + "\\Diagnostics.txt";
    struct Case {
        RemovalFlow flow;
        const char* prefix;
        bool diagnosed;
    };
    for (const Case& c : {Case{RemovalFlow::MyFiles, "Removal-", false},
                          Case{RemovalFlow::BulkReview, "IndexRemoval-", true}}) {
        machine.Advance(10'000);
        machine.FailOperation(LogPath(c.prefix), platform::emulated::FileOp::Write,
                              base::ErrorKind::AccessDenied);
        (void)machine.files().RemoveFile(diagnostics);
        RemovalSection section = MyFiles();
        section.flow = c.flow;
        Write(Doc("one.txt"), "1");
        const std::size_t toldBefore = host.told.size();
        std::optional<RunResult> result = run.Run(section, {Indexed(Doc("one.txt"))});
        ASSERT_TRUE(result.has_value());
        EXPECT_FALSE(result->logPath.has_value());
        EXPECT_EQ(result->report.success, 1);
        EXPECT_EQ(host.told.size(), toldBefore + 1);
        EXPECT_EQ(Exists(diagnostics), c.diagnosed) << c.prefix;
    }
}

TEST_F(RunFrame, EveryWriteFaultOnTheLogLeavesNoHalfLogAndTheRunEndsWithItsReport) {
    const std::string diagnostics = std::string(kDataFolder) + "\\Diagnostics.txt";
    const std::string report = std::string(kDataFolder) + "\\LastCleanup.json";
    struct Flow {
        RemovalFlow flow;
        const char* prefix;
        bool diagnosed;
    };
    for (const Flow& f : {Flow{RemovalFlow::MyFiles, "Removal-", false},
                          Flow{RemovalFlow::BulkReview, "IndexRemoval-", true}}) {
        for (const testing::WriteFaultCase& c : testing::kWriteFaults) {
            if (c.fault == testing::WriteFault::MoveFails ||
                c.fault == testing::WriteFault::FlushFails) {
                continue; // the log is written in place, never moved or flushed
            }
            const std::string what = std::string(f.prefix) + " " + c.name;
            machine.ClearFaults().Advance(10'000);
            (void)machine.files().RemoveFile(diagnostics);
            const std::string log = LogPath(f.prefix);
            testing::InjectWriteFault(machine, c, log, log);
            RemovalSection section = MyFiles();
            section.flow = f.flow;
            Write(Doc("one.txt"), "1");
            std::optional<RunResult> result = run.Run(section, {Indexed(Doc("one.txt"))});
            ASSERT_TRUE(result.has_value()) << what;
            EXPECT_FALSE(result->logPath.has_value()) << what;
            EXPECT_FALSE(machine.HostPathOf(log).has_value() &&
                         std::filesystem::exists(*machine.HostPathOf(log)))
                << what << ": no half-written log";
            EXPECT_EQ(result->report.success, 1) << what;
            EXPECT_EQ(Read(report), SerializeReport(result->report)) << what;
            ASSERT_FALSE(host.told.empty()) << what;
            EXPECT_EQ(host.told.back(),
                      ReportSummary18(result->report, machine.environment().UserCulture()))
                << what;
            EXPECT_EQ(Read(diagnostics),
                      f.diagnosed
                          ? "\xEF\xBB\xBF" + base::FormatSortable(machine.clock().NowLocal()) +
                                " : " + testing::WriteFaultText(c) + "\r\n"
                          : "<unreadable>")
                << what;
        }
    }
}

TEST_F(RunFrame, RefusesARunWithoutCandidates) {
    EXPECT_FALSE(run.Run(MyFiles(), {}).has_value());
    EXPECT_TRUE(host.busyChanges.empty());
    EXPECT_TRUE(host.told.empty());
    EXPECT_EQ(followUps, 0);
}

TEST_F(RunFrame, GivesTheSectionItsControlsBackWhenAnErrorEscapes) {
    RemovalSection section = MyFiles();
    section.onRemoved = [](const RemovalCandidate&, const RecycleOutcome&) {
        throw std::runtime_error("engine gone");
    };
    EXPECT_THROW((void)run.Run(section, Five()), std::runtime_error);
    EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(followUps, 1);
    EXPECT_FALSE(run.running());
}

// ---------------------------------------------------------------------------
// Logs

TEST_F(RunFrame, LogsAreStampedBomCrLfAndReplaced) {
    machine.SetUtcOffsetMinutes(180).Advance(((13 * 3600 + 4 * 60 + 5) * 1000 + 67) * 10'000LL);
    const std::string hostile = "C:\\=\"quoted\" ملف " + std::string(300, 'n') + ".txt";
    const std::string path = std::string(kDataFolder) + "\\Apps-20240101-160405-067.txt";
    Write(path, std::string(5000, 'z'));
    base::Result<std::string> written = WriteRemovalLog(machine, kAppsLogPrefix, {hostile, "b"});
    ASSERT_TRUE(written.ok()) << written.error().message;
    EXPECT_EQ(*written, path);
    EXPECT_EQ(Read(path), "\xEF\xBB\xBF" + hostile + "\r\nb\r\n");
}

TEST_F(RunFrame, HostileNamesSurviveTheWholeRun) {
    const std::string deep =
        Doc(std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\=='quoted', ملف; مهم.txt");
    ASSERT_GT(deep.size(), 260u);
    Write(deep, "hostile");
    std::optional<RunResult> result = run.Run(MyFiles(), {{deep, 7, 0}});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->done, 1) << (result->logLines.empty() ? "" : result->logLines[0]);
    EXPECT_EQ(Read(*result->logPath), "\xEF\xBB\xBFREMOVED " + deep + "\r\n");
}

} // namespace
} // namespace vexo::records
