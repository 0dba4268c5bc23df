#include "ico_writer.h"

#include <stdexcept>

namespace vindrel::icongen {
namespace {

constexpr std::size_t kPaletteSize = 16;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kDirectorySize = 6 + 16;  // the directory with its one entry

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFFU);
  PutU16(out, v >> 16);
}

// Bitmap rows are padded to whole 32-bit words.
std::uint32_t RowBytes(int width, int bitsPerPixel) {
  return static_cast<std::uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const IndexedImage& image) {
  if (image.width < 1 || image.height < 1 || image.width > 256 || image.height > 256 ||
      image.palette.empty() || image.palette.size() > kPaletteSize ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
    throw std::invalid_argument("EncodeIco: not a 4-bit image of at most 256x256 pixels");
  }
  const auto transparent = [&](std::uint8_t index) {
    if (index >= image.palette.size()) throw std::invalid_argument("EncodeIco: bad pixel index");
    return image.palette[index].a < 128;
  };
  const std::uint32_t colourRow = RowBytes(image.width, 4);
  const std::uint32_t maskRow = RowBytes(image.width, 1);
  const auto height = static_cast<std::uint32_t>(image.height);
  const std::uint32_t bitsSize = (colourRow + maskRow) * height;
  const std::uint32_t imageSize = kInfoHeaderSize + 4 * kPaletteSize + bitsSize;

  std::vector<std::uint8_t> out;
  out.reserve(kDirectorySize + imageSize);
  PutU16(out, 0);  // reserved
  PutU16(out, 1);  // an icon, not a cursor
  PutU16(out, 1);  // one image
  out.push_back(static_cast<std::uint8_t>(image.width));  // 256 is written as 0
  out.push_back(static_cast<std::uint8_t>(image.height));
  out.push_back(static_cast<std::uint8_t>(kPaletteSize));
  out.push_back(0);
  PutU16(out, 1);  // planes
  PutU16(out, 4);  // bits per pixel
  PutU32(out, imageSize);
  PutU32(out, kDirectorySize);

  // BITMAPINFOHEADER: the height counts the colour bitmap and the mask together.
  PutU32(out, kInfoHeaderSize);
  PutU32(out, static_cast<std::uint32_t>(image.width));
  PutU32(out, 2 * height);
  PutU16(out, 1);
  PutU16(out, 4);
  PutU32(out, 0);  // uncompressed
  PutU32(out, bitsSize);
  for (int i = 0; i < 4; ++i) PutU32(out, 0);  // resolution, colours used and important

  // Transparent entries are black: Windows draws a masked pixel as screen AND 1 XOR colour.
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    const Rgba c = i < image.palette.size() && image.palette[i].a >= 128 ? image.palette[i]
                                                                          : Rgba{0, 0, 0, 0};
    out.insert(out.end(), {c.b, c.g, c.r, 0});
  }

  // Both bitmaps run from the bottom row up, the leftmost pixel in the highest bits.
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(colourRow, 0);
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t index = image.pixels[static_cast<std::size_t>(y) * image.width + x];
      row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < image.width; ++x) {
      if (transparent(image.pixels[static_cast<std::size_t>(y) * image.width + x])) {
        row[x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace vindrel::icongen
