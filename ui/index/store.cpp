#include "index/store.h"

#include "base/ordinal.h"

#include <cstring>

namespace vexo::index {

namespace {

bool IsAsciiText(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The extension as the index keeps it: from the last dot to the end.
std::string_view RawExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

} // namespace

std::uint32_t TextArena::Add(std::string_view text) {
    if (text.size() > kBlockSize) {
        throw std::length_error("text longer than an index block");
    }
    if (kBlockSize - used_ < text.size()) {
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

std::uint32_t IndexStore::InternExtension(std::string_view name) {
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
    std::uint32_t id;
    if (const auto found = lowerExtensions_.find(lower); found != lowerExtensions_.end()) {
        id = found->second;
    } else {
        id = writerExtensions_;
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

void IndexStore::Append(std::string_view name, std::int64_t length, platform::FileTime lastWrite) {
    const std::uint32_t file = writerFiles_;
    if (file >= kMaxFiles) {
        throw std::length_error("index full");
    }
    if (name.size() >= kNonAsciiBit) {
        throw std::length_error("file name too long for the index");
    }
    if (!folderOpen_) {
        const std::uint32_t offset = texts_.Add(pendingFolder_);
        FolderEntry& folder = folderTable_.Grow(writerFolders_);
        folder.prefix = texts_.At(offset);
        folder.prefixLength = static_cast<std::uint32_t>(pendingFolder_.size());
        folder.firstFile = file;
        folder.prefixHash = static_cast<std::uint32_t>(base::IgnoreCaseHash{}(pendingFolder_));
        folder.prefixAscii = IsAsciiText(pendingFolder_);
        folder.namesAscii.store(true, std::memory_order_relaxed);
        ++writerFolders_;
        folders_.store(writerFolders_, std::memory_order_release);
        folderOpen_ = true;
    }
    const bool ascii = IsAsciiText(name);
    if (!ascii) {
        folderTable_[writerFolders_ - 1].namesAscii.store(false, std::memory_order_relaxed);
    }
    const std::size_t chunkIndex = file >> kFileChunkBits;
    if (!fileChunks_[chunkIndex]) {
        fileChunks_[chunkIndex] = std::make_unique_for_overwrite<FileChunk>();
        ++fileChunksAllocated_;
    }
    FileChunk& chunk = *fileChunks_[chunkIndex];
    const std::size_t i = file & kFileChunkMask;
    chunk.nameAt[i] = names_.Add(name);
    chunk.nameLength[i] =
        static_cast<std::uint16_t>(name.size() | (ascii ? 0u : unsigned{kNonAsciiBit}));
    chunk.extension[i] = InternExtension(name);
    chunk.bytes[i] = length;
    chunk.lastWrite[i] = lastWrite;
    writerFiles_ = file + 1;
    files_.store(writerFiles_, std::memory_order_release);
}

std::size_t IndexStore::MemoryBytes() const {
    std::size_t total = sizeof(*this);
    total += fileChunksAllocated_ * sizeof(FileChunk);
    total += folderTable_.CapacityBytes() + extensionTable_.CapacityBytes();
    total += names_.CapacityBytes() + texts_.CapacityBytes();
    // The writer's extension maps: buckets and nodes (key, id, links).
    for (const auto* map : {&rawExtensions_, &lowerExtensions_}) {
        total += map->bucket_count() * sizeof(void*);
        for (const auto& [key, id] : *map) {
            total += sizeof(std::pair<const std::string, std::uint32_t>) + 2 * sizeof(void*) +
                     (key.capacity() > 15 ? key.capacity() + 1 : 0);
        }
    }
    total += pendingFolder_.capacity();
    return total;
}

} // namespace vexo::index
