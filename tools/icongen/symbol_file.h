#pragma once

#include <array>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "indexed_image.h"

namespace vindrel::icongen {

inline constexpr int kSymbolGridSize = 20;

// One picture of the symbol file: kSymbolGridSize rows of kSymbolGridSize letters, one letter a
// pixel, each letter a fixed colour (see LetterColour).
using SymbolGrid = std::array<std::string, kSymbolGridSize>;

// Pictures keyed by (table character, symbol character).
using SymbolPictures = std::map<std::pair<char, char>, SymbolGrid>;

// Reads Xastir's symbols.dat: "TABLE t" starts the pictures of table t, "APRS c" is followed by
// the 20 rows of symbol c's picture, "DONE" ends the file; other lines ("#..." comments,
// commented-out "#APRS" entries) are skipped. Short rows are padded with transparent pixels and
// longer ones cut; when a symbol appears twice the first picture counts.
SymbolPictures ReadSymbolFile(std::istream& in);

// The colour of a picture letter; transparent for "." and for letters without a colour.
Rgba LetterColour(char letter);

}  // namespace vindrel::icongen
