#include "symbol_file.h"

#include <string_view>

namespace vindrel::icongen {
namespace {

bool StartsWith(const std::string& line, std::string_view prefix) {
  return line.compare(0, prefix.size(), prefix) == 0;
}

bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

SymbolPictures ReadSymbolFile(std::istream& in) {
  SymbolPictures pictures;
  std::optional<char> table;
  std::string line;
  while (ReadLine(in, line)) {
    if (StartsWith(line, "DONE")) break;
    if (StartsWith(line, "TABLE ") && line.size() > 6) {
      table = line[6];
    } else if (StartsWith(line, "APRS ") && line.size() > 5) {
      // The 20 rows follow unconditionally: a row may itself begin with "#".
      SymbolGrid grid;
      for (std::string& row : grid) {
        if (!ReadLine(in, row)) row.clear();
        row.resize(kSymbolGridSize, '.');
      }
      if (table) pictures.try_emplace({*table, line[5]}, std::move(grid));
    }
  }
  return pictures;
}

Rgba LetterColour(char letter) {
  switch (letter) {
    case 'q': return {0x00, 0x00, 0x00};  // black
    case 'm': return {0xFF, 0xFF, 0xFF};  // white
    case 'c': return {0xCC, 0xCC, 0xCC};  // light grey
    case 'j': return {0xEE, 0x00, 0x00};  // red
    case 'h': return {0x00, 0xBF, 0xFF};  // sky blue
    case 'l': return {0x00, 0x00, 0xCD};  // medium blue
    case 'k': return {0x00, 0xCD, 0x00};  // green
    case 'g': return {0x00, 0x00, 0x8B};  // dark blue
    case '#': return {0xFF, 0xFF, 0x00};  // yellow
    case 'p': return {0x45, 0x45, 0x45};  // dark grey
    case 'i': return {0x00, 0x64, 0x00};  // dark green
    case 'n': return {0x87, 0x87, 0x87};  // grey
    case 'a': return {0xCD, 0x65, 0x00};  // dark orange
    case 'o': return {0x5A, 0x5A, 0x5A};  // grey, darker
    case 'f': return {0xCD, 0x33, 0x33};  // brown
    case 'b': return {0xA0, 0x20, 0xF0};  // purple
    case 'e': return {0xFF, 0x40, 0x40};  // light red
    case 'd': return {0xCD, 0x00, 0x00};  // dark red
    case 'r': return {0x32, 0xCD, 0x32};  // lime green
    default: return kTransparent;
  }
}

}  // namespace vindrel::icongen
