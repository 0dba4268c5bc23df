#pragma once

#include <gtest/gtest.h>

#include "ui/config_dlg.h"
#include "ui/dialog_layout.h"
#include "ui/feedback.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace vindrel::testing {

struct RecordedMessage {
  QString caption;
  QString text;
  MessageIcon icon;
};

// Records what the dialog tells the user instead of showing it, so no test ever blocks on a box.
// The hooks run at the moment the box or dialog would be open.
class FeedbackRecorder : public Feedback {
 public:
  void ShowMessage(QWidget* /*parent*/, const QString& caption, const QString& text,
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
  int beeps = 0;
  int waitBegins = 0;
  int waitEnds = 0;
  std::vector<QString> modalDialogs;
  std::function<void(const RecordedMessage&)> onMessage;
  std::function<void(QDialog&)> onModal;
};

// A temporary /dev and /sys: the dialog's discovery and the link's opens never leave it.
class DeviceTree {
 public:
  DeviceTree() {
    std::filesystem::create_directories(Dev());
    std::filesystem::create_directories(Sys() + "/class/tty");
  }
  std::string Dev() const { return root.path().toStdString() + "/dev"; }
  std::string Sys() const { return root.path().toStdString() + "/sys"; }
  // A virtual port: dev/<name> as a link to target.
  void AddLink(const std::string& name, const std::string& target) const {
    std::filesystem::create_symlink(target, Dev() + "/" + name);
  }
  ConfigDlgOptions Options(Feedback& feedback) const {
    ConfigDlgOptions options;
    options.discoveryRoots = {Dev(), Sys()};
    options.deviceDirectory = Dev();
    options.feedback = &feedback;
    return options;
  }

 private:
  QTemporaryDir root;
};

inline const QString kIntegerMessage = QStringLiteral("Please enter an integer.");
inline QString RangeMessage(int minimum, int maximum) {
  return QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum);
}
inline const QString kNoPortsMessage =
    QStringLiteral("Er zijn geen serieele poorten beschikbaar op dit systeem");

// Finds control id of dialog; fails the test when there is no such control of that type.
template <typename T>
T* Control(const QWidget& dialog, int id) {
  T* control = dialog.findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
  EXPECT_NE(control, nullptr) << "control " << id;
  return control;
}

// Types text into the control with the focus as a keyboard would; characters beyond ASCII
// arrive as key events carrying their text, as an input method delivers them.
inline void TypeKeys(QWidget* control, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(control, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

// Replaces the text of an edit field by typing, as the user would.
inline void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  if (text.isEmpty()) {
    QTest::keyClick(edit, Qt::Key_Delete);
  } else {
    TypeKeys(edit, text);
  }
}

inline void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

// A configuration dialog over a device tree with a recorder, shown and active.
class DialogTest : public ::testing::Test {
 protected:
  void OpenDialog() {
    dialog = std::make_unique<CConfigDlg>(devices.Options(recorder));
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  }

  QLineEdit* Edit(int id) const { return Control<QLineEdit>(*dialog, id); }
  QCheckBox* Check(int id) const { return Control<QCheckBox>(*dialog, id); }
  QPushButton* Button(int id) const { return Control<QPushButton>(*dialog, id); }
  QComboBox* PortList() const { return Control<QComboBox>(*dialog, 1025); }

  // True when the focus is on the edit field id and its whole text is selected.
  ::testing::AssertionResult FocusedAndSelected(int id) const {
    QLineEdit* edit = Edit(id);
    if (dialog->focusWidget() != edit) {
      return ::testing::AssertionFailure()
             << "focus on "
             << (dialog->focusWidget() ? dialog->focusWidget()->objectName()
                                       : QStringLiteral("nothing"))
                    .toStdString();
    }
    if (edit->selectedText() != edit->text()) {
      return ::testing::AssertionFailure() << "selected " << edit->selectedText().toStdString();
    }
    return ::testing::AssertionSuccess();
  }

  DeviceTree devices;
  FeedbackRecorder recorder;
  std::unique_ptr<CConfigDlg> dialog;
};

}  // namespace vindrel::testing
