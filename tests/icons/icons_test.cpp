// The icons as the program loads them, and the generator that draws them from Xastir's pictures.
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "artwork.h"
#include "ico_writer.h"
#include "icon_resources.h"
#include "png_writer.h"
#include "symbol_file.h"

namespace vindrel::icongen {

using Bytes = std::vector<std::uint8_t>;

Bytes Png(const Canvas& canvas) { return EncodePng(ToIndexed(canvas)); }

// Exactly the identifiers of the symbol table load, each as a 32x32 icon.
TEST(IconResources, EveryIconIdentifierAndNoOtherLoadsA32By32Icon) {
  int argc = 1;
  char name[] = "icons_tests", *argv[] = {name};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const QGuiApplication app(argc, argv);  // pixmaps need one
  for (int id = -1; id < 2400; ++id) {
    const bool icon =
        id == 128 || id == 130 || (id >= 2032 && id <= 2127) || (id >= 2233 && id <= 2326);
    EXPECT_EQ(LoadIconPixmap(id).size(), icon ? QSize(32, 32) : QSize(0, 0)) << id;
  }
}

// An independent decoder reads the pixels back, from the PNG and from the Windows icon. 3x2: odd
// width, so each row ends in a padding nibble.
TEST(EncodePngAndIco, WriteA16ColourPaletteImageThatQtReadsBack) {
  const IndexedImage image{3, 2, {kTransparent, {0xEE, 0, 0}, {0, 0, 0xFF}}, {1, 0, 1, 2, 2, 0}};
  const Bytes png = EncodePng(image), ico = EncodeIco(image);
  EXPECT_EQ(Bytes(png.begin() + 24, png.begin() + 26), (Bytes{4, 3}));  // 4 bits, palette
  for (const auto& [format, file] : {std::pair{"PNG", png}, std::pair{"ICO", ico}}) {
    const QImage read = QImage::fromData(file.data(), static_cast<int>(file.size()), format);
    std::vector<QRgb> pixels;
    for (int i = 0; i < 6; ++i) pixels.push_back(read.pixel(i % 3, i / 3));
    EXPECT_EQ(pixels, (std::vector<QRgb>{0xFFEE0000, 0, 0xFFEE0000, 0xFF0000FF, 0xFF0000FF, 0}))
        << format;
  }
  // The directory entry Windows picks the image by: 3x2, 16 colours, 1 plane, 4 bits, 40 + 64
  // bytes of header and palette + 2 rows of 4 colour and 4 mask bytes, at offset 22.
  EXPECT_EQ(Bytes(ico.begin(), ico.begin() + 22),
            (Bytes{0, 0, 1, 0, 1, 0, 3, 2, 16, 0, 1, 0, 4, 0, 120, 0, 0, 0, 22, 0, 0, 0}));
}

TEST(DrawIcons, EveryStandInDiffers) {
  std::set<Bytes> standIns{Png(DrawCharacterPicture('\\', 'A'))};
  for (int code = 0x20; code <= 0x7F; ++code) standIns.insert(Png(DrawCharacterPicture('/', code)));
  EXPECT_EQ(standIns.size(), 97u);  // none left blank or copied from another, the tables differ
}

// A file in Xastir's format, one entry a line: a comment, a row that begins with "#", a short row
// and a 21st row; a commented-out entry; a row too long; an entry after the end.
TEST(DrawIconSet, DrawsTheFilesTwentyRowPicturesWhereItHasThemAndStandInsElsewhere) {
  std::istringstream in(
      "# comment\nTABLE /\n"
      "APRS -               House\r\n##..................\r\n..q\n"
      "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n..................mm\nextra 21st row, no picture\n"
      "#APRS \"              Reserved\n"
      "TABLE \\\nAPRS A               Box\n"
      "jjjjjjjjjjjjjjjjjjjjjjjj\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n"
      "DONE\nAPRS B               after the end\n");
  const SymbolPictures pictures = ReadSymbolFile(in);
  const SymbolGrid& house = pictures.at({'/', '-'});
  EXPECT_EQ((std::vector{house[0], house[1], house[19], pictures.at({'\\', 'A'})[0]}),
            (std::vector<std::string>{"##..................", "..q.................",
                                      "..................mm", "jjjjjjjjjjjjjjjjjjjj"}));
  const std::map<int, Canvas> icons = DrawIconSet(pictures);
  EXPECT_EQ(icons.at(2045).At(0, 0), (Rgba{255, 255, 0}));  // top-left source pixel '#'
  EXPECT_EQ(icons.at(2265).At(0, 0), (Rgba{0xEE, 0, 0}));   // and 'j'
  EXPECT_EQ(Png(icons.at(2034)), Png(DrawCharacterPicture('/', '"')));
  EXPECT_EQ(Png(icons.at(2266)), Png(DrawCharacterPicture('\\', 'B')));
}

}  // namespace vindrel::icongen
