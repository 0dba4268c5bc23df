#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialog/aprs_symbols.h"

namespace vindrel {

// What the symbol picker's logic asks of the window that shows kSymbolPickerDialog.
class SymbolPickerView {
 public:
  virtual ~SymbolPickerView() = default;
  virtual void SetText(int id, const std::string& text) = 0;
  // Moves the focus to symbol cell id, which shows that it is the current one and becomes the
  // grid's only tab stop.
  virtual void FocusCell(int id) = 0;
  // Ends the picker (the window closes).
  virtual void EndDialog() = 0;
};

enum class PickerKey { Left, Right, Up, Down };

// The symbol picker without its window: which cell is current, what the name line says, and
// which symbol was chosen. Both tables form one grid of 12 rows of 16 codes, the primary table
// above; the keys move over the defined cells only, the gaps of undefined codes skipped.
class SymbolPicker {
 public:
  // The current cell starts on the symbol that the first characters of the two texts select,
  // or on the first symbol when they select no defined one.
  SymbolPicker(SymbolPickerView& view, std::string_view tableChar, std::string_view symbolChar);

  // The controls exist: the focus goes to the current cell and the name line names it.
  void StartUp();
  // An arrow key: the nearest defined cell that way becomes current; at the edge nothing moves.
  void OnKey(PickerKey key);
  // The pointer rests on cell id (0: on no cell): the name line names that cell, or the current
  // one again once the pointer has left the cells.
  void OnPointer(int id);
  // A cell was clicked (it is chosen), OK (1, also Enter) chooses the current cell, Annuleren
  // (2, also Esc and the close box) chooses nothing; each ends the picker. Other identifiers,
  // those of undefined codes included, do nothing.
  void OnCommand(int id);

  // The symbol chosen, nullopt while none is or when the user cancelled.
  const std::optional<AprsSymbol>& Chosen() const { return chosen; }

 private:
  void MoveTo(int position);
  void Name(int position);

  SymbolPickerView& view;
  int current;  // the current cell's place in the grid of both tables: row * 16 + column
  std::optional<AprsSymbol> chosen;
};

}  // namespace vindrel
