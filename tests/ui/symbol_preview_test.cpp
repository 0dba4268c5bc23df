// The picture beside the callsign follows the symbol and table fields as the user types.

#include "tests/ui/ui_test_support.h"
#include "ui/icons/icon_resources.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>

namespace vindrel::testing {
namespace {

class SymbolPreview : public DialogTest {
 protected:
  // The identifier of the icon control 1031 shows: 0 when it is empty, -1 for a picture that is
  // no icon of ours.
  int Shown() const {
    const QPixmap shown = dialog->findChild<QLabel*>(ControlName(1031))->pixmap();
    if (shown.isNull()) return 0;
    const QImage image = shown.toImage();
    for (int id : {2032, 2045, 2062, 2127, 2265, 2274}) {
      if (LoadIconPixmap(id).toImage() == image) return id;
    }
    return -1;
  }

  // Replaces a field's text by typing, as the user would; a control character, which no key
  // types, is pasted.
  void Enter(int id, const QString& text) {
    if (text.size() == 1 && !text[0].isPrint()) {
      QApplication::clipboard()->setText(text);
      Edit(id)->setFocus();
      Edit(id)->selectAll();
      QTest::keyClick(Edit(id), Qt::Key_V, Qt::ControlModifier);
      ASSERT_EQ(Edit(id)->text(), text);
    } else {
      Type(Edit(id), text);
    }
  }
};

TEST_F(SymbolPreview, FollowsTheTypedSymbolAndTable) {
  OpenDialog();
  recorder.messages.clear();  // the machine without ports
  EXPECT_EQ(Shown(), 2045);  // the defaults: "/" and "-", the house

  struct Case {
    QString table, symbol;
    int expected;
  };
  const Case cases[] = {
      {"/", " ", 2032}, {"/", QChar(0x7F), 2127}, {"\\", "A", 2265}, {"\\", "J", 2274},
      {"\\", "K", 0},   {"/", QChar(0xB0), 0},    {"S", "-", 0},     {"", "-", 0},
      {"/", "", 0},     {"/>", ">", 2062},  // only the first character of the table counts
  };
  for (const Case& c : cases) {
    Enter(1030, c.table);
    Enter(1029, c.symbol);
    EXPECT_EQ(Shown(), c.expected)
        << "table \"" << c.table.toStdString() << "\", symbol \"" << c.symbol.toStdString() << "\"";
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
