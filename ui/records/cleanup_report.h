#pragma once
// The before-and-after record of a clean-up run: the free space of every
// drive before the first item and when the run ends, and what was done. Only
// the last report survives, in memory for the life of the application and as
// LastCleanup.json in the data folder, so the user can look back at the last
// clean-up after a restart.

#include "base/culture.h"
#include "platform/machine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::records {

// One ready fixed or removable drive at one moment.
struct DriveReading {
    std::string root; // "C:\"
    std::int64_t total = 0;
    std::int64_t free = 0;
    std::int64_t available = 0; // free bytes the user may use (quotas applied)
    std::int64_t used = 0;      // total - free

    bool operator==(const DriveReading&) const = default;
};

// The kinds of run, as the user reads them.
inline constexpr std::string_view kKindFiles = "ملفات";
inline constexpr std::string_view kKindPrograms = "برامج";
inline constexpr std::string_view kKindIndexResults = "حذف نتائج الفهرسة";

// One clean-up run.
struct CleanupReport {
    std::string at;   // local time, yyyy-MM-ddTHH:mm:ss, kept as stored
    std::string kind; // one of the kinds above
    std::int64_t logicalRemoved = 0;
    std::int32_t attempted = 0;
    std::int32_t success = 0;
    std::int32_t failed = 0;
    bool stopped = false;
    std::vector<DriveReading> before;
    std::vector<DriveReading> after;

    bool operator==(const CleanupReport&) const = default;
};

inline constexpr std::string_view kReportFileName = "LastCleanup.json";

// Every ready fixed or removable drive, in drive-letter order. A drive that
// cannot be read costs one diagnostics line ("Report disk: ") and its
// reading; the others are still read.
std::vector<DriveReading> ReadStorage18(platform::Machine& machine);

// The file form: UTF-8 with a byte-order mark, one indented JSON object with
// the nine properties in their fixed order, Arabic as plain UTF-8, CR LF line
// ends.
std::string SerializeReport(const CleanupReport& report);
// Any valid JSON object holding the nine properties with their types (a
// leading byte-order mark allowed); none for anything else.
std::optional<CleanupReport> ParseReport(std::string_view bytes) noexcept;

// The six-line summary shown at the end of every run and at the top of the
// Cleanup report section, numbers in the user's culture.
std::string ReportSummary18(const CleanupReport& report, const base::Culture& culture);

// Holds the last report for the application's lifetime and persists it.
class ReportStore {
public:
    explicit ReportStore(platform::Machine& machine) : machine_(machine) {}

    // Makes the report (now, the given figures, fresh after readings), keeps
    // it as the last report before touching any file, then writes it through
    // a staging file. A failed write costs one diagnostics line
    // ("Save report: ") and leaves the earlier file as it was; the caller
    // still gets the report.
    CleanupReport SaveReport18(std::string_view kind, std::vector<DriveReading> before,
                               std::int64_t logicalRemoved, std::int32_t attempted,
                               std::int32_t success, std::int32_t failed, bool stopped);

    // The report in memory, else the one in LastCleanup.json, else none. A
    // missing, unreadable or invalid file is silently no report.
    std::optional<CleanupReport> LastReport();

private:
    platform::Machine& machine_;
    std::optional<CleanupReport> last_;
};

} // namespace vexo::records
