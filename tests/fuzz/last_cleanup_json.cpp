// The reader of LastCleanup.json on any bytes: the file lives in the user's
// data folder, where a hand edit, another program or a write cut short may
// have left anything. The reader must neither crash nor leak nor misbehave,
// must answer the same with and without the leading byte-order mark, and a
// report it accepts must survive the writer's file form unchanged: what the
// Cleanup report section shows after a restart is what was read.

#include "base/text_file.h"
#include "fuzz/fuzz_abort.h"
#include "records/cleanup_report.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

using vexo::base::kUtf8Bom;
using vexo::records::CleanupReport;

bool StartsWithBom(std::string_view bytes) {
    return bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
}

// The writer's promises about the file form: a byte-order mark, CR LF line
// ends only, and a final line end.
void CheckFileForm(std::string_view input, std::string_view written) {
    if (!StartsWithBom(written)) {
        vexo::fuzz::Violation("the written report starts with a byte-order mark", input, written);
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\n' && (i == 0 || written[i - 1] != '\r')) {
            vexo::fuzz::Violation("the written report ends its lines in CR LF", input, written);
        }
    }
    if (written.size() < 2 || written.substr(written.size() - 2) != "\r\n") {
        vexo::fuzz::Violation("the written report ends with a line end", input, written);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<CleanupReport> read = vexo::records::ParseReport(input);

    // The same text with one byte-order mark more or less reads the same. (A
    // second mark after the first is left alone: the JSON reader skips one.)
    const std::string_view body = StartsWithBom(input) ? input.substr(kUtf8Bom.size()) : input;
    if (!StartsWithBom(body)) {
        std::string other;
        if (body.size() == input.size()) {
            other.assign(kUtf8Bom);
            other += body;
        } else {
            other.assign(body);
        }
        if (vexo::records::ParseReport(other) != read) {
            vexo::fuzz::Violation("a leading byte-order mark changes nothing", input);
        }
    }

    if (read) {
        const std::string written = vexo::records::SerializeReport(*read);
        CheckFileForm(input, written);
        const std::optional<CleanupReport> again = vexo::records::ParseReport(written);
        if (!again || *again != *read) {
            vexo::fuzz::Violation("a report read back from the writer's form is the same record",
                                  input, written);
        }
    }
    return 0;
}
