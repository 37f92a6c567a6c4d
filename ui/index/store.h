#pragma once
// The index's own memory: no object per file. One crawl thread appends; any
// number of readers use everything below the counts they read, while the
// crawl goes on, without a lock. Storage never moves once written (fixed
// chunk directories), so a published element stays where a reader found it.
//
// Layout per file, measured on the 1,000,000-file bench tree (names average
// 14.9 bytes, 50,000 folders with paths of 74 bytes):
//   last write 8 + bytes 4 + name end 4 (with an ASCII bit) + extension id
//   2 = 18 bytes of columns, plus the name's UTF-8 bytes in an arena: 38.0
//   bytes a file in all, where 8-byte lengths, a name start and a name
//   length, 4-byte extension ids, 24-byte folder entries and 1 MiB blocks
//   took 47.8. Nothing is kept per order: every order is selected from
//   these columns (see query.cpp).
//   - Lengths of 4 GiB and more (a handful on a real disk; none of the
//     bench tree's sizes reach them) are kept whole in a side table.
//   - A name starts where the previous file's name ends, unless it ends in
//     another block: one 4-byte end a file replaces start and length.
//   - Extensions past the 65,534th distinct one are read from the name.
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

inline bool IsAsciiText(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

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

// Bytes that never move: texts are copied into blocks and referred to by a
// 32-bit offset (block number * block size + position). A block is never
// filled to its last byte, so the offset just past a text always lies in
// the text's own block.
class TextArena {
public:
    // 256 KiB: a file name (at most 765 UTF-8 bytes) and a folder path (at
    // most 98,301) always fit, and the last, partly used block costs at most
    // 0.26 bytes a file at 1,000,000 files, where 1 MiB blocks cost up to 1.
    static constexpr unsigned kBlockBits = 18;
    static constexpr std::uint32_t kBlockSize = std::uint32_t{1} << kBlockBits;
    static constexpr std::uint32_t kBlockMask = kBlockSize - 1;
    static constexpr std::size_t kMaxBlocks = 4096; // 1 GiB of offsets

    // Writer only. Copies `text` and returns its offset; the text never
    // straddles two blocks.
    std::uint32_t Add(std::string_view text);
    const char* At(std::uint32_t offset) const {
        return blocks_[offset >> kBlockBits].get() + (offset & kBlockMask);
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
// folder starts. 12 bytes: a pointer and a kept hash took 24 (0.6 bytes a
// file on the bench tree); the hash is made only when paths are removed.
struct FolderEntry {
    static constexpr std::uint32_t kPrefixNonAscii = 0x8000'0000;
    static constexpr std::uint32_t kNamesNonAscii = 0x4000'0000;
    static constexpr std::uint32_t kLengthMask = 0x3FFF'FFFF;

    // Where the text every file path of this folder starts with lies in the
    // texts arena: the listed path and a backslash unless it already ends
    // in one.
    std::uint32_t prefixAt = 0;
    std::uint32_t firstFile = 0;
    // The prefix's length and the two flags; kNamesNonAscii is set before a
    // non-ASCII name of this folder is published.
    std::atomic<std::uint32_t> lengthAndFlags{0};

    std::uint32_t PrefixLength() const {
        return lengthAndFlags.load(std::memory_order_relaxed) & kLengthMask;
    }
    bool PrefixAscii() const {
        return (lengthAndFlags.load(std::memory_order_relaxed) & kPrefixNonAscii) == 0;
    }
    bool NamesAscii() const {
        return (lengthAndFlags.load(std::memory_order_relaxed) & kNamesNonAscii) == 0;
    }
};

struct ExtensionEntry {
    const char* text = nullptr;
    std::uint32_t length = 0;
    std::string_view Text() const { return {text, length}; }
};

class IndexStore {
public:
    // The extension id of a file whose extension is read from its name.
    static constexpr std::uint16_t kExtensionInName = 0xFFFF;
    // Set in a name's end for a name with non-ASCII bytes (offsets stay
    // below 1 GiB): testing the bytes of each name of a folder that holds
    // one such name took a fifth of the matching loop's own time in a
    // filtered query.
    static constexpr std::uint32_t kNameNonAscii = 0x8000'0000;
    // The stored length of a file whose length is in the side table.
    static constexpr std::uint32_t kLengthInTable = 0xFFFF'FFFF;

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

    // Where a file's name starts in the names arena, and where it ends.
    std::uint32_t NameEnd(std::uint32_t file) const {
        return Chunk(file).nameEnd[file & kFileChunkMask] & ~kNameNonAscii;
    }
    // Whether the name's bytes are all below 0x80.
    bool NameAscii(std::uint32_t file) const {
        return (Chunk(file).nameEnd[file & kFileChunkMask] & kNameNonAscii) == 0;
    }
    std::uint32_t NameStart(std::uint32_t file) const {
        const std::uint32_t end = NameEnd(file);
        if (file > 0) {
            const std::uint32_t previous = NameEnd(file - 1);
            if ((previous >> TextArena::kBlockBits) == (end >> TextArena::kBlockBits)) {
                return previous;
            }
        }
        return end & ~TextArena::kBlockMask;
    }
    std::string_view Name(std::uint32_t file) const {
        const std::uint32_t start = NameStart(file);
        return {names_.At(start), static_cast<std::size_t>(NameEnd(file) - start)};
    }
    const char* ArenaAt(std::uint32_t offset) const { return names_.At(offset); }
    std::int64_t Bytes(std::uint32_t file) const {
        const std::uint32_t stored = Chunk(file).bytes[file & kFileChunkMask];
        return stored != kLengthInTable ? std::int64_t{stored} : LargeBytes(file);
    }
    platform::FileTime LastWrite(std::uint32_t file) const {
        return Chunk(file).lastWrite[file & kFileChunkMask];
    }
    // 0 for no extension; kExtensionInName when it must be read from the name.
    std::uint16_t ExtensionId(std::uint32_t file) const {
        return Chunk(file).extension[file & kFileChunkMask];
    }
    std::string_view Extension(std::uint32_t id) const { return extensionTable_[id].Text(); }
    // The file's extension as the records hold it, lower-cased; `scratch`
    // holds it when it is read from the name.
    std::string_view ExtensionOf(std::uint32_t file, std::string& scratch) const;
    const FolderEntry& Folder(std::uint32_t folder) const { return folderTable_[folder]; }
    std::string_view Prefix(std::uint32_t folder) const {
        const FolderEntry& entry = folderTable_[folder];
        return {texts_.At(entry.prefixAt), entry.PrefixLength()};
    }

    // Whether a file below `files` has a negative length (no file system
    // gives one, but nothing is assumed).
    bool AnyNegativeLength(std::uint32_t files) const;
    // The sum of the lengths of the files below `files`.
    std::int64_t SumBytes(std::uint32_t files) const;

    // The memory the index holds: every column, arena and table, counted
    // by capacity. Writer thread, or after the crawl has ended.
    std::size_t MemoryBytes() const;

private:
    // Columns of 16,384 files (18 bytes each, 288 KiB a chunk): one
    // directory look-up serves every column of a file.
    static constexpr unsigned kFileChunkBits = 14;
    static constexpr std::size_t kFileChunk = std::size_t{1} << kFileChunkBits;
    static constexpr std::size_t kFileChunkMask = kFileChunk - 1;
    static constexpr std::size_t kFileChunks = (kMaxFiles + kFileChunk - 1) / kFileChunk;
    struct FileChunk {
        platform::FileTime lastWrite[kFileChunk];
        std::uint32_t nameEnd[kFileChunk];
        std::uint32_t bytes[kFileChunk]; // kLengthInTable: see largeBytes_
        std::uint16_t extension[kFileChunk];
    };
    const FileChunk& Chunk(std::uint32_t file) const {
        return *fileChunks_[file >> kFileChunkBits];
    }
    struct LargeLength {
        std::uint32_t file;
        std::int64_t bytes;
    };

    std::uint16_t InternExtension(std::string_view name);
    std::int64_t LargeBytes(std::uint32_t file) const;

    std::array<std::unique_ptr<FileChunk>, kFileChunks> fileChunks_{};
    std::size_t fileChunksAllocated_ = 0;
    ChunkedColumn<FolderEntry, 12, kMaxFiles> folderTable_;
    ChunkedColumn<ExtensionEntry, 10, kExtensionInName> extensionTable_;
    // Lengths that do not fit 32 bits, in file order.
    ChunkedColumn<LargeLength, 10, kMaxFiles> largeBytes_;
    TextArena names_;
    TextArena texts_; // folder prefixes and extensions

    std::atomic<std::uint32_t> files_{0};
    std::atomic<std::uint32_t> folders_{0};
    std::atomic<std::uint32_t> extensions_{0};
    std::atomic<std::uint32_t> largeCount_{0};

    // Writer state.
    std::uint32_t writerFiles_ = 0;
    std::uint32_t writerFolders_ = 0;
    std::uint32_t writerExtensions_ = 0;
    std::uint32_t writerLarge_ = 0;
    std::string pendingFolder_;
    bool folderOpen_ = false;
    // Extensions as they appear in names (any case) to their id.
    std::unordered_map<std::string, std::uint16_t> rawExtensions_;
    std::unordered_map<std::string, std::uint16_t> lowerExtensions_;
};

} // namespace vexo::index
