#pragma once

#include "dialog/dialog_layout.h"

#include <QComboBox>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class QDialog;
class QFont;

namespace vindrel {

// The horizontal and vertical base units of font in pixels: half the average width of the 52
// letters, rounded, and the font's height. A dialog unit is a quarter of the first and an eighth
// of the second.
QSize DialogBaseUnits(const QFont& font);

// A rectangle in dialog units converted to pixels with the given base units, each coordinate
// rounded to the nearest pixel.
QRect MapDialogRect(const QRect& dialogUnits, QSize baseUnits);

// Builds dialog from tmpl: font "MS Sans Serif" 8 point (or what the system gives for it),
// title, caption with close box and no minimise or maximise box, fixed client size, every
// control as a direct child whose objectName is its identifier as text, the tab order and the
// initial focus. Group boxes end up beneath the other controls.
void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl);

// Builds one of the small dialogs (About, squelch) from tmpl: the application icon on its
// window, each picture showing the icon its identifier names, and button 1 as the default
// button that closes it.
void BuildSmallDialog(QDialog& dialog, const DialogTemplate& tmpl);

// The drop-down list of a template: it tells before its list opens, so that its entries can be
// brought up to date first.
class DropDownList : public QComboBox {
 public:
  using QComboBox::QComboBox;
  void showPopup() override {
    if (beforePopup) beforePopup();
    QComboBox::showPopup();
  }
  std::function<void()> beforePopup;
};

// The objectName a control with this identifier carries.
inline QString ControlName(int id) { return QString::number(id); }

}  // namespace vindrel
