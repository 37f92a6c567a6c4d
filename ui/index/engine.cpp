#include "index/engine.h"

#include "index/engine_internal.h"

#include <new>
#include <stdexcept>
#include <system_error>
#include <typeinfo>

namespace vexo::index {

namespace detail {

namespace {

const char* KindName(base::ErrorKind kind) {
    switch (kind) {
    case base::ErrorKind::NotFound:
        return "NotFound";
    case base::ErrorKind::AccessDenied:
        return "AccessDenied";
    case base::ErrorKind::SharingViolation:
        return "SharingViolation";
    case base::ErrorKind::Io:
        return "IoError";
    case base::ErrorKind::PathTooLong:
        return "PathTooLong";
    case base::ErrorKind::DeviceNotReady:
        return "DeviceNotReady";
    case base::ErrorKind::Cancelled:
        return "Cancelled";
    case base::ErrorKind::InvalidInput:
        return "InvalidInput";
    case base::ErrorKind::Other:
        break;
    }
    return "Failure";
}

} // namespace

std::string Describe(const std::exception& failure) {
    const char* kind = "Failure";
    if (const auto* platform = dynamic_cast<const PlatformFailure*>(&failure)) {
        kind = KindName(platform->kind);
    } else if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        kind = "OutOfMemory";
    } else if (dynamic_cast<const std::length_error*>(&failure) != nullptr) {
        kind = "CapacityExceeded";
    } else if (dynamic_cast<const std::invalid_argument*>(&failure) != nullptr ||
               dynamic_cast<const std::out_of_range*>(&failure) != nullptr) {
        kind = "InvalidArgument";
    } else if (dynamic_cast<const std::system_error*>(&failure) != nullptr) {
        kind = "SystemError";
    } else if (dynamic_cast<const std::runtime_error*>(&failure) != nullptr) {
        kind = "RuntimeError";
    }
    return std::string(kind) + ": " + failure.what();
}

std::string ShortMessage(const std::exception& failure) {
    return failure.what();
}

} // namespace detail

// ---- Small pieces ----

std::string VexoEngine13::AtomicText::Get() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void VexoEngine13::AtomicText::Set(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
}

std::string VexoEngine13::AtomicText::Take() {
    std::lock_guard lock(mutex_);
    std::string text = std::move(text_);
    text_.clear();
    return text;
}

VexoEngine13::VexoEngine13(Dependencies dependencies) : dependencies_(std::move(dependencies)) {
    if (!dependencies_.executor) {
        dependencies_.executor = SharedPool();
    }
}

std::shared_ptr<VexoEngine13> VexoEngine13::Create(Dependencies dependencies) {
    if (!dependencies.files || !dependencies.clock) {
        throw std::invalid_argument("the index engine needs the file service and the clock");
    }
    return std::shared_ptr<VexoEngine13>(new VexoEngine13(std::move(dependencies)));
}

std::string VexoEngine13::Error() const {
    return error_.Get();
}

std::int32_t VexoEngine13::Count() const {
    std::lock_guard lock(gate_);
    return static_cast<std::int32_t>(store_.PublishedFiles()) -
           static_cast<std::int32_t>(removed_.size());
}

void VexoEngine13::RemovePath(const std::string& path, std::int64_t amount) {
    bool added;
    {
        std::lock_guard lock(gate_);
        added = removed_.insert(path).second;
    }
    if (added) {
        bytes_.fetch_sub(amount, std::memory_order_acq_rel);
    }
}

VexoEngine13::Snapshot VexoEngine13::TakeSnapshot() {
    Snapshot snapshot;
    // Files first: every folder holding one of them is published by then.
    snapshot.files = store_.PublishedFiles();
    std::uint32_t folders = store_.PublishedFolders();
    while (folders > 0 && store_.Folder(folders - 1).firstFile >= snapshot.files) {
        --folders;
    }
    snapshot.folders = folders;
    std::lock_guard lock(gate_);
    snapshot.removed = removed_;
    return snapshot;
}

void VexoEngine13::Post(std::function<void()> work) {
    {
        std::lock_guard lock(idleMutex_);
        ++pending_;
    }
    try {
        dependencies_.executor->Post([self = shared_from_this(), work = std::move(work)] {
            try {
                work();
            } catch (...) {
                // Each service catches its own failures; nothing
                // escapes to the pool.
            }
            self->WorkEnded();
        });
    } catch (...) {
        WorkEnded();
        throw;
    }
}

void VexoEngine13::WorkEnded() {
    {
        std::lock_guard lock(idleMutex_);
        --pending_;
    }
    idle_.notify_all();
}

void VexoEngine13::WaitForIdle() {
    std::unique_lock lock(idleMutex_);
    idle_.wait(lock, [this] {
        return pending_ == 0 && (!started_.load(std::memory_order_acquire) || Done());
    });
}

// ---- Crawl ----

namespace {

// The crawl of one folder's listing: records files, pushes subfolders, and
// stops the listing at Cancel or the limit. Failures of our own (memory)
// are kept and rethrown after the listing, never thrown through the
// platform's code.
class CrawlSink final : public platform::ListingSink {
public:
    CrawlSink(const std::string& folder, std::vector<std::string>& stack, IndexStore& store,
              std::atomic<bool>& cancel, std::atomic<bool>& limit,
              std::atomic<std::int64_t>& skipped, std::atomic<std::int64_t>& bytes)
        : folder_(folder), stack_(stack), store_(store), cancel_(cancel), limit_(limit),
          skipped_(skipped), bytes_(bytes) {}

    bool OnEntry(const platform::DirEntryView& entry) override {
        try {
            return Handle(entry);
        } catch (...) {
            failure_ = std::current_exception();
            stopped_ = true;
            return false;
        }
    }

    bool stopped() const { return stopped_; }
    void RethrowFailure() const {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }

private:
    bool Handle(const platform::DirEntryView& entry) {
        if (cancel_.load(std::memory_order_acquire) || limit_.load(std::memory_order_relaxed)) {
            stopped_ = true;
            return false;
        }
        const platform::FileInfo& info = entry.info;
        if (info.IsReparsePoint() || info.IsOffline()) {
            // A link is never followed; a file whose data is elsewhere is
            // not the user's local space.
            skipped_.fetch_add(1, std::memory_order_acq_rel);
            return true;
        }
        if (info.IsDirectory()) {
            std::string path;
            path.reserve(folder_.size() + 1 + entry.name.size());
            path += folder_;
            if (path.empty() || path.back() != '\\') {
                path += '\\';
            }
            path += entry.name;
            stack_.push_back(std::move(path));
            return true;
        }
        if (store_.WriterCount() >= kMaxFiles) {
            limit_.store(true, std::memory_order_release);
            stopped_ = true;
            return false;
        }
        store_.Append(entry.name, info.length, info.lastWrite);
        bytes_.fetch_add(info.length, std::memory_order_acq_rel);
        return true;
    }

    const std::string& folder_;
    std::vector<std::string>& stack_;
    IndexStore& store_;
    std::atomic<bool>& cancel_;
    std::atomic<bool>& limit_;
    std::atomic<std::int64_t>& skipped_;
    std::atomic<std::int64_t>& bytes_;
    bool stopped_ = false;
    std::exception_ptr failure_;
};

} // namespace

void VexoEngine13::Start(std::vector<std::string> roots) {
    if (started_.exchange(true, std::memory_order_acq_rel)) {
        throw std::logic_error("an index engine crawls once");
    }
    // The thread holds the engine; nothing waits for it, so a crawl never
    // keeps the application from ending.
    StartDetachedThread("Vexo index", [self = shared_from_this(), roots = std::move(roots)] {
        self->Crawl(roots);
    });
}

void VexoEngine13::Crawl(const std::vector<std::string>& roots) {
    try {
        for (const std::string& root : roots) {
            if (CancelRequested() || Limit()) {
                break;
            }
            CrawlRoot(root);
        }
    } catch (const std::exception& failure) {
        error_.Set(detail::Describe(failure) + " (index crawl)");
    } catch (...) {
        error_.Set("Failure: unknown (index crawl)");
    }
    {
        std::lock_guard lock(idleMutex_);
        done_.store(true, std::memory_order_release);
    }
    idle_.notify_all();
}

void VexoEngine13::CrawlRoot(const std::string& root) {
    // Depth first without recursion: the last subfolder listed is crawled
    // next, and a folder's files are recorded before its subfolders'.
    std::vector<std::string> stack{root};
    while (!stack.empty() && !CancelRequested() && !Limit()) {
        const std::string folder = std::move(stack.back());
        stack.pop_back();
        store_.BeginFolder(folder);
        CrawlSink sink(folder, stack, store_, cancel_, limit_, skipped_, bytes_);
        const base::Status status = dependencies_.files->ListFolder(folder, sink);
        sink.RethrowFailure();
        // Every error the system reports for a path passes the folder over;
        // entries handled before it stay recorded.
        if (!status.ok() && !sink.stopped()) {
            skipped_.fetch_add(1, std::memory_order_acq_rel);
        }
    }
}

// ---- Pages and results ----

PageRef VexoEngine13::Page() const {
    std::lock_guard lock(pageMutex_);
    return page_;
}

PageRef VexoEngine13::RemovalPage() const {
    std::lock_guard lock(removalMutex_);
    return removalPage_;
}

std::string VexoEngine13::ExportMessage() const {
    return exportMessage_.Get();
}

std::string VexoEngine13::TakeExportMessage() {
    return exportMessage_.Take();
}

std::string VexoEngine13::StatsMessage() const {
    return statsMessage_.Get();
}

std::string VexoEngine13::TakeStatsMessage() {
    return statsMessage_.Take();
}

} // namespace vexo::index
