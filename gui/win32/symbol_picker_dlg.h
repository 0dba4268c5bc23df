#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "dialog/symbol_picker.h"

namespace vindrel {

// The symbol picker on Win32: kSymbolPickerDialog built in memory, its cells icon push buttons
// whose window text (the symbol's name) is what a screen reader says and whose tooltip shows it;
// the current cell is pushed in. Arrow keys and the pointer go to the picker's logic; Enter is
// the focused cell's click, Esc and the close box Annuleren.
class CSymbolPickerDlg : private SymbolPickerView {
 public:
  CSymbolPickerDlg(HWND owner, const std::string& tableChar, const std::string& symbolChar);
  CSymbolPickerDlg(const CSymbolPickerDlg&) = delete;
  CSymbolPickerDlg& operator=(const CSymbolPickerDlg&) = delete;

  // Shows the picker modally over the owner, centred over it; returns what the user chose,
  // nullopt when nothing.
  std::optional<AprsSymbol> DoModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CellProc(HWND cell, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR self);
  void OnInitDialog();

  // SymbolPickerView
  void SetText(int id, const std::string& text) override;
  void FocusCell(int id) override;
  void EndDialog() override;

  HWND owner;
  HWND window = nullptr;
  HWND current = nullptr;    // the current cell
  HWND pointedAt = nullptr;  // the cell whose leaving is awaited
  SymbolPicker logic;
};

}  // namespace vindrel
