#include "base/text_file.h"

#include <utility>

namespace vexo::base {

std::string WithBom(std::string_view utf8) {
    std::string out;
    out.reserve(kUtf8Bom.size() + utf8.size());
    out += kUtf8Bom;
    out += utf8;
    return out;
}

std::string StripBom(std::string_view utf8) {
    if (utf8.starts_with(kUtf8Bom)) {
        utf8.remove_prefix(kUtf8Bom.size());
    }
    return std::string(utf8);
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) {
        size += line.size() + 2;
    }
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

StagedFile::StagedFile(FileWriter& files, std::string target, std::string_view suffix)
    : files_(files), target_(std::move(target)), staged_(target_ + std::string(suffix)) {
    if (suffix.empty()) {
        failure_ = Error{ErrorKind::InvalidInput, "staged write needs a staging suffix"};
    }
}

StagedFile::~StagedFile() {
    if (started_ && !committed_) {
        // A partial staging file may exist after a failed write; after a
        // failed flush or move the complete one does. Neither may stay behind.
        (void)files_.RemoveFile(staged_);
    }
}

Status StagedFile::Fail(Status status) {
    failure_ = status;
    return status;
}

Status StagedFile::Append(std::string_view bytes) {
    if (!failure_.ok()) {
        return failure_;
    }
    if (committed_) {
        return Error{ErrorKind::InvalidInput, "the staged file is already in place"};
    }
    const bool first = !started_;
    started_ = true;
    return Fail(first ? files_.WriteAllBytes(staged_, bytes) : files_.AppendBytes(staged_, bytes));
}

Status StagedFile::Commit() {
    if (!started_) {
        if (Status created = Append({}); !created.ok()) {
            return created;
        }
    }
    if (!failure_.ok() || committed_) {
        return failure_; // a second Commit has nothing left to do
    }
    if (Status flushed = files_.FlushToDisk(staged_); !flushed.ok()) {
        return Fail(flushed);
    }
    if (Status moved = files_.MoveReplace(staged_, target_); !moved.ok()) {
        return Fail(moved);
    }
    committed_ = true;
    return {};
}

Status WriteStaged(FileWriter& files, const std::string& target, std::string_view bytes,
                   std::string_view suffix) {
    StagedFile staged(files, target, suffix);
    if (Status written = staged.Append(bytes); !written.ok()) {
        return written;
    }
    return staged.Commit();
}

Status WriteReplacing(FileWriter& files, const std::string& target, std::string_view bytes) {
    Status written = files.WriteAllBytes(target, bytes);
    if (!written.ok()) {
        (void)files.RemoveFile(target);
    }
    return written;
}

} // namespace vexo::base
