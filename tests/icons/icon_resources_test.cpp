#include "icon_resources.h"

#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

namespace vindrel {
namespace {

// Every icon is stored as the Windows build stores it too: 32x32 with a 16-colour palette. The
// identifiers at both ends of each range load; their neighbours give nothing.
TEST(IconResources, EveryIconIs32By32With16ColoursAndOnlyTheIconIdentifiersLoad) {
  for (QDirIterator it(QStringLiteral(":/icons")); it.hasNext();) {
    const QString path = it.next();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    // The IHDR chunk after the signature: width, height, bit depth 4, colour type 3 (palette).
    EXPECT_EQ(file.readAll().mid(12, 14), QByteArray("IHDR\0\0\0\x20\0\0\0\x20\x04\x03", 14))
        << path.toStdString();
  }
  for (int id : {128, 130, 2032, 2127, 2265, 2274}) {
    EXPECT_EQ(LoadIconPixmap(id).size(), QSize(32, 32)) << id;
  }
  for (int id : {0, -1, 1, 129, 131, 2031, 2128, 2264, 2275, 2176}) {
    EXPECT_TRUE(LoadIconPixmap(id).isNull()) << id;
  }
  EXPECT_FALSE(ApplicationIcon().isNull());
}

}  // namespace
}  // namespace vindrel
