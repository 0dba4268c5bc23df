#include "ui/dialog_layout.h"
#include "tests/ui/ui_test_support.h"
#include "ui/about_dlg.h"
#include "ui/squelch_dlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace vindrel::testing {
namespace {

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsRoundingToTheNearestPixel) {
  // With 7 x 13 base units a horizontal unit is 1.75 pixels and a vertical one 1.625.
  EXPECT_EQ(MapDialogRect(QRect(65, 20, 70, 14), QSize(7, 13)), QRect(114, 33, 123, 23));
  EXPECT_EQ(MapDialogRect(QRect(0, 0, 277, 290), QSize(7, 13)), QRect(0, 0, 485, 471));
  // 6 x 13, the font the layouts were drawn with: 4 horizontal units are 6 pixels.
  EXPECT_EQ(MapDialogRect(QRect(4, 8, 60, 14), QSize(6, 13)), QRect(6, 13, 90, 23));
}

using ConfigDialogLayout = DialogTest;

TEST_F(ConfigDialogLayout, HasItsTitleFixedSizeAndNoMinimiseOrMaximiseBox) {
  OpenDialog();
  EXPECT_EQ(dialog->windowTitle(), "VINDrel Configuratie Programma");
  const QSize base = DialogBaseUnits(dialog->font());
  EXPECT_EQ(dialog->size(), MapDialogRect(QRect(0, 0, 277, 290), base).size());
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_EQ(Edit(1000)->geometry(), MapDialogRect(QRect(65, 20, 70, 14), base));
  const Qt::WindowFlags flags = dialog->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(dialog->windowIcon().isNull());
}

TEST_F(ConfigDialogLayout, EveryControlFitsInsideTheWindowAndNoTwoOverlap) {
  OpenDialog();
  std::vector<QWidget*> controls;
  for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!qobject_cast<QGroupBox*>(child)) controls.push_back(child);
  }
  // 11 labels, 12 edit fields, 6 check boxes, 8 buttons, the port list and the picture.
  ASSERT_EQ(controls.size(), 39u);
  for (QWidget* control : controls) {
    EXPECT_TRUE(dialog->rect().contains(control->geometry()))
        << control->objectName().toStdString();
  }
  for (size_t i = 0; i < controls.size(); ++i) {
    for (size_t j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << controls[i]->objectName().toStdString() << " / "
          << controls[j]->objectName().toStdString();
    }
  }
}

TEST_F(ConfigDialogLayout, TabOrderFocusAndDefaultButtonAreAsDesigned) {
  OpenDialog();
  EXPECT_EQ(dialog->focusWidget(), Edit(1000));
  EXPECT_TRUE(Button(2)->isDefault());

  std::vector<int> order;
  QWidget* widget = Edit(1000);
  do {
    if (widget->focusPolicy() & Qt::TabFocus) order.push_back(widget->objectName().toInt());
    widget = widget->nextInFocusChain();
  } while (widget != Edit(1000));
  const std::vector<int> expected = {1000, 1029, 1030, 1001, 1006, 1013, 1014, 1016, 1018,
                                     1019, 1015, 1021, 1024, 1022, 1003, 1004, 1026, 1005,
                                     1025, 1010, 1008, 1009, 2,    1023, 1033, 1017, 1020};
  EXPECT_EQ(order, expected);
}

TEST_F(ConfigDialogLayout, EscapeTheCloseBoxAndEnterInAFieldAllCloseTheDialog) {
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    OpenDialog();
    if (way == 0) QTest::keyClick(dialog.get(), Qt::Key_Escape);
    if (way == 1) dialog->close();
    if (way == 2) QTest::keyClick(Edit(1001), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
  }
}

TEST_F(ConfigDialogLayout, ContextMenuOffersTheAboutBox) {
  OpenDialog();
  QStringList entries;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) entries << action->text();
    menu->setActiveAction(menu->actions().last());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  const QPoint inside(5, 5);  // the margin beside "Instellingen": the dialog itself
  QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
  QApplication::sendEvent(dialog.get(), &event);

  EXPECT_EQ(entries, QStringList{"&About VINDrel..."});
  EXPECT_EQ(recorder.modalDialogs, std::vector<QString>{"About VinDrel config"});
  // Only the lowest four bits of a command may differ; other window commands open nothing.
  dialog->SystemCommand(0x1F);
  dialog->SystemCommand(0xF060);
  dialog->SystemCommand(0x20);
  EXPECT_EQ(recorder.modalDialogs.size(), 2u);
}

TEST(SmallDialogs, ShowTheirIconAndTextAndCloseEveryWay) {
  CAboutDlg about;
  CSquelchDlg squelch;
  const struct {
    QDialog* dialog;
    const char* title;
    QRect size;
    int icon;
    const char* text;
    const char* button;
  } cases[] = {
      {&about,
       "About VinDrel config",
       {0, 0, 197, 81},
       128,
       "VinDrel Configuratie programma 1.0.0.7",
       "OK"},
      {&squelch,
       "Instellen squelch niveau",
       {0, 0, 186, 55},
       130,
       "Stel het niveau dusdanig in dat bij een\naudio signaal de LED continue oplicht.",
       "Klaar"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    QDialog& dialog = *c.dialog;
    EXPECT_EQ(dialog.windowTitle(), c.title);
    EXPECT_EQ(dialog.size(), MapDialogRect(c.size, DialogBaseUnits(dialog.font())).size());
    EXPECT_FALSE(Control<QLabel>(dialog, c.icon)->pixmap().isNull());
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains(c.text));
    auto* button = Control<QPushButton>(dialog, 1);
    EXPECT_EQ(button->text(), c.button);
    EXPECT_TRUE(button->isDefault());
    for (int way = 0; way < 4; ++way) {
      dialog.show();
      if (way == 0) Click(button);
      if (way == 1) QTest::keyClick(&dialog, Qt::Key_Return);
      if (way == 2) QTest::keyClick(&dialog, Qt::Key_Escape);
      if (way == 3) dialog.close();
      EXPECT_FALSE(dialog.isVisible()) << way;
    }
  }
}

}  // namespace
}  // namespace vindrel::testing
