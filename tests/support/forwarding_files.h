#pragma once
// A file service that hands every call to another one: the base of the test
// doubles that change one or two calls of the emulated machine (hold a
// listing, stop a scan at a folder) and leave the rest as it is.

#include "platform/files.h"

#include <string>
#include <string_view>

namespace vexo::testing {

class ForwardingFiles : public platform::Files {
public:
    explicit ForwardingFiles(platform::Files& inner) : inner_(inner) {}

    base::Status ListFolder(const std::string& folder, platform::ListingSink& sink) override {
        return inner_.ListFolder(folder, sink);
    }
    base::Status ListFolderSizes(const std::string& folder, platform::ListingSink& sink) override {
        return inner_.ListFolderSizes(folder, sink);
    }
    base::Result<platform::FileInfo> ReadInfo(const std::string& p) override {
        return inner_.ReadInfo(p);
    }
    bool Exists(const std::string& p) override { return inner_.Exists(p); }
    base::Status CreateFolderTree(const std::string& p) override {
        return inner_.CreateFolderTree(p);
    }
    base::Result<std::string> ReadAllBytes(const std::string& p) override {
        return inner_.ReadAllBytes(p);
    }
    base::Status AppendBytes(const std::string& p, std::string_view b) override {
        return inner_.AppendBytes(p, b);
    }
    base::Status WriteAllBytes(const std::string& p, std::string_view b) override {
        return inner_.WriteAllBytes(p, b);
    }
    base::Status FlushToDisk(const std::string& p) override { return inner_.FlushToDisk(p); }
    base::Status MoveReplace(const std::string& from, const std::string& to) override {
        return inner_.MoveReplace(from, to);
    }
    base::Status RemoveFile(const std::string& p) override { return inner_.RemoveFile(p); }
    base::Result<std::string> FullPath(const std::string& p) override { return inner_.FullPath(p); }
    base::Result<std::string> LongPath(const std::string& p) override { return inner_.LongPath(p); }
    std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }

protected:
    ~ForwardingFiles() = default;

    platform::Files& inner_;
};

} // namespace vexo::testing
