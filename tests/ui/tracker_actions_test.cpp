// The dialog's buttons against the in-process virtual tracker on a pseudo-terminal, found by
// discovery as <temporary dev>/ttyV0 (port 161).

#include "settings/settings_block.h"
#include "tests/ui/ui_test_support.h"
#include "tools/virtual_tracker/virtual_tracker.h"
#include "ui/icons/icon_resources.h"

#include <QApplication>
#include <QLabel>
#include <QTimerEvent>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace vindrel::testing {
namespace {

using namespace std::chrono_literals;

const QString kNoCommunication = QStringLiteral("No Communication with TALVORIN possible");
const QString kPortInUse = QStringLiteral("De seriele poort is al in gebruik");
const QString kWriteFailed = QStringLiteral("Schrijven van de instellingen is mislukt.");

class TrackerActions : public DialogTest {
 protected:
  ~TrackerActions() override { dialog.reset(); }  // the port closes before the tracker stops

  void Start(VirtualTrackerOptions options = {}) {
    options.linkPath = devices.Dev() + "/ttyV0";
    tracker = std::make_unique<VirtualTracker>(std::move(options));
    tracker->Start();
    OpenDialog();
    ASSERT_EQ(PortList()->count(), 1);
    ASSERT_EQ(PortList()->currentData().toInt(), 161);
  }

  static VirtualTrackerOptions WithSettings(const TrackerSettings& settings) {
    VirtualTrackerOptions options;
    options.startBlock = EncodeSettingsBlock(settings);
    return options;
  }

  std::string Received() const {
    const std::vector<std::uint8_t> bytes = tracker->ReceivedBytes();
    return std::string(bytes.begin(), bytes.end());
  }
  bool Logged(const std::string& event) const { return tracker->WaitForEvent(event, 2s); }
  bool EverLogged(const std::string& prefix) const {
    const std::vector<std::string> log = tracker->EventLog();
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  }

  std::unique_ptr<VirtualTracker> tracker;
};

TEST_F(TrackerActions, ReadShowsTheTrackersSettingsEnablingAndBeeps) {
  TrackerSettings stored;
  stored.callsign = "PA3XYZ-9";
  stored.beaconText = "Caf\xE9 op de dijk";  // one byte per character, Latin-1
  stored.sendBeaconText = false;
  stored.sendStatusText = true;
  stored.transmissionInterval = 120;
  stored.switchTransmitter = true;
  stored.switchDelay = 3;
  stored.symbolChar = ">";
  Start(WithSettings(stored));
  const QImage before = dialog->findChild<QLabel*>("1031")->pixmap().toImage();

  Click(Button(1008));
  EXPECT_EQ(dialog->findChild<QLabel*>("1031")->pixmap().toImage(), LoadIconPixmap(2062).toImage());
  EXPECT_NE(before, LoadIconPixmap(2062).toImage());
  EXPECT_EQ(Edit(1000)->text(), "PA3XYZ-9");
  EXPECT_EQ(Edit(1006)->text(), QStringLiteral("Caf\u00e9 op de dijk"));
  EXPECT_EQ(Edit(1019)->text(), "120");
  EXPECT_EQ(Edit(1022)->text(), "3");
  EXPECT_FALSE(Check(1013)->isChecked());
  EXPECT_FALSE(Edit(1014)->isEnabled());
  EXPECT_TRUE(Edit(1033)->isEnabled());
  EXPECT_TRUE(Edit(1022)->isEnabled());
  EXPECT_EQ(recorder.beeps, 1);
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(Received(), "!D");
}

TEST_F(TrackerActions, WriteSendsTheDialogsValuesAndBeeps) {
  Start();
  Type(Edit(1000), "PE1ABC-7");
  Type(Edit(1006), QStringLiteral("Groet uit Z\u00fcrich"));
  Type(Edit(1021), " 450\t");
  Click(Check(1016));
  Click(Button(1009));

  ASSERT_TRUE(Logged("block-written"));
  EXPECT_EQ(tracker->WriteCount(), 1);
  TrackerSettings expected;
  expected.callsign = "PE1ABC-7";
  expected.beaconText = "Groet uit Z\xFCrich";
  expected.txDelayMs = 450;
  expected.sendSpeedCourse = true;
  const SettingsBlock written = tracker->Block();
  const SettingsBlock wanted = EncodeSettingsBlock(expected);
  EXPECT_TRUE(std::equal(wanted.begin(), wanted.begin() + kSettingsWriteSize, written.begin()));
  EXPECT_EQ(recorder.beeps, 1);
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(recorder.waitBegins, 1);
  EXPECT_EQ(recorder.waitEnds, 1);

  // The write closed the link: the next action shakes hands again.
  Click(Button(1003));
  ASSERT_TRUE(Logged("tone 1200"));
  EXPECT_EQ(Received().substr(Received().size() - 2), "!L");
}

TEST_F(TrackerActions, WriteRefusesValuesThatFailedTheirCheck) {
  Start();
  Type(Edit(1019), "300");
  Click(Button(1009));
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{RangeMessage(5, 255)});
  EXPECT_TRUE(FocusedAndSelected(1019));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Received(), "");  // not even the handshake
  EXPECT_EQ(recorder.beeps, 0);
  EXPECT_EQ(recorder.waitBegins, 0);
}

TEST_F(TrackerActions, WriteWithoutEchoIsNoSuccess) {
  VirtualTrackerOptions options;
  options.faults.noEcho = true;
  Start(options);
  Click(Button(1009));
  EXPECT_EQ(recorder.beeps, 0);
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(tracker->WriteCount(), 0);
}

TEST_F(TrackerActions, WriteBrokenOffHalfwayIsReported) {
  VirtualTrackerOptions options;
  options.faults.ackLimit = 50;
  Start(options);
  Click(Button(1009));
  ASSERT_EQ(recorder.Texts(), std::vector<QString>{kWriteFailed});
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(recorder.beeps, 0);
  EXPECT_EQ(recorder.waitBegins, recorder.waitEnds);
}

TEST_F(TrackerActions, VersionIsShownWithSignedBytesUnderTheWaitCursor) {
  const struct {
    std::array<std::uint8_t, 2> bytes;
    const char* text;
  } cases[] = {{{1, 7}, "VinDrel versie 1.7"}, {{0x81, 0xFF}, "VinDrel versie -127.-1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    dialog.reset();
    tracker.reset();
    recorder = FeedbackRecorder{};
    VirtualTrackerOptions options;
    options.version = c.bytes;
    Start(options);
    Click(Button(1010));
    ASSERT_EQ(recorder.Texts(), std::vector<QString>{c.text});
    EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(recorder.waitBegins, 1);
    EXPECT_EQ(recorder.waitEnds, 1);
  }
}

TEST_F(TrackerActions, TonesReachTheTrackerWithoutWaitCursorOrBeep) {
  Start();
  Click(Button(1003));
  // Enter on a focused button presses that button, not the default "Sluit Af".
  Button(1004)->setFocus();
  QTest::keyClick(Button(1004), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_TRUE(Logged("tone 2200"));
  EXPECT_TRUE(EverLogged("tone 1200"));
  EXPECT_EQ(Received(), "!LH");
  EXPECT_EQ(recorder.beeps, 0);
  EXPECT_EQ(recorder.waitBegins, 0);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(TrackerActions, SquelchDialogIsOpenBetweenBeginAndEnd) {
  Start();
  bool endedWhileOpen = true;
  recorder.onModal = [&](QDialog&) {
    Logged("squelch begin");
    endedWhileOpen = EverLogged("squelch end");
  };
  Click(Button(1026));
  EXPECT_EQ(recorder.modalDialogs, std::vector<QString>{"Instellen squelch niveau"});
  EXPECT_FALSE(endedWhileOpen);
  EXPECT_TRUE(Logged("squelch end"));
  EXPECT_EQ(Received(), "!A*");
}

TEST_F(TrackerActions, SilentTrackerIsReportedAndNothingElseHappens) {
  VirtualTrackerOptions options;
  options.faults.silent = true;
  Start(options);
  Click(Button(1010));
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{kNoCommunication});
  // "V" never went out; the port stayed open, so "D" goes out without a new handshake.
  Click(Button(1008));
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{kNoCommunication});
  EXPECT_EQ(recorder.beeps, 0);
  EXPECT_EQ(Received(), "!D");
}

TEST_F(TrackerActions, BusyPortAndASerialErrorAreReportedAndTheDialogGoesOn) {
  Start();
  // Another program holds the port.
  const int holder = ::open(tracker->SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

  // "A" cannot connect; the "*" that ends the adjustment then meets a closed port.
  Click(Button(1026));
  ASSERT_EQ(recorder.messages.size(), 2u);
  EXPECT_EQ(recorder.messages[0].text, kPortInUse);
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(recorder.messages[1].icon, MessageIcon::Stop);
  EXPECT_FALSE(recorder.messages[1].text.isEmpty());
  EXPECT_NE(recorder.messages[1].text, kPortInUse);
  EXPECT_TRUE(recorder.modalDialogs.empty());
  for (const RecordedMessage& message : recorder.messages) EXPECT_EQ(message.caption, "ui_tests");

  ::close(holder);
  recorder.messages.clear();
  Click(Button(1003));
  EXPECT_TRUE(Logged("tone 1200"));
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(TrackerActions, OutOfLimitValuesReadFromTheTrackerAreReportedByBothRefreshes) {
  TrackerSettings stored;
  stored.beaconInterval = 0;        // 2nd in exchange order, limits 1 to 20
  stored.transmissionInterval = 2;  // 6th, limits 5 to 255
  Start(WithSettings(stored));
  Click(Button(1008));
  EXPECT_EQ(Edit(1014)->text(), "0");
  EXPECT_EQ(recorder.Texts(), (std::vector<QString>{RangeMessage(1, 20), RangeMessage(1, 20)}));
  EXPECT_TRUE(FocusedAndSelected(1014));
  EXPECT_EQ(recorder.beeps, 1);
}

TEST_F(TrackerActions, AnOverlongPathFromTheTrackerIsShownWholeAndReported) {
  TrackerSettings stored;
  stored.digipeaterPath = "WIDE11-11,WIDE22-12,WIDE33-13";  // 29 characters, the limit is 28
  Start(WithSettings(stored));
  Click(Button(1008));
  EXPECT_EQ(Edit(1001)->text(), "WIDE11-11,WIDE22-12,WIDE33-13");
  const QString tooLong = QStringLiteral("Please enter no more than 28 characters.");
  EXPECT_EQ(recorder.Texts(), (std::vector<QString>{tooLong, tooLong}));
  EXPECT_TRUE(FocusedAndSelected(1001));
  // Such a path is never written back.
  Click(Button(1009));
  EXPECT_EQ(tracker->WriteCount(), 0);
}

// The course field of an RMC sentence (the ninth) and its speed (the eighth).
std::string RmcField(const std::string& rmc, int field) {
  std::size_t at = 0;
  for (int i = 0; i < field; ++i) at = rmc.find(',', at) + 1;
  return rmc.substr(at, rmc.find(',', at) - at);
}

std::vector<std::string> RmcSentences(const VirtualTracker& tracker) {
  std::vector<std::string> rmc;
  for (const std::string& s : tracker.ReceivedNmea()) {
    if (s.rfind("$GPRMC", 0) == 0) rmc.push_back(s);
  }
  return rmc;
}

void Tick(CConfigDlg& dialog) {
  QTimerEvent tick(1);
  QApplication::sendEvent(&dialog, &tick);
}

TEST_F(TrackerActions, GpsSimulationTicksEveryTwoSecondsUntilACommandStopsIt) {
  Start();
  Click(Button(1005));
  EXPECT_EQ(Received(), "");  // the start sends nothing
  ASSERT_TRUE(QTest::qWaitFor([&] { return !tracker->ReceivedNmea().empty(); }, 4000));
  ASSERT_TRUE(Logged("nmea $GPGGA"));
  const auto rmc = RmcSentences(*tracker);
  ASSERT_EQ(rmc.size(), 1u);
  EXPECT_EQ(RmcField(rmc[0], 8), "10.00");
  EXPECT_EQ(RmcField(rmc[0], 7), "100.00");

  Click(Button(1010));
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{QStringLiteral("VinDrel versie 1.7")});
  const std::string received = Received();
  EXPECT_EQ(received.substr(received.size() - 2), "!V");
  QTest::qWait(2300);  // a tick would have fallen due by now
  EXPECT_EQ(tracker->ReceivedNmea().size(), 2u);
}

TEST_F(TrackerActions, GpsSpeedFollowsTheSwitchingDelayAndClosingEndsIt) {
  Start();
  Click(Button(1005));
  Tick(*dialog);
  Click(Check(1023));
  Type(Edit(1022), "5");
  Tick(*dialog);
  ASSERT_TRUE(QTest::qWaitFor([&] { return RmcSentences(*tracker).size() == 2; }, 2000));
  EXPECT_EQ(RmcField(RmcSentences(*tracker)[1], 7), "50.00");
  EXPECT_EQ(RmcField(RmcSentences(*tracker)[1], 8), "20.00");

  Click(Button(2));
  Tick(*dialog);  // a late event after closing is no tick
  QTest::qWait(50);
  EXPECT_EQ(tracker->ReceivedNmea().size(), 4u);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(TrackerActions, TicksFallingDueWhileATicksMessageIsOpenAreDropped) {
  Start();
  Click(Button(1005));
  Type(Edit(1019), "300");
  recorder.messages.clear();
  int nestedTicks = 0;
  recorder.onMessage = [&](const RecordedMessage&) {
    if (nestedTicks++ < 3) Tick(*dialog);  // the box is open: the next ticks fall due now
  };
  Tick(*dialog);
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{RangeMessage(5, 255)});
  EXPECT_EQ(nestedTicks, 1);

  recorder.onMessage = nullptr;  // once the box is closed, the next tick runs again
  Tick(*dialog);
  EXPECT_EQ(recorder.messages.size(), 2u);
  // A failed check does not stop the tick: both still sent their sentences.
  ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->ReceivedNmea().size() == 4; }, 2000));
}

TEST_F(DialogTest, GpsSimulationWithoutPortsReportsTheErrorAndStartsNoTimer) {
  OpenDialog();
  ASSERT_EQ(PortList()->count(), 0);
  recorder.messages.clear();
  Click(Button(1005));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Stop);
  Tick(*dialog);  // no simulation runs: nothing happens
  EXPECT_EQ(recorder.messages.size(), 1u);
}

}  // namespace
}  // namespace vindrel::testing
