#include "shell/meter.h"

#include "shell/style.h"

#include <algorithm>

namespace vexo::shell {

namespace {
constexpr toolkit::Color kTrack = toolkit::Color::rgb(230, 237, 248);
constexpr double kGb = 1073741824.0;
constexpr float kPen = 10.0f;
} // namespace

VexoSolvaneMeter21::VexoSolvaneMeter21(base::Culture culture) : culture_(std::move(culture)) {
    setBackColor(palette::kWhite);
    setForeColor(palette::kText);
    onPaint = [this](toolkit::PaintEvent& e) { Paint(e); };
}

double VexoSolvaneMeter21::Ratio() const {
    if (totalBytes <= 0) {
        return 0;
    }
    return std::clamp((totalBytes - freeBytes) / totalBytes, 0.0, 1.0);
}

void VexoSolvaneMeter21::Paint(toolkit::PaintEvent& e) const {
    const int w = e.clientArea.width;
    const int h = e.clientArea.height;
    if (w < 50 || h < 50) {
        return;
    }
    toolkit::Canvas& canvas = *e.canvas;
    const int dia = std::max(40, std::min(h - 50, w / 2 - 15));
    const toolkit::Rect ring{w - dia - 22, 24, dia, dia};
    const double used = totalBytes - freeBytes;
    const double ratio = Ratio();

    canvas.drawArc(ring, -90.0f, 360.0f, kTrack, kPen, false);
    if (ratio > 0) {
        canvas.drawArc(ring, -90.0f, static_cast<float>(ratio * 359.9), palette::kAccent, kPen,
                       true);
    }

    const toolkit::Font large{"Segoe UI", 20.0f, true};
    const toolkit::Font small{"Segoe UI", 10.0f, false};
    const toolkit::Color text = foreColor();
    toolkit::TextStyle centred{large, text, toolkit::HAlign::Center, toolkit::VAlign::Middle};
    toolkit::TextStyle big{large, text};
    toolkit::TextStyle plain{small, text};
    auto gb = [&](double bytes) { return base::FormatN(bytes / kGb, 1, culture_) + " GB"; };

    canvas.drawText(base::FormatN(ratio * 100, 0, culture_) + "%", ring, centred);
    canvas.drawText(drive, {18, 24, 0, 0}, plain);
    canvas.drawText(gb(freeBytes), {18, 58, 0, 0}, big);
    canvas.drawText("متاح", {20, 96, 0, 0}, plain);
    canvas.drawText("المستخدم: " + gb(used), {18, 130, 0, 0}, plain);
    canvas.drawText("الكلي: " + gb(totalBytes), {18, 156, 0, 0}, plain);
}

} // namespace vexo::shell
