#include "dialog/aprs_symbols.h"

#include <algorithm>

namespace vindrel {

namespace {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Lower(x) == Lower(y); });
}

// A name must pick one symbol on the command line and print on one line of a table; the picker
// lays the cells out by code, the primary table first.
constexpr bool TableIsSound() {
  const auto rank = [](const AprsSymbol& s) {
    return (s.table == kPrimaryTable ? 0 : 256) + s.code;
  };
  for (std::size_t i = 0; i < std::size(kAprsSymbols); ++i) {
    const AprsSymbol& s = kAprsSymbols[i];
    if (s.table != kPrimaryTable && s.table != kAlternateTable) return false;
    if (s.code < 0x21 || s.code > 0x7E) return false;
    if (i > 0 && rank(kAprsSymbols[i - 1]) >= rank(s)) return false;
    const std::string_view name = s.name;
    if (name.empty()) return false;
    for (char c : name) {
      if (c < 0x20 || c > 0x7E) return false;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (SameName(kAprsSymbols[j].name, name)) return false;
    }
  }
  return true;
}
static_assert(TableIsSound(), "symbol table out of order, or a name empty, not ASCII or twice");

}  // namespace

std::optional<AprsSymbol> FindAprsSymbol(char table, char code) {
  for (const AprsSymbol& s : kAprsSymbols) {
    if (s.table == table && s.code == code) return s;
  }
  return std::nullopt;
}

std::optional<AprsSymbol> FindAprsSymbol(std::string_view name) {
  for (const AprsSymbol& s : kAprsSymbols) {
    if (SameName(s.name, name)) return s;
  }
  return std::nullopt;
}

std::string DescribeAprsSymbol(const AprsSymbol& symbol) {
  return std::string(symbol.name) + " (" + symbol.table + symbol.code + ")";
}

}  // namespace vindrel
