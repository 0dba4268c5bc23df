#include "protocol/tracker_commands.h"

#include <string>

#include "settings/settings_block.h"
#include "tests/protocol/tracker_fixture.h"

namespace vindrel::testing {
namespace {

TrackerSettings SomeSettings() {
  TrackerSettings s;
  s.callsign = "PA3XYZ-7";
  s.digipeaterPath = "WIDE1-1,WIDE2-2";
  s.beaconText = "Op pad";
  s.statusText = "Testrit";
  s.transmissionInterval = 120;
  s.txDelayMs = 1200;
  s.sendAltitude = true;
  return s;
}

// The codec is tested on its own; here only whether the image travelled intact matters.
void ExpectSameSettings(const TrackerSettings& a, const TrackerSettings& b) {
  EXPECT_EQ(EncodeSettingsBlock(a), EncodeSettingsBlock(b));
}

TEST_F(TrackerTest, ReadSettingsDecodesTheTrackersImageAndKeepsTheLinkUp) {
  StartTracker();
  tracker->SetBlock(EncodeSettingsBlock(SomeSettings()));
  TrackerSettings record;
  ASSERT_TRUE(ReadSettings(link, record));
  ExpectSameSettings(record, SomeSettings());

  // Still up: the next command needs no handshake.
  EXPECT_TRUE(ReadVersion(link));
  EXPECT_EQ(Received(3), "!DV");
}

TEST_F(TrackerTest, AShortImageFailsAndLeavesTheRecordUntouched) {
  VirtualTrackerOptions options;
  options.faults.shortBlock = 255;
  options.startBlock = EncodeSettingsBlock(SomeSettings());
  StartTracker(options);
  TrackerSettings record;
  EXPECT_FALSE(ReadSettings(link, record));
  ExpectSameSettings(record, TrackerSettings{});
  EXPECT_TRUE(link.portOpen);
}

TEST_F(TrackerTest, WriteSendsExactlyBytes0To111AndClosesTheLink) {
  StartTracker();
  const SettingsBlock before = tracker->Block();
  const SettingsBlock image = EncodeSettingsBlock(SomeSettings());

  EXPECT_EQ(WriteSettings(link, SomeSettings()), WriteOutcome::Done);
  EXPECT_FALSE(link.portOpen);
  EXPECT_FALSE(link.port.IsOpen());

  const std::string payload(image.begin(), image.begin() + kSettingsWriteSize);
  EXPECT_EQ(Received(), std::string("!U\0p", 4) + payload);
  const SettingsBlock stored = tracker->Block();
  EXPECT_TRUE(std::equal(stored.begin(), stored.begin() + 112, image.begin()));
  EXPECT_TRUE(std::equal(stored.begin() + 112, stored.end(), before.begin() + 112));
  EXPECT_EQ(tracker->WriteCount(), 1);
}

TEST_F(TrackerTest, WriteAcknowledgedOnlyUpToByte49FailsWithTheLinkUp) {
  VirtualTrackerOptions options;
  options.faults.ackLimit = 50;
  StartTracker(options);
  EXPECT_EQ(WriteSettings(link, SomeSettings()), WriteOutcome::ExchangeFailed);
  EXPECT_TRUE(link.portOpen);
  EXPECT_EQ(Received().size(), 4u + 51u);  // data bytes 0..50, the last one unanswered
  EXPECT_TRUE(Logged("write-aborted at byte 50"));
  EXPECT_EQ(tracker->WriteCount(), 0);

  EXPECT_TRUE(SendLowTone(link));  // straight to the command byte
  EXPECT_EQ(Received(56).substr(55), "L");
}

TEST_F(TrackerTest, AWrongStartAnswerSendsNoDataByte) {
  VirtualTrackerOptions options;
  options.faults.startReply = 0x01;
  StartTracker(options);
  EXPECT_EQ(WriteSettings(link, SomeSettings()), WriteOutcome::ExchangeFailed);
  EXPECT_TRUE(link.portOpen);
  EXPECT_EQ(Received(), std::string("!U\0", 3));
}

TEST_F(TrackerTest, WriteWithoutEchoIsNoEchoAndClosesTheLink) {
  VirtualTrackerOptions options;
  options.faults.noEcho = true;
  StartTracker(options);
  EXPECT_EQ(WriteSettings(link, SomeSettings()), WriteOutcome::NoEcho);
  EXPECT_FALSE(link.portOpen);
  EXPECT_FALSE(link.port.IsOpen());
  EXPECT_TRUE(owner.messages.empty());
  EXPECT_EQ(Received(), "!U");
}

TEST_F(TrackerTest, VersionBytesComeBackAsReceived) {
  for (std::array<std::uint8_t, 2> version :
       {std::array<std::uint8_t, 2>{0x01, 0x07}, std::array<std::uint8_t, 2>{0x81, 0x00}}) {
    VirtualTrackerOptions options;
    options.version = version;
    StartTracker(options);
    EXPECT_EQ(ReadVersion(link), version);
    link.Close();
  }
}

TEST_F(TrackerTest, TonesAndSquelchAdjustmentReachTheTracker) {
  StartTracker();
  EXPECT_TRUE(SendLowTone(link));
  EXPECT_TRUE(SendHighTone(link));
  EXPECT_TRUE(BeginSquelchAdjustment(link));
  EndSquelchAdjustment(link);
  EXPECT_TRUE(Logged("squelch end"));
  const std::vector<std::string> expected = {"handshake",     "command L",  "tone 1200",
                                             "command H",     "tone 2200",  "command A",
                                             "squelch begin", "squelch end"};
  EXPECT_EQ(tracker->EventLog(), expected);
}

TEST_F(TrackerTest, EndingSquelchNeedsAnOpenPortButNoAnswer) {
  VirtualTrackerOptions options;
  options.faults.silent = true;
  StartTracker(options);
  EXPECT_THROW(EndSquelchAdjustment(link), CSerialException);  // never connected

  // The failed handshake leaves the port open, so "*" goes out although "A" never did.
  EXPECT_FALSE(BeginSquelchAdjustment(link));
  EXPECT_NO_THROW(EndSquelchAdjustment(link));
  EXPECT_EQ(Received(2), "!*");
}

}  // namespace
}  // namespace vindrel::testing
