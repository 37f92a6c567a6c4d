#include "index/store.h"

#include "base/ordinal.h"

#include <algorithm>
#include <cstring>

namespace vexo::index {

// A name's end never reaches the bit that marks a non-ASCII name.
static_assert(std::uint64_t{TextArena::kBlockSize} * TextArena::kMaxBlocks <=
              IndexStore::kNameNonAscii);

namespace {

// The extension as the index keeps it: from the last dot to the end.
std::string_view RawExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

} // namespace

std::uint32_t TextArena::Add(std::string_view text) {
    if (text.size() >= kBlockSize) {
        throw std::length_error("text longer than an index block");
    }
    // Strictly less: the offset past the text stays inside its block.
    if (kBlockSize - used_ <= text.size()) {
        block_ = allocated_;
        if (block_ >= kMaxBlocks) {
            throw std::length_error("index text arena full");
        }
        blocks_[block_] = std::make_unique_for_overwrite<char[]>(kBlockSize);
        ++allocated_;
        used_ = 0;
    }
    char* at = blocks_[block_].get() + used_;
    if (!text.empty()) {
        std::memcpy(at, text.data(), text.size());
    }
    const auto offset = static_cast<std::uint32_t>((block_ << kBlockBits) | used_);
    used_ += text.size();
    return offset;
}

void IndexStore::BeginFolder(std::string_view folderPath) {
    pendingFolder_.assign(folderPath);
    if (pendingFolder_.empty() || pendingFolder_.back() != '\\') {
        pendingFolder_.push_back('\\');
    }
    folderOpen_ = false;
}

std::uint16_t IndexStore::InternExtension(std::string_view name) {
    const std::string_view raw = RawExtension(name);
    if (raw.empty()) {
        return 0;
    }
    if (writerExtensions_ == 0) {
        // Id 0 is the empty extension.
        extensionTable_.Grow(0) = ExtensionEntry{};
        writerExtensions_ = 1;
        extensions_.store(1, std::memory_order_release);
    }
    std::string key(raw);
    if (const auto found = rawExtensions_.find(key); found != rawExtensions_.end()) {
        return found->second;
    }
    std::string lower = base::ToLowerInvariant(raw);
    std::uint16_t id;
    if (const auto found = lowerExtensions_.find(lower); found != lowerExtensions_.end()) {
        id = found->second;
    } else if (writerExtensions_ >= kExtensionInName) {
        // The tables stay bounded; such a file's extension is read from its
        // name when it is needed.
        return kExtensionInName;
    } else {
        id = static_cast<std::uint16_t>(writerExtensions_);
        const std::uint32_t offset = texts_.Add(lower);
        extensionTable_.Grow(id) =
            ExtensionEntry{texts_.At(offset), static_cast<std::uint32_t>(lower.size())};
        ++writerExtensions_;
        extensions_.store(writerExtensions_, std::memory_order_release);
        lowerExtensions_.emplace(std::move(lower), id);
    }
    rawExtensions_.emplace(std::move(key), id);
    return id;
}

std::string_view IndexStore::ExtensionOf(std::uint32_t file, std::string& scratch) const {
    const std::uint16_t id = ExtensionId(file);
    if (id != kExtensionInName) {
        return id == 0 ? std::string_view{} : Extension(id);
    }
    scratch = base::ToLowerInvariant(RawExtension(Name(file)));
    return scratch;
}

std::int64_t IndexStore::LargeBytes(std::uint32_t file) const {
    // Entries are in file order; every file below the published count has
    // its entry published with it.
    std::uint32_t lo = 0;
    std::uint32_t hi = largeCount_.load(std::memory_order_acquire);
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (largeBytes_[mid].file < file) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return largeBytes_[lo].bytes;
}

bool IndexStore::AnyNegativeLength(std::uint32_t files) const {
    const std::uint32_t count = largeCount_.load(std::memory_order_acquire);
    for (std::uint32_t i = 0; i < count && largeBytes_[i].file < files; ++i) {
        if (largeBytes_[i].bytes < 0) {
            return true;
        }
    }
    return false;
}

std::int64_t IndexStore::SumBytes(std::uint32_t files) const {
    std::int64_t sum = 0;
    for (std::uint32_t first = 0; first < files; first += kFileChunk) {
        const FileChunk& chunk = Chunk(first);
        const std::size_t count = std::min<std::size_t>(kFileChunk, files - first);
        std::uint64_t small = 0;
        std::uint64_t large = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t stored = chunk.bytes[i];
            small += stored;
            large += stored == kLengthInTable ? 1 : 0;
        }
        sum += static_cast<std::int64_t>(small - large * kLengthInTable);
    }
    const std::uint32_t count = largeCount_.load(std::memory_order_acquire);
    for (std::uint32_t i = 0; i < count && largeBytes_[i].file < files; ++i) {
        sum += largeBytes_[i].bytes;
    }
    return sum;
}

void IndexStore::Append(std::string_view name, std::int64_t length, platform::FileTime lastWrite) {
    const std::uint32_t file = writerFiles_;
    if (file >= kMaxFiles) {
        throw std::length_error("index full");
    }
    if (!folderOpen_) {
        const std::uint32_t offset = texts_.Add(pendingFolder_);
        FolderEntry& folder = folderTable_.Grow(writerFolders_);
        folder.prefixAt = offset;
        folder.firstFile = file;
        folder.lengthAndFlags.store(
            static_cast<std::uint32_t>(pendingFolder_.size()) |
                (IsAsciiText(pendingFolder_) ? 0u : FolderEntry::kPrefixNonAscii),
            std::memory_order_relaxed);
        ++writerFolders_;
        folders_.store(writerFolders_, std::memory_order_release);
        folderOpen_ = true;
    }
    const bool ascii = IsAsciiText(name);
    if (!ascii) {
        folderTable_[writerFolders_ - 1].lengthAndFlags.fetch_or(FolderEntry::kNamesNonAscii,
                                                                 std::memory_order_relaxed);
    }
    const std::size_t chunkIndex = file >> kFileChunkBits;
    if (!fileChunks_[chunkIndex]) {
        fileChunks_[chunkIndex] = std::make_unique_for_overwrite<FileChunk>();
        ++fileChunksAllocated_;
    }
    FileChunk& chunk = *fileChunks_[chunkIndex];
    const std::size_t i = file & kFileChunkMask;
    chunk.nameEnd[i] =
        (names_.Add(name) + static_cast<std::uint32_t>(name.size())) | (ascii ? 0u : kNameNonAscii);
    chunk.extension[i] = InternExtension(name);
    if (length >= 0 && length < std::int64_t{kLengthInTable}) {
        chunk.bytes[i] = static_cast<std::uint32_t>(length);
    } else {
        largeBytes_.Grow(writerLarge_) = LargeLength{file, length};
        ++writerLarge_;
        largeCount_.store(writerLarge_, std::memory_order_release);
        chunk.bytes[i] = kLengthInTable;
    }
    chunk.lastWrite[i] = lastWrite;
    writerFiles_ = file + 1;
    files_.store(writerFiles_, std::memory_order_release);
}

std::size_t IndexStore::MemoryBytes() const {
    std::size_t total = sizeof(*this);
    total += fileChunksAllocated_ * sizeof(FileChunk);
    total += folderTable_.CapacityBytes() + extensionTable_.CapacityBytes() +
             largeBytes_.CapacityBytes();
    total += names_.CapacityBytes() + texts_.CapacityBytes();
    // The writer's extension maps: buckets and nodes (key, id, links).
    for (const auto* map : {&rawExtensions_, &lowerExtensions_}) {
        total += map->bucket_count() * sizeof(void*);
        for (const auto& [key, id] : *map) {
            total += sizeof(std::pair<const std::string, std::uint16_t>) + 2 * sizeof(void*) +
                     (key.capacity() > 15 ? key.capacity() + 1 : 0);
        }
    }
    total += pendingFolder_.capacity();
    return total;
}

} // namespace vexo::index
