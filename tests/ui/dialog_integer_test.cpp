#include <gtest/gtest.h>

#include "ui/dialog_integer.h"

#include <QString>

#include <climits>

namespace vindrel {
namespace {

TEST(DialogInteger, ReadsSignedDecimalsBetweenBlanksAndTabs) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"0", 0},
      {"00", 0},
      {"60", 60},
      {"-5", -5},
      {"+7", 7},
      {" \t 12 \t", 12},
      {"0012", 12},
      {"-0012", -12},
      {"2147483647", INT_MAX},
      {"99999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-99999999999999999999", INT_MIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseDialogInteger(QString::fromLatin1(c.text)), c.value);
  }
}

TEST(DialogInteger, RefusesAnythingElse) {
  for (const char* text : {"", " ", "\t", "-", "+", "-0", "+0", " -0 ", "--1", "+-1", "1 2", "12x",
                           "x12", "0x10", "1.5", "1e3", "5-", "- 5", "\n5"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseDialogInteger(QString::fromLatin1(text)).has_value());
  }
  // Digits of other scripts are no decimal digits here (Arabic-Indic five).
  EXPECT_FALSE(ParseDialogInteger(QString(QChar(0x0665))).has_value());
}

TEST(DialogInteger, ReadsOnlyTheFirst31Characters) {
  const QString padded = QStringLiteral("5") + QString(30, u' ');
  EXPECT_EQ(ParseDialogInteger(padded + QStringLiteral("junk")), 5);
  EXPECT_EQ(ParseDialogInteger(QString(30, u'0') + QStringLiteral("12")), 1);
}

}  // namespace
}  // namespace vindrel
