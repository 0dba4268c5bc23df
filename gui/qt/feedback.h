#pragma once

#include "dialog/dialog_view.h"

class QDialog;
class QString;
class QWidget;

namespace vindrel {

// Everything the dialogs say to the user besides their controls, on Qt: QMessageBox,
// QApplication::beep and the override cursor. The wait cursor is lifted while a box or dialog
// is open, so that the user is not shown a busy pointer on the OK button.
class QtFeedback {
 public:
  // A modal box over parent with an OK button; text is plain text, never markup.
  void ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon);
  void Beep();
  // Calls nest; the cursor returns when every Begin has had its End.
  void BeginWaitCursor();
  void EndWaitCursor();
  // Runs dialog modally and returns when it has been closed.
  void RunModal(QDialog& dialog);

 private:
  int waitDepth = 0;
};

}  // namespace vindrel
