// The guard on any path spelling, the way a path reaches it from a listing,
// a registry value or an environment value: whatever the input, a path the
// guard accepts names an existing entry on a drive, not the drive itself, not
// inside a protected folder, with no link on the way, judged on the host
// after the machine has mapped it there (emulated_host.h).
//
// Input: the first byte chooses the current directory (relative spellings
// resolve against it), the rest is the path as UTF-8.

#include "records/path_guard.h"

#include "fuzz/emulated_host.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    vexo::fuzz::EmulatedHost& host = vexo::fuzz::EmulatedHost::Instance();
    host.ChooseCurrentDirectory(data[0]);
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = input.substr(1);

    if (vexo::records::TestSimpleFileRoot(host.machine(), path)) {
        host.CheckAccepted(input, path);
    }
    return 0;
}
