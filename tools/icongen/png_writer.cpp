#include "png_writer.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace vindrel::icongen {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1U) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr auto kCrcTable = MakeCrcTable();

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

// Length, type, data and a CRC over type and data.
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data) {
  PutU32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeStart = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutU32(out, Crc32(std::span(out).subspan(typeStart)));
}

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t c = 0xFFFFFFFFU;
  for (std::uint8_t b : bytes) c = kCrcTable[(c ^ b) & 0xFFU] ^ (c >> 8);
  return c ^ 0xFFFFFFFFU;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes) {
  constexpr std::uint32_t kMod = 65521;
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : bytes) {
    a = (a + byte) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> ZlibStore(std::span<const std::uint8_t> bytes) {
  // CMF 0x78 (deflate, 32 KiB window), FLG 0x01 (no dictionary, fastest; 0x7801 % 31 == 0).
  std::vector<std::uint8_t> out{0x78, 0x01};
  std::size_t pos = 0;
  do {
    const std::size_t len = std::min<std::size_t>(bytes.size() - pos, 65535);
    const bool last = pos + len == bytes.size();
    out.push_back(last ? 0x01 : 0x00);  // BFINAL, BTYPE 00 (stored)
    out.push_back(static_cast<std::uint8_t>(len));
    out.push_back(static_cast<std::uint8_t>(len >> 8));
    out.push_back(static_cast<std::uint8_t>(~len));
    out.push_back(static_cast<std::uint8_t>(~len >> 8));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos),
               bytes.begin() + static_cast<std::ptrdiff_t>(pos + len));
    pos += len;
  } while (pos < bytes.size());
  PutU32(out, Adler32(bytes));
  return out;
}

std::vector<std::uint8_t> EncodePng(const IndexedImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
    throw std::invalid_argument("image size does not match its pixels");
  }
  if (image.palette.empty() || image.palette.size() > 16) {
    throw std::invalid_argument("a 4-bit image needs 1 to 16 palette entries");
  }

  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

  std::vector<std::uint8_t> ihdr;
  PutU32(ihdr, static_cast<std::uint32_t>(image.width));
  PutU32(ihdr, static_cast<std::uint32_t>(image.height));
  ihdr.insert(ihdr.end(), {4, 3, 0, 0, 0});  // depth 4, palette, deflate, adaptive, no interlace
  PutChunk(png, "IHDR", ihdr);

  std::vector<std::uint8_t> plte;
  std::vector<std::uint8_t> trns;
  for (const Rgba& c : image.palette) {
    plte.insert(plte.end(), {c.r, c.g, c.b});
    trns.push_back(c.a);
  }
  PutChunk(png, "PLTE", plte);
  // tRNS may stop after the last entry that is not opaque.
  while (!trns.empty() && trns.back() == 255) trns.pop_back();
  if (!trns.empty()) PutChunk(png, "tRNS", trns);

  // Each row: filter type 0, then two pixels per byte, the left one in the high nibble.
  const std::size_t rowBytes = (static_cast<std::size_t>(image.width) + 1) / 2;
  std::vector<std::uint8_t> raw;
  raw.reserve(image.height * (rowBytes + 1));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < image.width; x += 2) {
      const std::size_t i = static_cast<std::size_t>(y) * image.width + x;
      std::uint8_t hi = image.pixels[i];
      std::uint8_t lo = x + 1 < image.width ? image.pixels[i + 1] : 0;
      if (hi >= image.palette.size() || lo >= image.palette.size()) {
        throw std::invalid_argument("pixel outside the palette");
      }
      raw.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
  }
  PutChunk(png, "IDAT", ZlibStore(raw));
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace vindrel::icongen
