// vindrel doctor against machines in temporary trees and the virtual tracker: what it finds out
// about a port, why a port does not serve, and the programs that take adapters away.
#include "cli/doctor.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/protocol/tracker_fixture.h"

namespace vindrel {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class Doctor : public testing::TrackerTest {
 protected:
  // The report's lines and the exit code.
  std::pair<int, std::vector<std::string>> Run(const std::optional<PortArgument>& port) {
    std::ostringstream out;
    const int code = RunDoctor(out, port, roots);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return {code, lines};
  }
  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }

  const fs::path root{devices.path}, dev = root / "dev", sys = root / "sys";
  ExaminationRoots roots{{dev.string(), sys.string()}, (root / "proc").string(), root.string()};
};

// A machine with a CH340 adapter (its device a link to the tracker's line), ModemManager running
// and brltty installed. Without -p every port present is examined: what it is, that it opens, the
// tracker's answer and version; then the programs in the way. A tracker answered: exit 0.
TEST_F(Doctor, TellsWhatAPortIsTheTrackersAnswerAndWhichProgramsGetInTheWay) {
  StartTracker();
  const fs::path usb = sys / "devices/usb1/1-1";
  for (const auto& [file, text] : {std::pair{"idVendor", "1a86"},
                                   {"idProduct", "7523"},
                                   {"manufacturer", "QinHeng"},
                                   {"product", "USB Serial"},
                                   {"serial", "0001"}}) {
    Write(usb / file, text);
  }
  fs::create_directories(usb / "1-1:1.0/ttyUSB0");
  fs::create_directories(sys / "class/tty/ttyUSB0");
  fs::create_directory_symlink(usb / "1-1:1.0/ttyUSB0", sys / "class/tty/ttyUSB0/device");
  fs::create_directories(sys / "bus/usb/devices");
  fs::create_directory_symlink(usb, sys / "bus/usb/devices/1-1");
  fs::create_directories(dev / "serial/by-id");
  fs::create_symlink(tracker->SlavePath(), dev / "ttyUSB0");
  fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-1a86_USB_Serial-if00-port0");
  Write(root / "proc/1/comm", "systemd");
  Write(root / "proc/412/comm", "ModemManager");
  Write(root / "usr/bin/brltty", "");

  const auto [code, lines] = Run(std::nullopt);
  EXPECT_EQ(code, 0);
  const std::string port = (dev / "ttyUSB0").string() + ": ";
  EXPECT_THAT(lines,
              ::testing::ElementsAre(
                  port + "ok: USB-adapter 1a86:7523, QinHeng USB Serial, serienummer 0001, " +
                      (dev / "serial/by-id/usb-1a86_USB_Serial-if00-port0").string(),
                  port + "ok: de poort gaat open",
                  AllOf(StartsWith(port + "ok: de tracker antwoordt na "),
                        EndsWith(" ms; firmwareversie 1.7")),
                  StartsWith("systeem: tip: ModemManager draait: "),
                  StartsWith("systeem: probleem: brltty is geinstalleerd en neemt de "
                             "CH340-adapter (1a86:7523) in beslag")));
  // Neither program at work: nothing said about them. No port at all: said so, exit 1.
  fs::remove_all(root / "proc/412");
  fs::remove(sys / "bus/usb/devices/1-1");
  EXPECT_EQ(Run(std::nullopt).second.size(), 3u);
  fs::remove_all(sys / "class/tty/ttyUSB0");
  EXPECT_EQ(Run(std::nullopt),
            std::pair(1, std::vector<std::string>{
                             "systeem: probleem: Er zijn geen serieele poorten beschikbaar op dit "
                             "systeem. Sluit de adapter aan."}));
}

// A port that is not there, a silent tracker, and a port another process holds, named with its
// id (besides this one, whose tracker keeps its end open): each a problem, exit 1. A tracker
// that answers but tells no version is a hint.
TEST_F(Doctor, NamesWhyAPortDoesNotServe) {
  roots.procDirectory = "/proc";  // the processes of this machine, the test among them
  const PortArgument missing{testing::kVirtualPort + 4, devices.path};
  const auto [missingCode, missingLines] = Run(missing);
  EXPECT_EQ(missingCode, 1);
  EXPECT_THAT(
      missingLines,
      ::testing::Contains(StartsWith(devices.path + "/ttyV4: probleem: " + testing::kPortMissing)));

  StartTracker({}, "silent");
  const PortArgument port{testing::kVirtualPort, devices.path};
  const std::string problem = devices.path + "/ttyV0: probleem: ";
  const auto [silentCode, silentLines] = Run(port);
  EXPECT_EQ(silentCode, 1);
  EXPECT_THAT(silentLines,
              ::testing::Contains(AllOf(StartsWith(problem + testing::kNoCommunication + ": "),
                                        HasSubstr("binnen 1"))));  // about one second

  // A tracker that answers the handshake but takes no command: answered, exit 0, with a hint.
  StartTracker({}, "no-echo");
  const auto [muteCode, muteLines] = Run(port);
  EXPECT_EQ(muteCode, 0);
  EXPECT_THAT(muteLines, ::testing::Contains(AllOf(
                             StartsWith(devices.path + "/ttyV0: tip: de tracker antwoordt na "),
                             EndsWith(" ms, maar noemt zijn firmwareversie niet"))));

  // Another process takes the port as programs do (flock) and keeps it until the test lets go.
  const std::string path = devices.path + "/ttyV0";
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready) | ::pipe(release), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::close(release[1]);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    char byte = 0;
    ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::write(ready[1], "x", 1) == 1 &&
                    ::read(release[0], &byte, 1) >= 0
                ? 0
                : 1);
  }
  ::close(release[0]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  const auto [heldCode, heldLines] = Run(port);
  ::close(release[1]);
  int status = -1;
  ::waitpid(holder, &status, 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(heldCode, 1);
  EXPECT_THAT(heldLines,
              ::testing::Contains(AllOf(StartsWith(problem + testing::kPortInUse + ": proces "),
                                        HasSubstr("proces " + std::to_string(holder) + " ("))));
}

}  // namespace
}  // namespace vindrel
