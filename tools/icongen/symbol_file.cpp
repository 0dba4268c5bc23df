#include "symbol_file.h"

#include <array>
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
  struct Entry {
    char letter;
    Rgba colour;
  };
  static constexpr std::array<Entry, 19> kColours{{
      {'q', {0x00, 0x00, 0x00}},  // black
      {'m', {0xFF, 0xFF, 0xFF}},  // white
      {'c', {0xCC, 0xCC, 0xCC}},  // light grey
      {'j', {0xEE, 0x00, 0x00}},  // red
      {'h', {0x00, 0xBF, 0xFF}},  // sky blue
      {'l', {0x00, 0x00, 0xCD}},  // medium blue
      {'k', {0x00, 0xCD, 0x00}},  // green
      {'g', {0x00, 0x00, 0x8B}},  // dark blue
      {'#', {0xFF, 0xFF, 0x00}},  // yellow
      {'p', {0x45, 0x45, 0x45}},  // dark grey
      {'i', {0x00, 0x64, 0x00}},  // dark green
      {'n', {0x87, 0x87, 0x87}},  // grey
      {'a', {0xCD, 0x65, 0x00}},  // dark orange
      {'o', {0x5A, 0x5A, 0x5A}},  // grey, darker
      {'f', {0xCD, 0x33, 0x33}},  // brown
      {'b', {0xA0, 0x20, 0xF0}},  // purple
      {'e', {0xFF, 0x40, 0x40}},  // light red
      {'d', {0xCD, 0x00, 0x00}},  // dark red
      {'r', {0x32, 0xCD, 0x32}},  // lime green
  }};
  for (const Entry& e : kColours)
    if (e.letter == letter) return e.colour;
  return kTransparent;
}

}  // namespace vindrel::icongen
