// The real dialog on its own (no tracker): layout, the checks with their messages and focus, the
// enabling rules, the port list and the symbol picture beside the callsign.

#include "tests/ui/ui_test_support.h"
#include "ui/icons/icon_resources.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace vindrel::testing {
namespace {

using ConfigDialogLayout = DialogTest;

TEST_F(ConfigDialogLayout, FixedSizeWithoutOverlapsFocusOnTheCallsignAndCloseAsDefault) {
  OpenDialog();
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_FALSE(dialog->windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(dialog->windowIcon().isNull());
  EXPECT_EQ(dialog->focusWidget(), Edit(1000));
  EXPECT_TRUE(Button(2)->isDefault());
  std::vector<QWidget*> controls;
  for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!qobject_cast<QGroupBox*>(child)) controls.push_back(child);
  }
  // 11 labels, 12 edit fields, 6 check boxes, 8 buttons, the port list and the picture.
  ASSERT_EQ(controls.size(), 39u);
  for (size_t i = 0; i < controls.size(); ++i) {
    const std::string name = controls[i]->objectName().toStdString();
    EXPECT_TRUE(dialog->rect().contains(controls[i]->geometry())) << name;
    for (size_t j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << name << " / " << controls[j]->objectName().toStdString();
    }
  }
}

TEST_F(ConfigDialogLayout, ContextMenuAndTheAboutCommandOpenTheAboutBox) {
  OpenDialog();
  QStringList entries;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) entries << action->text();
    menu->setActiveAction(menu->actions().last());
    QTest::keyClick(menu, Qt::Key_Return);
  });
  recorder.onModal = [](QDialog& about) {
    EXPECT_FALSE(Control<QLabel>(about, 128)->pixmap().isNull());
    EXPECT_TRUE(Control<QPushButton>(about, 1)->isDefault());
  };
  const QPoint inside(5, 5);  // the margin beside "Instellingen": the dialog itself
  QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
  QApplication::sendEvent(dialog.get(), &event);
  EXPECT_EQ(entries, QStringList{"&About VINDrel..."});
  EXPECT_EQ(recorder.modalDialogs, std::vector<QString>{"About VinDrel config"});
  // Only the lowest four bits of a command may differ; other window commands open nothing.
  for (int command : {0x1F, 0xF060, 0x20}) dialog->SystemCommand(command);
  EXPECT_EQ(recorder.modalDialogs.size(), 2u);
}

using ValueExchange = DialogTest;

TEST_F(ValueExchange, EnablingFollowsTheThreeSwitchingCheckBoxes) {
  OpenDialog();
  recorder.messages.clear();
  const auto enabled = [this](int id) { return Control<QWidget>(*dialog, id)->isEnabled(); };
  EXPECT_TRUE(enabled(1014) && enabled(1006));
  EXPECT_FALSE(enabled(1020) || enabled(1033) || enabled(1022));
  Click(Check(1017));
  EXPECT_TRUE(enabled(1020) && enabled(1033));
  Click(Check(1013));
  EXPECT_FALSE(enabled(1014) || enabled(1006));
  Click(Check(1023));
  EXPECT_TRUE(enabled(1022));
  Click(Check(1015));  // refreshes, switches nothing of its own
  EXPECT_TRUE(enabled(1022) && enabled(1020));
  for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const int id = control->objectName().toInt();
    EXPECT_TRUE(id == 1014 || id == 1006 || control->isEnabled()) << id;  // nothing else
  }
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ValueExchange, EachCheckHasItsMessageFromEveryRefreshWithTheFocusOnTheField) {
  OpenDialog();
  const struct {
    int id, box;
    const char* text;
    QString message;
  } cases[] = {
      {1021, 1015, "", kIntegerMessage},           {1021, 1015, "-0", kIntegerMessage},
      {1024, 1015, "+0", kIntegerMessage},         {1014, 1015, "12x", kIntegerMessage},
      {1014, 1015, "0", RangeMessage(1, 20)},      {1014, 1015, "21", RangeMessage(1, 20)},
      {1019, 1015, "4", RangeMessage(5, 255)},     {1019, 1013, "300", RangeMessage(5, 255)},
      {1019, 1017, "300", RangeMessage(5, 255)},   {1019, 1023, "300", RangeMessage(5, 255)},
      {1021, 1015, "1201", RangeMessage(0, 1200)}, {1024, 1015, "-1", RangeMessage(0, 1200)},
      {1022, 1015, "11", RangeMessage(0, 10)},     {1020, 1015, "99999999999", RangeMessage(1, 20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " '" + c.text + "' " + std::to_string(c.box));
    Check(1013)->setChecked(true);  // 1014 editable
    Check(1017)->setChecked(true);  // 1020 editable
    Check(1023)->setChecked(true);  // 1022 editable
    Click(Check(1015));             // all valid here: refreshes the enabling
    const QString before = Edit(c.id)->text();
    Type(Edit(c.id), QString::fromLatin1(c.text));
    recorder.messages.clear();
    Click(Check(c.box));
    ASSERT_EQ(recorder.Texts(), std::vector<QString>{c.message});
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(FocusedAndSelected(c.id));
    Type(Edit(c.id), before);
  }
}

TEST_F(ValueExchange, AFailedCheckStopsTheExchangeAtThatField) {
  OpenDialog();
  // Exchange order: 1000, 1014 (2nd), 1019 (6th), 1021 (7th).
  for (auto [id, text] : {std::pair{1000, "PA3XYZ"}, {1014, "abc"}, {1019, "300"}, {1021, "500"}}) {
    Type(Edit(id), text);
  }
  Click(Check(1015));
  EXPECT_TRUE(FocusedAndSelected(1014));
  EXPECT_EQ(dialog->Settings().callsign, "PA3XYZ");        // before the failure: taken
  EXPECT_EQ(dialog->Settings().beaconInterval, 5);         // not an integer: unchanged
  EXPECT_EQ(dialog->Settings().transmissionInterval, 60);  // after it: unchanged
  Type(Edit(1014), "7");
  Click(Check(1015));
  EXPECT_TRUE(FocusedAndSelected(1019));
  EXPECT_EQ(dialog->Settings().beaconInterval, 7);
  EXPECT_EQ(dialog->Settings().transmissionInterval, 300);  // out of range, but taken
  EXPECT_EQ(dialog->Settings().txDelayMs, 300);             // after it: unchanged
}

TEST_F(ValueExchange, PortListIsSortedAsTextWithTheFirstEntrySelected) {
  for (const char* name : {"ttyV2", "ttyV10", "ttyV1"}) AddPort(name, "/dev/null");
  OpenDialog();
  QStringList texts;
  QList<int> numbers;
  for (int i = 0; i < PortList()->count(); ++i) {
    texts << PortList()->itemText(i);
    numbers << PortList()->itemData(i).toInt();
  }
  EXPECT_EQ(texts, (QStringList{"/dev/ttyV1", "/dev/ttyV10", "/dev/ttyV2"}));
  EXPECT_EQ(numbers, (QList<int>{162, 171, 163}));
  EXPECT_EQ(PortList()->currentIndex(), 0);
  EXPECT_FALSE(PortList()->isEditable());
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ValueExchange, WithoutPortsEveryActionFailsAndTheGpsSimulationStartsNoTimer) {
  OpenDialog();
  EXPECT_EQ(PortList()->count(), 0);
  Click(Button(1003));
  Click(Button(1005));
  Tick(*dialog);  // no simulation runs: nothing happens
  ASSERT_EQ(recorder.Texts().size(), 3u);
  EXPECT_EQ(recorder.messages[0].text, "Er zijn geen serieele poorten beschikbaar op dit systeem");
  EXPECT_EQ(recorder.messages[1].text, "De seriele poort is al in gebruik");
  // Every caption is the name of the executable, without directory or extension.
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(recorder.messages[i].caption, "ui_tests");
    EXPECT_EQ(recorder.messages[i].icon, i == 2 ? MessageIcon::Stop : MessageIcon::Exclamation);
  }
}

// The identifier of the icon the picture control 1031 shows: 0 when it is empty, -1 for a
// picture that is none of these icons.
int Shown(const QWidget& dialog) {
  const QPixmap shown = Control<QLabel>(dialog, 1031)->pixmap();
  if (shown.isNull()) return 0;
  for (int id : {2032, 2045, 2062, 2127, 2265, 2274}) {
    if (LoadIconPixmap(id).toImage() == shown.toImage()) return id;
  }
  return -1;
}

using SymbolPreview = DialogTest;

TEST_F(SymbolPreview, FollowsTheTypedSymbolAndTable) {
  OpenDialog();
  recorder.messages.clear();        // the machine without ports
  EXPECT_EQ(Shown(*dialog), 2045);  // the defaults: "/" and "-", the house
  const struct {
    QString table, symbol;
    int expected;
  } cases[] = {
      {"/", " ", 2032}, {"/", QChar(0x7F), 2127}, {"\\", "A", 2265}, {"\\", "J", 2274},
      {"\\", "K", 0},   {"/", QChar(0xB0), 0},    {"S", "-", 0},     {"", "-", 0},
      {"/", "", 0},     {"/>", ">", 2062},  // only the first character of the table counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("table \"" + c.table.toStdString() + "\", symbol \"" + c.symbol.toStdString());
    Type(Edit(1030), c.table);
    if (c.symbol == QChar(0x7F)) {  // no key types a control character: it is pasted
      QApplication::clipboard()->setText(c.symbol);
      Edit(1029)->setFocus();
      Edit(1029)->selectAll();
      QTest::keyClick(Edit(1029), Qt::Key_V, Qt::ControlModifier);
      ASSERT_EQ(Edit(1029)->text(), c.symbol);
    } else {
      Type(Edit(1029), c.symbol);
    }
    EXPECT_EQ(Shown(*dialog), c.expected);
  }
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(SymbolPreview, AKeystrokeInASymbolFieldReportsAnotherFieldsFailedCheck) {
  OpenDialog();
  recorder.messages.clear();  // the machine without ports
  Type(Edit(1014), "0");
  EXPECT_TRUE(recorder.messages.empty());  // typing elsewhere checks nothing
  Edit(1029)->setFocus();
  QTest::keyClick(Edit(1029), Qt::Key_Backspace);
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{RangeMessage(1, 20)});
}

}  // namespace
}  // namespace vindrel::testing
