#include "dialog/symbol_picker.h"

#include "dialog/dialog_layout.h"

namespace vindrel {

namespace {

constexpr int kColumns = 16;
constexpr int kTableCells = 6 * kColumns;  // codes 0x20 to 0x7F
constexpr int kCells = 2 * kTableCells;

char TableAt(int position) { return position < kTableCells ? kPrimaryTable : kAlternateTable; }
char CodeAt(int position) { return static_cast<char>(0x20 + position % kTableCells); }

// position: 0 to kCells - 1.
std::optional<AprsSymbol> SymbolAt(int position) {
  return FindAprsSymbol(TableAt(position), CodeAt(position));
}

int CellId(int position) { return SymbolIconId(TableAt(position), CodeAt(position)); }

// The place of a defined symbol's cell; -1 for any other identifier.
int PositionOf(int id) {
  for (int position = 0; position < kCells; ++position) {
    if (CellId(position) == id) return SymbolAt(position) ? position : -1;
  }
  return -1;
}

}  // namespace

SymbolPicker::SymbolPicker(SymbolPickerView& view, std::string_view tableChar,
                           std::string_view symbolChar)
    : view(view), current(PositionOf(SymbolIconId(tableChar, symbolChar))) {
  if (current < 0) current = PositionOf(SymbolIconId(kAprsSymbols[0].table, kAprsSymbols[0].code));
}

void SymbolPicker::StartUp() { MoveTo(current); }

void SymbolPicker::OnKey(PickerKey key) {
  const int step = key == PickerKey::Left    ? -1
                   : key == PickerKey::Right ? 1
                   : key == PickerKey::Up    ? -kColumns
                                             : kColumns;
  for (int position = current + step; position >= 0 && position < kCells; position += step) {
    // Left and right stay in their row; up and down cross from one table into the other.
    if (step * step == 1 && position / kColumns != current / kColumns) return;
    if (SymbolAt(position)) return MoveTo(position);
  }
}

void SymbolPicker::OnPointer(int id) {
  const int position = PositionOf(id);
  Name(position < 0 ? current : position);
}

void SymbolPicker::OnCommand(int id) {
  if (id == kCancelButton) return view.EndDialog();
  const int position = id == kOkButton ? current : PositionOf(id);
  if (position < 0) return;
  chosen = SymbolAt(position);
  view.EndDialog();
}

void SymbolPicker::MoveTo(int position) {
  current = position;
  view.FocusCell(CellId(position));
  Name(position);
}

void SymbolPicker::Name(int position) {
  view.SetText(kSymbolName, DescribeAprsSymbol(*SymbolAt(position)));
}

}  // namespace vindrel
