#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "indexed_image.h"

namespace vindrel::icongen {

// CRC-32 as PNG and zlib use it (polynomial 0xEDB88320, reflected, initial and final XOR
// 0xFFFFFFFF).
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

// Adler-32 checksum that closes a zlib stream.
std::uint32_t Adler32(std::span<const std::uint8_t> bytes);

// A zlib stream holding `bytes` in stored (uncompressed) deflate blocks of at most 65535 bytes.
std::vector<std::uint8_t> ZlibStore(std::span<const std::uint8_t> bytes);

// The complete PNG file of `image`: bit depth 4, colour type 3 (palette), one PLTE entry per
// palette colour and a tRNS chunk when any palette entry is not fully opaque. The image must have
// between 1 and 16 palette entries and every pixel must index one of them.
std::vector<std::uint8_t> EncodePng(const IndexedImage& image);

}  // namespace vindrel::icongen
