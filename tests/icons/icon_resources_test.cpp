#include "icon_resources.h"

#include <set>
#include <string>

#include <QDirIterator>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace vindrel {
namespace {

std::set<int> ExpectedIds() {
  std::set<int> ids{128, 130};
  for (int id = 2032; id <= 2127; ++id) ids.insert(id);
  for (int id = 2265; id <= 2274; ++id) ids.insert(id);
  return ids;
}

std::set<std::string> ResourceNames() {
  std::set<std::string> names;
  QDirIterator it(QStringLiteral(":/icons"));
  while (it.hasNext()) {
    it.next();
    names.insert(it.fileName().toStdString());
  }
  return names;
}

std::uint32_t BigEndian32(const QByteArray& bytes, int at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

TEST(IconResources, HoldExactlyTheApplicationSquelchAndSymbolIcons) {
  std::set<std::string> expected;
  for (int id : ExpectedIds()) expected.insert(std::to_string(id) + ".png");
  EXPECT_EQ(ResourceNames(), expected);
  EXPECT_EQ(expected.size(), 108U);
}

TEST(IconResources, EveryIconIs32By32FourBitPalettedWithAtMost16Colours) {
  for (const std::string& name : ResourceNames()) {
    SCOPED_TRACE(name);
    QFile file(QStringLiteral(":/icons/") + QString::fromStdString(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    ASSERT_GE(png.size(), 33);
    // Signature, then the IHDR chunk: length 13, "IHDR", width, height, depth, colour type.
    EXPECT_EQ(png.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR"));
    EXPECT_EQ(BigEndian32(png, 16), 32U);
    EXPECT_EQ(BigEndian32(png, 20), 32U);
    EXPECT_EQ(png[24], 4) << "bit depth";
    EXPECT_EQ(png[25], 3) << "colour type (palette)";

    const QImage image = QImage::fromData(png, "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_GE(image.colorCount(), 1);
    EXPECT_LE(image.colorCount(), 16);
  }
}

TEST(IconResources, LoadByIdentifierAndGiveNothingForOthers) {
  EXPECT_EQ(LoadIconPixmap(2045).size(), QSize(32, 32));
  for (int id : {0, -1, 1, 129, 2031, 2128, 2264, 2275, 2176}) {
    EXPECT_TRUE(LoadIconPixmap(id).isNull()) << id;
  }
  EXPECT_FALSE(ApplicationIcon().pixmap(32, 32).isNull());
  EXPECT_FALSE(SquelchIcon().pixmap(32, 32).isNull());
}

TEST(SymbolIconId, PrimaryTableIsTwoThousandPlusTheCode) {
  EXPECT_EQ(SymbolIconId("/", "-"), 2045);  // the defaults: a house
  EXPECT_EQ(SymbolIconId("/", " "), 2032);
  EXPECT_EQ(SymbolIconId("/", "\x7F"), 2127);
  EXPECT_FALSE(LoadIconPixmap(SymbolIconId("/", "-")).isNull());
}

TEST(SymbolIconId, AlternateTableLettersAToJHaveIconsAndKDoesNot) {
  EXPECT_EQ(SymbolIconId("\\", "A"), 2265);
  EXPECT_EQ(SymbolIconId("\\", "J"), 2274);
  EXPECT_FALSE(LoadIconPixmap(2265).isNull());
  EXPECT_FALSE(LoadIconPixmap(2274).isNull());

  EXPECT_EQ(SymbolIconId("\\", "K"), 2275);
  EXPECT_TRUE(LoadIconPixmap(SymbolIconId("\\", "K")).isNull());
}

TEST(SymbolIconId, ByteAboveSeventyFHexIsUnsignedAndHasNoIcon) {
  EXPECT_EQ(SymbolIconId("/", "\xB0"), 2176);
  EXPECT_EQ(SymbolIconId("\\", "\xB0"), 2376);
  EXPECT_TRUE(LoadIconPixmap(SymbolIconId("/", "\xB0")).isNull());
  EXPECT_TRUE(LoadIconPixmap(SymbolIconId("\\", "\xB0")).isNull());
  // The degree sign as UTF-8 starts with 0xC2: no icon either.
  EXPECT_TRUE(LoadIconPixmap(SymbolIconId("/", "\xC2\xB0")).isNull());
}

TEST(SymbolIconId, OtherTableCharacterOrEmptyFieldGivesZero) {
  for (const char* table : {"A", "1", "|", "#", " ", "\xB0"}) {
    EXPECT_EQ(SymbolIconId(table, "-"), 0) << table;
  }
  EXPECT_EQ(SymbolIconId("", "-"), 0);
  EXPECT_EQ(SymbolIconId("/", ""), 0);
  EXPECT_EQ(SymbolIconId("", ""), 0);
}

TEST(SymbolIconId, OnlyTheFirstCharacterOfEachFieldCounts) {
  EXPECT_EQ(SymbolIconId("/x", "-"), 2045);
  EXPECT_EQ(SymbolIconId("//", "-"), 2045);
  EXPECT_EQ(SymbolIconId("/", "-A"), 2045);
  EXPECT_EQ(SymbolIconId("\\/", "A"), 2265);
  EXPECT_EQ(SymbolIconId("x/", "-"), 0);
}

}  // namespace
}  // namespace vindrel
