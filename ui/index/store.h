#pragma once
// The index's own memory: no object per file. One crawl thread appends; any
// number of readers use everything below the counts they read, while the
// crawl goes on, without a lock. Storage never moves once written (fixed
// chunk directories), so a published element stays where a reader found it.
//
// Layout per file (measured at 1,000,000 files: see bench/index.bench.sh):
//   name offset 4 + name length 2 + bytes 8 + last write 8 + extension id 4
//   = 26 bytes of columns, plus the name's UTF-8 bytes in an arena.
// Folder paths are stored once per folder that holds files, and so are
// extensions (interned, lower-cased); the full path of a file is built only
// for rows that leave the engine.

#include "platform/files.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexo::index {

// The most files an engine records.
inline constexpr std::uint32_t kMaxFiles = 1'000'000;

// A column that only grows. Chunks are allocated whole and never moved; the
// directory has a fixed size, so readers index it while the writer appends.
template <class T, unsigned ChunkBits, std::size_t MaxElements> class ChunkedColumn {
public:
    static constexpr std::size_t kChunk = std::size_t{1} << ChunkBits;
    static constexpr std::size_t kMaxChunks = (MaxElements + kChunk - 1) / kChunk;

    ChunkedColumn() = default;
    ChunkedColumn(const ChunkedColumn&) = delete;
    ChunkedColumn& operator=(const ChunkedColumn&) = delete;

    // Writer only: makes room for element `index` (== the current size).
    T& Grow(std::size_t index) {
        const std::size_t chunk = index >> ChunkBits;
        if (chunk >= kMaxChunks) {
            throw std::length_error("index column full");
        }
        if (!chunks_[chunk]) {
            chunks_[chunk] = std::make_unique_for_overwrite<T[]>(kChunk);
            ++allocated_;
        }
        return chunks_[chunk][index & (kChunk - 1)];
    }

    const T& operator[](std::size_t index) const {
        return chunks_[index >> ChunkBits][index & (kChunk - 1)];
    }
    T& operator[](std::size_t index) { return chunks_[index >> ChunkBits][index & (kChunk - 1)]; }

    // Writer only (the count of chunks changes with Grow).
    std::size_t CapacityBytes() const { return allocated_ * kChunk * sizeof(T) + sizeof(chunks_); }

private:
    std::array<std::unique_ptr<T[]>, kMaxChunks> chunks_{};
    std::size_t allocated_ = 0;
};

// Bytes that never move: texts are copied into blocks and referred to by
// pointer or by a 32-bit offset (block number * block size + position).
class TextArena {
public:
    static constexpr unsigned kBlockBits = 20; // 1 MiB: a whole name always fits
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    static constexpr std::size_t kMaxBlocks = 4096; // 4 GiB of 32-bit offsets

    // Writer only. Copies `text` and returns its offset; the text never
    // straddles two blocks.
    std::uint32_t Add(std::string_view text);
    const char* At(std::uint32_t offset) const {
        return blocks_[offset >> kBlockBits].get() + (offset & (kBlockSize - 1));
    }
    std::size_t CapacityBytes() const { return allocated_ * kBlockSize + sizeof(blocks_); }

private:
    std::array<std::unique_ptr<char[]>, kMaxBlocks> blocks_{};
    std::size_t allocated_ = 0;
    std::size_t block_ = 0;
    std::size_t used_ = kBlockSize; // no block yet
};

// A folder that holds at least one recorded file. Its files are recorded one
// after another (a folder's listing is recorded in one go), so a folder is a
// range of file numbers starting at `firstFile` and ending where the next
// folder starts.
struct FolderEntry {
    // The text every file path of this folder starts with: the listed path
    // and a backslash unless it already ends in one.
    const char* prefix = nullptr;
    std::uint32_t prefixLength = 0;
    std::uint32_t firstFile = 0;
    // base::IgnoreCaseHash of the prefix, to find removed paths quickly.
    std::uint32_t prefixHash = 0;
    bool prefixAscii = true;
    // Set before a non-ASCII name of this folder is published.
    std::atomic<bool> namesAscii{true};

    std::string_view Prefix() const { return {prefix, prefixLength}; }
};

struct ExtensionEntry {
    const char* text = nullptr;
    std::uint32_t length = 0;
    std::string_view Text() const { return {text, length}; }
};

class IndexStore {
public:
    static constexpr std::uint16_t kNonAsciiBit = 0x8000;

    // ---- Writer (the crawl thread) ----

    // The folder whose listing the next files come from. Its entry is made
    // with its first file.
    void BeginFolder(std::string_view folderPath);
    // Records one file of the current folder and publishes it. The caller
    // has checked the limit.
    void Append(std::string_view name, std::int64_t length, platform::FileTime lastWrite);
    std::uint32_t WriterCount() const { return writerFiles_; }

    // ---- Readers ----

    // The published counts. Read files first: every folder that holds one
    // of those files is then published too.
    std::uint32_t PublishedFiles() const { return files_.load(std::memory_order_acquire); }
    std::uint32_t PublishedFolders() const { return folders_.load(std::memory_order_acquire); }
    std::uint32_t PublishedExtensions() const {
        return extensions_.load(std::memory_order_acquire);
    }

    std::string_view Name(std::uint32_t file) const {
        const FileChunk& c = Chunk(file);
        const std::size_t i = file & kFileChunkMask;
        return {names_.At(c.nameAt[i]), static_cast<std::size_t>(c.nameLength[i] & ~kNonAsciiBit)};
    }
    bool NameAscii(std::uint32_t file) const {
        return (Chunk(file).nameLength[file & kFileChunkMask] & kNonAsciiBit) == 0;
    }
    std::uint32_t NameAt(std::uint32_t file) const {
        return Chunk(file).nameAt[file & kFileChunkMask];
    }
    const char* ArenaAt(std::uint32_t offset) const { return names_.At(offset); }
    std::int64_t Bytes(std::uint32_t file) const {
        return Chunk(file).bytes[file & kFileChunkMask];
    }
    platform::FileTime LastWrite(std::uint32_t file) const {
        return Chunk(file).lastWrite[file & kFileChunkMask];
    }
    std::uint32_t ExtensionId(std::uint32_t file) const {
        return Chunk(file).extension[file & kFileChunkMask];
    }
    std::string_view Extension(std::uint32_t id) const { return extensionTable_[id].Text(); }
    const FolderEntry& Folder(std::uint32_t folder) const { return folderTable_[folder]; }

    // The memory the index holds: every column, arena and table, counted
    // by capacity. Writer thread, or after the crawl has ended.
    std::size_t MemoryBytes() const;

private:
    // Columns of 16,384 files (26 bytes each, 416 KiB a chunk): one
    // directory look-up serves every column of a file.
    static constexpr unsigned kFileChunkBits = 14;
    static constexpr std::size_t kFileChunk = std::size_t{1} << kFileChunkBits;
    static constexpr std::size_t kFileChunkMask = kFileChunk - 1;
    static constexpr std::size_t kFileChunks = (kMaxFiles + kFileChunk - 1) / kFileChunk;
    struct FileChunk {
        std::int64_t bytes[kFileChunk];
        platform::FileTime lastWrite[kFileChunk];
        std::uint32_t nameAt[kFileChunk];
        std::uint32_t extension[kFileChunk];
        // kNonAsciiBit marks a name with non-ASCII bytes.
        std::uint16_t nameLength[kFileChunk];
    };
    const FileChunk& Chunk(std::uint32_t file) const {
        return *fileChunks_[file >> kFileChunkBits];
    }

    std::uint32_t InternExtension(std::string_view name);

    std::array<std::unique_ptr<FileChunk>, kFileChunks> fileChunks_{};
    std::size_t fileChunksAllocated_ = 0;
    ChunkedColumn<FolderEntry, 12, kMaxFiles> folderTable_;
    ChunkedColumn<ExtensionEntry, 10, kMaxFiles + 1> extensionTable_;
    TextArena names_;
    TextArena texts_; // folder prefixes and extensions

    std::atomic<std::uint32_t> files_{0};
    std::atomic<std::uint32_t> folders_{0};
    std::atomic<std::uint32_t> extensions_{0};

    // Writer state.
    std::uint32_t writerFiles_ = 0;
    std::uint32_t writerFolders_ = 0;
    std::uint32_t writerExtensions_ = 0;
    std::string pendingFolder_;
    bool folderOpen_ = false;
    // Extensions as they appear in names (any case) to their id.
    std::unordered_map<std::string, std::uint32_t> rawExtensions_;
    std::unordered_map<std::string, std::uint32_t> lowerExtensions_;
};

} // namespace vexo::index
