#include "records/cleanup_report.h"

#include "base/datetime.h"
#include "base/ordinal.h"
#include "base/text_file.h"
#include "platform/path_rules.h"
#include "diagnostics/diagnostics.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace vexo::records {

namespace {

constexpr double kBytesPerGb = 1073741824.0;

// ---------------------------------------------------------------------------
// File form

nlohmann::ordered_json ReadingsToJson(const std::vector<DriveReading>& readings) {
    // Always an array, also for none or one drive, so a reader never has to
    // guess whether a lone object is a list.
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const DriveReading& reading : readings) {
        nlohmann::ordered_json item;
        item["Root"] = reading.root;
        item["Total"] = reading.total;
        item["Free"] = reading.free;
        item["Available"] = reading.available;
        item["Used"] = reading.used;
        list.push_back(std::move(item));
    }
    return list;
}

bool ReadString(const nlohmann::json& object, const char* key, std::string& out) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string()) {
        return false;
    }
    out = it->get<std::string>();
    return true;
}

template <class Int> bool ReadInteger(const nlohmann::json& object, const char* key, Int& out) {
    auto it = object.find(key);
    if (it == object.end()) {
        return false;
    }
    if (it->is_number_unsigned()) {
        const std::uint64_t value = it->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<Int>::max())) {
            return false;
        }
        out = static_cast<Int>(value);
        return true;
    }
    if (it->is_number_integer()) {
        const std::int64_t value = it->get<std::int64_t>();
        if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
            return false;
        }
        out = static_cast<Int>(value);
        return true;
    }
    return false;
}

bool ReadReadings(const nlohmann::json& object, const char* key, std::vector<DriveReading>& out) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_array()) {
        return false;
    }
    for (const nlohmann::json& item : *it) {
        DriveReading reading;
        if (!item.is_object() || !ReadString(item, "Root", reading.root) ||
            !ReadInteger(item, "Total", reading.total) ||
            !ReadInteger(item, "Free", reading.free) ||
            !ReadInteger(item, "Available", reading.available) ||
            !ReadInteger(item, "Used", reading.used)) {
            return false;
        }
        out.push_back(std::move(reading));
    }
    return true;
}

void RecordSaveFailure(platform::Machine& machine, std::string_view text) {
    std::string line = "Save report: ";
    line += text;
    diagnostics::WriteDriveDiagnostic(machine, line);
}

} // namespace

// ---------------------------------------------------------------------------
// Drive readings

std::vector<DriveReading> ReadStorage18(platform::Machine& machine) {
    platform::Volumes& volumes = machine.volumes();
    std::vector<DriveReading> readings;
    for (const std::string& root : volumes.DriveRoots()) {
        const platform::DriveType type = volumes.TypeOf(root);
        if (type != platform::DriveType::Fixed && type != platform::DriveType::Removable) {
            continue;
        }
        if (!volumes.IsReady(root)) {
            continue;
        }
        base::Result<platform::VolumeReading> volume = volumes.Read(root);
        if (!volume.ok()) {
            std::string line = "Report disk: ";
            line += volume.error().message;
            diagnostics::WriteDriveDiagnostic(machine, line);
            continue;
        }
        readings.push_back(DriveReading{root, volume->total, volume->totalFree, volume->available,
                                        volume->total - volume->totalFree});
    }
    return readings;
}

// ---------------------------------------------------------------------------
// Serialisation

std::string SerializeReport(const CleanupReport& report) {
    nlohmann::ordered_json object;
    object["At"] = report.at;
    object["Kind"] = report.kind;
    object["LogicalRemoved"] = report.logicalRemoved;
    object["Attempted"] = report.attempted;
    object["Success"] = report.success;
    object["Failed"] = report.failed;
    object["Stopped"] = report.stopped;
    object["Before"] = ReadingsToJson(report.before);
    object["After"] = ReadingsToJson(report.after);

    // Plain UTF-8 for the Arabic kind; a broken byte sequence in a string is
    // replaced rather than losing the whole report.
    const std::string text =
        object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);

    // JSON strings escape their own line breaks, so every raw "\n" here is
    // indentation; the file takes CR LF like every text the product writes.
    std::string bytes(base::kUtf8Bom);
    bytes.reserve(text.size() + text.size() / 8 + 8);
    for (char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    bytes += "\r\n";
    return bytes;
}

std::optional<CleanupReport> ParseReport(std::string_view bytes) noexcept {
    try {
        if (bytes.substr(0, base::kUtf8Bom.size()) == base::kUtf8Bom) {
            bytes.remove_prefix(base::kUtf8Bom.size());
        }
        const nlohmann::json object = nlohmann::json::parse(bytes, nullptr, false);
        if (object.is_discarded() || !object.is_object()) {
            return std::nullopt;
        }
        CleanupReport report;
        auto stopped = object.find("Stopped");
        if (!ReadString(object, "At", report.at) || !ReadString(object, "Kind", report.kind) ||
            !ReadInteger(object, "LogicalRemoved", report.logicalRemoved) ||
            !ReadInteger(object, "Attempted", report.attempted) ||
            !ReadInteger(object, "Success", report.success) ||
            !ReadInteger(object, "Failed", report.failed) || stopped == object.end() ||
            !stopped->is_boolean() || !ReadReadings(object, "Before", report.before) ||
            !ReadReadings(object, "After", report.after)) {
            return std::nullopt;
        }
        report.stopped = stopped->get<bool>();
        return report;
    } catch (...) {
        return std::nullopt;
    }
}

// ---------------------------------------------------------------------------
// Summary

std::string ReportSummary18(const CleanupReport& report, const base::Culture& culture) {
    // Sums in floating point: the figures are shown in GB at two decimals, and
    // a hand-edited file must not overflow them.
    double change = 0;
    double remaining = 0;
    double available = 0;
    for (const DriveReading& after : report.after) {
        for (const DriveReading& before : report.before) {
            if (base::EqualsIgnoreCase(before.root, after.root)) {
                change +=
                    static_cast<double>(after.available) - static_cast<double>(before.available);
                break;
            }
        }
        remaining += static_cast<double>(after.used);
        available += static_cast<double>(after.available);
    }

    std::string text = "ملخص ";
    text += report.kind;
    text += " عند ";
    text += report.at;
    text += "\r\nاكتملت المعالجة: ";
    text += std::to_string(report.success);
    text += " | لم تكتمل: ";
    text += std::to_string(report.failed);
    text += "\r\n";
    if (report.kind == kKindPrograms) {
        // An uninstaller does not say what it removed; only the drives tell.
        text += "حجم ملفات البرامج المحذوفة غير مقاس؛ المساحة تقاس من القرص.";
    } else {
        text += "حجم الملفات المنقولة/المزالة: ";
        text += base::FormatN(static_cast<double>(report.logicalRemoved) / kBytesPerGb, 2, culture);
        text += " GB";
    }
    text += "\r\nتغير المساحة المتاحة: ";
    text += base::FormatSignedFixed2(change / kBytesPerGb, culture);
    text += " GB\r\nالمستخدم الباقي: ";
    text += base::FormatN(remaining / kBytesPerGb, 2, culture);
    text += " GB | المتاح لك: ";
    text += base::FormatN(available / kBytesPerGb, 2, culture);
    text += " GB\r\nنقل الملفات للسلة وحده لا يحرر المساحة. القياس قد يتأثر بكتابة البرامج الأخرى.";
    return text;
}

// ---------------------------------------------------------------------------
// The store

CleanupReport ReportStore::SaveReport18(std::string_view kind, std::vector<DriveReading> before,
                                        std::int64_t logicalRemoved, std::int32_t attempted,
                                        std::int32_t success, std::int32_t failed, bool stopped) {
    CleanupReport report;
    report.at = base::FormatSortable(machine_.clock().NowLocal());
    report.kind = std::string(kind);
    report.logicalRemoved = logicalRemoved;
    report.attempted = attempted;
    report.success = success;
    report.failed = failed;
    report.stopped = stopped;
    report.before = std::move(before);
    report.after = ReadStorage18(machine_);

    // In memory first: whatever happens to the file, the Cleanup report
    // section shows this run for as long as the application runs.
    last_ = report;

    try {
        std::optional<std::string> folder = diagnostics::DataFolder(machine_.environment());
        if (!folder) {
            RecordSaveFailure(machine_, "LOCALAPPDATA is not set");
            return report;
        }
        platform::Files& files = machine_.files();
        if (base::Status made = files.CreateFolderTree(*folder); !made.ok()) {
            RecordSaveFailure(machine_, made.error().message);
            return report;
        }
        const std::string target = platform::paths::Join(*folder, kReportFileName);
        if (base::Status written =
                base::WriteStaged(files, target, SerializeReport(report), ".tmp");
            !written.ok()) {
            RecordSaveFailure(machine_, written.error().message);
        }
    } catch (const std::exception& error) {
        RecordSaveFailure(machine_, error.what());
    }
    return report;
}

std::optional<CleanupReport> ReportStore::LastReport() {
    if (last_) {
        return last_;
    }
    std::optional<std::string> folder = diagnostics::DataFolder(machine_.environment());
    if (!folder) {
        return std::nullopt;
    }
    base::Result<std::string> bytes =
        machine_.files().ReadAllBytes(platform::paths::Join(*folder, kReportFileName));
    if (!bytes.ok()) {
        return std::nullopt;
    }
    return ParseReport(*bytes);
}

} // namespace vexo::records
