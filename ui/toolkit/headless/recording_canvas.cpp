#include "toolkit/headless/recording_canvas.h"

namespace vexo::toolkit::headless {

std::vector<std::string> RecordingCanvas::texts() const {
    std::vector<std::string> out;
    for (const auto& t : all<TextOp>()) {
        out.push_back(t.text);
    }
    return out;
}

} // namespace vexo::toolkit::headless
