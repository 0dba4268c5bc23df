// Moving values between the controls and the record: the checks, their messages and focus, the
// enabling rules and the port list.

#include "tests/ui/ui_test_support.h"

#include <QApplication>
#include <QFileInfo>

namespace vindrel::testing {
namespace {

using ValueExchange = DialogTest;

TEST_F(ValueExchange, TextFieldsTakeNoMoreThanTheirLimits) {
  OpenDialog();
  EXPECT_EQ(Edit(1000)->maxLength(), 9);
  EXPECT_EQ(Edit(1001)->maxLength(), 28);
  EXPECT_EQ(Edit(1006)->maxLength(), 31);
  EXPECT_EQ(Edit(1033)->maxLength(), 31);
  Type(Edit(1000), "PA3ABCD-15");  // the tenth character does not go in
  EXPECT_EQ(Edit(1000)->text(), "PA3ABCD-1");
}

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

  // Nothing else is ever disabled.
  for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const int id = control->objectName().toInt();
    if (id != 1014 && id != 1006) {
      EXPECT_TRUE(control->isEnabled()) << id;
    }
  }
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ValueExchange, RangeMessageFromEveryRefreshPutsTheFocusOnTheField) {
  OpenDialog();
  recorder.messages.clear();
  for (int box : {1013, 1015, 1017, 1023}) {
    SCOPED_TRACE(box);
    Type(Edit(1019), "300");
    Click(Check(box));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, RangeMessage(5, 255));
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(FocusedAndSelected(1019));
    recorder.messages.clear();
  }
}

TEST_F(ValueExchange, EachCheckHasItsMessage) {
  OpenDialog();
  const struct {
    int id;
    const char* text;
    QString message;
  } cases[] = {
      {1021, "", kIntegerMessage},
      {1021, "-0", kIntegerMessage},
      {1024, "+0", kIntegerMessage},
      {1014, "12x", kIntegerMessage},
      {1014, "0", RangeMessage(1, 20)},
      {1014, "21", RangeMessage(1, 20)},
      {1019, "4", RangeMessage(5, 255)},
      {1021, "1201", RangeMessage(0, 1200)},
      {1024, "-1", RangeMessage(0, 1200)},
      {1022, "11", RangeMessage(0, 10)},
      {1020, "99999999999", RangeMessage(1, 20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " '" + c.text + "'");
    Check(1017)->setChecked(true);  // 1020 editable
    Check(1023)->setChecked(true);  // 1022 editable
    Click(Check(1015));             // all valid here: refreshes the enabling
    const QString before = Edit(c.id)->text();
    Type(Edit(c.id), QString::fromLatin1(c.text));
    recorder.messages.clear();
    Click(Check(1015));
    ASSERT_EQ(recorder.Texts(), std::vector<QString>{c.message});
    EXPECT_TRUE(FocusedAndSelected(c.id));
    Type(Edit(c.id), before);
  }
}

TEST_F(ValueExchange, AFailedCheckStopsTheExchangeAtThatField) {
  OpenDialog();
  // Exchange order: 1014 (2nd) before 1019 (6th) before 1021 (7th).
  Type(Edit(1021), "500");
  Type(Edit(1019), "300");
  Type(Edit(1014), "abc");
  Type(Edit(1000), "PA3XYZ");
  recorder.messages.clear();
  Click(Check(1015));
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{kIntegerMessage});
  EXPECT_TRUE(FocusedAndSelected(1014));
  EXPECT_EQ(dialog->Settings().callsign, "PA3XYZ");        // before the failure: taken
  EXPECT_EQ(dialog->Settings().beaconInterval, 5);         // not an integer: unchanged
  EXPECT_EQ(dialog->Settings().transmissionInterval, 60);  // after it: unchanged

  Type(Edit(1014), "7");
  recorder.messages.clear();
  Click(Check(1015));
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{RangeMessage(5, 255)});
  EXPECT_EQ(dialog->Settings().beaconInterval, 7);
  EXPECT_EQ(dialog->Settings().transmissionInterval, 300);  // out of range, but taken
  EXPECT_EQ(dialog->Settings().txDelayMs, 300);             // after it: unchanged
}

TEST_F(ValueExchange, TextsOutsideLatin1CannotBeTyped) {
  OpenDialog();
  Type(Edit(1006), QStringLiteral("Caf\u00e9"));
  EXPECT_EQ(Edit(1006)->text(), QStringLiteral("Caf\u00e9"));
  TypeKeys(Edit(1006), QStringLiteral("\u20ac"));  // the euro sign has no Latin-1 byte
  EXPECT_EQ(Edit(1006)->text(), QStringLiteral("Caf\u00e9"));
  Click(Check(1015));
  EXPECT_EQ(dialog->Settings().beaconText, "Caf\xE9");
}

TEST_F(ValueExchange, PortListIsSortedAsTextWithTheFirstEntrySelected) {
  // Found in the order the directory gives; shown in text order, each with its number.
  devices.AddLink("ttyV2", "/dev/null");
  devices.AddLink("ttyV10", "/dev/null");
  devices.AddLink("ttyV1", "/dev/null");
  OpenDialog();
  QComboBox* list = PortList();
  ASSERT_EQ(list->count(), 3);
  EXPECT_FALSE(list->isEditable());
  EXPECT_EQ(list->itemText(0), "/dev/ttyV1");
  EXPECT_EQ(list->itemText(1), "/dev/ttyV10");
  EXPECT_EQ(list->itemText(2), "/dev/ttyV2");
  EXPECT_EQ(list->itemData(0).toInt(), 162);
  EXPECT_EQ(list->itemData(1).toInt(), 171);
  EXPECT_EQ(list->itemData(2).toInt(), 163);
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ValueExchange, NoPortsIsSaidOnceAndEveryActionThenFailsToConnect) {
  OpenDialog();
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{kNoPortsMessage});
  EXPECT_EQ(PortList()->count(), 0);
  Click(Button(1003));
  EXPECT_EQ(recorder.Texts(),
            (std::vector<QString>{kNoPortsMessage, "De seriele poort is al in gebruik"}));
  // Every caption is the name of the executable, without directory or extension.
  for (const RecordedMessage& message : recorder.messages) {
    EXPECT_EQ(message.caption, "ui_tests");
    EXPECT_EQ(message.icon, MessageIcon::Exclamation);
  }
}

}  // namespace
}  // namespace vindrel::testing
