#pragma once

#include <map>
#include <string>

#include "canvas.h"
#include "symbol_file.h"

namespace vindrel::icongen {

inline constexpr int kIconSize = 32;
inline constexpr int kApplicationIconId = 128;
inline constexpr int kSquelchIconId = 130;

// A symbol picture enlarged from 20x20 to the full 32x32 icon (nearest neighbour, so no colour
// is added).
Canvas DrawSymbolPicture(const SymbolGrid& grid);

// Stand-in for a symbol the file has no picture of: the character on a round badge, its rim
// dark for the primary table ("/") and green otherwise. Space and 0x7F are written as "SP" and
// "DEL".
Canvas DrawCharacterPicture(char table, unsigned char code);

Canvas DrawApplicationPicture();  // a tracker with its antenna sending
Canvas DrawSquelchPicture();      // a loudspeaker sounding and a lit LED

// Every icon of the program by identifier: 128, 130, 2000 + code for the primary table codes
// 0x20..0x7F and 2200 + code for the alternate table's printable codes 0x21..0x7E (the symbol
// picker shows them all; the preview too), taken from `pictures` where it has them.
std::map<int, Canvas> DrawIconSet(const SymbolPictures& pictures);

// A Qt resource collection listing "<id>.png" under the prefix "/icons" for every id in `icons`.
std::string ResourceCollection(const std::map<int, Canvas>& icons);

// A Windows resource script that links "<id>.ico" as icon resource <id> for every id in `icons`;
// the icon files are found through the resource compiler's include path.
std::string ResourceScript(const std::map<int, Canvas>& icons);

}  // namespace vindrel::icongen
