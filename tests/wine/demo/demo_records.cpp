// vexo-demo-records.exe: writes the records an earlier session of the
// product would have left in the demo profile's data folder, through the
// product's own writers, dated some days back:
//
//   cleanup DAYS KEPT BYTES PATH [BYTES PATH]...
//       a My Files clean-up DAYS days ago that moved each PATH (of BYTES) to
//       the Recycle Bin and left KEPT in place (the user said no to the
//       shell): its removal log and LastCleanup.json. The drives' readings
//       now are the report's "after"; its "before" is the same with the
//       moved bytes less free on the system drive. A memory card that could
//       not be read then left its line in the diagnostics log
//   analysis DAYS ROOT
//       measures the drive ROOT ("C:\") as Folder analysis does and saves its
//       rows as that drive's saved analysis, dated DAYS days back
//
// Each record is read back with the product's own reader before the tool
// says it is done. Exit status: 0 written and read back, 1 failed, 2 wrong use.

#include "base/datetime.h"
#include "base/utf.h"
#include "platform/win32/win32_machine.h"
#include "platform/windows_errors.h"
#include "records/cleanup_report.h"
#include "records/recycle.h"
#include "records/removal_log.h"
#include "space/folder_scan.h"
#include "space/saved_analysis.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using vexo::platform::FileTime;

constexpr FileTime kFileTimeTicksPerDay = 24LL * 3600 * 10'000'000;

// The clock of the product's machine, set back by whole days, so that every
// time stamp the writers take reads as that earlier day.
class EarlierClock final : public vexo::platform::Clock {
public:
    EarlierClock(vexo::platform::Clock& now, int days) : now_(now), days_(days) {}
    FileTime NowUtc() override { return now_.NowUtc() - days_ * kFileTimeTicksPerDay; }
    vexo::base::DateTimeParts ToLocal(FileTime utc) override { return now_.ToLocal(utc); }
    std::int64_t MonotonicNanos() override { return now_.MonotonicNanos(); }

private:
    vexo::platform::Clock& now_;
    std::int64_t days_;
};

// The product's drives and, during the earlier session, a memory card in a
// reader that Windows still listed as ready but could no longer read: the
// clean-up's drive readings write the product's "Report disk: " line for it
// to the diagnostics log.
class EarlierVolumes final : public vexo::platform::Volumes {
public:
    explicit EarlierVolumes(vexo::platform::Volumes& now) : now_(now) {}
    std::vector<std::string> DriveRoots() override {
        std::vector<std::string> roots = now_.DriveRoots();
        roots.push_back(kCard);
        return roots;
    }
    vexo::platform::DriveType TypeOf(const std::string& root) override {
        return root == kCard ? vexo::platform::DriveType::Removable : now_.TypeOf(root);
    }
    bool IsReady(const std::string& root) override { return root == kCard || now_.IsReady(root); }
    vexo::base::Result<std::string> Label(const std::string& root) override {
        return root == kCard ? vexo::base::Result<std::string>(Unreadable()) : now_.Label(root);
    }
    vexo::base::Result<vexo::platform::VolumeReading> Read(const std::string& root) override {
        return root == kCard ? vexo::base::Result<vexo::platform::VolumeReading>(Unreadable())
                             : now_.Read(root);
    }

private:
    static constexpr const char* kCard = "G:\\";
    static vexo::base::Error Unreadable() {
        return vexo::platform::ErrorFromCode(vexo::platform::win::kNotReady);
    }
    vexo::platform::Volumes& now_;
};

// The product's machine with that earlier clock and those drives.
class EarlierMachine final : public vexo::platform::Machine {
public:
    EarlierMachine(std::unique_ptr<vexo::platform::Machine> real, int days)
        : real_(std::move(real)), clock_(real_->clock(), days), volumes_(real_->volumes()) {}
    vexo::platform::Files& files() override { return real_->files(); }
    vexo::platform::Volumes& volumes() override { return volumes_; }
    vexo::platform::Environment& environment() override { return real_->environment(); }
    vexo::platform::Registry& registry() override { return real_->registry(); }
    vexo::platform::Processes& processes() override { return real_->processes(); }
    vexo::platform::RecycleBin& recycleBin() override { return real_->recycleBin(); }
    vexo::platform::Http& http() override { return real_->http(); }
    vexo::platform::Clock& clock() override { return clock_; }

private:
    std::unique_ptr<vexo::platform::Machine> real_;
    EarlierClock clock_;
    EarlierVolumes volumes_;
};

int Failed(const std::string& why) {
    std::fprintf(stderr, "vexo-demo-records: %s\n", why.c_str());
    return 1;
}

std::int64_t Number(const wchar_t* text) {
    return std::wcstoll(text, nullptr, 10);
}

struct Removed {
    std::int64_t bytes = 0;
    std::string path;
};

int WriteCleanup(vexo::platform::Machine& machine, const std::string& kept,
                 const std::vector<Removed>& removed) {
    std::vector<vexo::records::DriveReading> before = vexo::records::ReadStorage18(machine);
    if (before.empty()) {
        return Failed("no drive could be read");
    }
    // The log's lines as the removal run words them for My Files.
    std::vector<std::string> lines;
    std::int64_t bytes = 0;
    for (const Removed& file : removed) {
        lines.push_back("REMOVED " + file.path);
        bytes += file.bytes;
    }
    lines.push_back(
        "NOT REMOVED " + kept + " : " +
        std::string(vexo::records::ReasonsFor(vexo::records::RemovalFlow::MyFiles).stillThere));
    vexo::base::Result<std::string> log =
        vexo::records::WriteRemovalLog(machine, vexo::records::kRemovalLogPrefix, lines);
    if (!log.ok()) {
        return Failed(log.error().message);
    }

    // The system drive had that much less free space before the run.
    vexo::records::DriveReading& system = before.front();
    system.free -= bytes;
    system.available -= bytes;
    system.used += bytes;
    const int success = static_cast<int>(removed.size());
    vexo::records::ReportStore store(machine);
    const vexo::records::CleanupReport written = store.SaveReport18(
        vexo::records::kKindFiles, std::move(before), bytes, success + 1, success, 1, false);
    const std::optional<vexo::records::CleanupReport> read =
        vexo::records::ReportStore(machine).LastReport();
    if (!read || *read != written) {
        return Failed("LastCleanup.json does not read back as written");
    }
    std::printf("%s\nLastCleanup.json: %s, %lld bytes, %d of %d\n", log->c_str(),
                written.at.c_str(), static_cast<long long>(bytes), success, success + 1);
    return 0;
}

int WriteAnalysis(vexo::platform::Machine& machine, const std::string& root) {
    auto scan = vexo::space::VexoFastScan10::Create(machine.files());
    scan->Run(root);
    if (!scan->Error().empty()) {
        return Failed("the analysis of " + root + " failed: " + scan->Error());
    }
    vexo::space::SavedAnalysis record;
    record.At = machine.clock().NowLocal();
    record.Files = scan->Files.load();
    record.Skipped = scan->Skipped.load();
    for (const vexo::space::VexoFolder10& folder : scan->TakeResults()) {
        record.Rows.push_back({.Name = folder.Name,
                               .GB = vexo::space::GigabytesShown(folder.Bytes),
                               .Path = folder.Path,
                               .Notes = vexo::space::RowNote(folder)});
    }
    vexo::base::Result<std::string> path =
        vexo::space::SavedAnalysisPath(machine.environment(), root);
    if (!path.ok()) {
        return Failed(path.error().message);
    }
    if (vexo::base::Status saved = vexo::space::SaveAnalysis(machine, *path, record); !saved.ok()) {
        return Failed(saved.error().message);
    }
    vexo::base::Result<std::optional<vexo::space::SavedAnalysis>> read =
        vexo::space::LoadSavedAnalysis(machine.files(), *path);
    if (!read.ok() || !read->has_value() || **read != record) {
        return Failed(*path + " does not read back as written");
    }
    std::printf("%s: %zu rows, %lld files\n", path->c_str(), record.Rows.size(),
                static_cast<long long>(record.Files));
    return 0;
}

int Usage() {
    std::fputs("usage: vexo-demo-records cleanup DAYS KEPT BYTES PATH [BYTES PATH]...\n"
               "       vexo-demo-records analysis DAYS ROOT\n",
               stderr);
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::wstring command = argv[1];
    const int days = static_cast<int>(Number(argv[2]));
    EarlierMachine machine(vexo::platform::win32::CreateWin32Machine(), days);
    if (command == L"cleanup" && argc >= 6 && argc % 2 == 0) {
        std::vector<Removed> removed;
        for (int i = 4; i + 1 < argc; i += 2) {
            removed.push_back({.bytes = Number(argv[i]), .path = vexo::base::Narrow(argv[i + 1])});
        }
        return WriteCleanup(machine, vexo::base::Narrow(argv[3]), removed);
    }
    if (command == L"analysis" && argc == 4) {
        return WriteAnalysis(machine, vexo::base::Narrow(argv[3]));
    }
    return Usage();
}
