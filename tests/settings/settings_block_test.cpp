#include "settings/settings_block.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

namespace vindrel {
namespace {

// Hand-worked address fields (characters shifted left one bit, SSID byte 0x60 + 2 * SSID + mark).
constexpr std::uint8_t kNocall[] = {0x9C, 0x9E, 0x86, 0x82, 0x98, 0x98};
constexpr std::uint8_t kTrace3[] = {0xA8, 0xA4, 0x82, 0x86, 0x8A, 0x66};
constexpr std::uint8_t kWide1[] = {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40};
constexpr std::uint8_t kWide2[] = {0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40};
constexpr std::uint8_t kEmpty[] = {0x40, 0x40, 0x40, 0x40, 0x40, 0x40};

void Put(SettingsBlock& block, std::size_t offset, const std::uint8_t (&call)[6],
         std::uint8_t ssid) {
  std::memcpy(block.data() + offset, call, 6);
  block[offset + 6] = ssid;
}

void PutText(SettingsBlock& block, std::size_t offset, const char* text) {
  std::memcpy(block.data() + offset, text, std::strlen(text) + 1);
}

// The image of the default settings, byte by byte.
SettingsBlock DefaultImage() {
  SettingsBlock block;
  block.fill(0xFF);
  std::memset(block.data(), 0, 112);
  const std::uint8_t head[] = {0x01, '/', '-', 5, 60, 45, 20, 10, 10};
  std::memcpy(block.data(), head, sizeof head);
  Put(block, 16, kNocall, 0x60);
  Put(block, 23, kTrace3, 0x67);
  PutText(block, 48, "VINDrel");
  PutText(block, 80, "VINDrel onderweg");
  return block;
}

void ExpectSameImage(const SettingsBlock& actual, const SettingsBlock& expected) {
  for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
}

TEST(SettingsBlock, DefaultRecordAndTheHandMadeDefaultImageCorrespond) {
  ExpectSameImage(EncodeSettingsBlock(TrackerSettings{}), DefaultImage());
  TrackerSettings s;
  s.callsign = "X";
  s.sendBeaconText = false;
  s.switchDelay = 3;
  DecodeSettingsBlock(DefaultImage(), s);
  EXPECT_TRUE(s == TrackerSettings{});
}

// The address list for a path: the callsign's SSID byte (with or without the end mark), the
// three digipeater slots, and the path as decoded again.
TEST(SettingsBlock, PathFillsTheSlotsWithExactlyOneEndMark) {
  struct Case {
    const char* path;
    std::uint8_t callsignSsid;
    std::array<std::pair<const std::uint8_t*, std::uint8_t>, 3> slots;  // call, SSID byte
    const char* decoded;
  };
  const Case cases[] = {
      {"", 0x61, {{{nullptr, 0}, {nullptr, 0}, {nullptr, 0}}}, ""},
      {"WIDE1-1,WIDE2-2",
       0x60,
       {{{kWide1, 0x62}, {kWide2, 0x65}, {nullptr, 0}}},
       "WIDE1-1,WIDE2-2"},
      // Pieces beyond the three slots are dropped; the third carries the mark, and nothing
      // reaches the reserved bytes or the texts.
      {"WIDE1-1,WIDE2-2,TRACE3-3,WIDE1-1,WIDE2-2",
       0x60,
       {{{kWide1, 0x62}, {kWide2, 0x64}, {kTrace3, 0x67}}},
       "WIDE1-1,WIDE2-2,TRACE3-3"},
      // Pieces are taken as they stand: an empty piece is an empty call.
      {"WIDE1-1,,", 0x60, {{{kWide1, 0x62}, {kEmpty, 0x60}, {kEmpty, 0x61}}}, "WIDE1-1,,"},
  };
  for (const Case& c : cases) {
    TrackerSettings s;
    s.digipeaterPath = c.path;
    SettingsBlock expected = DefaultImage();
    expected[22] = c.callsignSsid;
    for (std::size_t i = 0; i < 3; ++i) {
      std::memset(expected.data() + 23 + 7 * i, 0, 7);
      if (c.slots[i].first != nullptr) {
        std::memcpy(expected.data() + 23 + 7 * i, c.slots[i].first, 6);
        expected[29 + 7 * i] = c.slots[i].second;
      }
    }
    const SettingsBlock block = EncodeSettingsBlock(s);
    SCOPED_TRACE(c.path);
    ExpectSameImage(block, expected);
    TrackerSettings back;
    DecodeSettingsBlock(block, back);
    EXPECT_EQ(back.digipeaterPath, c.decoded);
  }
}

TEST(SettingsBlock, DecodingFollowsTheEndMarksAndStopsAfterThreeSlots) {
  SettingsBlock block = DefaultImage();
  Put(block, 23, kWide1, 0x62);
  Put(block, 30, kWide2, 0x64);
  Put(block, 37, kTrace3, 0x66);  // no mark anywhere
  TrackerSettings s;
  DecodeSettingsBlock(block, s);
  EXPECT_EQ(s.digipeaterPath, "WIDE1-1,WIDE2-2,TRACE3-3,");

  block[22] = 0x61;  // the callsign ends the list, whatever the slots hold
  DecodeSettingsBlock(block, s);
  EXPECT_EQ(s.digipeaterPath, "");
}

TEST(SettingsBlock, TransmitterDelayByteSurvivesDecodeAndEncodeForEveryValue) {
  SettingsBlock block = DefaultImage();
  for (int b = 0; b < 256; ++b) {
    block[5] = static_cast<std::uint8_t>(b);
    TrackerSettings s;
    DecodeSettingsBlock(block, s);
    EXPECT_EQ(EncodeSettingsBlock(s)[5], b) << "byte " << b << " decoded as " << s.txDelayMs;
  }
}

TEST(SettingsBlock, MillisecondsAreQuantisedToTheTrackersSteps) {
  struct Case {
    int ms, txByte, txBack, restByte, restBack;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0},    {3, 0, 0, 0, 0},         {4, 1, 7, 0, 0},
      {7, 1, 7, 1, 5},    {9, 1, 7, 1, 5},         {10, 2, 13, 2, 10},
      {16, 2, 13, 3, 15}, {300, 45, 300, 60, 300}, {1200, 180, 1200, 240, 1200},
  };
  for (const auto& c : cases) {
    TrackerSettings s;
    s.txDelayMs = c.ms;
    s.restTimeMs = c.ms;
    const SettingsBlock block = EncodeSettingsBlock(s);
    EXPECT_EQ(block[5], c.txByte) << c.ms << " ms";
    EXPECT_EQ(block[6], c.restByte) << c.ms << " ms";
    TrackerSettings back;
    DecodeSettingsBlock(block, back);
    EXPECT_EQ(back.txDelayMs, c.txBack) << c.ms << " ms";
    EXPECT_EQ(back.restTimeMs, c.restBack) << c.ms << " ms";
  }
}

TEST(SettingsBlock, EachFlagHasItsOwnBitAndTheTopTwoBitsAreIgnored) {
  bool TrackerSettings::*const flags[] = {
      &TrackerSettings::sendBeaconText,    &TrackerSettings::sendSpeedCourse,
      &TrackerSettings::sendAltitude,      &TrackerSettings::speedRelatedInterval,
      &TrackerSettings::switchTransmitter, &TrackerSettings::sendStatusText,
  };
  for (std::size_t bit = 0; bit < std::size(flags); ++bit) {
    TrackerSettings s;
    for (auto flag : flags) s.*flag = flag == flags[bit];
    SettingsBlock block = EncodeSettingsBlock(s);
    EXPECT_EQ(block[0], 1u << bit) << "bit " << bit;
    block[0] |= 0xC0;
    TrackerSettings back;
    DecodeSettingsBlock(block, back);
    EXPECT_TRUE(back == s) << "bit " << bit;
  }
}

TEST(SettingsBlock, SymbolAndTableTakeTheirFirstByteAndZeroReadsAsEmpty) {
  const struct {
    const char *table, *symbol;
    std::uint8_t tableByte, symbolByte;
  } cases[] = {{"\\", ">x", '\\', '>'}, {"", "", 0, 0}, {"/", "\xB0", '/', 0xB0}};
  for (const auto& c : cases) {
    TrackerSettings s;
    s.tableChar = c.table;
    s.symbolChar = c.symbol;
    const SettingsBlock block = EncodeSettingsBlock(s);
    EXPECT_EQ(block[1], c.tableByte) << c.table;
    EXPECT_EQ(block[2], c.symbolByte) << c.symbol;
    DecodeSettingsBlock(block, s);
    EXPECT_EQ(s.tableChar, std::string(c.table).substr(0, 1));
    EXPECT_EQ(s.symbolChar, std::string(c.symbol).substr(0, 1));
  }
}

TEST(SettingsBlock, TextsAreCutToThirtyOneBytesAndTerminated) {
  const std::string exact(31, 'a');
  TrackerSettings s;
  s.beaconText = exact;
  s.statusText = exact + "bcdefghij";
  const SettingsBlock block = EncodeSettingsBlock(s);
  EXPECT_EQ(std::string(block.begin() + 48, block.begin() + 113),
            exact + '\0' + exact + '\0' + '\xFF');
  DecodeSettingsBlock(block, s);
  EXPECT_EQ(s.beaconText, exact);
  EXPECT_EQ(s.statusText, exact);
}

TEST(SettingsBlock, TextsWithoutZeroEndAtTheirFieldAndTheTrackersBytesNeverCount) {
  SettingsBlock block = DefaultImage();
  std::memset(block.data() + 48, 'B', 32);
  std::memset(block.data() + 80, 'S', 32);
  for (std::size_t i = 112; i < block.size(); ++i) {
    block[i] = static_cast<std::uint8_t>(i * 37 + 11);
  }
  TrackerSettings s;
  DecodeSettingsBlock(block, s);
  EXPECT_EQ(s.beaconText, std::string(32, 'B'));
  EXPECT_EQ(s.statusText, std::string(32, 'S'));  // not into the tracker's bytes 112..255
  s.beaconText = "VINDrel";
  s.statusText = "VINDrel onderweg";
  EXPECT_TRUE(s == TrackerSettings{});
}

}  // namespace
}  // namespace vindrel
