#include "gui/qt/feedback.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace vindrel {

namespace {

// Lifts the override cursor while a modal window of our own is up, and puts it back afterwards.
class CursorLifted {
 public:
  explicit CursorLifted(int waitDepth) : lifted(waitDepth > 0) {
    if (lifted) QApplication::restoreOverrideCursor();
  }
  ~CursorLifted() {
    if (lifted) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  CursorLifted(const CursorLifted&) = delete;
  CursorLifted& operator=(const CursorLifted&) = delete;

 private:
  bool lifted;
};

}  // namespace

void QtFeedback::ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                             MessageIcon icon) {
  CursorLifted cursor(waitDepth);
  QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning, caption,
                  text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);  // texts from the system or the tracker are never markup
  box.exec();
}

void QtFeedback::Beep() { QApplication::beep(); }

void QtFeedback::BeginWaitCursor() {
  // One override for the outermost call only: nested calls must not stack cursors that a lifted
  // cursor (above) would then restore one level at a time.
  if (waitDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtFeedback::EndWaitCursor() {
  if (waitDepth > 0 && --waitDepth == 0) QApplication::restoreOverrideCursor();
}

void QtFeedback::RunModal(QDialog& dialog) {
  CursorLifted cursor(waitDepth);
  dialog.exec();
}

}  // namespace vindrel
