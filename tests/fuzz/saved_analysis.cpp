// The reader of a saved folder analysis (storage-v10-<letter>.xml) on any
// bytes: the file lives in the user's data folder, where a hand edit,
// another program or a write cut short may have left anything. The reader
// must neither crash nor leak nor misbehave, and a record it accepts must
// come back unchanged through the writer's form: what "the last saved
// analysis" shows is what was read.

#include "space/saved_analysis.h"

#include "fuzz/fuzz_abort.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto read = vexo::space::ReadSavedAnalysis(input);
    if (!read.ok()) {
        if (read.error().kind != vexo::base::ErrorKind::InvalidInput) {
            vexo::fuzz::Violation("a refused file is refused as invalid input", input,
                                  read.error().message);
        }
        return 0;
    }
    const std::string written = vexo::space::WriteSavedAnalysis(read.value());
    const auto again = vexo::space::ReadSavedAnalysis(written);
    if (!again.ok()) {
        vexo::fuzz::Violation("the writer's form of an accepted record reads back", input,
                              again.error().message);
    }
    if (!(again.value() == read.value())) {
        vexo::fuzz::Violation("an accepted record survives the writer unchanged", input, written);
    }
    if (vexo::space::WriteSavedAnalysis(again.value()) != written) {
        vexo::fuzz::Violation("the writer's form is stable", input, written);
    }
    return 0;
}
