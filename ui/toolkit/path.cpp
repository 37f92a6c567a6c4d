#include "toolkit/path.h"

#include <algorithm>

namespace vexo::toolkit {

Path roundedRectPath(Size size, int radius) {
    const int d = std::min(2 * radius, std::min(size.width, size.height));
    const int right = size.width - d - 1;
    const int bottom = size.height - d - 1;
    Path p;
    p.arcs = {
        {{0, 0, d, d}, 180, 90},
        {{right, 0, d, d}, 270, 90},
        {{right, bottom, d, d}, 0, 90},
        {{0, bottom, d, d}, 90, 90},
    };
    return p;
}

} // namespace vexo::toolkit
