#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "dialog/symbol_picker.h"

class QToolButton;

namespace vindrel {

// The symbol picker on Qt: kSymbolPickerDialog's cells as flat tool buttons (the current one
// pressed in), whose objectName is their identifier. Clicks, arrow keys and the pointer's
// comings and goings go to the picker's logic; Enter is OK, Esc and the close box Annuleren.
class CSymbolPickerDlg : public QDialog, private SymbolPickerView {
 public:
  CSymbolPickerDlg(QWidget* parent, const std::string& tableChar, const std::string& symbolChar);

  const std::optional<AprsSymbol>& Chosen() const { return logic.Chosen(); }

 protected:
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // SymbolPickerView
  void SetText(int id, const std::string& text) override;
  void FocusCell(int id) override;
  void EndDialog() override;

  QToolButton* current = nullptr;
  SymbolPicker logic;
};

}  // namespace vindrel
