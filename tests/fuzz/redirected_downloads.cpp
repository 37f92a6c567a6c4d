// The redirected Downloads folder as the registry holds it: any text, typed
// as a plain or an expandable string, environment references included, as
// another program or a hand edit may have left it. Every personal root and
// every index root made from the candidates must keep the rules of an
// accepted path (emulated_host.h); a personal root ends in exactly one
// backslash.
//
// Input: the first byte chooses the value's type (lowest bit: expandable)
// and the current directory (the next two bits); the rest is the value.

#include "fuzz/emulated_host.h"
#include "fuzz/fuzz_abort.h"
#include "records/path_guard.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kDownloadsValue = "{374DE290-123F-4565-9164-39C4925E467B}";

bool EndsInOneBackslash(const std::string& root) {
    return root.size() >= 2 && root.back() == '\\' && root[root.size() - 2] != '\\';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    using vexo::platform::RegValue;
    vexo::fuzz::EmulatedHost& host = vexo::fuzz::EmulatedHost::Instance();
    host.ChooseCurrentDirectory(static_cast<unsigned char>(data[0] >> 1));
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input.substr(1);
    host.machine().SetValue(vexo::platform::Hive::CurrentUser, kShellFolders, kDownloadsValue,
                            (data[0] & 1) != 0 ? RegValue::ExpandSz(std::move(text))
                                               : RegValue::Sz(std::move(text)));

    for (const std::string& root : vexo::records::GetPersonalRoots22(host.machine())) {
        if (!EndsInOneBackslash(root)) {
            vexo::fuzz::Violation("a personal root ends in exactly one backslash", input, root);
        }
        host.CheckAccepted(input, root);
    }
    const auto candidates = vexo::records::PersonalFolderCandidates(host.machine());
    for (const std::string& root : vexo::records::ValidateIndexRoots(host.machine(), candidates)) {
        host.CheckAccepted(input, root);
    }
    return 0;
}
