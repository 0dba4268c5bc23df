#include "settings/settings_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>

namespace vindrel {
namespace {

using S = TrackerSettings;

// Hand-worked address fields: characters shifted left one bit, 0x40 for padding; the SSID byte
// (0x60 + 2 * SSID + end mark) is written beside each use.
const std::string kNocall = "\x9C\x9E\x86\x82\x98\x98", kTrace3 = "\xA8\xA4\x82\x86\x8A\x66",
                  kWide1 = "\xAE\x92\x88\x8A\x62\x40", kWide2 = "\xAE\x92\x88\x8A\x64\x40",
                  kBlank(6, '\x40'), kZeros(21, '\0');

void Put(SettingsBlock& block, std::size_t offset, const std::string& bytes) {
  std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(offset));
}

// The image of the default settings, byte by byte, with bytes written over it at offset.
SettingsBlock Image(std::size_t offset = 0, const std::string& bytes = {}) {
  SettingsBlock block;
  block.fill(0xFF);
  Put(block, 0, std::string(112, '\0'));
  Put(block, 0, {1, '/', '-', 5, 60, 45, 20, 10, 10});
  Put(block, 16, kNocall + "\x60" + kTrace3 + "\x67");
  Put(block, 48, "VINDrel");
  Put(block, 80, "VINDrel onderweg");
  Put(block, offset, bytes);
  return block;
}

// The offset of the first byte in which two images differ, -1 when they are the same.
std::ptrdiff_t FirstDifference(const SettingsBlock& a, const SettingsBlock& b) {
  return a == b ? -1 : std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin();
}

// The default record with field = value encodes to the default image with bytes at offset
// (unless the encoder never writes such bytes), and that image decodes to the default record with
// field = back (what the tracker keeps of value).
template <typename T>
void CheckField(T S::*field, std::type_identity_t<T> value, std::size_t offset,
                const std::string& bytes, std::type_identity_t<T> back, bool encoded = true) {
  SCOPED_TRACE(::testing::PrintToString(value) + " -> " + ::testing::PrintToString(back) + " at " +
               std::to_string(offset));
  S record;
  record.*field = value;
  if (encoded) {
    EXPECT_EQ(FirstDifference(EncodeSettingsBlock(record), Image(offset, bytes)), -1);
  }
  S expected;
  expected.*field = back;
  DecodeSettingsBlock(Image(offset, bytes), record);
  EXPECT_EQ(record, expected);
}

TEST(SettingsBlock, DefaultRecordAndTheHandMadeDefaultImageCorrespond) {
  EXPECT_EQ(FirstDifference(EncodeSettingsBlock(S{}), Image()), -1);
  S s{"X", "", "", "", false, 1, "", true, 1, "", true, true, 5, true, 0, 0, true, 0};
  DecodeSettingsBlock(Image(), s);  // every field is overwritten
  EXPECT_EQ(s, S{});
}

TEST(SettingsBlock, EachFieldInItsBytesBothWays) {
  // clang-format off
  CheckField(&S::beaconInterval, 20, 3, "\x14", 20); CheckField(&S::switchDelay, 4, 7, "\x04", 4);
  CheckField(&S::statusInterval, 3, 8, "\x03", 3);
  CheckField(&S::transmissionInterval, 300, 4, "\x2C", 44);  // its low 8 bits
  // Milliseconds in the tracker's steps: 6.66666 ms for the transmitter delay, 5 ms for rest.
  CheckField(&S::txDelayMs, 3, 5, {'\0'}, 0); CheckField(&S::txDelayMs, 4, 5, "\x01", 7);
  CheckField(&S::txDelayMs, 9, 5, "\x01", 7); CheckField(&S::txDelayMs, 10, 5, "\x02", 13);
  CheckField(&S::txDelayMs, 16, 5, "\x02", 13); CheckField(&S::txDelayMs, 1200, 5, "\xB4", 1200);
  CheckField(&S::restTimeMs, 4, 6, {'\0'}, 0); CheckField(&S::restTimeMs, 7, 6, "\x01", 5);
  CheckField(&S::restTimeMs, 16, 6, "\x03", 15); CheckField(&S::restTimeMs, 1200, 6, "\xF0", 1200);
  // Each flag its own bit; sendBeaconText (bit 0) is on by default.
  CheckField(&S::sendBeaconText, false, 0, {'\0'}, false);
  CheckField(&S::sendSpeedCourse, true, 0, "\x03", true);
  CheckField(&S::sendAltitude, true, 0, "\x05", true);
  CheckField(&S::speedRelatedInterval, true, 0, "\x09", true);
  CheckField(&S::switchTransmitter, true, 0, "\x11", true);
  CheckField(&S::sendStatusText, true, 0, "\x21", true);
  // Symbol and table: their first byte; zero is an empty text.
  CheckField(&S::symbolChar, ">x", 2, ">", ">"); CheckField(&S::symbolChar, "", 2, {'\0'}, "");
  CheckField(&S::tableChar, "\\", 1, "\\", "\\");
  CheckField(&S::tableChar, "\xB0", 1, "\xB0", "\xB0");
  // Texts: up to 31 bytes and a zero, whatever follows; a zero inside ends the text.
  const std::string a31(31, 'a');
  CheckField(&S::beaconText, a31, 48, a31 + '\0', a31);
  CheckField(&S::statusText, a31 + "bcdefghij", 80, a31 + '\0', a31);
  CheckField(&S::beaconText, std::string("AB\0CD", 5), 48, std::string("AB\0\0\0\0\0", 7), "AB");
  // The address list: the callsign's SSID byte (22) marks it last when the path is empty; the
  // path's pieces as they stand, the last one marked; pieces beyond the three slots are dropped.
  CheckField(&S::digipeaterPath, "", 22, "\x61" + kZeros, "");
  CheckField(&S::digipeaterPath, "WIDE1-1,WIDE2-2", 23,
              kWide1 + "\x62" + kWide2 + "\x65" + kZeros.substr(14), "WIDE1-1,WIDE2-2");
  CheckField(&S::digipeaterPath, "WIDE1-1,WIDE2-2,TRACE3-3,WIDE1-1,WIDE2-2", 23,
              kWide1 + "\x62" + kWide2 + "\x64" + kTrace3 + "\x67", "WIDE1-1,WIDE2-2,TRACE3-3");
  CheckField(&S::digipeaterPath, "WIDE1-1,,", 23,
              kWide1 + "\x62" + kBlank + "\x60" + kBlank + "\x61", "WIDE1-1,,");
  // Images the encoder never makes: the tracker's list and texts are taken as they stand.
  const std::string slots = kWide1 + "\x62" + kWide2 + "\x64" + kTrace3 + "\x66";  // no end mark
  CheckField(&S::digipeaterPath, "", 22, "\x60" + slots, "WIDE1-1,WIDE2-2,TRACE3-3,", false);
  CheckField(&S::digipeaterPath, "", 22, "\x61" + slots, "", false);  // the callsign's mark ends it
  CheckField(&S::sendBeaconText, true, 0, "\xC1", true, false);  // the top two bits are ignored
  const std::string b32(32, 'B'), s176(176, 'S');  // no zero: the field's end, never byte 112 on
  CheckField(&S::beaconText, "", 48, b32, b32, false);
  CheckField(&S::statusText, "", 80, s176, s176.substr(144), false);
  // clang-format on
}

TEST(SettingsBlock, TransmitterDelayByteSurvivesDecodeAndEncodeForEveryValue) {
  for (int b = 0; b < 256; ++b) {
    S s;
    DecodeSettingsBlock(Image(5, {static_cast<char>(b)}), s);
    EXPECT_EQ(EncodeSettingsBlock(s)[5], b) << "byte " << b << " decoded as " << s.txDelayMs;
  }
}

}  // namespace
}  // namespace vindrel
