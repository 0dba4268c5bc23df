#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include <gtest/gtest.h>

#include "artwork.h"
#include "canvas.h"
#include "glyphs.h"
#include "png_writer.h"
#include "symbol_file.h"

namespace vindrel::icongen {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
         std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

struct Chunk {
  std::string type;
  Bytes data;
};

// Splits a PNG into its chunks, checking each chunk's CRC on the way.
std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::size_t len = Be32(png, at);
    Chunk c{std::string(png.begin() + at + 4, png.begin() + at + 8),
            Bytes(png.begin() + at + 8, png.begin() + at + 8 + len)};
    const Bytes typeAndData(png.begin() + at + 4, png.begin() + at + 8 + len);
    EXPECT_EQ(Be32(png, at + 8 + len), Crc32(typeAndData)) << "CRC of " << c.type;
    chunks.push_back(std::move(c));
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  return chunks;
}

TEST(Checksums, MatchPublishedCheckValues) {
  EXPECT_EQ(Crc32(Of("123456789")), 0xCBF43926U);
  EXPECT_EQ(Crc32(Of("")), 0x00000000U);
  EXPECT_EQ(Crc32(Of("IEND")), 0xAE426082U);  // the CRC closing every PNG
  EXPECT_EQ(Adler32(Of("Wikipedia")), 0x11E60398U);
  EXPECT_EQ(Adler32(Of("")), 0x00000001U);
  // Long enough that both sums wrap modulo 65521 (value from zlib's adler32).
  EXPECT_EQ(Adler32(Bytes(100000, 0xFF)), 0x149A302CU);
}

TEST(ZlibStore, WritesHeaderStoredBlocksAndAdler) {
  EXPECT_EQ(ZlibStore(Of("abc")), (Bytes{0x78, 0x01, 0x01, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c',
                                         0x02, 0x4D, 0x01, 0x27}));
  EXPECT_EQ(ZlibStore({}),
            (Bytes{0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01}));

  // 70000 bytes: a full non-final block of 65535, then a final one of 4465 (0x1171).
  const Bytes big(70000, 0x5A);
  const Bytes z = ZlibStore(big);
  ASSERT_EQ(z.size(), 2U + 5 + 65535 + 5 + 4465 + 4);
  EXPECT_EQ((Bytes(z.begin() + 2, z.begin() + 7)), (Bytes{0x00, 0xFF, 0xFF, 0x00, 0x00}));
  EXPECT_EQ((Bytes(z.begin() + 7 + 65535, z.begin() + 12 + 65535)),
            (Bytes{0x01, 0x71, 0x11, 0x8E, 0xEE}));
  EXPECT_EQ(Be32(z, z.size() - 4), Adler32(big));
}

TEST(EncodePng, LaysOutFourBitPalettedImage) {
  // 3x2: odd width, so each row ends in a padding nibble.
  IndexedImage image{
      3, 2, {kTransparent, {0xEE, 0x00, 0x00}, {0x00, 0x00, 0xFF}}, {1, 0, 1, 2, 2, 0}};
  const Bytes png = EncodePng(image);
  EXPECT_EQ((Bytes(png.begin(), png.begin() + 8)),
            (Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));

  const std::vector<Chunk> chunks = Chunks(png);
  ASSERT_EQ(chunks.size(), 5U);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 0, 3, 0, 0, 0, 2, 4, 3, 0, 0, 0}));
  EXPECT_EQ(chunks[1].type, "PLTE");
  EXPECT_EQ(chunks[1].data, (Bytes{0, 0, 0, 0xEE, 0, 0, 0, 0, 0xFF}));
  EXPECT_EQ(chunks[2].type, "tRNS");  // opaque entries after the last transparent one left off
  EXPECT_EQ(chunks[2].data, (Bytes{0x00}));
  EXPECT_EQ(chunks[3].type, "IDAT");
  // Rows: filter byte 0, then pixels two to a byte, high nibble first.
  const Bytes raw{0x00, 0x10, 0x10, 0x00, 0x22, 0x00};
  Bytes idat{0x78, 0x01, 0x01, 0x06, 0x00, 0xF9, 0xFF};
  idat.insert(idat.end(), raw.begin(), raw.end());
  const std::uint32_t adler = Adler32(raw);
  idat.insert(idat.end(),
              {static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
               static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)});
  EXPECT_EQ(chunks[3].data, idat);
  EXPECT_EQ(chunks[4].type, "IEND");
  EXPECT_TRUE(chunks[4].data.empty());
}

TEST(EncodePng, IsReadBackByQtAsTheSamePixels) {
  IndexedImage image{
      3, 2, {kTransparent, {0xEE, 0x00, 0x00}, {0x00, 0x00, 0xFF}}, {1, 0, 1, 2, 2, 0}};
  const Bytes png = EncodePng(image);
  const QImage read = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
  ASSERT_FALSE(read.isNull());
  EXPECT_EQ(read.size(), QSize(3, 2));
  EXPECT_EQ(read.pixel(0, 0), qRgba(0xEE, 0, 0, 255));
  EXPECT_EQ(qAlpha(read.pixel(1, 0)), 0);
  EXPECT_EQ(read.pixel(2, 0), qRgba(0xEE, 0, 0, 255));
  EXPECT_EQ(read.pixel(0, 1), qRgba(0, 0, 0xFF, 255));
  EXPECT_EQ(read.pixel(1, 1), qRgba(0, 0, 0xFF, 255));
  EXPECT_EQ(qAlpha(read.pixel(2, 1)), 0);
}

TEST(EncodePng, RejectsImagesA4BitPngCannotHold) {
  IndexedImage tooManyColours{1, 1, std::vector<Rgba>(17), {0}};
  EXPECT_THROW(EncodePng(tooManyColours), std::invalid_argument);
  IndexedImage pixelOutsidePalette{2, 1, {kTransparent, {1, 2, 3}}, {0, 2}};
  EXPECT_THROW(EncodePng(pixelOutsidePalette), std::invalid_argument);
  IndexedImage wrongPixelCount{2, 2, {kTransparent}, {0, 0, 0}};
  EXPECT_THROW(EncodePng(wrongPixelCount), std::invalid_argument);
}

TEST(ToIndexed, KeepsFewColoursExactlyWithTransparencyFirst) {
  Canvas canvas(4, 1);
  canvas.Set(1, 0, {10, 20, 30});
  canvas.Set(2, 0, {0, 0, 0, 0});
  canvas.Set(3, 0, {10, 20, 30});
  const IndexedImage image = ToIndexed(canvas);
  ASSERT_EQ(image.palette.size(), 2U);
  EXPECT_EQ(image.palette[0].a, 0);
  EXPECT_EQ(image.palette[1], (Rgba{10, 20, 30}));
  EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 1, 0, 1}));
}

TEST(ToIndexed, MergesTheClosestColoursIntoTheCommonerOne) {
  // 16 opaque colours plus transparency: the two nearly equal reds must become one.
  Canvas canvas(20, 2);
  for (int i = 0; i < 14; ++i) canvas.Set(i, 0, {static_cast<std::uint8_t>(i * 17), 0, 200});
  canvas.FillRect(0, 1, 3, 1, {250, 0, 0});
  canvas.Set(3, 1, {252, 0, 0});
  const IndexedImage image = ToIndexed(canvas);
  ASSERT_EQ(image.palette.size(), 16U);
  const Rgba merged = image.palette[image.pixels[20 + 3]];
  EXPECT_EQ(merged, (Rgba{250, 0, 0}));
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(image.palette[image.pixels[i]], (Rgba{static_cast<std::uint8_t>(i * 17), 0, 200}));
  }
  EXPECT_EQ(image.palette[image.pixels[19]].a, 0);
}

constexpr std::string_view kSampleFile =
    "# comment\n"
    "#\n"
    "TABLE /\n"
    "#\n"
    "APRS -               House\r\n"
    "##..................\r\n"  // a row may begin with '#'
    "..q\n"                     // short row
    "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"
    "..................mm\n"
    "extra 21st row, not part of the picture\n"
    "#APRS \"              Reserved\n"
    "#\n"
    "APRS -               second picture of the same code\n"
    "qqqqqqqqqqqqqqqqqqqq\n"
    "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"
    "TABLE \\\n"
    "APRS A               Box\n"
    "jjjjjjjjjjjjjjjjjjjjjjjj\n"
    "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"
    "DONE\n"
    "APRS B               after the end\n";

TEST(ReadSymbolFile, ReadsTwentyRowsAfterEachEntryPerTable) {
  std::istringstream in{std::string(kSampleFile)};
  const SymbolPictures pictures = ReadSymbolFile(in);
  ASSERT_EQ(pictures.size(), 2U);

  const SymbolGrid& house = pictures.at({'/', '-'});
  EXPECT_EQ(house[0], "##..................");
  EXPECT_EQ(house[1], "..q.................");
  EXPECT_EQ(house[2], "....................");
  EXPECT_EQ(house[19], "..................mm");

  const SymbolGrid& box = pictures.at({'\\', 'A'});
  EXPECT_EQ(box[0], "jjjjjjjjjjjjjjjjjjjj");
  EXPECT_FALSE(pictures.contains({'\\', 'B'}));
  EXPECT_FALSE(pictures.contains({'/', '"'}));
}

TEST(DrawSymbolPicture, FillsTheIconAndKeepsEverySourceRowAndColumn) {
  for (int k = 0; k < kSymbolGridSize; ++k) {
    SymbolGrid grid;
    grid.fill(std::string(kSymbolGridSize, '.'));
    grid[k][k] = 'j';
    const Canvas canvas = DrawSymbolPicture(grid);
    ASSERT_EQ(canvas.Width(), 32);
    ASSERT_EQ(canvas.Height(), 32);
    int lit = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) lit += canvas.At(x, y).a != 0;
    EXPECT_GE(lit, 1) << "source pixel " << k << " lost";
    EXPECT_LE(lit, 4) << "source pixel " << k;
  }
  SymbolGrid corners;
  corners.fill(std::string(kSymbolGridSize, '.'));
  corners[0][0] = 'q';
  corners[19][19] = 'm';
  const Canvas canvas = DrawSymbolPicture(corners);
  EXPECT_EQ(canvas.At(0, 0), (Rgba{0, 0, 0}));
  EXPECT_EQ(canvas.At(31, 31), (Rgba{255, 255, 255}));
}

bool SameCanvas(const Canvas& a, const Canvas& b) {
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (!(a.At(x, y) == b.At(x, y))) return false;
  return true;
}

TEST(DrawCharacterPicture, EveryCodeGetsItsOwnPicture) {
  // A glyph left blank or copied from another character would make two stand-ins equal.
  std::vector<Canvas> seen;
  for (int code = 0x20; code <= 0x7F; ++code) {
    Canvas c = DrawCharacterPicture('/', static_cast<unsigned char>(code));
    for (std::size_t i = 0; i < seen.size(); ++i) {
      EXPECT_FALSE(SameCanvas(c, seen[i]))
          << "codes 0x" << std::hex << code << " and 0x" << (0x20 + i);
    }
    seen.push_back(std::move(c));
  }
  EXPECT_FALSE(SameCanvas(DrawCharacterPicture('/', 'A'), DrawCharacterPicture('\\', 'A')));
}

TEST(DrawIconSet, HasEveryIdentifierAndUsesTheFilesPicturesWhereItHasThem) {
  std::istringstream in{std::string(kSampleFile)};
  const std::map<int, Canvas> icons = DrawIconSet(ReadSymbolFile(in));
  std::vector<int> ids;
  for (const auto& [id, canvas] : icons) {
    ids.push_back(id);
    EXPECT_EQ(canvas.Width(), kIconSize);
    EXPECT_EQ(canvas.Height(), kIconSize);
  }
  std::vector<int> expected{128, 130};
  for (int id = 2032; id <= 2127; ++id) expected.push_back(id);
  for (int id = 2265; id <= 2274; ++id) expected.push_back(id);
  EXPECT_EQ(ids, expected);

  // "/-" and "\A" come from the file (their top-left source pixels), the rest are stand-ins.
  EXPECT_EQ(icons.at(2045).At(0, 0), (Rgba{255, 255, 0}));
  EXPECT_EQ(icons.at(2265).At(0, 0), (Rgba{0xEE, 0, 0}));
  EXPECT_TRUE(SameCanvas(icons.at(2034), DrawCharacterPicture('/', '"')));
  EXPECT_TRUE(SameCanvas(icons.at(2266), DrawCharacterPicture('\\', 'B')));
}

}  // namespace
}  // namespace vindrel::icongen
