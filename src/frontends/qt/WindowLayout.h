// The fixed layout of the main window as data: every button, field, label
// and line with its design name, caption, position and size in twips,
// colours, font and tab order. The window is built by walking these tables.
#pragma once

#include <cstdint>
#include <span>

namespace kestrane::layout {

// Twips per screen pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

// A colour as 0xRRGGBB; kDefaultColour leaves the toolkit's own colour.
using Rgb = std::uint32_t;
inline constexpr Rgb kDefaultColour = 0xFFFFFFFFu;

inline constexpr Rgb kWindowColour = 0xFFFFC0;  // light yellow, RGB (255, 255, 192)
inline constexpr Rgb kButtonGreen = 0xC0FFC0;   // RGB (192, 255, 192)
inline constexpr Rgb kFrameColour = 0x800000;   // RGB (128, 0, 0)
inline constexpr Rgb kRed = 0xFF0000;
inline constexpr Rgb kGreen = 0x00C000;         // RGB (0, 192, 0)
inline constexpr Rgb kLineDefault = 0x000000;   // drawing lines: the window text colour

// The window's client area: wide and high enough for the whole layout
// (x up to 14535, y up to 10215 twips) with a small margin.
inline constexpr int kClientWidth = 15015;
inline constexpr int kClientHeight = 10695;

// The fonts of the design. Sizes in points; a face named here that is not
// installed is replaced by the closest installed one.
struct FontSpec {
    const char* family;
    double points;
    bool bold;
};
inline constexpr FontSpec kDefaultFont{"MS Sans Serif", 8.25, true};
inline constexpr FontSpec kTitleFont{"MS Sans Serif", 12, true};
inline constexpr FontSpec kPointLabelFont{"宋体", 12, true};
inline constexpr FontSpec kAngleLabelFont{"宋体", 7.5, true};

enum class Kind { Button, Field, Label };

struct Control {
    Kind kind;
    const char* name;
    const char* caption;  // buttons and labels; fields start empty
    int left, top, width, height;  // twips
    int tabIndex;         // keyboard order of buttons and fields; -1 for labels
    Rgb background;       // kDefaultColour: the toolkit's (labels show the window colour)
    const FontSpec* font;
};

struct Line {
    const char* name;
    int x1, y1, x2, y2;   // twips
    int width;            // pixels
    Rgb colour;
};

// Buttons, fields and labels, in creation order.
std::span<const Control> controls();
// Frame lines and the lines of the three network drawings.
std::span<const Line> lines();

}  // namespace kestrane::layout
