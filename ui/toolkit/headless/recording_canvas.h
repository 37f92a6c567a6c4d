#pragma once
// A canvas that keeps every call, so a test can assert what a control drew
// ("an arc of 20 px radius", "a fill 130 px wide").

#include "toolkit/canvas.h"

#include <string>
#include <variant>
#include <vector>

namespace vexo::toolkit::headless {

struct FillRectOp {
    Rect rect;
    Color color;
};
struct DrawRectOp {
    Rect rect;
    Color color;
    float penWidth;
};
struct GradientOp {
    Rect area;
    Rect rect;
    Color from;
    Color to;
    float angle;
};
struct EllipseOp {
    Rect box;
    Color color;
};
struct ArcOp {
    Rect box;
    float startAngle;
    float sweepAngle;
    Color color;
    float penWidth;
    bool roundCaps;
};
struct TextOp {
    std::string text;
    Rect box;
    TextStyle style;
};

using DrawOp = std::variant<FillRectOp, DrawRectOp, GradientOp, EllipseOp, ArcOp, TextOp>;

class RecordingCanvas : public Canvas {
public:
    void fillRect(Rect r, Color c) override { ops.push_back(FillRectOp{r, c}); }
    void drawRect(Rect r, Color c, float w) override { ops.push_back(DrawRectOp{r, c, w}); }
    void fillLinearGradient(Rect area, Rect r, Color from, Color to, float angle) override {
        ops.push_back(GradientOp{area, r, from, to, angle});
    }
    void fillEllipse(Rect box, Color c) override { ops.push_back(EllipseOp{box, c}); }
    void drawArc(Rect box, float start, float sweep, Color c, float w, bool round) override {
        ops.push_back(ArcOp{box, start, sweep, c, w, round});
    }
    void drawText(const std::string& text, Rect box, const TextStyle& style) override {
        ops.push_back(TextOp{text, box, style});
    }

    // The calls of one kind, in order.
    template <class T> std::vector<T> all() const {
        std::vector<T> out;
        for (const auto& op : ops) {
            if (auto* t = std::get_if<T>(&op)) {
                out.push_back(*t);
            }
        }
        return out;
    }
    std::vector<std::string> texts() const;

    std::vector<DrawOp> ops;
};

} // namespace vexo::toolkit::headless
