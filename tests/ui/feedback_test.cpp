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

// The real boxes: caption, plain text and icon, with the (nested) wait cursor set aside while open.
TEST(QtFeedback, ShowsModalBoxesWithTheirIconAndSetsTheWaitCursorAside) {
  QtFeedback feedback;
  QWidget parent;
  for (auto [icon, shown] : {std::pair{MessageIcon::Exclamation, QMessageBox::Warning},
                             std::pair{MessageIcon::Stop, QMessageBox::Critical}}) {
    WaitCursor outer(feedback);
    {
      WaitCursor inner(feedback);
      QStringList seen;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen << box->windowTitle() << box->text() << QString::number(box->icon())
             << QString::number(WaitCursorShown());
        box->button(QMessageBox::Ok)->click();
      });
      feedback.ShowMessage(&parent, "vindrel-config", "<b>1 &lt; 2</b>", icon);
      EXPECT_EQ(seen,
                (QStringList{"vindrel-config", "<b>1 &lt; 2</b>", QString::number(shown), "0"}));
      EXPECT_TRUE(WaitCursorShown());
    }
    EXPECT_TRUE(WaitCursorShown());  // the outer one still holds
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // nothing left stacked
}

}  // namespace
}  // namespace vindrel
