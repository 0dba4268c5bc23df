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

TEST(DialogUnits, BaseUnitsFollowTheFont) {
  QFont small = QApplication::font();
  small.setPointSize(8);
  QFont large = small;
  large.setPointSize(16);
  const QSize smallUnits = DialogBaseUnits(small);
  const QSize largeUnits = DialogBaseUnits(large);
  EXPECT_GT(smallUnits.width(), 2);
  EXPECT_GT(smallUnits.height(), 6);
  EXPECT_GT(largeUnits.width(), smallUnits.width());
  EXPECT_GT(largeUnits.height(), smallUnits.height());
}

using ConfigDialogLayout = DialogTest;

TEST_F(ConfigDialogLayout, HasItsTitleFixedSizeAndNoMinimiseOrMaximiseBox) {
  OpenDialog();
  EXPECT_EQ(dialog->windowTitle(), "VINDrel Configuratie Programma");
  const QSize base = DialogBaseUnits(dialog->font());
  EXPECT_EQ(dialog->size(), MapDialogRect(QRect(0, 0, 277, 290), base).size());
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  const Qt::WindowFlags flags = dialog->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_FALSE(dialog->windowIcon().isNull());
}

TEST_F(ConfigDialogLayout, ControlsSitAtTheirDialogUnitRectangles) {
  OpenDialog();
  const QSize base = DialogBaseUnits(dialog->font());
  const struct {
    int id;
    QRect units;
  } cases[] = {
      {1000, {65, 20, 70, 14}},   {1030, {145, 40, 15, 14}},  {1014, {145, 90, 40, 14}},
      {1023, {10, 259, 120, 10}}, {1022, {145, 269, 40, 14}}, {1003, {205, 15, 60, 14}},
      {1009, {205, 170, 60, 14}}, {2, {205, 265, 60, 14}},    {1031, {170, 23, 20, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    QWidget* control = Control<QWidget>(*dialog, c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), MapDialogRect(c.units, base));
  }
  // The port list keeps its own closed height but stands at its place.
  EXPECT_EQ(PortList()->pos(), MapDialogRect(QRect(206, 110, 60, 65), base).topLeft());
  EXPECT_EQ(PortList()->width(), MapDialogRect(QRect(206, 110, 60, 65), base).width());
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

TEST_F(ConfigDialogLayout, ButtonsAndCheckBoxesCarryTheirTexts) {
  OpenDialog();
  const struct {
    int id;
    const char* text;
  } buttons[] = {{1003, "Zend 1200 Hz"},         {1004, "Zend 2200 Hz"},
                 {1026, "Squelch instellen"},    {1005, "Simuleer GPS"},
                 {1010, "Toon versie"},          {1008, "Lees instellingen"},
                 {1009, "Schrijf instellingen"}, {2, "Sluit Af"}},
    checks[] = {{1013, "Verstuur bakentekst"},           {1017, "Verstuur statustekst"},
                {1016, "Verstuur snelheid/richting"},    {1018, "Verstuur hoogte"},
                {1015, "Snelheid gerelateerd interval"}, {1023, "Schakel transmitter aan/uit"}};
  for (const auto& b : buttons) EXPECT_EQ(Button(b.id)->text(), b.text);
  for (const auto& c : checks) EXPECT_EQ(Check(c.id)->text(), c.text);
  std::vector<QString> titles;
  for (QGroupBox* box : dialog->findChildren<QGroupBox*>()) titles.push_back(box->title());
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<QString>{"", "Configuratie", "Instellingen", "Test"}));
  std::vector<QString> labels;
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->objectName().isEmpty()) labels.push_back(label->text());
  }
  EXPECT_EQ(labels.size(), 11u);
  EXPECT_NE(std::find(labels.begin(), labels.end(), "Transmitter delay (milliseconden)"),
            labels.end());
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

TEST(SmallDialogs, HaveTheirTitlesTextsAndSizes) {
  CAboutDlg about;
  CSquelchDlg squelch;
  EXPECT_EQ(about.windowTitle(), "About VinDrel config");
  EXPECT_EQ(squelch.windowTitle(), "Instellen squelch niveau");
  EXPECT_EQ(about.size(),
            MapDialogRect(QRect(0, 0, 197, 81), DialogBaseUnits(about.font())).size());
  EXPECT_EQ(squelch.size(),
            MapDialogRect(QRect(0, 0, 186, 55), DialogBaseUnits(squelch.font())).size());
  EXPECT_EQ(Control<QPushButton>(about, 1)->text(), "OK");
  EXPECT_EQ(Control<QPushButton>(squelch, 1)->text(), "Klaar");
  EXPECT_TRUE(Control<QPushButton>(about, 1)->isDefault());
  EXPECT_TRUE(Control<QPushButton>(squelch, 1)->isDefault());
  QStringList texts;
  for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains("VinDrel Configuratie programma 1.0.0.7"));
  texts.clear();
  for (QLabel* label : squelch.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.contains(
      "Stel het niveau dusdanig in dat bij een\naudio signaal de LED continue oplicht."));
  EXPECT_FALSE(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  // Icon 128 in the About box, 130 in the squelch dialog, each in its picture control.
  EXPECT_FALSE(Control<QLabel>(about, 128)->pixmap().isNull());
  EXPECT_FALSE(Control<QLabel>(squelch, 130)->pixmap().isNull());
}

TEST(SmallDialogs, OkEnterEscapeAndTheCloseBoxAllCloseThem) {
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    CSquelchDlg squelch;
    squelch.show();
    if (way == 0) Click(Control<QPushButton>(squelch, 1));
    if (way == 1) QTest::keyClick(&squelch, Qt::Key_Return);
    if (way == 2) QTest::keyClick(&squelch, Qt::Key_Escape);
    if (way == 3) squelch.close();
    EXPECT_FALSE(squelch.isVisible());
  }
}

}  // namespace
}  // namespace vindrel::testing
