#pragma once
// Test doubles for the index engine: a file service whose folders are
// described in memory (or generated on the fly, for a million files), a
// clock with a chosen zone, and an executor that runs queued work only when
// the test says so.

#include "base/datetime.h"
#include "index/worker_pool.h"
#include "platform/clock.h"
#include "platform/files.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::index::testing {

// Joins texts (GCC 12 warns wrongly about "literal" + std::string at -O3).
inline std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view part : parts) {
        out.append(part);
    }
    return out;
}

inline constexpr platform::FileTime kTicksPerSecond = 10'000'000;
inline constexpr platform::FileTime kTicksPerDay = 86'400 * kTicksPerSecond;

inline platform::FileTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return base::FileTimeFromParts(base::DateTimeParts{y, mo, d, h, mi, s, 0});
}

struct FakeEntry {
    std::string name;
    std::uint32_t attributes = 0;
    std::int64_t length = 0;
    platform::FileTime lastWrite = 0;
};

inline FakeEntry File(std::string name, std::int64_t length = 0, platform::FileTime t = 0,
                      std::uint32_t attributes = 0) {
    return FakeEntry{std::move(name), attributes, length, t};
}
inline FakeEntry Dir(std::string name, std::uint32_t attributes = 0) {
    return FakeEntry{std::move(name), attributes | platform::attr::Directory, 0, 0};
}

class FakeFiles final : public platform::Files {
public:
    // A folder listed in the given order. The path is matched exactly, as
    // the crawl builds it.
    void AddFolder(const std::string& path, std::vector<FakeEntry> entries) {
        folders_[path] = std::move(entries);
    }
    // A folder of `count` files named f0, f1 ... of `length` bytes each,
    // generated while it is listed.
    void AddGeneratedFolder(const std::string& path, std::int64_t count, std::int64_t length) {
        generated_[path] = {count, length};
    }
    // Listing `path` fails with `kind` after `after` entries.
    void FailListing(const std::string& path, std::size_t after, base::ErrorKind kind) {
        failures_[path] = {after, kind};
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        folders_.clear();
        generated_.clear();
        failures_.clear();
        listed_.clear();
    }
    // Called before each entry is delivered (the test may cancel there).
    std::function<void(const std::string& folder, std::size_t index)> beforeEntry;

    std::vector<std::string> Listed() const {
        std::lock_guard lock(mutex_);
        return listed_;
    }

    base::Status ListFolder(const std::string& folder, platform::ListingSink& sink) override {
        {
            std::lock_guard lock(mutex_);
            listed_.push_back(folder);
        }
        if (auto g = generated_.find(folder); g != generated_.end()) {
            char name[32];
            for (std::int64_t i = 0; i < g->second.first; ++i) {
                const int length =
                    std::snprintf(name, sizeof name, "f%lld", static_cast<long long>(i));
                platform::DirEntryView view{
                    std::string_view(name, static_cast<std::size_t>(length)),
                    {0, g->second.second, 0}};
                if (!sink.OnEntry(view)) {
                    return base::Error{base::ErrorKind::Cancelled, "stopped"};
                }
            }
            return base::Status::Ok();
        }
        const auto found = folders_.find(folder);
        if (found == folders_.end()) {
            return base::Error{base::ErrorKind::NotFound, "The system cannot find the path."};
        }
        const auto failure = failures_.find(folder);
        for (std::size_t i = 0; i < found->second.size(); ++i) {
            if (failure != failures_.end() && i >= failure->second.first) {
                return base::Error{failure->second.second, "listing failed"};
            }
            if (beforeEntry) {
                beforeEntry(folder, i);
            }
            const FakeEntry& e = found->second[i];
            platform::DirEntryView view{e.name, {e.attributes, e.length, e.lastWrite}};
            if (!sink.OnEntry(view)) {
                return base::Error{base::ErrorKind::Cancelled, "stopped"};
            }
        }
        if (failure != failures_.end() && failure->second.first >= found->second.size()) {
            return base::Error{failure->second.second, "listing failed"};
        }
        return base::Status::Ok();
    }
    // The engine never walks for sizes alone.
    base::Status ListFolderSizes(const std::string& folder, platform::ListingSink& sink) override {
        return ListFolder(folder, sink);
    }

    // ---- Writes, kept in memory ----

    std::map<std::string, std::string> written;        // path -> content
    std::map<std::string, base::ErrorKind> failWrites; // path -> failure
    std::optional<base::ErrorKind> failMove;

    base::Status WriteAllBytes(const std::string& path, std::string_view bytes) override {
        std::lock_guard lock(mutex_);
        if (auto f = failWrites.find(path); f != failWrites.end()) {
            return base::Error{f->second, "Access is denied."};
        }
        written[path] = std::string(bytes);
        return base::Status::Ok();
    }
    base::Status AppendBytes(const std::string& path, std::string_view bytes) override {
        std::lock_guard lock(mutex_);
        if (auto f = failWrites.find(path); f != failWrites.end()) {
            return base::Error{f->second, "Access is denied."};
        }
        written[path] += bytes;
        return base::Status::Ok();
    }
    base::Status FlushToDisk(const std::string& path) override {
        std::lock_guard lock(mutex_);
        return written.count(path) != 0
                   ? base::Status::Ok()
                   : base::Status(base::Error{base::ErrorKind::NotFound, "not found"});
    }
    base::Status MoveReplace(const std::string& from, const std::string& to) override {
        std::lock_guard lock(mutex_);
        if (failMove) {
            return base::Error{*failMove, "Access is denied."};
        }
        auto it = written.find(from);
        if (it == written.end()) {
            return base::Error{base::ErrorKind::NotFound, "not found"};
        }
        written[to] = std::move(it->second);
        written.erase(from);
        return base::Status::Ok();
    }
    base::Status RemoveFile(const std::string& path) override {
        std::lock_guard lock(mutex_);
        written.erase(path);
        return base::Status::Ok();
    }

    base::Result<platform::FileInfo> ReadInfo(const std::string&) override {
        return base::Error{base::ErrorKind::Other, "not used"};
    }
    bool Exists(const std::string& path) override { return written.count(path) != 0; }
    base::Status CreateFolderTree(const std::string&) override { return base::Status::Ok(); }
    base::Result<std::string> ReadAllBytes(const std::string& path) override {
        std::lock_guard lock(mutex_);
        if (auto it = written.find(path); it != written.end()) {
            return it->second;
        }
        return base::Error{base::ErrorKind::NotFound, "not found"};
    }
    base::Result<std::string> FullPath(const std::string& path) override { return path; }
    base::Result<std::string> LongPath(const std::string& path) override { return path; }
    std::string CurrentDirectory() override { return "C:\\"; }

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<FakeEntry>> folders_;
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> generated_;
    std::map<std::string, std::pair<std::size_t, base::ErrorKind>> failures_;
    std::vector<std::string> listed_;
};

// Local time is UTC plus `offset`, or what `zone` says for a time.
class FakeClock final : public platform::Clock {
public:
    platform::FileTime now = Utc(2024, 6, 15, 12, 0, 0);
    std::int64_t offset = 0;
    std::function<std::int64_t(platform::FileTime)> zone; // offset for a UTC time

    platform::FileTime NowUtc() override { return now; }
    base::DateTimeParts ToLocal(platform::FileTime utc) override {
        return base::PartsFromFileTime(utc + (zone ? zone(utc) : offset));
    }
    std::int64_t MonotonicNanos() override { return 0; }
};

// Runs posted work only when asked, on the asking thread.
class ManualExecutor final : public Executor {
public:
    void Post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    int Parallelism() const override { return 1; }

    std::size_t Queued() const {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }
    // Runs the queued item at `index` (0 is the oldest).
    void Run(std::size_t index) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            work = std::move(queue_.at(index));
            queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(index));
        }
        work();
    }
    void RunAll() {
        while (Queued() > 0) {
            Run(0);
        }
    }

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

// A shared_ptr that does not own, for the fakes that live on the test's stack.
template <class T> std::shared_ptr<T> Borrow(T& object) {
    return std::shared_ptr<T>(std::shared_ptr<T>{}, &object);
}

} // namespace vexo::index::testing
