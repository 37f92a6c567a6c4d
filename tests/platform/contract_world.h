#pragma once
// The contract suite runs the same cases on both adapters. A world gives the
// suite a machine and what it needs around it that only a test may do (make
// a link, hold a file open, answer the shell's dialog). The native build
// provides it over the emulated machine on temporary host folders, the
// Windows build over the real adapter under Wine.

#include "platform/machine.h"

#include <memory>
#include <string>

namespace vexo::platform::contract {

// Keeps a file open without sharing until it is destroyed.
class HeldFile {
public:
    virtual ~HeldFile() = default;
};

class World {
public:
    virtual ~World() = default;

    virtual Machine& machine() = 0;
    // An empty folder (a Windows path) for this test alone, removed afterwards.
    virtual std::string Scratch() = 0;
    // A registry key under HKCU for this test alone, removed afterwards.
    virtual std::string ScratchKey() = 0;

    // A symbolic link at `link` to the folder `target`.
    virtual bool MakeFolderLink(const std::string& link, const std::string& target) = 0;
    virtual void MakeHidden(const std::string& path) = 0;
    // The 8.3 alias (a name, not a path) under which the existing entry at
    // `path` also answers, or empty when this side gives it none.
    virtual std::string ShortNameOf(const std::string& path) = 0;
    // False when this side cannot make a folder unreadable.
    virtual bool MakeUnreadable(const std::string& folder) = 0;
    virtual std::unique_ptr<HeldFile> HoldExclusively(const std::string& path) = 0;

    // A program (full path) and the command line that makes it end with `code`.
    virtual ProcessLaunch ExitsWith(int code) = 0;
    // The same program through the shell.
    virtual ShellLaunch ShellExitsWith(int code) = 0;
    // A program that runs until the file `flag` exists.
    virtual ProcessLaunch RunsUntilFileExists(const std::string& flag) = 0;

    // The user's answer to the shell's confirmation when `path` is recycled.
    virtual void AnswerShellConfirmation(const std::string& path, bool yes) = 0;
    // The folder (a Windows path) where recycled files land, if this side can see it.
    virtual std::string RecycledFilesFolder() = 0;
};

std::unique_ptr<World> MakeWorld();

} // namespace vexo::platform::contract
