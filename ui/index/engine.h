#pragma once
// VexoEngine13: an in-memory index of every file below a set of folders,
// built on a background thread named "Vexo index", and what the file
// sections use over it while the crawl goes on: paged queries, CSV export,
// extension statistics, and gathering the files the user is about to move
// to the Recycle Bin.
//
// Threads. The UI thread calls every member. The crawl runs on its own
// thread; queries, exports, statistics and removal preparation run on the
// executor's workers. Workers publish whole results (a page, a message, a
// flag) that the sections poll on their timers; nothing is called back.
// Each worker and the crawl keep the engine alive through shared ownership,
// so a section may let go of its engine at any time (after Cancel()).
//
// The index is a consistent prefix of the recording order for every reader:
// a snapshot is a count of files taken at one moment, and everything below
// it is immutable. The only lock, `gate`, guards the set of removed paths.

#include "base/culture.h"
#include "base/ordinal.h"
#include "index/records.h"
#include "index/store.h"
#include "index/worker_pool.h"
#include "platform/clock.h"
#include "platform/files.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vexo::index {

class LocalTime;

class VexoEngine13 final : public std::enable_shared_from_this<VexoEngine13> {
public:
    struct Dependencies {
        std::shared_ptr<platform::Files> files;
        std::shared_ptr<platform::Clock> clock;
        base::Culture culture;              // the user's number format, for statistics
        std::shared_ptr<Executor> executor; // none: the process's pool
    };

    static std::shared_ptr<VexoEngine13> Create(Dependencies dependencies);
    VexoEngine13(const VexoEngine13&) = delete;
    VexoEngine13& operator=(const VexoEngine13&) = delete;

    // ---- Crawl ----

    // Starts the crawl of `roots` (full folder paths, not inside one
    // another) on the "Vexo index" thread and returns at once. Once only.
    void Start(std::vector<std::string> roots);
    // Stops the crawl before its next folder or entry. Never undone.
    void Cancel() { cancel_.store(true, std::memory_order_release); }
    bool CancelRequested() const { return cancel_.load(std::memory_order_acquire); }
    // True once the crawl has ended, however; Limit and Error are final then.
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // The crawl met a file beyond the 1,000,000 it records.
    bool Limit() const { return limit_.load(std::memory_order_acquire); }
    // Empty, or the description of the failure that ended the crawl.
    std::string Error() const;

    // Recorded files less removed paths.
    std::int32_t Count() const;
    // Recorded lengths less the amounts of removed paths.
    std::int64_t Bytes() const { return bytes_.load(std::memory_order_acquire); }
    // Entries (links, offline files) and folders passed over.
    std::int64_t Skipped() const { return skipped_.load(std::memory_order_acquire); }

    // Marks a file the section has moved to the Recycle Bin: it leaves every
    // later answer and `amount` leaves Bytes(). The same path again, in any
    // letter case, changes nothing.
    void RemovePath(const std::string& path, std::int64_t amount);

    // ---- Paged queries ----

    // Queues a query and returns its number (1 for the first). Only the
    // newest request can be published in Page().
    std::int32_t Request(const Filter& filter, SortOrder order, std::int32_t offset,
                         std::int32_t limit);
    // The newest published page, or none. Only ever replaced by a page with
    // a higher Token.
    PageRef Page() const;
    // Drops every request still in work; Page() keeps its page.
    void InvalidateQueries() { token_.fetch_add(1, std::memory_order_acq_rel); }

    // ---- Export ----

    // Writes every match, sorted, as CSV to `destination` (through
    // destination + ".vexo-tmp"). False, and nothing done, while an export
    // runs.
    bool Export(const std::string& destination, const Filter& filter, SortOrder order);
    bool ExportBusy() const { return exportBusy_.load(std::memory_order_acquire); }
    // "OK: " + destination, or the failure's description; empty meanwhile.
    std::string ExportMessage() const;
    // Reads the message and empties it, as the section does once shown.
    std::string TakeExportMessage();

    // ---- Statistics ----

    // Queues the statistics of the twenty extensions that take the most
    // bytes; the text arrives in StatsMessage().
    void Statistics();
    std::string StatsMessage() const;
    std::string TakeStatsMessage();

    // ---- Removal ----

    // Every file matching `text` with at least `minimum` bytes, in recording
    // order, computed on the calling thread. Throws on failure.
    PageRef SelectForRemoval(const std::string& text, std::int64_t minimum);
    // Queues the matches of `filter` that lie below one of `roots`
    // (ordinal ignore-case prefix); ignored while one runs.
    void PrepareRemoval(const Filter& filter, std::vector<std::string> roots);
    bool RemovalBusy() const { return removalBusy_.load(std::memory_order_acquire); }
    // The last preparation's result; none while one runs.
    PageRef RemovalPage() const;

    // ---- For tools and tests ----

    // Blocks until the crawl has ended and no work of this engine is queued
    // or running. Never called on the UI thread.
    void WaitForIdle();
    // The index's own memory, by capacity. After the crawl has ended.
    std::size_t MemoryBytes() const { return store_.MemoryBytes(); }

private:
    explicit VexoEngine13(Dependencies dependencies);

    // The files and folders published at one moment, and a copy of the
    // removed paths.
    struct Snapshot {
        std::uint32_t files = 0;
        std::uint32_t folders = 0;
        base::IgnoreCaseSet removed;
    };
    struct Hit {
        std::uint32_t file;
        std::uint32_t folder;
    };

    void Crawl(const std::vector<std::string>& roots);
    void CrawlRoot(const std::string& root);
    void Post(std::function<void()> work);
    void WorkEnded();

    Snapshot TakeSnapshot();
    // The filtered files of a snapshot in recording order; false when
    // `stillWanted` said no before the end.
    // `matchedBytes`, when given, receives the sum of their lengths.
    bool Match(const Snapshot& snapshot, const Filter& filter, LocalTime& local,
               std::vector<Hit>& hits, const std::function<bool()>& stillWanted,
               std::int64_t* matchedBytes = nullptr);
    // The rows [first, last) of `hits` in the order (all of them when first
    // is 0 and last the size). Takes the hits over.
    std::vector<Hit> Sort(std::vector<Hit> hits, SortOrder order, std::size_t first,
                          std::size_t last, LocalTime& local);
    // base::CompareIgnoreCase of the two files' paths.
    int ComparePaths(const Hit& a, const Hit& b) const;
    VexoFile13 MakeRow(const Hit& hit, LocalTime& local) const;
    std::string FilePath(const Hit& hit) const;

    void RunRequest(std::int32_t token, const Filter& filter, SortOrder order, std::int32_t offset,
                    std::int32_t limit);
    void RunExport(const std::string& destination, const Filter& filter, SortOrder order);
    void RunStatistics();
    void RunRemoval(const Filter& filter, const std::vector<std::string>& roots);
    std::vector<VexoFile13> Rows(const std::vector<Hit>& hits, std::size_t first, std::size_t last);

    class AtomicText {
    public:
        std::string Get() const;
        void Set(std::string text);
        std::string Take();

    private:
        mutable std::mutex mutex_;
        std::string text_;
    };

    Dependencies dependencies_;
    IndexStore store_;

    // gate: the removed paths, and nothing else.
    mutable std::mutex gate_;
    base::IgnoreCaseSet removed_;

    std::atomic<bool> started_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    std::atomic<bool> limit_{false};
    AtomicText error_;
    std::atomic<std::int64_t> skipped_{0};
    std::atomic<std::int64_t> bytes_{0};

    std::atomic<std::int32_t> token_{0};
    mutable std::mutex pageMutex_; // a reference copy, never held for work
    PageRef page_;

    std::atomic<bool> exportBusy_{false};
    AtomicText exportMessage_;
    AtomicText statsMessage_;
    std::atomic<bool> removalBusy_{false};
    mutable std::mutex removalMutex_; // a reference copy, never held for work
    PageRef removalPage_;

    // Work queued or running, and whether the crawl has ended, for WaitForIdle.
    std::mutex idleMutex_;
    std::condition_variable idle_;
    int pending_ = 0;
};

} // namespace vexo::index
