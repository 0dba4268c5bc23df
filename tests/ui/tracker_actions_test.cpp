// The dialog's buttons against the in-process virtual tracker on a pseudo-terminal, found by
// discovery as <temporary dev>/ttyV0 (port 161).

#include "settings/settings_block.h"
#include "tests/ui/ui_test_support.h"
#include "tools/virtual_tracker/virtual_tracker.h"
#include "ui/icons/icon_resources.h"

#include <QLabel>

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

VirtualTrackerOptions Storing(const TrackerSettings& settings) {
  VirtualTrackerOptions options;
  options.startBlock = EncodeSettingsBlock(settings);
  return options;
}

VirtualTrackerOptions Faulty(const char* kind) {  // null: none
  VirtualTrackerOptions options;
  if (kind) {
    EXPECT_TRUE(ParseVirtualTrackerFault(kind, options.faults)) << kind;
  }
  return options;
}

// Field number field (counted from 0) of an NMEA sentence: 7 is an RMC's speed, 8 its course.
std::string Field(const std::string& sentence, int field) {
  std::size_t at = 0;
  for (int i = 0; i < field; ++i) at = sentence.find(',', at) + 1;
  return sentence.substr(at, sentence.find(',', at) - at);
}

class TrackerActions : public DialogTest {
 protected:
  ~TrackerActions() override { dialog.reset(); }  // the port closes before the tracker stops

  // A fresh tracker, dialog and recorder, so that a table-driven test can start once per case.
  void Start(VirtualTrackerOptions options = {}) {
    dialog.reset();
    tracker.reset();
    recorder = FeedbackRecorder{};
    options.linkPath = Dev() + "/ttyV0";
    tracker = std::make_unique<VirtualTracker>(std::move(options));
    tracker->Start();
    OpenDialog();
    ASSERT_EQ(PortList()->count(), 1);
    ASSERT_EQ(PortList()->currentData().toInt(), 161);
  }

  std::string Received() const {
    const std::vector<std::uint8_t> bytes = tracker->ReceivedBytes();
    return std::string(bytes.begin(), bytes.end());
  }
  bool Logged(const std::string& event) const { return tracker->WaitForEvent(event, 2s); }
  bool EverLogged(const std::string& prefix) const {
    const std::vector<std::string> log = tracker->EventLog();
    return std::any_of(log.begin(), log.end(), [&](auto& e) { return e.rfind(prefix, 0) == 0; });
  }
  std::vector<std::string> Rmc() const {
    std::vector<std::string> rmc;
    for (const std::string& s : tracker->ReceivedNmea()) {
      if (s.rfind("$GPRMC", 0) == 0) rmc.push_back(s);
    }
    return rmc;
  }
  QImage Picture() const { return Control<QLabel>(*dialog, 1031)->pixmap().toImage(); }

  std::unique_ptr<VirtualTracker> tracker;
};

TEST_F(TrackerActions, ReadShowsTheTrackersSettingsEnablingAndPictureAndBeeps) {
  TrackerSettings stored;
  stored.callsign = "PA3XYZ-9";
  stored.beaconText = "Caf\xE9 op de dijk";  // one byte per character, Latin-1
  stored.sendBeaconText = false;
  stored.sendStatusText = true;
  stored.transmissionInterval = 120;
  stored.switchTransmitter = true;
  stored.switchDelay = 3;
  stored.symbolChar = ">";
  Start(Storing(stored));
  EXPECT_NE(Picture(), LoadIconPixmap(2062).toImage());
  Click(Button(1008));
  EXPECT_EQ(Picture(), LoadIconPixmap(2062).toImage());
  EXPECT_EQ(Edit(1000)->text(), "PA3XYZ-9");
  EXPECT_EQ(Edit(1006)->text(), QStringLiteral("Caf\u00e9 op de dijk"));
  EXPECT_EQ(Edit(1019)->text(), "120");
  EXPECT_EQ(Edit(1022)->text(), "3");
  EXPECT_FALSE(Check(1013)->isChecked());
  EXPECT_FALSE(Edit(1014)->isEnabled());
  EXPECT_TRUE(Edit(1033)->isEnabled() && Edit(1022)->isEnabled());
  EXPECT_EQ(recorder.beeps, 1);
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(Received(), "!D");
}

TEST_F(TrackerActions, WriteSendsTheDialogsValuesAndBeeps) {
  Start();
  Type(Edit(1000), "PE1ABCD-15");  // the tenth character does not go in
  // The euro sign has no Latin-1 byte: it does not go in either.
  Type(Edit(1006), QStringLiteral("Groet uit Z\u00fcrich\u20ac"));
  Type(Edit(1021), " 450\t");
  Click(Check(1016));
  Click(Button(1009));
  ASSERT_TRUE(Logged("block-written"));
  EXPECT_EQ(tracker->WriteCount(), 1);
  TrackerSettings expected;
  expected.callsign = "PE1ABCD-1";
  expected.beaconText = "Groet uit Z\xFCrich";
  expected.txDelayMs = 450;
  expected.sendSpeedCourse = true;
  const SettingsBlock written = tracker->Block(), wanted = EncodeSettingsBlock(expected);
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

TEST_F(TrackerActions, AWriteThatCannotSucceedNeverBeeps) {
  const struct {
    const char* what;
    const char* fault;
    bool refused;  // a value failed its check: nothing may reach the tracker
    std::vector<QString> messages;
  } cases[] = {
      {"value out of range", nullptr, true, {RangeMessage(5, 255)}},
      {"no echo", "no-echo", false, {}},
      {"broken off halfway",
       "ack-limit=50",
       false,
       {QStringLiteral("Schrijven van de instellingen is mislukt.")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start(Faulty(c.fault));
    if (c.refused) Type(Edit(1019), "300");
    Click(Button(1009));
    EXPECT_EQ(recorder.Texts(), c.messages);
    for (const RecordedMessage& m : recorder.messages) EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    EXPECT_EQ(recorder.beeps, 0);
    EXPECT_EQ(recorder.waitBegins, recorder.waitEnds);
    EXPECT_EQ(tracker->WriteCount(), 0);
    if (c.refused) {
      EXPECT_TRUE(FocusedAndSelected(1019));
      std::this_thread::sleep_for(100ms);
      EXPECT_EQ(Received(), "");  // not even the handshake
      EXPECT_EQ(recorder.waitBegins, 0);
    }
  }
}

TEST_F(TrackerActions, VersionIsShownWithSignedBytesUnderTheWaitCursor) {
  VirtualTrackerOptions options;
  options.version = {0x81, 0xFF};  // "1.7" is shown by the GPS simulation's test
  Start(options);
  Click(Button(1010));
  ASSERT_EQ(recorder.Texts(), std::vector<QString>{"VinDrel versie -127.-1"});
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(recorder.waitBegins, 1);
  EXPECT_EQ(recorder.waitEnds, 1);
}

TEST_F(TrackerActions, TonesAndTheSquelchDialogReachTheTrackerWithoutWaitCursorOrBeep) {
  Start();
  Click(Button(1003));
  // Enter on a focused button presses that button, not the default "Sluit Af".
  Button(1004)->setFocus();
  QTest::keyClick(Button(1004), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_TRUE(Logged("tone 2200"));
  EXPECT_TRUE(EverLogged("tone 1200"));
  bool endedWhileOpen = true;
  recorder.onModal = [&](QDialog& squelch) {
    EXPECT_FALSE(Control<QLabel>(squelch, 130)->pixmap().isNull());
    Logged("squelch begin");
    endedWhileOpen = EverLogged("squelch end");
  };
  Click(Button(1026));
  EXPECT_EQ(recorder.modalDialogs, std::vector<QString>{"Instellen squelch niveau"});
  EXPECT_FALSE(endedWhileOpen);
  EXPECT_TRUE(Logged("squelch end"));
  EXPECT_EQ(Received(), "!LHA*");
  EXPECT_EQ(recorder.beeps + recorder.waitBegins, 0);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(TrackerActions, SilentTrackerIsReportedAndNothingElseHappens) {
  Start(Faulty("silent"));
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
  EXPECT_EQ(recorder.messages[0].text, "De seriele poort is al in gebruik");
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(recorder.messages[1].icon, MessageIcon::Stop);
  EXPECT_FALSE(recorder.messages[1].text.isEmpty());
  EXPECT_NE(recorder.messages[1].text, recorder.messages[0].text);
  EXPECT_TRUE(recorder.modalDialogs.empty());
  for (const RecordedMessage& message : recorder.messages) EXPECT_EQ(message.caption, "ui_tests");
  ::close(holder);
  recorder.messages.clear();
  Click(Button(1003));
  EXPECT_TRUE(Logged("tone 1200"));
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(TrackerActions, ValuesOutOfLimitsReadFromTheTrackerAreShownReportedTwiceAndNotWritten) {
  TrackerSettings interval, path;
  interval.beaconInterval = 0;                            // 2nd in exchange order, limits 1 to 20
  interval.transmissionInterval = 2;                      // 6th, limits 5 to 255
  path.digipeaterPath = "WIDE11-11,WIDE22-12,WIDE33-13";  // 29 characters, the limit is 28
  const struct {
    TrackerSettings stored;
    int id;
    const char* shown;
    QString message;
  } cases[] = {
      {interval, 1014, "0", RangeMessage(1, 20)},
      {path, 1001, "WIDE11-11,WIDE22-12,WIDE33-13",
       QStringLiteral("Please enter no more than 28 characters.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    Start(Storing(c.stored));
    Click(Button(1008));
    EXPECT_EQ(Edit(c.id)->text(), c.shown);
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{c.message, c.message}));
    EXPECT_TRUE(FocusedAndSelected(c.id));
    EXPECT_EQ(recorder.beeps, 1);
    Click(Button(1009));
    EXPECT_EQ(tracker->WriteCount(), 0);
  }
}

TEST_F(TrackerActions, GpsSimulationTicksAfterTwoSecondsUntilACommandStopsIt) {
  Start();
  Click(Button(1005));
  EXPECT_EQ(Received(), "");  // the start sends nothing
  ASSERT_TRUE(QTest::qWaitFor([&] { return !tracker->ReceivedNmea().empty(); }, 4000));
  ASSERT_TRUE(Logged("nmea $GPGGA"));
  ASSERT_EQ(Rmc().size(), 1u);
  EXPECT_EQ(Field(Rmc()[0], 8), "10.00");
  EXPECT_EQ(Field(Rmc()[0], 7), "100.00");
  Click(Button(1010));  // "Toon versie"
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{QStringLiteral("VinDrel versie 1.7")});
  EXPECT_EQ(Received().substr(Received().size() - 2), "!V");
  QTest::qWait(2300);  // a tick would have fallen due by now
  EXPECT_EQ(tracker->ReceivedNmea().size(), 2u);
}

TEST_F(TrackerActions, GpsSpeedFollowsTheSwitchingDelayTicksDuringABoxAreDroppedClosingEndsIt) {
  Start();
  Click(Button(1005));
  Tick(*dialog);
  Click(Check(1023));
  Type(Edit(1022), "5");
  Tick(*dialog);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Rmc().size() == 2; }, 2000));
  EXPECT_EQ(Field(Rmc()[1], 7), "50.00");
  EXPECT_EQ(Field(Rmc()[1], 8), "20.00");
  EXPECT_TRUE(recorder.messages.empty());
  // A box a tick raises runs its own event loop, in which the next ticks fall due: dropped.
  Type(Edit(1019), "300");
  int nestedTicks = 0;
  recorder.onMessage = [&](const RecordedMessage&) {
    if (nestedTicks++ < 3) Tick(*dialog);
  };
  Tick(*dialog);
  EXPECT_EQ(recorder.Texts(), std::vector<QString>{RangeMessage(5, 255)});
  EXPECT_EQ(nestedTicks, 1);
  recorder.onMessage = nullptr;  // once the box is closed, the next tick runs again
  Tick(*dialog);
  EXPECT_EQ(recorder.messages.size(), 2u);
  // A failed check does not stop the tick: both still sent their sentences.
  ASSERT_TRUE(QTest::qWaitFor([&] { return tracker->ReceivedNmea().size() == 8; }, 2000));
  Click(Button(2));
  Tick(*dialog);  // a late event after closing is no tick
  QTest::qWait(50);
  EXPECT_EQ(tracker->ReceivedNmea().size(), 8u);
}

}  // namespace
}  // namespace vindrel::testing
