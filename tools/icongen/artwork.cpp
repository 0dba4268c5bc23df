#include "artwork.h"

#include "glyphs.h"

namespace vindrel::icongen {
namespace {

constexpr Rgba kBlack{0x00, 0x00, 0x00};
constexpr Rgba kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgba kDarkGrey{0x45, 0x45, 0x45};
constexpr Rgba kGrey{0x87, 0x87, 0x87};
constexpr Rgba kLightGrey{0xCC, 0xCC, 0xCC};
constexpr Rgba kRed{0xEE, 0x00, 0x00};
constexpr Rgba kDarkRed{0x9B, 0x00, 0x00};
constexpr Rgba kGreen{0x00, 0xCD, 0x00};
constexpr Rgba kDarkGreen{0x00, 0x64, 0x00};
constexpr Rgba kYellow{0xFF, 0xFF, 0x00};
constexpr Rgba kNavy{0x1F, 0x3A, 0x5F};
constexpr Rgba kSteel{0x4A, 0x6F, 0x96};
constexpr Rgba kSkyBlue{0x00, 0xBF, 0xFF};
constexpr Rgba kDisplay{0x9B, 0xC8, 0x8B};

constexpr char kPrimaryTable = '/';
constexpr char kAlternateTable = '\\';
constexpr int kPrimaryBase = 2000;
constexpr int kAlternateBase = 2200;

std::string CharacterName(unsigned char code) {
  if (code == 0x20) return "SP";
  if (code == 0x7F) return "DEL";
  return std::string(1, static_cast<char>(code));
}

}  // namespace

Canvas DrawSymbolPicture(const SymbolGrid& grid) {
  Canvas canvas(kIconSize, kIconSize);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const int sx = x * kSymbolGridSize / kIconSize;
      const int sy = y * kSymbolGridSize / kIconSize;
      canvas.Set(x, y, LetterColour(grid[sy][sx]));
    }
  }
  return canvas;
}

Canvas DrawCharacterPicture(char table, unsigned char code) {
  Canvas canvas(kIconSize, kIconSize);
  canvas.FillCircle(16, 16, 15.5, table == kPrimaryTable ? kNavy : kDarkGreen);
  canvas.FillCircle(16, 16, 13.5, kWhite);

  // The largest scale, up to 3, at which the text fits inside the badge.
  const std::string text = CharacterName(code);
  int scale = 3;
  while (scale > 1 && TextWidth(text, scale) > 24) --scale;
  const int x = (kIconSize - TextWidth(text, scale) + 1) / 2;
  const int y = (kIconSize - kGlyphHeight * scale + 1) / 2;
  DrawText(canvas, x, y, text, scale, kBlack);
  return canvas;
}

Canvas DrawApplicationPicture() {
  Canvas canvas(kIconSize, kIconSize);
  // Radio waves leaving the antenna tip on both sides.
  for (double r : {4.0, 7.5}) {
    canvas.FillArc(23, 4.5, r, r + 1.3, -50, 50, kSkyBlue);
    canvas.FillArc(23, 4.5, r, r + 1.3, 130, 230, kSkyBlue);
  }
  // Antenna with its tip.
  canvas.FillRect(22, 5, 2, 10, kDarkGrey);
  canvas.FillCircle(23, 4.5, 2.0, kRed);
  // Case, with a rim of shadow at the bottom right.
  canvas.FillRect(4, 14, 24, 16, kSteel);
  canvas.FillRect(5, 13, 22, 1, kSteel);
  canvas.FillRect(5, 30, 22, 1, kNavy);
  canvas.FillRect(28, 15, 1, 15, kNavy);
  // Display with two lines of text.
  canvas.FillRect(7, 16, 14, 7, kBlack);
  canvas.FillRect(8, 17, 12, 5, kDisplay);
  canvas.FillRect(9, 18, 8, 1, kDarkGreen);
  canvas.FillRect(9, 20, 5, 1, kDarkGreen);
  // Status LEDs and a connector.
  canvas.FillCircle(9.5, 26.5, 1.6, kGreen);
  canvas.FillCircle(14.5, 26.5, 1.6, kRed);
  canvas.FillRect(22, 17, 4, 5, kLightGrey);
  canvas.FillRect(23, 18, 2, 3, kDarkGrey);
  canvas.FillRect(22, 24, 4, 4, kGrey);
  return canvas;
}

Canvas DrawSquelchPicture() {
  Canvas canvas(kIconSize, kIconSize);
  // Loudspeaker: magnet box and a cone that widens to the right.
  canvas.FillRect(2, 12, 5, 8, kDarkGrey);
  for (int x = 7; x <= 12; ++x) {
    const int spread = x - 6;
    canvas.FillRect(x, 12 - spread, 1, 8 + 2 * spread, kBlack);
  }
  // Sound waves.
  canvas.FillArc(12, 16, 3.0, 4.3, -45, 45, kGrey);
  canvas.FillArc(12, 16, 6.0, 7.3, -45, 45, kGrey);
  // LED: red dome and rim, two legs, a highlight and a few rays of light.
  canvas.FillCircle(25, 12, 4.5, kRed);
  canvas.FillRect(21, 12, 9, 7, kRed);
  canvas.FillRect(20, 19, 11, 2, kDarkRed);
  canvas.FillRect(23, 21, 1, 9, kGrey);
  canvas.FillRect(27, 21, 1, 7, kGrey);
  canvas.FillRect(23, 10, 1, 3, kWhite);
  canvas.FillRect(24, 9, 1, 1, kWhite);
  canvas.Line(25, 1, 25, 4, kYellow);
  canvas.Line(19, 3, 20, 5, kYellow);
  canvas.Line(31, 3, 30, 5, kYellow);
  canvas.Line(17, 9, 18, 10, kYellow);
  return canvas;
}

std::map<int, Canvas> DrawIconSet(const SymbolPictures& pictures) {
  std::map<int, Canvas> icons;
  auto add = [&](char table, int base, unsigned char code) {
    const auto it = pictures.find({table, static_cast<char>(code)});
    icons.emplace(base + code, it != pictures.end() ? DrawSymbolPicture(it->second)
                                                    : DrawCharacterPicture(table, code));
  };
  icons.emplace(kApplicationIconId, DrawApplicationPicture());
  icons.emplace(kSquelchIconId, DrawSquelchPicture());
  for (unsigned char code = 0x20; code <= 0x7F; ++code) add(kPrimaryTable, kPrimaryBase, code);
  for (unsigned char code = 0x21; code <= 0x7E; ++code) add(kAlternateTable, kAlternateBase, code);
  return icons;
}

std::string ResourceCollection(const std::map<int, Canvas>& icons) {
  std::string qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/icons\">\n";
  for (const auto& [id, canvas] : icons) {
    const std::string name = std::to_string(id) + ".png";
    qrc += "    <file alias=\"" + name + "\">" + name + "</file>\n";
  }
  qrc += "  </qresource>\n</RCC>\n";
  return qrc;
}

std::string ResourceScript(const std::map<int, Canvas>& icons) {
  std::string rc;
  for (const auto& [id, canvas] : icons) {
    rc += std::to_string(id) + " ICON \"" + std::to_string(id) + ".ico\"\n";
  }
  return rc;
}

}  // namespace vindrel::icongen
