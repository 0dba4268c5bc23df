#pragma once

#include <string_view>

#include "canvas.h"

namespace vindrel::icongen {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;

// Width in pixels of `text` in the built-in 5x7 font at `scale`, one blank column between
// characters.
int TextWidth(std::string_view text, int scale);

// Draws `text` with its top-left corner at (x, y), each font pixel a scale x scale square.
// Characters outside 0x21..0x7E draw as blanks.
void DrawText(Canvas& canvas, int x, int y, std::string_view text, int scale, Rgba colour);

}  // namespace vindrel::icongen
