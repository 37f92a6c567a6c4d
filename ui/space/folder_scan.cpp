#include "space/folder_scan.h"

#include "base/thread_name.h"

#include <cmath>
#include <exception>
#include <stdexcept>
#include <thread>
#include <utility>

namespace vexo::space {

namespace {

std::string ChildPath(const std::string& folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path = folder;
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    path += name;
    return path;
}

bool IsNotFollowed(const platform::FileInfo& info) {
    return info.IsReparsePoint() || info.IsOffline();
}

} // namespace

bool IsReadFailure(base::ErrorKind kind) {
    switch (kind) {
    case base::ErrorKind::AccessDenied:
    case base::ErrorKind::Io:
    case base::ErrorKind::SharingViolation:
    case base::ErrorKind::NotFound:
    case base::ErrorKind::PathTooLong:
        return true;
    default:
        // A drive that stopped answering (DeviceNotReady) would otherwise
        // turn every folder still pending into a skipped entry and the run
        // into a "complete" one that gets saved.
        return false;
    }
}

// The entries of the root: each one is measured before the next is listed,
// so that results reach the screen as each entry finishes.
class VexoFastScan10::RootSink final : public platform::ListingSink {
public:
    RootSink(VexoFastScan10& scan, const std::string& root) : scan_(scan), root_(root) {}

    bool OnEntry(const platform::DirEntryView& entry) override {
        if (scan_.Cancel.load(std::memory_order_acquire)) {
            return false;
        }
        if (!scan_.Measure(entry, root_)) {
            ended_ = true;
            return false;
        }
        return true;
    }

    // A measured entry met an error that ended the scan.
    bool ended() const { return ended_; }

private:
    VexoFastScan10& scan_;
    const std::string& root_;
    bool ended_ = false;
};

// The children of one pending folder: files are summed, folders pushed.
class VexoFastScan10::FolderSink final : public platform::ListingSink {
public:
    FolderSink(VexoFastScan10& scan, const std::string& folder, std::vector<std::string>& pending,
               std::int64_t& bytes)
        : scan_(scan), folder_(folder), pending_(pending), bytes_(bytes) {}

    bool OnEntry(const platform::DirEntryView& entry) override {
        if (scan_.Cancel.load(std::memory_order_acquire)) {
            return false;
        }
        if (IsNotFollowed(entry.info)) {
            scan_.Skipped.fetch_add(1, std::memory_order_relaxed);
        } else if (entry.info.IsDirectory()) {
            pending_.push_back(ChildPath(folder_, entry.name));
        } else {
            bytes_ += entry.info.length;
            scan_.Files.fetch_add(1, std::memory_order_relaxed);
        }
        return true;
    }

private:
    VexoFastScan10& scan_;
    const std::string& folder_;
    std::vector<std::string>& pending_;
    std::int64_t& bytes_;
};

std::shared_ptr<VexoFastScan10> VexoFastScan10::Create(platform::Files& files) {
    return std::shared_ptr<VexoFastScan10>(new VexoFastScan10(files));
}

void VexoFastScan10::Start(std::string root) {
    if (started_.exchange(true, std::memory_order_acq_rel)) {
        throw std::logic_error("a folder scanner serves one run");
    }
    // The thread holds the scanner, so the section may drop it at any time.
    base::StartDetachedThread("Vexo disk analysis", [self = shared_from_this(),
                                                     root = std::move(root)] { self->Run(root); });
}

void VexoFastScan10::Run(const std::string& root) noexcept {
    try {
        RootSink sink(*this, root);
        base::Status listed = files_.ListFolder(root, sink);
        if (!listed.ok() && !sink.ended()) {
            SetError(listed.error().message);
        }
    } catch (const std::exception& e) {
        SetError(e.what());
    } catch (...) {
        SetError("An unknown error ended the folder scan.");
    }
    Done.store(true, std::memory_order_release);
    Done.notify_all();
}

bool VexoFastScan10::Measure(const platform::DirEntryView& entry, const std::string& root) {
    const std::int64_t skippedBefore = Skipped.load(std::memory_order_relaxed);
    VexoFolder10 folder{
        .Name = std::string(entry.name),
        .Path = ChildPath(root, entry.name),
    };
    SetCurrent(folder.Name);
    if (IsNotFollowed(entry.info)) {
        // A link or a cloud placeholder at the top level gives no row.
        Skipped.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    if (entry.info.IsDirectory()) {
        if (!Walk(folder.Path, folder)) {
            return false;
        }
    } else {
        folder.Bytes = entry.info.length;
        Files.fetch_add(1, std::memory_order_relaxed);
    }
    folder.Skipped = Skipped.load(std::memory_order_relaxed) - skippedBefore;
    folder.Partial = Cancel.load(std::memory_order_acquire);
    Publish(std::move(folder));
    return true;
}

bool VexoFastScan10::Walk(const std::string& top, VexoFolder10& folder) {
    std::vector<std::string> pending{top};
    std::int64_t bytes = 0;
    while (!pending.empty() && !Cancel.load(std::memory_order_acquire)) {
        const std::string path = std::move(pending.back());
        pending.pop_back();
        FolderSink sink(*this, path, pending, bytes);
        base::Status listed = files_.ListFolderSizes(path, sink);
        if (listed.ok()) {
            continue;
        }
        if (!IsReadFailure(listed.error().kind)) {
            SetError(listed.error().message);
            return false;
        }
        // Whatever the folder gave before it failed stays counted.
        Skipped.fetch_add(1, std::memory_order_relaxed);
    }
    folder.Bytes = bytes;
    return true;
}

void VexoFastScan10::Publish(VexoFolder10 folder) {
    std::lock_guard lock(mutex_);
    results_.push_back(std::move(folder));
}

std::vector<VexoFolder10> VexoFastScan10::TakeResults() {
    std::lock_guard lock(mutex_);
    std::vector<VexoFolder10> taken(std::make_move_iterator(results_.begin()),
                                    std::make_move_iterator(results_.end()));
    results_.clear();
    return taken;
}

std::string VexoFastScan10::Current() const {
    std::lock_guard lock(mutex_);
    return current_;
}

std::string VexoFastScan10::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void VexoFastScan10::SetCurrent(std::string name) {
    std::lock_guard lock(mutex_);
    current_ = std::move(name);
}

void VexoFastScan10::SetError(std::string text) {
    std::lock_guard lock(mutex_);
    error_ = std::move(text);
}

std::string RowNote(const VexoFolder10& folder) {
    if (folder.Partial) {
        return std::string(kNotePartial);
    }
    if (folder.Skipped > 0) {
        return std::string(kNoteSkippedPrefix) + std::to_string(folder.Skipped);
    }
    return std::string(kNoteLogical);
}

double GigabytesShown(std::int64_t bytes) {
    // nearbyint rounds in the default mode, to nearest with ties to even.
    return std::nearbyint(static_cast<double>(bytes) / 1073741824.0 * 1000.0) / 1000.0;
}

} // namespace vexo::space
