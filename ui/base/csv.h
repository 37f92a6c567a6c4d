#pragma once
// Fields of the CSV exports of index results.

#include <string>
#include <string_view>

namespace vexo::base {

// One quoted field. A value whose first character is = + - @, a tab or a
// carriage return gets an apostrophe in front, so that spreadsheet programs
// do not run the cell as a formula; every double quote is doubled and the
// whole is enclosed in double quotes. An empty value gives "".
std::string CsvField(std::string_view value);
// The same field appended to `out`, for writers of many rows.
void AppendCsvField(std::string& out, std::string_view value);

} // namespace vexo::base
