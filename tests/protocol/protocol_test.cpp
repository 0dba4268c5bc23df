// The link, the commands and the GPS simulation where the dialog's tests cannot see them: the
// link's state after every outcome, exact bounds, writes that end short, the sentences' bytes.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <tuple>

#include "protocol/gps_simulation.h"
#include "protocol/gps_track.h"
#include "protocol/port_access.h"
#include "protocol/tracker_commands.h"
#include "settings/settings_block.h"
#include "tests/protocol/tracker_fixture.h"
#include "tests/serial/pty_peer.h"
#include "tests/support/bounded_process.h"

namespace vindrel::testing {
namespace {

using Messages = std::vector<std::string>;

// Every outcome of a write: its result, the bytes that reached the tracker, no message, and the
// link's state, which the next command then shows: a link left up sends its command byte at once,
// one that is down shakes hands first. (A read's failures, which leave the link up, show in the
// dialog's tests.)
TEST_F(TrackerTest, EachOutcomeOfAWriteLeavesTheLinkAsTheNextCommandFindsIt) {
  const SettingsBlock image = EncodeSettingsBlock(TrackerSettings{});
  const std::string all = std::string("!U\0p", 4) + std::string(image.begin(), image.begin() + 112);
  // clang-format off
  const struct { const char* fault; WriteOutcome result; std::string sent; bool up; } cases[] = {
      {"", WriteOutcome::Done, all, false},
      {"no-echo", WriteOutcome::NoEcho, "!U", false},
      {"start-reply=0x01", WriteOutcome::ExchangeFailed, {"!U\0", 3}, true},
      {"ack-limit=50", WriteOutcome::ExchangeFailed, all.substr(0, 4 + 51), true},
  };  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    StartTracker({}, c.fault);
    EXPECT_EQ(WriteSettings(link, TrackerSettings{}), c.result);
    EXPECT_EQ(Received(c.sent.size()), c.sent);
    EXPECT_EQ(owner.messages, Messages{});
    EXPECT_EQ(std::pair(link.portOpen, link.port.IsOpen()), std::pair(c.up, c.up));
    tracker->SetFaults({});
    EXPECT_TRUE(SendLowTone(link));
    EXPECT_EQ(Received(c.sent.size() + 2 - c.up), c.sent + (c.up ? "L" : "!L"));
    link.Close();
  }
}

// The line as the device reports it once the tracker answered: a pseudo-terminal keeps the
// speed it was given (it forces 8N1 by itself, which the mapping's own test covers).
TEST_F(TrackerTest, TheTrackerIsDrivenAt4800BaudWithoutFlowControl) {
  StartTracker();
  ASSERT_TRUE(link.Connect());
  LineSettings line;
  link.port.GetLineSettings(line);
  EXPECT_EQ(line.BaudRate, 4800u);
  EXPECT_EQ(std::tuple(line.fOutxCtsFlow, line.fOutxDsrFlow, line.fOutX, line.fInX),
            std::tuple(false, false, false, false));
}

// Whole texts only, in the form the logs write: a field with a blank, a sign or junk around its
// number is not that number.
TEST(DecimalNumber, TakesOnlyAWholeDecimalNumber) {
  const std::tuple<const char*, double> good[] = {
      {"5200.1234", 5200.1234}, {"-12.5", -12.5}, {".5", 0.5}, {"4.8e1", 48}, {"007", 7}};
  for (const auto& [text, value] : good) {
    EXPECT_EQ(DecimalNumber(text), value) << text;
  }
  for (const char* text : {"", "+5", " 5", "5 ", "1,5", "0x10", "1e999", "nan", "-", "5.0.1"}) {
    EXPECT_EQ(DecimalNumber(text), std::nullopt) << text;
  }
}

// Why an open failed, as the connect says it: a missing device is no port in use, and a refusal
// names a group to join only when joining helps (the group reads and writes the device and is not
// root), says so when the user joined but has not logged in again, and otherwise names owner and
// mode. A device gone before it could be looked at names the usual group.
TEST(PortAccess, AFailedOpenSaysWhyAndNamesAGroupOnlyWhenJoiningItHelps) {
  const std::string join = "Geen toegang tot de seriele poort. Voeg uw gebruiker toe aan de groep ";
  const std::string admin = "Geen toegang tot de seriele poort: het apparaat is van root (groep ";
  const std::string ask = "). Vraag de beheerder om toegang.";
  // clang-format off
  const std::pair<DeviceAccess, std::string> refusals[] = {
      {{true, "root", "dialout", 0660, false, false}, join + "dialout en meld opnieuw aan."},
      {{true, "root", "uucp", 0660, true, false}, "Geen toegang tot de seriele poort. Uw gebruiker "
           "hoort al bij de groep uucp, maar dat geldt pas na opnieuw aanmelden: meld af en weer aan."},
      {{true, "root", "root", 0660, false, false}, admin + "root, rechten rw-rw----" + ask},
      {{true, "root", "dialout", 0640, false, false}, admin + "dialout, rechten rw-r-----" + ask},
      {{true, "root", "dialout", 0660, true, true}, admin + "dialout, rechten rw-rw----" + ask},
  };  // clang-format on
  for (const auto& [access, message] : refusals) EXPECT_EQ(AccessDeniedMessage(access), message);
  for (const int missing : {ENOENT, ENODEV, ENXIO}) {
    EXPECT_EQ(PortOpenFailureMessage(missing, "/dev/ttyUSB0"), kPortMissing);
  }
  EXPECT_EQ(PortOpenFailureMessage(EBUSY, "/dev/ttyUSB0"), kPortInUse);
  EXPECT_EQ(PortOpenFailureMessage(EACCES, "/nonexistent/ttyUSB0"),
            join + "dialout en meld opnieuw aan.");
}

// A device the user may not open (as nobody when the test runs as root, who opens anything), as
// the system describes it: its group to join while that group may read and write it (nobody is
// not in it), else its owner, group and mode. The link stays down.
TEST_F(TrackerTest, ADeviceTheUserMayNotOpenIsDescribedAndLeavesTheLinkDown) {
  StartTracker();
  const passwd* nobody = ::getpwnam("nobody");
  if (::geteuid() == 0 && nobody == nullptr) GTEST_SKIP() << "root opens any device";
  // Some containers give pseudo-terminals to the group root; tty is what a serial group is like.
  // Root also hands the device to a user the system has no name for: the number stands in.
  const group* tty = ::getgrnam("tty");
  constexpr uid_t kUnnamedUser = 54321;
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(tracker->SlavePath().c_str(), kUnnamedUser,
                      tty ? tty->gr_gid : static_cast<gid_t>(-1)),
              0);
  }
  struct stat st {};
  ASSERT_EQ(::stat(tracker->SlavePath().c_str(), &st), 0);
  const std::string group = ::getgrgid(st.st_gid)->gr_name;
  const passwd* user = ::getpwuid(st.st_uid);
  const std::string ownerName = user ? user->pw_name : std::to_string(st.st_uid);
  const std::pair<mode_t, std::string> cases[] = {
      {0660, "Geen toegang tot de seriele poort. Voeg uw gebruiker toe aan de groep " + group +
                 " en meld opnieuw aan."},
      {0, "Geen toegang tot de seriele poort: het apparaat is van " + ownerName + " (groep " +
              group + ", rechten ---------). Vraag de beheerder om toegang."},
  };
  for (const auto& [mode, message] : cases) {
    // Its owner opens a device of mode 0660, and nobody joins root.
    if (mode != 0 && (::geteuid() != 0 || group == "root")) continue;
    ASSERT_EQ(::chmod(tracker->SlavePath().c_str(), mode) | ::chmod(devices.path.c_str(), 0755), 0);
    const Messages expected{message};
    const pid_t child = ::fork();
    if (child == 0) {
      const bool asNobody =
          ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
                               ::setuid(nobody->pw_uid) == 0);
      ::_exit(asNobody && !link.Connect() && !link.portOpen && owner.messages == expected ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << message;
  }
}

// Three runs of 40 ticks at 0, 50 and 100 knots, each from a new start, checked byte by byte by
// a checksum-checking NMEA parser (pynmea2): every sentence parses, with the speed, the course
// (from 10 degrees again after each start) and the altitude the simulation was given, and the
// tracker takes each as a fix.
TEST_F(TrackerTest, EverySentenceOfAGpsRunParsesWithACheckingNmeaParser) {
  StartTracker();
  TrackerSettings settings;
  int ticks = -1;
  for (int switchDelay : {0, 5, 10}) {
    settings.switchDelay = switchDelay;  // speed switchDelay x 10
    StartGpsSimulation(link, ticks);
    for (int i = 0; i < 40; ++i) GpsSimulationTick(link, settings, ticks);
  }
  EXPECT_EQ(NmeaFrom(*tracker, 240).size(), 240u);
  const std::string file = devices.path + "/line.bin";
  std::ofstream(file, std::ios::binary) << Received();
  test::BoundedProcess check(NMEA_PYTHON " " NMEA_CHECK_SCRIPT " " + file + " 0:40 50:40 100:40",
                             std::chrono::seconds(60));
  const std::string said = check.Rest();
  EXPECT_EQ(check.Wait(), 0) << said;
}

// The far end of a pseudo-terminal played by the test itself, for exact byte counts and for
// holding the line back so that the link's writes end short.
class ScriptedLine : public ::testing::Test {
 protected:
  ScriptedLine() { link.port.SetDeviceDirectory(peer.Devices()); }

  // Once the port has written count bytes (kept in got), answers with reply: only an answer that
  // comes after a command byte is its echo.
  std::jthread AnswerAfter(std::size_t count, std::string reply, std::string& got) {
    return std::jthread([this, count, reply, &got] {
      got = peer.Received(count);
      peer.Send(reply);
    });
  }

  test::PtyPeer peer;  // port 161, as the owner selects
  RecordingOwner owner;
  TrackerLink link{owner};
};

// A device that goes away during the handshake (the peer hangs up instead of answering): the
// connect reports the port as in use and leaves the link down, port closed.
TEST_F(ScriptedLine, ADeviceGoneDuringTheHandshakeLeavesTheLinkDown) {
  std::jthread unplug([this] {
    peer.Received(1);
    peer.HangUp();
  });
  EXPECT_FALSE(link.Connect());
  EXPECT_EQ(owner.messages, std::vector<std::string>{kPortInUse});
  EXPECT_FALSE(link.portOpen || link.port.IsOpen());
}

// Other bytes before the handshake answer (either "!" or ">") or an echo are dropped, 1023 of
// them at most: the 1024th ends the wait as a time-out would.
TEST_F(ScriptedLine, AnAnswerCountsOnlyWithinTheFirst1024DroppedBytes) {
  for (const auto& [junk, up] : {std::pair{1023, true}, std::pair{1024, false}}) {
    const std::string noise(junk, 'x');
    peer.Send(noise + ">");
    EXPECT_EQ(link.Connect(), up) << junk;
    std::string got;
    {
      auto tracker = AnswerAfter(2, noise + "L", got);
      EXPECT_EQ(SendLowTone(link), up) << junk;
    }
    EXPECT_EQ(got, "!L");  // after a failed handshake too: the port stays open
    link.Close();
  }
}

// With the line held back (a UART whose CTS is low) a write exchange fails at its start byte,
// although the tracker's answers are all waiting; the GPS simulation, which took the port from the
// link, shows its message for each sentence and stops. The link stays up, and the next command
// byte goes out on the simulation's port without a handshake.
TEST_F(ScriptedLine, WritesThatEndShortLeaveTheLinkUpForTheNextCommand) {
  peer.Send("!");
  ASSERT_TRUE(link.Connect());
  EXPECT_FALSE(link.port.overlappedMode);  // reads and writes pass no overlapped record
  // One second for each read and write, nothing in between (the members in declaration order).
  SerialTimeouts t{9, 9, 9, 9, 9};
  link.port.GetTimeoutSettings(t);
  EXPECT_EQ((std::bit_cast<std::array<std::uint32_t, 5>>(t)),
            (std::array<std::uint32_t, 5>{0, 0, 1000, 0, 1000}));
  const SerialTimeouts shortWrites{0, 0, 1000, 0, 100};  // a held byte ends short sooner
  link.port.SetTimeoutSettings(shortWrites);
  {
    std::jthread tracker([this] {
      peer.Received(2);  // "!U"
      peer.HoldLine();
      peer.Send(std::string("U\0p", 3) + std::string(112, '#'));
    });
    EXPECT_EQ(WriteSettings(link, TrackerSettings{}), WriteOutcome::ExchangeFailed);
  }
  EXPECT_TRUE(link.portOpen && link.port.IsOpen());

  int ticks = 0;
  StartGpsSimulation(link, ticks);
  EXPECT_EQ(std::tuple(link.portOpen, link.port.IsOpen(), link.gpsTimer),
            std::tuple(false, true, owner.timerReply));
  link.port.SetTimeoutSettings(shortWrites);
  GpsSimulationTick(link, TrackerSettings{}, ticks);
  EXPECT_EQ(owner.messages, Messages(2, "Error in GPS simulation"));
  EXPECT_EQ(std::tuple(owner.stoppedTimers.at(0), link.gpsTimer, link.portOpen, link.port.IsOpen()),
            std::tuple(owner.timerReply, 0u, true, true));
  EXPECT_FALSE(SendHighTone(link)) << "a command byte the line held back counts as sent";
  peer.ReleaseLine();
  std::string got;
  {
    auto tracker = AnswerAfter(1, "H", got);
    EXPECT_TRUE(SendHighTone(link));
  }
  EXPECT_EQ(got, "H");  // nothing of the exchange or the sentences, and no handshake
}

}  // namespace
}  // namespace vindrel::testing
