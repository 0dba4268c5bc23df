#include "gui/qt/symbol_picker_dlg.h"

#include "gui/qt/dialog_builder.h"
#include "gui/qt/icons/icon_resources.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace vindrel {

CSymbolPickerDlg::CSymbolPickerDlg(QWidget* parent, const std::string& tableChar,
                                   const std::string& symbolChar)
    : QDialog(parent), logic(*this, tableChar, symbolChar) {
  BuildDialog(*this, kSymbolPickerDialog);
  setWindowIcon(ApplicationIcon());
  for (const ControlTemplate& control : kSymbolPickerDialog.controls) {
    if (control.kind != ControlKind::SymbolCell) continue;
    auto* cell = findChild<QToolButton*>(ControlName(control.id), Qt::FindDirectChildrenOnly);
    cell->installEventFilter(this);
    connect(cell, &QToolButton::clicked, this, [this, id = control.id] { logic.OnCommand(id); });
  }
  auto* ok = findChild<QPushButton*>(ControlName(kOkButton), Qt::FindDirectChildrenOnly);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { logic.OnCommand(kOkButton); });
  connect(findChild<QPushButton*>(ControlName(kCancelButton), Qt::FindDirectChildrenOnly),
          &QPushButton::clicked, this, &CSymbolPickerDlg::reject);
  logic.StartUp();
}

void CSymbolPickerDlg::reject() { logic.OnCommand(kCancelButton); }

bool CSymbolPickerDlg::eventFilter(QObject* watched, QEvent* event) {
  const int id = watched->objectName().toInt();
  switch (event->type()) {
    case QEvent::Enter:
      logic.OnPointer(id);
      return false;
    case QEvent::Leave:
      logic.OnPointer(0);
      return false;
    case QEvent::KeyPress:
      // A tool button would hand the arrows to the focus chain, which knows no grid.
      switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Left:
          return logic.OnKey(PickerKey::Left), true;
        case Qt::Key_Right:
          return logic.OnKey(PickerKey::Right), true;
        case Qt::Key_Up:
          return logic.OnKey(PickerKey::Up), true;
        case Qt::Key_Down:
          return logic.OnKey(PickerKey::Down), true;
        default:
          return false;
      }
    default:
      return false;
  }
}

void CSymbolPickerDlg::SetText(int id, const std::string& text) {
  findChild<QLabel*>(ControlName(id), Qt::FindDirectChildrenOnly)
      ->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void CSymbolPickerDlg::FocusCell(int id) {
  // The grid is one tab stop: the current cell's.
  if (current) {
    current->setChecked(false);
    current->setFocusPolicy(Qt::ClickFocus);
  }
  current = findChild<QToolButton*>(ControlName(id), Qt::FindDirectChildrenOnly);
  current->setChecked(true);
  current->setFocusPolicy(Qt::StrongFocus);
  current->setFocus(Qt::OtherFocusReason);
}

void CSymbolPickerDlg::EndDialog() { done(Chosen() ? Accepted : Rejected); }

}  // namespace vindrel
