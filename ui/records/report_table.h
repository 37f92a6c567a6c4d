#pragma once
// The drive table of the Cleanup report section: the space each drive offers
// now beside what it offered just before the last clean-up. The table is
// built from the drives read now, so a drive attached since the clean-up
// shows with nothing to compare, and one gone since does not show.

#include "records/cleanup_report.h"

#include <optional>
#include <string>
#include <vector>

namespace vexo::records {

// One drive read now, in GB (bytes divided by 1073741824).
struct ReportTableRow {
    std::string root{};
    // Available just before the clean-up; none without a report or when the
    // drive took no part in it.
    std::optional<double> before{};
    double after = 0; // available now
    // after - before; none whenever `before` is.
    std::optional<double> delta{};
    double used = 0;
    double total = 0;

    bool operator==(const ReportTableRow&) const = default;
};

// One row per reading of `now`, in its order. Each is matched to the first
// before-reading of `shown` with the same root, ignoring case.
std::vector<ReportTableRow> ReportTableRows(const std::optional<CleanupReport>& shown,
                                            const std::vector<DriveReading>& now);

} // namespace vexo::records
