#pragma once

#include <gtest/gtest.h>

#include "ui/config_dlg.h"
#include "ui/dialog_layout.h"
#include "ui/feedback.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include <filesystem>
#include <functional>
#include <memory>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace vindrel::testing {

struct RecordedMessage {
  QString caption, text;
  MessageIcon icon;
};

// Records what the dialog tells the user instead of showing it, so no test ever blocks on a box.
// The hooks run at the moment the box or dialog would be open.
struct FeedbackRecorder : Feedback {
  void ShowMessage(QWidget*, const QString& caption, const QString& text,
                   MessageIcon icon) override {
    messages.push_back({caption, text, icon});
    if (onMessage) onMessage(messages.back());
  }
  void Beep() override { ++beeps; }
  void BeginWaitCursor() override { ++waitBegins; }
  void EndWaitCursor() override { ++waitEnds; }
  void RunModal(QDialog& dialog) override {
    modalDialogs.push_back(dialog.windowTitle());
    if (onModal) onModal(dialog);
  }
  std::vector<QString> Texts() const {
    std::vector<QString> texts;
    for (const RecordedMessage& message : messages) texts.push_back(message.text);
    return texts;
  }

  std::vector<RecordedMessage> messages;
  int beeps = 0, waitBegins = 0, waitEnds = 0;
  std::vector<QString> modalDialogs;
  std::function<void(const RecordedMessage&)> onMessage;
  std::function<void(QDialog&)> onModal;
};

inline const QString kIntegerMessage = QStringLiteral("Please enter an integer.");
inline QString RangeMessage(int minimum, int maximum) {
  return QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum);
}

// Finds control id of dialog; fails the test when there is no such control of that type.
template <typename T>
T* Control(const QWidget& dialog, int id) {
  T* control = dialog.findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
  EXPECT_NE(control, nullptr) << "control " << id;
  return control;
}

// Replaces the text of an edit field by typing, as the user would; characters beyond ASCII arrive
// as key events carrying their text, as an input method delivers them.
inline void Type(QLineEdit* edit, const QString& text, bool replace = true) {
  edit->setFocus();
  if (replace) edit->selectAll();
  if (replace && text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(edit, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

inline void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

// A timer event as the GPS simulation's timer delivers it, without waiting two seconds.
inline void Tick(CConfigDlg& dialog) {
  QTimerEvent tick(1);
  QApplication::sendEvent(&dialog, &tick);
}

// The real dialog, shown and active, over a temporary /dev and /sys (discovery and the link's
// opens never leave it) with its feedback recorded.
class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    std::filesystem::create_directories(Dev());
    std::filesystem::create_directories(Sys() + "/class/tty");
  }
  std::string Dev() const { return root.path().toStdString() + "/dev"; }
  std::string Sys() const { return root.path().toStdString() + "/sys"; }
  void AddPort(const std::string& name, const std::string& target) const {
    std::filesystem::create_symlink(target, Dev() + "/" + name);
  }

  void OpenDialog() {
    ConfigDlgOptions options;
    options.discoveryRoots = {Dev(), Sys()};
    options.deviceDirectory = Dev();
    options.feedback = &recorder;
    dialog = std::make_unique<CConfigDlg>(options);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  }

  QLineEdit* Edit(int id) const { return Control<QLineEdit>(*dialog, id); }
  QCheckBox* Check(int id) const { return Control<QCheckBox>(*dialog, id); }
  QPushButton* Button(int id) const { return Control<QPushButton>(*dialog, id); }
  QComboBox* PortList() const { return Control<QComboBox>(*dialog, 1025); }

  // True when the focus is on the edit field id and its whole text is selected.
  bool FocusedAndSelected(int id) const {
    return dialog->focusWidget() == Edit(id) && Edit(id)->selectedText() == Edit(id)->text();
  }

  QTemporaryDir root;
  FeedbackRecorder recorder;
  std::unique_ptr<CConfigDlg> dialog;
};

}  // namespace vindrel::testing
