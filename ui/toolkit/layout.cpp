#include "toolkit/layout.h"

#include <algorithm>

namespace vexo::toolkit {

Size LayoutItem::wanted() const {
    Size s = autoSize ? preferred : bounds.size();
    return {std::max(s.width, minimum.width), std::max(s.height, minimum.height)};
}

// ---- dock -----------------------------------------------------------------

std::vector<Rect> dockLayout(Rect area, const std::vector<LayoutItem>& items) {
    std::vector<Rect> out;
    out.reserve(items.size());
    Rect free = area;
    for (const auto& item : items) {
        const Size s = item.wanted();
        Rect r{item.bounds.x, item.bounds.y, s.width, s.height};
        if (!item.visible) {
            out.push_back(r);
            continue;
        }
        switch (item.dock) {
        case Dock::None:
            break;
        case Dock::Top:
            r = {free.x, free.y, free.width, std::min(s.height, free.height)};
            free.y += r.height;
            free.height -= r.height;
            break;
        case Dock::Bottom:
            r = {free.x, free.bottom() - std::min(s.height, free.height), free.width,
                 std::min(s.height, free.height)};
            free.height -= r.height;
            break;
        case Dock::Left:
            r = {free.x, free.y, std::min(s.width, free.width), free.height};
            free.x += r.width;
            free.width -= r.width;
            break;
        case Dock::Right:
            r = {free.right() - std::min(s.width, free.width), free.y,
                 std::min(s.width, free.width), free.height};
            free.width -= r.width;
            break;
        case Dock::Fill:
            r = free;
            break;
        }
        out.push_back(r);
    }
    return out;
}

// ---- table ----------------------------------------------------------------

std::vector<int> resolveTracks(int available, const std::vector<Track>& tracks) {
    std::vector<int> sizes(tracks.size(), 0);
    int fixed = 0;
    float percentTotal = 0;
    int fills = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        switch (tracks[i].type) {
        case TrackType::Pixels:
            sizes[i] = static_cast<int>(tracks[i].value);
            fixed += sizes[i];
            break;
        case TrackType::Percent:
            percentTotal += tracks[i].value;
            break;
        case TrackType::Fill:
            ++fills;
            break;
        }
    }
    const int rest = std::max(0, available - fixed);
    // Percentages above 100 in total are scaled down so they share all of it.
    const float scale = percentTotal > 100.0f ? 100.0f / percentTotal : 1.0f;
    int used = 0;
    int lastFlexible = -1;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].type == TrackType::Percent) {
            sizes[i] =
                static_cast<int>(static_cast<float>(rest) * tracks[i].value * scale / 100.0f);
            used += sizes[i];
            lastFlexible = static_cast<int>(i);
        }
    }
    const int forFill = std::max(0, rest - used);
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].type == TrackType::Fill) {
            sizes[i] = forFill / fills;
            used += sizes[i];
            lastFlexible = static_cast<int>(i);
        }
    }
    // Whole pixels: the remainder goes to the last flexible track, but only when
    // the flexible tracks were meant to take everything.
    const bool takesAll = fills > 0 || percentTotal >= 100.0f;
    if (lastFlexible >= 0 && takesAll && used < rest) {
        sizes[static_cast<size_t>(lastFlexible)] += rest - used;
    }
    return sizes;
}

namespace {

// Places an item inside its cell according to its dock setting.
Rect placeInCell(Rect cellRect, const LayoutItem& item, bool rightToLeft) {
    Rect inner{cellRect.x + item.margin.left, cellRect.y + item.margin.top,
               std::max(0, cellRect.width - item.margin.horizontal()),
               std::max(0, cellRect.height - item.margin.vertical())};
    const Size s = item.wanted();
    switch (item.dock) {
    case Dock::Fill:
        return inner;
    case Dock::Top:
        return {inner.x, inner.y, inner.width, s.height};
    case Dock::Bottom:
        return {inner.x, inner.bottom() - s.height, inner.width, s.height};
    case Dock::Left:
        return {inner.x, inner.y, s.width, inner.height};
    case Dock::Right:
        return {inner.right() - s.width, inner.y, s.width, inner.height};
    case Dock::None:
        break;
    }
    const int x = rightToLeft ? inner.right() - s.width : inner.x;
    return {x, inner.y, s.width, s.height};
}

} // namespace

TableResult tableLayout(Rect area, const std::vector<Track>& columns,
                        const std::vector<Track>& rows, const std::vector<LayoutItem>& items,
                        bool rightToLeft) {
    const std::vector<Track> cols = columns.empty() ? std::vector<Track>{Track::fill()} : columns;
    std::vector<Track> rws = rows.empty() ? std::vector<Track>{Track::fill()} : rows;
    const int ncol = static_cast<int>(cols.size());

    // Cells: explicit ones first, then the rest in order into free cells.
    TableResult result;
    result.cells.resize(items.size());
    std::vector<std::vector<bool>> taken;
    auto occupy = [&](const Cell& c) {
        for (int r = c.row; r < c.row + c.rowSpan; ++r) {
            if (static_cast<int>(taken.size()) <= r) {
                taken.resize(static_cast<size_t>(r) + 1, std::vector<bool>(ncol, false));
            }
            for (int k = c.column; k < std::min(ncol, c.column + c.columnSpan); ++k) {
                taken[static_cast<size_t>(r)][static_cast<size_t>(k)] = true;
            }
        }
    };
    auto isTaken = [&](int r, int k) {
        return r < static_cast<int>(taken.size()) &&
               taken[static_cast<size_t>(r)][static_cast<size_t>(k)];
    };
    for (size_t i = 0; i < items.size(); ++i) {
        const Cell& c = items[i].cell;
        if (c.column >= 0 && c.row >= 0) {
            result.cells[i] = {std::min(c.column, ncol - 1), c.row, std::max(1, c.columnSpan),
                               std::max(1, c.rowSpan)};
            occupy(result.cells[i]);
        }
    }
    int next = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const Cell& c = items[i].cell;
        if (c.column >= 0 && c.row >= 0) {
            continue;
        }
        while (isTaken(next / ncol, next % ncol)) {
            ++next;
        }
        result.cells[i] = {next % ncol, next / ncol, std::max(1, c.columnSpan),
                           std::max(1, c.rowSpan)};
        occupy(result.cells[i]);
        ++next;
    }
    // Rows beyond the declared ones take no space, like an auto row of nothing.
    int maxRow = 0;
    for (const Cell& c : result.cells) {
        maxRow = std::max(maxRow, c.row + c.rowSpan);
    }
    while (static_cast<int>(rws.size()) < maxRow) {
        rws.push_back(Track::pixels(0));
    }

    const std::vector<int> widths = resolveTracks(area.width, cols);
    const std::vector<int> heights = resolveTracks(area.height, rws);
    std::vector<int> colX(widths.size() + 1, 0);
    for (size_t k = 0; k < widths.size(); ++k) {
        colX[k + 1] = colX[k] + widths[k];
    }
    std::vector<int> rowY(heights.size() + 1, 0);
    for (size_t r = 0; r < heights.size(); ++r) {
        rowY[r + 1] = rowY[r] + heights[r];
    }

    for (size_t i = 0; i < items.size(); ++i) {
        const Cell& c = result.cells[i];
        const int lastCol = std::min(ncol, c.column + c.columnSpan);
        const int lastRow = std::min(static_cast<int>(rws.size()), c.row + c.rowSpan);
        const int left = colX[static_cast<size_t>(c.column)];
        const int width = colX[static_cast<size_t>(lastCol)] - left;
        const int x = rightToLeft ? area.x + area.width - left - width : area.x + left;
        const Rect cellRect{x, area.y + rowY[static_cast<size_t>(c.row)], width,
                            rowY[static_cast<size_t>(lastRow)] - rowY[static_cast<size_t>(c.row)]};
        result.bounds.push_back(placeInCell(cellRect, items[i], rightToLeft));
    }
    return result;
}

// ---- flow -----------------------------------------------------------------

FlowResult flowLayout(Rect area, const std::vector<LayoutItem>& items, FlowDirection direction,
                      bool wrap, bool rightToLeft) {
    // One walk for both axes: items run along a line (a row, or a column for
    // a top-down flow) and a wrapping flow starts the next line past the
    // deepest item of the last. Only horizontal positions are ever mirrored:
    // a top-down flow's columns then start on the reading side's far side.
    const bool vertical = direction == FlowDirection::TopDown;
    const bool fromRight = rightToLeft || direction == FlowDirection::RightToLeft;
    const int room = vertical ? area.height : area.width;
    FlowResult result;
    result.bounds.resize(items.size());
    int along = 0; // distance from the start of the current line
    int line = 0;  // distance of the current line from the first
    int lineDepth = 0;
    int extentAlong = 0;
    int extentAcross = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& it = items[i];
        const Size s = it.wanted();
        if (!it.visible) {
            result.bounds[i] = {it.bounds.x, it.bounds.y, s.width, s.height};
            continue;
        }
        const int outerWidth = s.width + it.margin.horizontal();
        const int outerHeight = s.height + it.margin.vertical();
        const int length = vertical ? outerHeight : outerWidth;
        const int depth = vertical ? outerWidth : outerHeight;
        if (wrap && along > 0 && along + length > room) {
            line += lineDepth;
            along = 0;
            lineDepth = 0;
        }
        const int fromStartX = vertical ? line : along;
        const int fromTop = vertical ? along : line;
        const int x = fromRight ? area.x + area.width - fromStartX - it.margin.right - s.width
                                : area.x + fromStartX + it.margin.left;
        result.bounds[i] = {x, area.y + fromTop + it.margin.top, s.width, s.height};
        along += length;
        lineDepth = std::max(lineDepth, depth);
        extentAlong = std::max(extentAlong, along);
        extentAcross = std::max(extentAcross, line + lineDepth);
    }
    result.extent = vertical ? Size{extentAcross, extentAlong} : Size{extentAlong, extentAcross};
    return result;
}

} // namespace vexo::toolkit
