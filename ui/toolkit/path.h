#pragma once
// A closed figure made of circular or elliptic arcs joined by straight lines,
// used to shape a control's visible region (rounded buttons and cards) and by
// the canvas. Angles are in degrees, clockwise from three o'clock, as GDI+
// counts them.

#include "toolkit/geometry.h"

#include <vector>

namespace vexo::toolkit {

struct Arc {
    Rect box;
    float startAngle = 0;
    float sweepAngle = 0;
    bool operator==(const Arc&) const = default;
};

struct Path {
    std::vector<Arc> arcs; // joined in order and closed back to the first
    bool operator==(const Path&) const = default;
};

// The rounded-rectangle figure of the visual style: four quarter arcs of
// diameter d = min(2r, min(width, height)) in the corners of a width x height
// control.
Path roundedRectPath(Size size, int radius);

} // namespace vexo::toolkit
