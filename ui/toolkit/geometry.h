#pragma once
// Plain value types of the widget set: pixels, colours, fonts. Every size and
// position is in device pixels at 96 DPI, relative to the parent's client area.

#include <cstdint>
#include <string>

namespace vexo::toolkit {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    Size size() const { return {width, height}; }
    bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < right() && p.y < bottom(); }
    bool operator==(const Rect&) const = default;
};

// Space around (margin) or inside (padding) a control, as in the screen layouts.
struct Spacing {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static Spacing all(int v) { return {v, v, v, v}; }
    int horizontal() const { return left + right; }
    int vertical() const { return top + bottom; }
    bool operator==(const Spacing&) const = default;
};

struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    static constexpr Color rgb(int r, int g, int b) {
        return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                static_cast<std::uint8_t>(b), 255};
    }
    static constexpr Color argb(int a, int r, int g, int b) {
        return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(a)};
    }
    // Fully transparent: a label that shows its parent's background through.
    static constexpr Color transparent() { return {0, 0, 0, 0}; }
    bool isTransparent() const { return a == 0; }
    bool operator==(const Color&) const = default;
};

inline constexpr Color kWhite = Color::rgb(255, 255, 255);
inline constexpr Color kBlack = Color::rgb(0, 0, 0);

struct Font {
    std::string name = "Segoe UI";
    float points = 10.0f;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

} // namespace vexo::toolkit
