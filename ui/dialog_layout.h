#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <span>

class QDialog;
class QFont;
class QIcon;
class QWidget;

namespace vindrel {

// What a control of a dialog template is.
enum class ControlKind {
  GroupBox,       // a titled frame drawn beneath the controls inside it, not their parent
  Label,          // static text, left-aligned; "\n" breaks the line
  CenteredLabel,  // static text, centred in its rectangle
  Edit,           // single-line edit field
  CheckBox,
  PushButton,
  ComboBox,  // selection list; height is the height of the list when it drops down
  Picture,   // an icon
};

// One control: identifier (-1 for texts and frames nobody refers to), kind, text, and its
// rectangle in dialog units.
struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, width, height;
};

// A fixed-size dialog: title, client area in dialog units, and its controls in creation order.
struct DialogTemplate {
  const char* title;
  int width, height;
  std::span<const ControlTemplate> controls;
};

// The horizontal and vertical base units of font in pixels: half the average width of the 52
// letters, rounded, and the font's height. A dialog unit is a quarter of the first and an eighth
// of the second.
QSize DialogBaseUnits(const QFont& font);

// A rectangle in dialog units converted to pixels with the given base units, each coordinate
// rounded to the nearest pixel.
QRect MapDialogRect(const QRect& dialogUnits, QSize baseUnits);

// Builds dialog from tmpl: font "MS Sans Serif" 8 point (or what the system gives for it),
// title, caption with close box and no minimise or maximise box, fixed client size, and every
// control as a direct child whose objectName is its identifier as text. Group boxes end up
// beneath the other controls.
void BuildDialog(QDialog& dialog, const DialogTemplate& tmpl);

// Builds one of the small dialogs (About, squelch) from tmpl: the application icon on its
// window, picture in its control pictureId, and its button 1 as the default button that closes
// it.
void BuildSmallDialog(QDialog& dialog, const DialogTemplate& tmpl, int pictureId,
                      const QIcon& picture);

// The objectName a control with this identifier carries.
inline QString ControlName(int id) { return QString::number(id); }

}  // namespace vindrel
