#include "records/removal_log.h"

#include "base/datetime.h"
#include "base/text_file.h"
#include "platform/path_rules.h"
#include "diagnostics/diagnostics.h"

namespace vexo::records {

std::string RemovalLogName(std::string_view prefix, const base::DateTimeParts& localTime) {
    std::string name(prefix);
    name += base::FormatStamp(localTime);
    name += ".txt";
    return name;
}

base::Result<std::string> WriteRemovalLog(platform::Machine& machine, std::string_view prefix,
                                          const std::vector<std::string>& lines) {
    std::optional<std::string> folder = diagnostics::DataFolder(machine.environment());
    if (!folder) {
        return base::Error{base::ErrorKind::NotFound, "LOCALAPPDATA is not set"};
    }
    platform::Files& files = machine.files();
    if (base::Status made = files.CreateFolderTree(*folder); !made.ok()) {
        return made.error();
    }
    std::string path =
        platform::paths::Join(*folder, RemovalLogName(prefix, machine.clock().NowLocal()));
    if (base::Status written =
            base::WriteReplacing(files, path, base::WithBom(base::JoinCrLf(lines)));
        !written.ok()) {
        return written.error();
    }
    return path;
}

} // namespace vexo::records
