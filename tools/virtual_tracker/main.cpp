// virtual-tracker: the tracker's side of the serial line, on a pseudo-terminal, so that the
// utility can be tried and tested without the hardware.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/virtual_tracker/virtual_tracker.h"

namespace {

constexpr std::string_view kUsage = R"(Usage: virtual-tracker [OPTION]...
Plays the VINDrel tracker on a new pseudo-terminal. The first line of standard output is the
path that the utility opens. Ends on SIGINT or SIGTERM.

  --device PATH           serve PATH (e.g. one end of a null-modem cable or of a socat pair)
                          instead of a new pseudo-terminal
  --link PATH             make PATH a symbolic link to the pseudo-terminal, removed at exit;
                          /dev/ttyV0 is port number 161 in the utility (ttyV1 is 162, ...)
  --handshake-reply C     answer the handshake "!" with C: "!" (default) or ">"
  --version A.B           the two version bytes sent on "V" (default 1.7); each 0-255, decimal
                          or 0x-hexadecimal, e.g. 0x81.0
  --block FILE            start image: FILE (256 bytes) when it exists, else the image of the
                          default settings; the image is saved to FILE after every completed write
  --pace                  every byte takes as long as on a 4800-baud 8N1 line, both ways
  --fault KIND            misbehave on purpose; may be given several times:
                            silent             answer nothing
                            no-echo            answer the handshake, echo no command
                            no-echo=C          echo every command but C (e.g. U: a write)
                            noise-before-echo  send other bytes before the handshake answer and
                                               before each echo
                            start-reply=B      answer the write's start byte 0x00 with B
                            ack-limit=N        acknowledge only the first N data bytes of a write
                            short-block=N      send only N bytes of the image on "D"
                            stall-block=N      send the rest of the image after the first
                                               N bytes only 1.5 s later
                            hang-up-after=N    close the line after N received bytes
                            stream             send GPS text without pause, answer nothing
  --log FILE              one line per event with a time stamp ("-" for standard output)
  --help                  show this text and exit

Commands understood: "!" handshake, "D" read image, "U" write image (0x00, "p", 112 bytes each
acknowledged with "#"), "V" version, "L" 1200 Hz tone, "H" 2200 Hz tone, "A" squelch
adjustment ended by "*", and NMEA sentences, which are logged with their speed, course and
altitude, or as rejected when their checksum is wrong or missing.
)";

int Fail(const std::string& message) {
  std::cerr << "virtual-tracker: " << message << "\nTry 'virtual-tracker --help'.\n";
  return 2;
}

bool ParseByte(std::string_view text, std::uint8_t& value) {
  const std::string s(text);
  if (s.empty()) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(s.c_str(), &end, 0);
  if (*end != '\0' || v > 0xFF || s[0] == '-' || s[0] == '+') return false;
  value = static_cast<std::uint8_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vindrel::VirtualTrackerOptions options;
  options.keepHistory = false;  // it may serve for days; its log goes to --log
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string_view& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string_view v;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--pace") {
      options.pace = true;
    } else if (arg == "--device") {
      if (!value(v)) return Fail("--device needs a path");
      options.device = v;
    } else if (arg == "--link") {
      if (!value(v)) return Fail("--link needs a path");
      options.linkPath = v;
    } else if (arg == "--block") {
      if (!value(v)) return Fail("--block needs a file");
      options.blockFile = v;
    } else if (arg == "--log") {
      if (!value(v)) return Fail("--log needs a file or -");
      options.logFile = v;
    } else if (arg == "--handshake-reply") {
      if (!value(v) || v.size() != 1) return Fail("--handshake-reply needs one character");
      options.handshakeReply = static_cast<std::uint8_t>(v[0]);
    } else if (arg == "--version") {
      const auto dot = value(v) ? v.find('.') : std::string_view::npos;
      if (dot == std::string_view::npos || !ParseByte(v.substr(0, dot), options.version[0]) ||
          !ParseByte(v.substr(dot + 1), options.version[1])) {
        return Fail("--version needs A.B, each 0-255");
      }
    } else if (arg == "--fault") {
      if (!value(v) || !vindrel::ParseVirtualTrackerFault(v, options.faults)) {
        return Fail("unknown --fault kind");
      }
    } else {
      return Fail("unknown option " + std::string(arg));
    }
  }

  // Blocked before the serving thread starts, so that only sigtimedwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  vindrel::VirtualTracker tracker(options);
  try {
    tracker.Open();
  } catch (const std::exception& e) {
    std::cerr << "virtual-tracker: " << e.what() << '\n';
    return 1;
  }
  std::cout << tracker.SlavePath() << std::endl;
  tracker.Start();

  const timespec tick{0, 200'000'000};
  while (tracker.IsRunning()) {
    if (sigtimedwait(&stopSignals, nullptr, &tick) > 0) break;
  }
  tracker.Stop();
  return 0;
}
