#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <string>
#include <vector>

namespace vindrel::testing {

// What a modal window showed: its title, and for a message box its text, icon and format.
struct SeenModal {
  std::string title, text;
  int icon = -1;
  bool plainText = false;
  bool operator==(const SeenModal&) const = default;
};

// While it lives, closes every modal window as soon as it is up (message boxes with their OK
// button, dialogs with their default button) and records what each showed. A missed box fails
// the test by the absent record instead of hanging it.
class ModalCloser {
 public:
  ModalCloser() {
    QObject::connect(&poll, &QTimer::timeout, [this] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!modal) return;
      SeenModal seen;
      seen.title = modal->windowTitle().toStdString();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text().toStdString();
        seen.icon = box->icon();
        seen.plainText = box->textFormat() == Qt::PlainText;
        box->button(QMessageBox::Ok)->click();
      } else {
        modal->accept();
      }
      this->seen.push_back(seen);
    });
    poll.start(5);
  }

  std::vector<SeenModal> seen;

 private:
  QTimer poll;
};

}  // namespace vindrel::testing
