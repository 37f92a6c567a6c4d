#pragma once
// The layout engine, shared by both backends: pure functions from the sizes
// and settings of the children to their rectangles, so a test can assert a
// position without any window.
//
// Rules, as the screens are described:
// - Docking takes the edges in the order the children were added; the last
//   Fill child takes what is left. Margins do not apply to docked children.
// - Table and flow layouts honour margins; sizes add (they do not collapse).
// - A right-to-left table puts its first column at the right; a flow that
//   runs left to right runs from the right in a right-to-left container; a
//   flow declared right to left always starts at the right edge. Docking and
//   fixed positions are never mirrored.

#include "toolkit/control.h"
#include "toolkit/geometry.h"

#include <vector>

namespace vexo::toolkit {

struct LayoutItem {
    Rect bounds;    // current bounds (the size is kept unless the rules change it)
    Size preferred; // what the control would like (auto-size)
    bool autoSize = false;
    Size minimum;
    Spacing margin;
    Dock dock = Dock::None;
    bool visible = true;
    Cell cell;

    Size wanted() const;
};

// ---- dock -----------------------------------------------------------------
std::vector<Rect> dockLayout(Rect area, const std::vector<LayoutItem>& items);

// ---- table ----------------------------------------------------------------
enum class TrackType { Pixels, Percent, Fill };

struct Track {
    TrackType type = TrackType::Fill;
    float value = 0; // pixels or percent

    static Track pixels(int px) { return {TrackType::Pixels, static_cast<float>(px)}; }
    static Track percent(float pct) { return {TrackType::Percent, pct}; }
    static Track fill() { return {TrackType::Fill, 0}; }
};

// Sizes of the tracks in `available` pixels: pixel tracks first, percent tracks
// share the rest in proportion (up to all of it), fill tracks share what is
// left equally; the last flexible track takes the rounding remainder.
std::vector<int> resolveTracks(int available, const std::vector<Track>& tracks);

struct TableResult {
    std::vector<Rect> bounds; // per item, in order
    std::vector<Cell> cells;  // the cell each item ended up in
};

TableResult tableLayout(Rect area, const std::vector<Track>& columns,
                        const std::vector<Track>& rows, const std::vector<LayoutItem>& items,
                        bool rightToLeft);

// ---- flow -----------------------------------------------------------------
enum class FlowDirection { LeftToRight, RightToLeft, TopDown };

struct FlowResult {
    std::vector<Rect> bounds; // in content coordinates (before scrolling)
    Size extent;              // from the area's origin to the furthest margin
};

FlowResult flowLayout(Rect area, const std::vector<LayoutItem>& items, FlowDirection direction,
                      bool wrap, bool rightToLeft);

} // namespace vexo::toolkit
