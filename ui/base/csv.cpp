#include "base/csv.h"

namespace vexo::base {

std::string CsvField(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 3);
    AppendCsvField(out, value);
    return out;
}

void AppendCsvField(std::string& out, std::string_view value) {
    out.push_back('"');
    if (!value.empty()) {
        switch (value.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            out.push_back('\'');
            break;
        default:
            break;
        }
    }
    for (const char c : value) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

} // namespace vexo::base
