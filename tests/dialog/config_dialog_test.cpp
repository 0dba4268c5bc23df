// The configuration dialog's logic through a recording view: what each event shows, checks,
// enables and sends, against the in-process virtual tracker on a pseudo-terminal found by
// discovery as <temporary dev>/ttyV0.

#include "dialog/config_dialog.h"

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "dialog/dialog_layout.h"
#include "serial/in_process_device.h"
#include "settings/settings_block.h"
#include "settings/settings_fields.h"
#include "tests/dialog/recording_view.h"
#include "tests/protocol/tracker_fixture.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace vindrel::testing {
namespace {

using namespace std::chrono_literals;
using Messages = std::vector<std::string>;

const std::string kIntegerMessage = "Please enter an integer.";
const std::string kNoPorts = "Er zijn geen serieele poorten beschikbaar op dit systeem";
constexpr MessageIcon kWarning = MessageIcon::Exclamation;
std::string RangeMessage(int minimum, int maximum) {
  return "Please enter an integer between " + std::to_string(minimum) + " and " +
         std::to_string(maximum) + ".";
}

std::string LengthMessage(int limit) {
  return "Please enter no more than " + std::to_string(limit) + " characters.";
}

class ConfigDialogTest : public ::testing::Test {
 protected:
  ConfigDialogTest() { std::filesystem::create_directories(Sys() + "/class/tty"); }
  ~ConfigDialogTest() override { dialog.reset(); }  // the port closes before the tracker stops

  std::string Dev() const { return devices.path; }
  std::string Sys() const { return devices.path + "/sys"; }

  // A tracker on <temporary dev>/name; fault as on the virtual tracker's command line.
  void StartTracker(std::unique_ptr<VirtualTracker>& peer, const std::string& name,
                    VirtualTrackerOptions options = {}, const char* fault = "") {
    ASSERT_TRUE(!*fault || ParseVirtualTrackerFault(fault, options.faults)) << fault;
    options.linkPath = Dev() + "/" + name;
    peer.reset();  // its link goes before the new one is made
    peer = std::make_unique<VirtualTracker>(std::move(options));
    peer->Start();
  }
  // A fresh view and dialog; the port kept by the view survives, as between runs of the program.
  void Start() {
    dialog.reset();
    const std::string remembered = view.remembered;
    view = RecordingView{};
    view.remembered = remembered;
    dialog = std::make_unique<ConfigDialog>(
        view, ConfigDialogOptions{{Dev(), Sys()}, Dev(), "vindrel-config", Dev() + "/backups"});
    view.logic = dialog.get();
    dialog->StartUp();
  }
  // A fresh tracker on ttyV0 (holding stored, when given), view and dialog, so that a
  // table-driven test can start per case.
  void StartWithTracker(VirtualTrackerOptions options = {}, const char* fault = "",
                        const TrackerSettings* stored = nullptr) {
    if (stored) options.startBlock = EncodeSettingsBlock(*stored);
    dialog.reset();
    StartTracker(tracker, "ttyV0", std::move(options), fault);
    Start();
    ASSERT_EQ(view.ports, std::vector<std::string>{"/dev/ttyV0"});
  }

  void Type(int id, const std::string& text) {
    view.texts[id] = text;
    dialog->OnUserEdit(id);
  }
  void Click(int id) {  // a check box
    view.checks[id] = !view.checks[id];
    dialog->OnCommand(id);
  }
  std::string Received(const VirtualTracker* peer = nullptr) const {
    return ReceivedFrom(peer ? *peer : *tracker);
  }

  test::TempDir devices;
  RecordingView view;
  std::unique_ptr<VirtualTracker> tracker;
  std::unique_ptr<ConfigDialog> dialog;
};

TEST_F(ConfigDialogTest, StartUpShowsTheDefaultsAndEachDropDownListsThePortsSortedAsText) {
  Start();  // no port at all
  EXPECT_EQ(view.messages, Messages{kNoPorts});
  EXPECT_EQ(view.icons, std::vector{kWarning});
  EXPECT_EQ(view.caption, "vindrel-config");
  EXPECT_EQ(view.texts[kCallsign] + " " + view.texts[kTxDelay], "NOCALL 300");
  EXPECT_TRUE(view.checks[kSendBeaconText] && !view.checks[kSwitchTransmitter]);
  // clang-format off
  EXPECT_EQ(view.limits, (std::map<int, int>{{kCallsign, 9}, {kDigipeaterPath, 28}, {kBeaconText, 31}, {kStatusText, 31}}));
  EXPECT_EQ(view.disabled, (std::map<int, bool>{{kBeaconInterval, false}, {kBeaconText, false},
      {kStatusInterval, true}, {kStatusText, true}, {kSwitchDelay, true}}));
  // clang-format on
  EXPECT_EQ(view.picture, 2045);  // "/" and "-": the house
  // The enabling follows the three switching check boxes; 1018 runs nothing.
  for (int box : {kSendStatusText, kSendBeaconText, kSwitchTransmitter, kSendAltitude}) Click(box);
  EXPECT_EQ(view.disabled, (std::map<int, bool>{{kBeaconInterval, true},
                                                {kBeaconText, true},
                                                {kStatusInterval, false},
                                                {kStatusText, false},
                                                {kSwitchDelay, false}}));
  EXPECT_EQ(view.messages.size(), 1u);
  const auto link = [this](const char* name) { return Dev() + "/" + name; };
  for (const char* name : {"ttyV2", "ttyV10", "ttyV3"}) {
    std::filesystem::create_symlink("/dev/null", link(name));
  }
  Start();
  EXPECT_EQ(view.ports, (std::vector<std::string>{"/dev/ttyV10", "/dev/ttyV2", "/dev/ttyV3"}));
  EXPECT_EQ(view.selectedPort, 0);
  EXPECT_TRUE(view.messages.empty());
  // An adapter plugged in and the list opened: the selection stays on its port.
  view.selectedPort = 2;
  std::filesystem::create_symlink("/dev/null", link("ttyV1"));
  dialog->OnPortListOpening();
  EXPECT_EQ(view.ports.front() + " " + std::to_string(view.selectedPort), "/dev/ttyV1 3");
  for (const char* name : {"ttyV1", "ttyV2", "ttyV10", "ttyV3"})
    std::filesystem::remove(link(name));
  dialog->OnPortListOpening();
  EXPECT_TRUE(view.ports.empty());
  EXPECT_EQ(view.selectedPort, -1);
  EXPECT_TRUE(view.messages.empty());  // the empty list is said at start-up only
}

TEST_F(ConfigDialogTest, EachCheckHasItsMessageFromEveryRefreshWithTheFocusOnTheField) {
  Start();
  const struct {
    int id, box;
    std::string text, message;
  } cases[] = {
      // clang-format off
      {1021, 1015, "", kIntegerMessage},           {1014, 1015, "12x", kIntegerMessage},
      {1014, 1015, "0", RangeMessage(1, 20)},      {1014, 1015, "21", RangeMessage(1, 20)},
      {1019, 1015, "4", RangeMessage(5, 255)},     {1019, 1013, "300", RangeMessage(5, 255)},
      {1019, 1017, "300", RangeMessage(5, 255)},   {1019, 1023, "300", RangeMessage(5, 255)},
      {1021, 1015, "1201", RangeMessage(0, 1200)}, {1024, 1015, "-1", RangeMessage(0, 1200)},
      {1022, 1015, "11", RangeMessage(0, 10)},     {1020, 1015, "99999999999", RangeMessage(1, 20)},
      {1000, 1015, "PA3XYZ-123", LengthMessage(9)}, {1000, 1015, "PA3XYZ-16", kCallsignRule},
      {1001, 1015, "A,B,C,D", kPathRule},
      {1033, 1015, std::string(32, 's'), LengthMessage(31)},
  };  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " '" + c.text + "' " + std::to_string(c.box));
    const std::string before = view.texts[c.id];
    Type(c.id, c.text);
    view.messages.clear();
    view.focus = 0;
    Click(c.box);
    EXPECT_EQ(view.messages, Messages{c.message});
    EXPECT_EQ(view.icons.back(), kWarning);
    EXPECT_EQ(view.focus, c.id);
    Type(c.id, before);
  }
}

TEST_F(ConfigDialogTest, SymbolPreviewFollowsTheTypedSymbolAndTable) {
  Start();
  view.messages.clear();
  const struct {
    std::string table, symbol;
    int expected;
  } cases[] = {
      {"/", " ", 2032},    {"/", "\x7F", 2127}, {"\\", "A", 2265},
      {"\\", "J", 2274},   {"\\", " ", 2232},  // no icon has it: the view clears the picture
      {"/", "\xB0", 2176}, {"S", "-", 0},       {"", "-", 0},
      {"/", "", 0},        {"/>", ">", 2062},  // only the first character of the table counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("table \"" + c.table + "\", symbol \"" + c.symbol + "\"");
    Type(kTableChar, c.table);
    Type(kSymbolChar, c.symbol);
    EXPECT_EQ(view.picture, c.expected);
  }
  EXPECT_TRUE(view.messages.empty());
  // Typing elsewhere refreshes nothing; a keystroke in a symbol field reports the failed check.
  Type(kBeaconInterval, "0");
  EXPECT_TRUE(view.messages.empty());
  Type(kSymbolChar, "-");
  EXPECT_EQ(view.messages, Messages{RangeMessage(1, 20)});
}

// Opened by a double click on the preview or from the menu, on the symbol the fields show; a
// choice goes into both fields as typed there, with the preview and the checks of a keystroke.
// (Arrows and Enter through the real widgets: the Qt and Win32 tests.)
TEST_F(ConfigDialogTest, TheSymbolPickerOpensOnTheFieldsAndItsChoiceIsTypedIntoThem) {
  Start();
  dialog->OnDoubleClick(kCallsign);
  EXPECT_TRUE(view.modal.empty());
  Type(kSymbolChar, ">");
  int openedOn = 0;
  view.onPicker = [&](SymbolPicker& picker) {
    openedOn = view.pickerView.focus;
    picker.OnKey(PickerKey::Down);
    picker.OnCommand(kCancelButton);  // Esc
  };
  dialog->OnDoubleClick(kSymbolPreview);
  EXPECT_EQ(openedOn, 2062);
  EXPECT_EQ(view.texts[kTableChar] + view.texts[kSymbolChar], "/>");
  view.onPicker = [](SymbolPicker& picker) { picker.OnCommand(2233); };  // a click on "\!"
  Type(kBeaconInterval, "0");
  view.messages.clear();
  dialog->OnSystemCommand(kChooseSymbolCommand);
  EXPECT_EQ(view.texts[kTableChar] + view.texts[kSymbolChar], "\\!");
  EXPECT_EQ(view.messages, Messages{RangeMessage(1, 20)});
  EXPECT_EQ(view.modal, (std::vector<std::string>{"symbol", "symbol"}));
}

TEST_F(ConfigDialogTest, ReadShowsTheTrackersSettingsWriteSendsTheDialogsAndBothBeep) {
  TrackerSettings stored;
  stored.callsign = "PA3XYZ-9";
  stored.beaconText = "Caf\xE9 op de dijk";  // one byte per character, Latin-1
  stored.statusText = "Onderweg";            // the last field shown: nothing read back before it
  stored.sendBeaconText = false;
  stored.switchTransmitter = true;
  stored.symbolChar = ">";
  StartWithTracker({}, "", &stored);
  dialog->OnCommand(kReadSettings);
  EXPECT_EQ(dialog->Settings(), stored);
  EXPECT_EQ(view.texts[kBeaconText] + "|" + view.texts[kStatusText],
            stored.beaconText + "|Onderweg");
  EXPECT_TRUE(view.disabled[kBeaconInterval] && !view.disabled[kSwitchDelay]);
  EXPECT_EQ(view.picture, 2062);
  EXPECT_EQ(view.beeps, 1);
  // The image is kept in the history exactly as read, and the first file dialog opens there.
  const auto backups = std::filesystem::directory_iterator(Dev() + "/backups");
  ASSERT_NE(backups, std::filesystem::directory_iterator());
  std::ifstream backup(backups->path(), std::ios::binary);
  const SettingsBlock image = tracker->Block();
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(backup), {}),
            std::string(image.begin(), image.end()));
  dialog->OnSystemCommand(kOpenSettingsCommand);
  EXPECT_EQ(view.startFolder, Dev() + "/backups");
  Type(kCallsign, "PE1ABC-15");
  Type(kTxDelay, " 450\t");
  Click(kSendSpeedCourse);
  dialog->OnCommand(kWriteSettings);
  ASSERT_TRUE(tracker->WaitForEvent("block-written", 2s));
  stored.callsign = "PE1ABC-15";
  stored.txDelayMs = 450;
  stored.sendSpeedCourse = true;
  const SettingsBlock wanted = EncodeSettingsBlock(stored);
  EXPECT_EQ(view.beeps, 2);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(std::pair(view.waitBegins, view.waitEnds), std::pair(1, 1));  // the write's, only
  // The write closed the link: the next action shakes hands again.
  dialog->OnCommand(kLowTone);
  ASSERT_TRUE(tracker->WaitForEvent("tone 1200", 2s));
  const std::string data(wanted.begin(), wanted.begin() + kSettingsWriteSize);
  EXPECT_EQ(Received(), std::string("!DU\0p", 5) + data + "!L");
}

// Every action against a tracker that fails it in some way: what the user is told, whether a
// beep sounds, and what reached the tracker.
TEST_F(ConfigDialogTest, FailuresAreReportedAsTheUserNeedsThem) {
  const std::string kWriteFailed = "Schrijven van de instellingen is mislukt.";
  const struct {
    const char *what, *fault;
    int field;  // a control given a value that fails its check, 0 for none
    std::vector<int> actions;
    Messages messages;
    std::string received;
  } cases[] = {
      // clang-format off
      {"value out of range", "", kTransmissionInterval, {kWriteSettings}, {RangeMessage(5, 255)},
       ""},  // refused: not even the handshake
      // A failure never passes for success: no beep alone is not enough.
      {"no echo", "no-echo", 0, {kWriteSettings}, {kWriteFailed}, "!U"},
      {"broken off", "ack-limit=50", 0, {kWriteSettings}, {kWriteFailed}, ""},
      {"wrong start", "start-reply=0x01", 0, {kWriteSettings}, {kWriteFailed}, {"!U\0", 3}},
      {"short block", "short-block=255", 0, {kReadSettings}, {}, "!D"},
      // The port stays open: "D" goes out without a new handshake.
      {"silent", "silent", 0, {kShowVersion, kReadSettings}, {kNoCommunication}, "!D"},
      {"silent write", "silent", 0, {kWriteSettings}, {kNoCommunication}, "!"},  // said once
  };  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartWithTracker({}, c.fault);
    if (c.field) Type(c.field, "300");
    for (int action : c.actions) dialog->OnCommand(action);
    EXPECT_EQ(view.messages, c.messages);
    EXPECT_EQ(view.beeps, 0);
    EXPECT_EQ(tracker->WriteCount(), 0);
    EXPECT_EQ(view.waitBegins, view.waitEnds);
    if (!c.received.empty() || c.field) {
      EXPECT_EQ(Received(), c.received);
    }
  }
}

TEST_F(ConfigDialogTest, VersionTonesAndTheSquelchDialogReachTheTracker) {
  VirtualTrackerOptions options;
  options.version = {0x81, 0xFF};  // signed bytes; "1.7" shows in the GPS simulation's test
  StartWithTracker(options);
  dialog->OnCommand(kShowVersion);
  EXPECT_EQ(view.messages, Messages{"VinDrel versie -127.-1"});
  EXPECT_EQ(view.waitBegins, 1);
  EXPECT_EQ(view.waitEnds, 1);
  view.messages.clear();
  dialog->OnCommand(kLowTone);
  dialog->OnCommand(kHighTone);
  std::string receivedWhileOpen;
  view.onModal = [&] {
    tracker->WaitForEvent("squelch begin", 2s);
    receivedWhileOpen = Received();
  };
  dialog->OnCommand(kSquelch);
  EXPECT_EQ(view.modal, std::vector<std::string>{"squelch"});
  EXPECT_EQ(receivedWhileOpen, "!VLHA");  // "*" only once the dialog is closed
  EXPECT_TRUE(tracker->WaitForEvent("squelch end", 2s));
  EXPECT_EQ(Received(), "!VLHA*");
  EXPECT_EQ(view.beeps, 0);
  EXPECT_EQ(view.waitBegins, 1);
  EXPECT_TRUE(view.messages.empty());
}

// A value out of the dialog's limits read from the tracker: the enabling's refresh and the
// preview's each report it, and it is never written back.
TEST_F(ConfigDialogTest, ValuesOutOfLimitsReadFromTheTrackerAreShownReportedTwiceAndNotWritten) {
  TrackerSettings stored;
  stored.beaconInterval = 0;        // 2nd in exchange order, limits 1 to 20
  stored.transmissionInterval = 2;  // 6th, limits 5 to 255
  StartWithTracker({}, "", &stored);
  dialog->OnCommand(kReadSettings);
  EXPECT_EQ(view.texts[kBeaconInterval], "0");
  EXPECT_EQ(view.messages, (Messages{RangeMessage(1, 20), RangeMessage(1, 20)}));
  EXPECT_EQ(view.focus, kBeaconInterval);
  EXPECT_EQ(view.beeps, 1);
  dialog->OnCommand(kWriteSettings);
  EXPECT_EQ(tracker->WriteCount(), 0);
}

TEST_F(ConfigDialogTest, GpsSimulationTicksUntilACommandOrTheDialogsEndStopsIt) {
  StartWithTracker();
  dialog->OnCommand(kSimulateGps);
  EXPECT_EQ(view.timer, 1u);
  EXPECT_EQ(view.timerPeriod, 2000u);
  EXPECT_EQ(Received(), "");  // the start sends nothing
  dialog->OnTimer(1);
  view.checks[kSwitchTransmitter] = true;
  Type(kSwitchDelay, "5");  // the speed follows the field from the next tick on
  dialog->OnTimer(1);
  const std::vector<std::string> fixes = NmeaFrom(*tracker, 4);
  ASSERT_EQ(fixes.size(), 4u);
  // Each tick's RMC sentence: speed, then course.
  EXPECT_THAT(fixes[0], ::testing::HasSubstr(",E,100.00,10.00,"));
  EXPECT_THAT(fixes[2], ::testing::HasSubstr(",E,50.00,20.00,"));
  // A box a tick raises runs its own event loop, in which the next ticks fall due: dropped.
  Type(kTransmissionInterval, "300");
  int nestedTicks = 0;
  view.onMessage = [&] {
    if (nestedTicks++ < 3) dialog->OnTimer(1);
  };
  dialog->OnTimer(1);
  EXPECT_EQ(view.messages, Messages{RangeMessage(5, 255)});
  EXPECT_EQ(nestedTicks, 1);
  view.onMessage = nullptr;
  Type(kTransmissionInterval, "60");
  // The failed check did not stop its tick. (A connect discards what the tracker has not yet
  // read, so the test lets it catch up first.)
  ASSERT_EQ(NmeaFrom(*tracker, 6).size(), 6u);
  dialog->OnCommand(kShowVersion);  // "Toon versie" ends the simulation
  EXPECT_EQ(view.timer, 0u);
  EXPECT_EQ(view.messages.back(), "VinDrel versie 1.7");
  dialog->OnTimer(1);  // a late event is no tick
  // Closing the dialog ends a running simulation with it.
  dialog->OnCommand(kSimulateGps);
  dialog->OnCommand(kCloseButton);
  EXPECT_TRUE(view.ended);
  EXPECT_EQ(view.timer, 0u);
  dialog->OnTimer(1);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(tracker->ReceivedNmea().size(), 6u);
}

TEST_F(ConfigDialogTest, TheChosenPortIsThePortTalkedToAndIsRememberedWhenItAnswers) {
  std::unique_ptr<VirtualTracker> silent, good;
  StartTracker(silent, "ttyV0", {}, "silent");
  StartTracker(good, "ttyV1");
  Start();
  ASSERT_EQ(view.ports, (std::vector<std::string>{"/dev/ttyV0", "/dev/ttyV1"}));
  // No entry: no port to open, not even the first serial port, which sys does not list here.
  std::filesystem::create_symlink(good->SlavePath(), Dev() + "/ttyS0");
  view.selectedPort = -1;
  dialog->OnCommand(kShowVersion);
  EXPECT_EQ(view.messages, Messages{kPortMissing});
  view.messages.clear();
  view.selectedPort = 0;
  dialog->OnCommand(kShowVersion);
  EXPECT_EQ(view.messages, Messages{kNoCommunication});
  EXPECT_EQ(view.remembered, "");
  view.selectedPort = 1;
  dialog->OnCommand(kShowVersion);
  EXPECT_EQ(view.messages.back(), "VinDrel versie 1.7");
  EXPECT_EQ(view.remembered, "/dev/ttyV1");
  // The window menu's examination of the chosen port, which the link holds: the dialog lets go
  // of it first, and the next command connects afresh.
  view.messages.clear();
  dialog->OnSystemCommand(kExamineConnectionCommand);
  const std::string port = Dev() + "/ttyV1: ok: ";
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_THAT(
      view.messages[0],
      ::testing::StartsWith(port + "virtuele poort: koppeling naar " + good->SlavePath() + "\n" +
                            port + "de poort gaat open\n" + port + "de tracker antwoordt na "));
  EXPECT_THAT(view.messages[0], ::testing::HasSubstr(" ms; firmwareversie 1.7"));
  dialog->OnCommand(kShowVersion);
  EXPECT_EQ(Received(silent.get()), "!");
  EXPECT_EQ(Received(good.get()), "!V!V!V");
  EXPECT_EQ(view.descriptions[1], "link to " + good->SlavePath());  // the entry's tooltip
  Start();                                                          // the next run of the program
  EXPECT_EQ(view.selectedPort, 1);
  dialog.reset();
}

// The tracker inside the program ends the list; at start-up it is chosen only without a real
// port, and its image lasts as long as the program.
TEST_F(ConfigDialogTest, TheVirtualTrackerComesLastAndKeepsWhatWasWrittenToIt) {
  RegisterInProcessPort({kVirtualTrackerName, kVirtualTrackerDescription,
                         std::make_shared<InProcessDeviceOf<TrackerEmulator>>(), false});
  Start();
  EXPECT_EQ(view.messages, Messages{kNoPorts});
  EXPECT_EQ(view.descriptions, Messages{kVirtualTrackerDescription});
  EXPECT_EQ(view.selectedPort, 0);
  Type(kCallsign, "PE1ABC");
  dialog->OnCommand(kWriteSettings);
  EXPECT_EQ(view.remembered, kVirtualTrackerName);
  StartTracker(tracker, "ttyV0");
  Start();  // the next run, with a tracker plugged in
  EXPECT_EQ(view.ports, (Messages{"/dev/ttyV0", kVirtualTrackerName}));
  EXPECT_EQ(view.selectedPort, 0);
  view.selectedPort = 1;
  dialog->OnPortListOpening();
  EXPECT_EQ(view.selectedPort, 1);
  dialog->OnCommand(kReadSettings);
  EXPECT_EQ(view.texts[kCallsign], "PE1ABC");
  EXPECT_EQ(view.beeps, 1);
  EXPECT_EQ(Received(), "");
  RegisterInProcessPort({});
}

TEST_F(ConfigDialogTest, TheRestOfAnImageThatCameTooLateIsNoEchoOfTheNextCommand) {
  StartWithTracker({}, "stall-block=40");  // the rest holds "VINDrel" at offset 48
  dialog->OnCommand(kReadSettings);
  EXPECT_EQ(view.beeps, 0);
  ASSERT_TRUE(tracker->WaitForEvent("block-sent", 3s));  // logged once the rest has gone out
  dialog->OnCommand(kShowVersion);
  EXPECT_EQ(view.messages, Messages{"VinDrel versie 1.7"});
}

// An adapter pulled out before or in the middle of an exchange and plugged in again: the error is
// reported, and the next command opens the port afresh and works.
TEST_F(ConfigDialogTest, AfterTheDeviceVanishedAndCameBackTheNextCommandSucceeds) {
  // before: an action that brings the link up first; pullAt: the tracker's event after which the
  // device goes, or none: gone before the action.
  const struct {
    int before, action;
    const char* pullAt;
  } cases[] = {{kLowTone, kShowVersion, nullptr},
               {kSimulateGps, kSimulateGps, nullptr},  // a GPS tick
               {0, kReadSettings, "command D"},
               {0, kWriteSettings, "command U"}};
  VirtualTrackerOptions paced;
  paced.pace = true;  // the image and the write take about half a second each
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    StartWithTracker(paced);
    if (c.before) dialog->OnCommand(c.before);
    if (!c.pullAt) tracker->Stop();
    std::thread puller([&] {
      if (c.pullAt) {
        EXPECT_TRUE(tracker->WaitForEvent(c.pullAt, 5s));
      }
      tracker->Stop();
    });
    c.action == kSimulateGps ? dialog->OnTimer(1) : dialog->OnCommand(c.action);
    puller.join();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.icons, std::vector{MessageIcon::Stop});
    EXPECT_EQ(view.timer, 0u);
    StartTracker(tracker, "ttyV0");  // the same path again
    dialog->OnCommand(kReadSettings);
    EXPECT_EQ(Received(), "!D");
    EXPECT_EQ(std::pair(view.beeps, view.messages.size()), std::pair(1, std::size_t{1}));
  }
}

TEST_F(ConfigDialogTest, WindowMenuOpensAboutAndSettingsFilesSavedOnlyWhenTheirValuesPass) {
  StartWithTracker();
  for (int command : {0x1F, 0xF060, 0x60, 0x10}) dialog->OnSystemCommand(command);
  EXPECT_EQ(view.modal, (std::vector<std::string>{"about", "about"}));
  view.modal.clear();
  const std::string file = Dev() + "/backup.json";
  Type(kCallsign, "PA3XYZ-9");
  Type(kTransmissionInterval, "300");
  view.chosenFile = file;
  dialog->OnSystemCommand(kSaveSettingsCommand);
  EXPECT_EQ(view.messages, Messages{RangeMessage(5, 255)});
  EXPECT_TRUE(view.modal.empty() && !std::filesystem::exists(file));  // not even asked where
  Type(kTransmissionInterval, "120");
  view.chosenFile = Dev() + "/backup";  // typed without an extension: saved as backup.json
  dialog->OnSystemCommand(kSaveSettingsCommand);
  Start();  // the next run of the program, with the defaults
  view.chosenFile = file;
  dialog->OnSystemCommand(kOpenSettingsCommand);
  EXPECT_EQ(view.texts[kCallsign] + " " + view.texts[kTransmissionInterval], "PA3XYZ-9 120");
  EXPECT_EQ(dialog->Settings().transmissionInterval, 120);
  // A file with a problem says so and changes nothing; a cancelled dialog does nothing.
  std::ofstream(Dev() + "/broken.json") << "{\"format\": ";
  view.chosenFile = Dev() + "/broken.json";
  dialog->OnSystemCommand(kOpenSettingsCommand);
  view.chosenFile.clear();
  dialog->OnSystemCommand(kOpenSettingsCommand);
  dialog->OnSystemCommand(kSaveSettingsCommand);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].rfind(Dev() + "/broken.json: ", 0), 0u) << view.messages[0];
  EXPECT_EQ(view.texts[kCallsign], "PA3XYZ-9");
  EXPECT_EQ(Received(), "");  // nothing went to the tracker
}

}  // namespace
}  // namespace vindrel::testing
