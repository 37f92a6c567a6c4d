#include "records/report_table.h"

#include "base/ordinal.h"

#include <algorithm>

namespace vexo::records {

namespace {

constexpr double kBytesPerGb = 1073741824.0;

double Gb(std::int64_t bytes) {
    return static_cast<double>(bytes) / kBytesPerGb;
}

} // namespace

std::vector<ReportTableRow> ReportTableRows(const std::optional<CleanupReport>& shown,
                                            const std::vector<DriveReading>& now) {
    std::vector<ReportTableRow> rows;
    rows.reserve(now.size());
    for (const DriveReading& current : now) {
        ReportTableRow row{.root = current.root,
                           .after = Gb(current.available),
                           .used = Gb(current.used),
                           .total = Gb(current.total)};
        if (shown) {
            auto match = std::find_if(shown->before.begin(), shown->before.end(),
                                      [&](const DriveReading& before) {
                                          return base::EqualsIgnoreCase(before.root, current.root);
                                      });
            if (match != shown->before.end()) {
                row.before = Gb(match->available);
                // The difference in bytes first: two large sizes a few bytes
                // apart keep their difference.
                row.delta = Gb(current.available - match->available);
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace vexo::records
