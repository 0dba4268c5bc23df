#include "ui/feedback.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace vindrel {
namespace {

bool WaitCursorShown() {
  return QApplication::overrideCursor() &&
         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// Presses OK on the message box that is about to open, after noting what it shows.
struct BoxSeen {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool waitCursorWhileOpen = true;
};

void AnswerNextBox(BoxSeen& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->icon(), WaitCursorShown()};
    box->button(QMessageBox::Ok)->click();
  });
}

TEST(QtFeedback, ShowsModalBoxesWithCaptionIconAndPlainText) {
  QtFeedback feedback;
  QWidget parent;
  BoxSeen seen;
  AnswerNextBox(seen);
  feedback.ShowMessage(&parent, "vindrel-config", "<b>1 &lt; 2</b>", MessageIcon::Exclamation);
  EXPECT_EQ(seen.title, "vindrel-config");
  EXPECT_EQ(seen.text, "<b>1 &lt; 2</b>");
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  AnswerNextBox(seen);
  feedback.ShowMessage(&parent, "x", "Input/output error", MessageIcon::Stop);
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST(QtFeedback, WaitCursorNestsAndStepsAsideForABox) {
  QtFeedback feedback;
  ASSERT_FALSE(WaitCursorShown());
  {
    WaitCursor outer(feedback);
    {
      WaitCursor inner(feedback);
      EXPECT_TRUE(WaitCursorShown());
      BoxSeen seen;
      AnswerNextBox(seen);
      feedback.ShowMessage(nullptr, "x", "y", MessageIcon::Exclamation);
      EXPECT_FALSE(seen.waitCursorWhileOpen);
      EXPECT_TRUE(WaitCursorShown());
    }
    EXPECT_TRUE(WaitCursorShown());
  }
  EXPECT_FALSE(WaitCursorShown());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // nothing left stacked
}

}  // namespace
}  // namespace vindrel
