#include "base/text_file.h"

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

Status WriteStaged(FileWriter& files, const std::string& target, std::string_view bytes,
                   std::string_view suffix) {
    if (suffix.empty()) {
        return Error{ErrorKind::InvalidInput, "staged write needs a staging suffix"};
    }
    const std::string staged = target + std::string(suffix);
    Status status = files.WriteAllBytes(staged, bytes);
    if (status.ok()) {
        status = files.MoveReplace(staged, target);
    }
    if (!status.ok()) {
        // A partial staging file may exist after a failed write; after a failed
        // move the complete one does. Neither may stay behind.
        (void)files.RemoveFile(staged);
    }
    return status;
}

Status WriteReplacing(FileWriter& files, const std::string& target, std::string_view bytes) {
    return files.WriteAllBytes(target, bytes);
}

} // namespace vexo::base
