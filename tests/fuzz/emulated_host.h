#pragma once
// The machine the path targets fuzz: an emulated Windows machine over a small
// host tree made once per process (drive C with the Windows, program and
// application-data folders and the profile of a user "u"; drive D with a data
// folder, 8.3 aliases for the system and profile folders; a folder link into
// the Windows folder, one out of every drive; files
// whose names read as a stream or a device), the protected variables set.
//
// And the judge of an accepted path, written from the removal rules on the
// host side, without the guard's helpers: the host entry the machine maps the
// path to must exist, lie below a drive's folder and not be it, lie outside
// every protected folder, have no link on the way from the drive's folder,
// and carry neither a stream nor a device name. The host paths compared are
// canonical (realpath): long names, links resolved.

#include "platform/emulated/emulated_machine.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::fuzz {

class EmulatedHost {
public:
    // The one host of this process, made at first use.
    static EmulatedHost& Instance();
    // Removes the tree when the run ends normally; a crashed run leaves it
    // in the caller's temporary folder.
    ~EmulatedHost();
    EmulatedHost(const EmulatedHost&) = delete;
    EmulatedHost& operator=(const EmulatedHost&) = delete;

    platform::emulated::EmulatedMachine& machine() { return machine_; }

    // The current directories an input may choose from, by its first byte.
    const std::vector<std::string>& currentDirectories() const { return currentDirectories_; }
    // Sets the current directory chosen by `selector`, when it is not already.
    void ChooseCurrentDirectory(unsigned char selector);

    // The first rule of the judge that `path`, accepted by the guard, breaks;
    // empty when it keeps them all. `detail` gets the host path looked at.
    std::string BrokenRule(const std::string& path, std::string& detail);

    // Judges a path the guard accepted and aborts, printing `input`, on a
    // broken rule.
    void CheckAccepted(std::string_view input, const std::string& path);

private:
    EmulatedHost();
    void MakeTree();

    std::filesystem::path root_; // canonical temporary folder
    platform::emulated::EmulatedMachine machine_;
    std::vector<std::filesystem::path> drives_;    // canonical host folders of C: and D:
    std::vector<std::filesystem::path> protected_; // canonical host folders
    std::vector<std::string> currentDirectories_;
    unsigned char chosen_ = 0;
};

} // namespace vexo::fuzz
