#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_block.h"

namespace vindrel {

// Time one byte takes on the tracker's line: 10 bits (start, 8 data, stop) at 4800 baud.
inline constexpr std::chrono::nanoseconds kLineByteTime{10'000'000'000LL / 4800};

// Ways in which the virtual tracker misbehaves on purpose. Several may be combined.
struct VirtualTrackerFaults {
  bool silent = false;           // answers nothing at all
  bool noEcho = false;           // answers the handshake but echoes no command byte
  bool noiseBeforeEcho = false;  // sends other bytes before the handshake answer and each echo
  std::optional<std::uint8_t> startReply;  // answers a write's start byte 0x00 with this byte
  std::optional<std::size_t> ackLimit;     // acknowledges only the first N data bytes of a write
  std::optional<std::size_t> shortBlock;   // sends only the first N bytes of the image on "D"
  std::optional<std::size_t> stallBlock;   // sends the rest of the image after the first N bytes
                                           // only once kStallTime has passed
  std::optional<std::size_t> hangUpAfter;  // closes the line after N received bytes
  bool stream = false;  // sends GPS-like text without pause (as a GPS receiver would) and answers
                        // nothing
};

// Longer than the utility's one-second read time-out.
inline constexpr std::chrono::milliseconds kStallTime{1500};

// Adds one fault named as on the command line: "silent", "no-echo", "noise-before-echo",
// "start-reply=0x01", "ack-limit=N", "short-block=N", "stall-block=N", "hang-up-after=N", "stream". Numbers are
// decimal or 0x-hexadecimal. False, with faults unchanged, for anything else.
bool ParseVirtualTrackerFault(std::string_view kind, VirtualTrackerFaults& faults);

struct VirtualTrackerOptions {
  // Serve this device (e.g. one end of a null-modem cable) instead of a new pseudo-terminal.
  std::string device;
  // Make this path a symbolic link to the pseudo-terminal ("/dev/ttyV0" is port 161); removed
  // again by Stop.
  std::string linkPath;
  std::uint8_t handshakeReply = '!';             // the answer to "!": "!" or ">"
  std::array<std::uint8_t, 2> version = {1, 7};  // the two bytes sent on "V"
  // The 256-byte image sent on "D"; when absent, the image of default settings (or blockFile's).
  std::optional<SettingsBlock> startBlock;
  // When set: the start image is read from this file if it exists (exactly 256 bytes), and the
  // image is saved to it after every completed write.
  std::string blockFile;
  bool pace = false;  // every byte takes kLineByteTime, both ways
  VirtualTrackerFaults faults;
  // One line per event with a time stamp; "-" is standard output; empty writes no file.
  std::string logFile;
  // Keep every event, sentence and received byte for the accessors below (tests). Off, memory
  // stays flat however long the tracker serves, and those accessors return nothing.
  bool keepHistory = true;
};

// The tracker's side of the line. It answers the handshake, echoes the command bytes, sends its
// image on "D", runs the write exchange on "U" and stores the 112 bytes, sends the version on
// "V", accepts "L", "H", "A" and the "*" that ends squelch adjustment, and checks NMEA sentences.
// Everything is served by one background thread; the accessors may be called from any thread.
class VirtualTracker {
 public:
  explicit VirtualTracker(VirtualTrackerOptions options = {});
  ~VirtualTracker();  // stops
  VirtualTracker(const VirtualTracker&) = delete;
  VirtualTracker& operator=(const VirtualTracker&) = delete;

  // Opens a new pseudo-terminal (or the device), makes the link and loads the block file; nothing
  // is served yet. Throws std::system_error or std::runtime_error.
  void Open();
  // Opens when not yet open, then serves the line in a background thread.
  void Start();
  // Ends the thread, closes the line and removes the link. Harmless when not started.
  void Stop();
  // True between Start and Stop, until a hang-up fault has closed the line.
  bool IsRunning() const;

  // The path clients open: the pseudo-terminal's slave ("/dev/pts/3") or the device. Valid after
  // Open.
  const std::string& SlavePath() const;

  // Replaces the faults while running; takes effect from the next received byte.
  void SetFaults(const VirtualTrackerFaults& faults);

  // The stored image: the start image with bytes 0..111 replaced by every completed write.
  SettingsBlock Block() const;
  void SetBlock(const SettingsBlock& block);
  // Number of completed writes.
  int WriteCount() const;

  // The events so far, without time stamps: "handshake", "command D", "block-sent 256",
  // "block-written <224 hex digits>", "write-aborted at byte 50", "version", "tone 1200",
  // "tone 2200", "squelch begin", "squelch end", "hang-up", ...; NMEA sentences as
  // "nmea $GPRMC,...*35\r\n fix time 092204.999 position 5200.0000 N 00500.0000 E speed 100.00
  // course 10.00", "nmea $GPGGA,...*3E\r\n fix altitude 100.0 M", or "nmea-rejected
  // $GPRMC,...*25\n\r: checksum 25, expected 35" ("no checksum, ...").
  std::vector<std::string> EventLog() const;
  // The NMEA sentences whose checksum held, as received, from "$" up to and including the line end;
  // rejected ones count as no fix and are only logged.
  std::vector<std::string> ReceivedNmea() const;
  // Every byte received, in order.
  std::vector<std::uint8_t> ReceivedBytes() const;
  // Waits until an event starting with prefix has been logged; false when timeout passed first.
  bool WaitForEvent(std::string_view prefix, std::chrono::milliseconds timeout) const;

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace vindrel
