#pragma once

#include <cstdint>
#include <vector>

namespace vindrel::icongen {

// A colour with straight alpha; alpha 0 is fully transparent, 255 fully opaque.
struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 255;

  friend bool operator==(const Rgba&, const Rgba&) = default;
};

inline constexpr Rgba kTransparent{0, 0, 0, 0};

// A paletted picture: `pixels` holds width * height palette indices, row by row from the top.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgba> palette;
  std::vector<std::uint8_t> pixels;
};

}  // namespace vindrel::icongen
