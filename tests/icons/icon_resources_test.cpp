#include "icon_resources.h"

#include <set>
#include <string>

#include <QDirIterator>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace vindrel {
namespace {

TEST(IconResources, ExactlyTheApplicationSquelchAndSymbolIconsEach32By32With4BitPalette) {
  std::set<QString> expected{"128.png", "130.png"}, names;
  for (int id = 2032; id <= 2127; ++id) expected.insert(QString::number(id) + ".png");
  for (int id = 2265; id <= 2274; ++id) expected.insert(QString::number(id) + ".png");
  for (QDirIterator it(QStringLiteral(":/icons")); it.hasNext();) {
    it.next();
    names.insert(it.fileName());
    SCOPED_TRACE(it.fileName().toStdString());
    QFile file(it.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    // The IHDR chunk after the signature: width, height, bit depth 4, colour type 3 (palette).
    ASSERT_GE(png.size(), 26);
    EXPECT_EQ(png.mid(12, 14), QByteArray("IHDR\0\0\0\x20\0\0\0\x20\x04\x03", 14));
    const QImage image = QImage::fromData(png, "PNG");
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_GE(image.colorCount(), 1);
    EXPECT_LE(image.colorCount(), 16);
  }
  EXPECT_EQ(expected.size(), 108U);
  EXPECT_EQ(names, expected);
}

TEST(IconResources, LoadByIdentifierAndGiveNothingForOthers) {
  EXPECT_EQ(LoadIconPixmap(2045).size(), QSize(32, 32));
  for (int id : {0, -1, 1, 129, 2031, 2128, 2264, 2275, 2176}) {
    EXPECT_TRUE(LoadIconPixmap(id).isNull()) << id;
  }
  EXPECT_FALSE(ApplicationIcon().pixmap(32, 32).isNull());
}

}  // namespace
}  // namespace vindrel
