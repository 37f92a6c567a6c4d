#pragma once
// The one light look every screen shares: a pale blue-grey page, white flat
// buttons with a thin blue-grey border and rounded corners, white grids with
// a tinted header and a deep blue accent. Sections run the palette pass on
// what they have just built, then set the few colours that stand out
// (primary and destructive buttons, white cards).

#include "toolkit/toolkit.h"

#include <string_view>
#include <unordered_map>

namespace vexo::shell {

namespace palette {
using toolkit::Color;
inline constexpr Color kPage = Color::rgb(242, 246, 252);
inline constexpr Color kText = Color::rgb(23, 58, 108);
inline constexpr Color kWhite = Color::rgb(255, 255, 255);
inline constexpr Color kButtonBorder = Color::rgb(214, 226, 244);
inline constexpr Color kButtonHover = Color::rgb(232, 242, 255);
inline constexpr Color kButtonPressed = Color::rgb(212, 230, 255);
inline constexpr Color kGridLines = Color::rgb(229, 236, 247);
inline constexpr Color kGridHeaderBack = Color::rgb(236, 243, 254);
inline constexpr Color kGridHeaderText = Color::rgb(45, 79, 129);
inline constexpr Color kGridAlternate = Color::rgb(246, 249, 254);
inline constexpr Color kAccent = Color::rgb(24, 93, 228);
inline constexpr Color kDestructive = Color::rgb(174, 49, 78);
} // namespace palette

// Gives controls rounded corners. A control is rounded once: the first radius
// it gets stays, so the navigation buttons rounded with 12 before the palette
// pass keep 12 while every other button gets 10 from the pass. The shape
// follows every size change and the control leaves the set when disposed.
//
// Rounding chains itself in front of the control's onResize and onDisposed
// handlers as they stand at the call; set those handlers before rounding.
class VexoPearl15 {
public:
    VexoPearl15() = default;
    VexoPearl15(const VexoPearl15&) = delete;
    VexoPearl15& operator=(const VexoPearl15&) = delete;

    void Round(toolkit::Control& control, int radius);
    // The radius the control was rounded with, or 0 when it is not rounded.
    int RadiusOf(const toolkit::Control& control) const;

private:
    static void Shape(toolkit::Control& control, int radius);

    std::unordered_map<const toolkit::Control*, int> rounded_;
};

// The palette pass over `root` and every control below it that exists now,
// breadth first. It changes no font, size (except the buttons' 38-px minimum
// height), position or text.
void StyleVexoWindow(toolkit::Control& root, VexoPearl15& pearl);

// What sections set after the pass.
void MakePrimary(toolkit::Button& button);
void MakeDestructive(toolkit::Button& button);

// A section's tool-bar button: sized to its text, 32 px high, 8 px inside
// left and right.
toolkit::Button* AddBarButton(toolkit::Control& bar, std::string_view text);

} // namespace vexo::shell
