#pragma once

class QDialog;
class QString;
class QWidget;

namespace vindrel {

enum class MessageIcon {
  Exclamation,  // the utility's own messages and the checks of the values
  Stop,         // errors the system reported
};

// Everything the dialogs say to the user besides their controls: message boxes, the beep, the
// wait cursor and the small modal dialogs. The application uses QtFeedback; tests record.
class Feedback {
 public:
  virtual ~Feedback() = default;
  // A modal box over parent with an OK button.
  virtual void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                           MessageIcon icon) = 0;
  virtual void Beep() = 0;
  // Calls nest; the cursor returns when every Begin has had its End.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Runs dialog modally and returns when it has been closed.
  virtual void RunModal(QDialog& dialog) = 0;
};

// The real thing: QMessageBox, QApplication::beep and the override cursor. The wait cursor is
// lifted while a box or dialog is open, so that the user is not shown a busy pointer on the OK
// button.
class QtFeedback : public Feedback {
 public:
  void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                   MessageIcon icon) override;
  void Beep() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void RunModal(QDialog& dialog) override;

 private:
  int waitDepth = 0;
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
 public:
  explicit WaitCursor(Feedback& feedback) : feedback(feedback) { feedback.BeginWaitCursor(); }
  ~WaitCursor() { feedback.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  Feedback& feedback;
};

}  // namespace vindrel
