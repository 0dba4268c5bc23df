#include "gui/qt/feedback.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QTimer>

#include "tests/qt/modal_closer.h"

namespace vindrel::testing {
namespace {

bool WaitCursorShown() {
  return QApplication::overrideCursor() &&
         QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// The real boxes: caption, plain text and icon, with the (nested) wait cursor set aside while open.
TEST(QtFeedback, ShowsModalBoxesWithTheirIconAndSetsTheWaitCursorAside) {
  QtFeedback feedback;
  QWidget parent;
  for (auto [icon, shown] : {std::pair{MessageIcon::Exclamation, QMessageBox::Warning},
                             std::pair{MessageIcon::Stop, QMessageBox::Critical}}) {
    feedback.BeginWaitCursor();
    feedback.BeginWaitCursor();
    bool cursorWhileOpen = true;
    ModalCloser closer;
    QTimer::singleShot(1, [&] { cursorWhileOpen = WaitCursorShown(); });
    feedback.ShowMessage(&parent, "vindrel-config", "<b>1 &lt; 2</b>", icon);
    const SeenModal expected{"vindrel-config", "<b>1 &lt; 2</b>", shown, true};
    EXPECT_EQ(closer.seen, std::vector<SeenModal>{expected});
    EXPECT_FALSE(cursorWhileOpen);
    feedback.EndWaitCursor();
    EXPECT_TRUE(WaitCursorShown());  // the outer one still holds
    feedback.EndWaitCursor();
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // nothing left stacked
}

}  // namespace
}  // namespace vindrel::testing
