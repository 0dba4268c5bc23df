#pragma once

#include <cstdint>
#include <vector>

#include "indexed_image.h"

namespace vindrel::icongen {

// The complete Windows icon file (.ico) of `image`: one image, 4 bits per pixel with a palette of
// 16 entries (unused ones black), followed by the 1-bit mask that makes every pixel whose palette
// entry is not at least half opaque transparent. The image must be at most 256 pixels wide and
// high and have at most 16 palette entries.
std::vector<std::uint8_t> EncodeIco(const IndexedImage& image);

}  // namespace vindrel::icongen
