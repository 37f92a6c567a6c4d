// vexo-analysis: runs the folder-size scanner on one drive from the command
// line, for the benchmark and for checks by hand.
//
//   vexo-analysis ROOT
//
// Natively ROOT is a host folder, mapped as drive C of the emulated machine;
// on Windows it is a drive root ("D:\"). Prints key=value lines: the time
// the scan took, its files, bytes, skipped entries, rows and error, then one
// "row=<bytes>\t<name>" line per top-level entry in arrival order.

#include "space/folder_scan.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#if defined(VEXO_ANALYSIS_WIN32)
#include "base/utf.h"
#include "platform/win32/win32_machine.h"
#else
#include "platform/emulated/emulated_machine.h"

#include <filesystem>
#endif

namespace {

int Run(const std::string& root) {
#if defined(VEXO_ANALYSIS_WIN32)
    std::shared_ptr<vexo::platform::Machine> machine = vexo::platform::win32::CreateWin32Machine();
    const std::string drive = root;
#else
    auto machine = std::make_shared<vexo::platform::emulated::EmulatedMachine>();
    machine->MapDrive('C', std::filesystem::absolute(root));
    const std::string drive = "C:\\";
#endif
    const auto start = std::chrono::steady_clock::now();
    auto scan = vexo::space::VexoFastScan10::Create(machine->files());
    scan->Start(drive);
    scan->Done.wait(false);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    const std::vector<vexo::space::VexoFolder10> rows = scan->TakeResults();
    std::int64_t bytes = 0;
    for (const auto& row : rows) {
        bytes += row.Bytes;
    }
    std::printf("ms=%.1f\nfiles=%lld\nbytes=%lld\nskipped=%lld\nrows=%zu\nerror=%s\n", ms,
                static_cast<long long>(scan->Files.load()), static_cast<long long>(bytes),
                static_cast<long long>(scan->Skipped.load()), rows.size(), scan->Error().c_str());
    for (const auto& row : rows) {
        std::printf("row=%lld\t%s\n", static_cast<long long>(row.Bytes), row.Name.c_str());
    }
    return scan->Error().empty() ? 0 : 1;
}

} // namespace

#if defined(VEXO_ANALYSIS_WIN32)
int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: vexo-analysis ROOT\n", stderr);
        return 2;
    }
    return Run(vexo::base::Narrow(argv[1]));
}
#else
int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vexo-analysis ROOT\n", stderr);
        return 2;
    }
    return Run(argv[1]);
}
#endif
