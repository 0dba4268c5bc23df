#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include <gtest/gtest.h>

#include "artwork.h"
#include "canvas.h"
#include "ico_writer.h"
#include "png_writer.h"
#include "symbol_file.h"

namespace vindrel::icongen {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(EncodePngAndIco, WritePixelsQtReadsBack) {
  // 3x2: odd width, so each row ends in a padding nibble.
  const IndexedImage image{
      3, 2, {kTransparent, {0xEE, 0x00, 0x00}, {0x00, 0x00, 0xFF}}, {1, 0, 1, 2, 2, 0}};
  const struct {
    const char* format;
    Bytes file;
  } kFiles[] = {{"PNG", EncodePng(image)}, {"ICO", EncodeIco(image)}};
  for (const auto& [format, file] : kFiles) {
    SCOPED_TRACE(format);
    const QImage read = QImage::fromData(file.data(), static_cast<int>(file.size()), format);
    ASSERT_EQ(read.size(), QSize(3, 2));
    const QRgb red = qRgba(0xEE, 0, 0, 255), blue = qRgba(0, 0, 0xFF, 255);
    EXPECT_EQ(read.pixel(0, 0), red);
    EXPECT_EQ(qAlpha(read.pixel(1, 0)), 0);
    EXPECT_EQ(read.pixel(2, 0), red);
    EXPECT_EQ(read.pixel(0, 1), blue);
    EXPECT_EQ(read.pixel(1, 1), blue);
    EXPECT_EQ(qAlpha(read.pixel(2, 1)), 0);
  }
  // The directory entry Windows picks the image by: 3x2, 16 colours, 1 plane, 4 bits, 40 + 64
  // bytes of header and palette + 2 rows of 4 colour and 4 mask bytes, at offset 22.
  EXPECT_EQ(Bytes(kFiles[1].file.begin(), kFiles[1].file.begin() + 22),
            (Bytes{0, 0, 1, 0, 1, 0, 3, 2, 16, 0, 1, 0, 4, 0, 120, 0, 0, 0, 22, 0, 0, 0}));
}

constexpr std::string_view kSampleFile =
    "# comment\n"
    "TABLE /\n"
    "APRS -               House\r\n"
    "##..................\r\n"  // a row may begin with '#'
    "..q\n"                     // short row
    "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"
    "..................mm\n"
    "extra 21st row, not part of the picture\n"
    "#APRS \"              Reserved\n"
    "TABLE \\\n"
    "APRS A               Box\n"
    "jjjjjjjjjjjjjjjjjjjjjjjj\n"
    "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"
    "DONE\n"
    "APRS B               after the end\n";

TEST(DrawIcons, EverySourcePixelSurvivesAndEveryStandInDiffers) {
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
    EXPECT_TRUE(lit >= 1 && lit <= 4) << "source pixel " << k << ": " << lit;
  }
  // A glyph left blank or copied from another character would make two stand-ins equal.
  std::vector<Bytes> seen;
  for (int code = 0x20; code <= 0x7F; ++code) {
    seen.push_back(
        EncodePng(ToIndexed(DrawCharacterPicture('/', static_cast<unsigned char>(code)))));
    for (int earlier = 0x20; earlier < code; ++earlier) {
      EXPECT_NE(seen.back(), seen[earlier - 0x20]) << std::hex << code << " / " << earlier;
    }
  }
  EXPECT_NE(EncodePng(ToIndexed(DrawCharacterPicture('/', 'A'))),
            EncodePng(ToIndexed(DrawCharacterPicture('\\', 'A'))));
}

TEST(DrawIconSet, DrawsTheFilesTwentyRowPicturesWhereItHasThemAndStandInsElsewhere) {
  std::istringstream in{std::string(kSampleFile)};
  const SymbolPictures pictures = ReadSymbolFile(in);
  ASSERT_EQ(pictures.size(), 2U);
  const SymbolGrid& house = pictures.at({'/', '-'});
  EXPECT_EQ(house[0], "##..................");
  EXPECT_EQ(house[1], "..q.................");
  EXPECT_EQ(house[2], "....................");
  EXPECT_EQ(house[19], "..................mm");
  EXPECT_EQ(pictures.at({'\\', 'A'})[0], "jjjjjjjjjjjjjjjjjjjj");
  const std::map<int, Canvas> icons = DrawIconSet(pictures);
  EXPECT_EQ(icons.at(2045).At(0, 0), (Rgba{255, 255, 0}));  // top-left source pixel '#'
  EXPECT_EQ(icons.at(2265).At(0, 0), (Rgba{0xEE, 0, 0}));   // and 'j'
  const auto same = [](const Canvas& a, const Canvas& b) {
    return EncodePng(ToIndexed(a)) == EncodePng(ToIndexed(b));
  };
  EXPECT_TRUE(same(icons.at(2034), DrawCharacterPicture('/', '"')));
  EXPECT_TRUE(same(icons.at(2266), DrawCharacterPicture('\\', 'B')));
}

}  // namespace
}  // namespace vindrel::icongen
