#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_block.h"

namespace vindrel {

// Time one byte takes on the tracker's line: 10 bits (start, 8 data, stop) at 4800 baud.
inline constexpr std::chrono::nanoseconds kLineByteTime{10'000'000'000LL / 4800};

// Ways in which the tracker misbehaves on purpose. Several may be combined.
struct VirtualTrackerFaults {
  bool silent = false;                   // answers nothing at all
  bool noEcho = false;                   // answers the handshake but echoes no command byte
  std::optional<std::uint8_t> noEchoOf;  // echoes every command byte but this one
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

// Adds one fault named as on the command line: "silent", "no-echo", "no-echo=U",
// "noise-before-echo", "start-reply=0x01", "ack-limit=N", "short-block=N", "stall-block=N",
// "hang-up-after=N", "stream". Numbers are decimal or 0x-hexadecimal. False, with faults unchanged,
// for anything else.
bool ParseVirtualTrackerFault(std::string_view kind, VirtualTrackerFaults& faults);

// What the virtual tracker is called wherever a program offers it as a port.
inline constexpr const char* kVirtualTrackerName = "Virtuele tracker";
inline constexpr const char* kVirtualTrackerDescription =
    "Een tracker in het programma, om alles zonder hardware te proberen";

struct TrackerEmulatorOptions {
  std::uint8_t handshakeReply = '!';             // the answer to "!": "!" or ">"
  std::array<std::uint8_t, 2> version = {1, 7};  // the two bytes sent on "V"
  // The 256-byte image sent on "D"; when absent, the image of default settings.
  std::optional<SettingsBlock> startBlock;
  VirtualTrackerFaults faults;
  // Keep every event, sentence and received byte for the accessors below (tests). Off, memory
  // stays flat however long the tracker serves, and those accessors return nothing.
  bool keepHistory = true;
};

// The tracker's side of the line as bytes in and bytes out, with no I/O of its own. It answers
// the handshake, echoes the command bytes, sends its image on "D", runs the write exchange on "U"
// and stores the 112 bytes, sends the version on "V", accepts "L", "H", "A" and the "*" that ends
// squelch adjustment, and checks NMEA sentences. Time comes in with every call, so a front may
// pass the line's own clock; one thread at a time.
class TrackerEmulator {
 public:
  using Clock = std::chrono::steady_clock;

  // Bytes the tracker sends, none of them before notBefore.
  struct Output {
    Clock::time_point notBefore;
    std::string bytes;
  };

  explicit TrackerEmulator(TrackerEmulatorOptions options = {});

  // Byte b has finished arriving at `at` (never earlier than the byte before). Whatever fell due
  // before it (a write given up, a sentence's end) is done first.
  void Receive(std::uint8_t b, Clock::time_point at);
  // Time has passed without a byte: a sentence waiting for its second line-end byte ends, a write
  // whose next byte is overdue is given up.
  void Advance(Clock::time_point now);
  // When Advance next has something to do; nullopt when nothing waits for time.
  std::optional<Clock::time_point> NextDeadline() const;
  // The answers so far, in order; each Output at most once.
  std::vector<Output> TakeOutput();
  // True once the hang-up fault has closed the line: the front closes its end too.
  bool HungUp() const { return hungUp; }
  // What the stream fault sends, again and again, while Streaming: a GPS receiver's output.
  bool Streaming() const { return faults.stream; }
  static std::string_view StreamText();

  // Replaces the faults; they apply from the next received byte.
  void SetFaults(const VirtualTrackerFaults& newFaults) { faults = newFaults; }

  // The stored image: the start image with bytes 0..111 replaced by every completed write.
  const SettingsBlock& Block() const { return block; }
  void SetBlock(const SettingsBlock& image) { block = image; }
  // Number of completed writes.
  int WriteCount() const { return writeCount; }

  // The events so far: "handshake", "command D", "block-sent 256", "block-written <224 hex
  // digits>", "write-aborted at byte 50", "version", "tone 1200", "tone 2200", "squelch begin",
  // "squelch end", "hang-up", ...; NMEA sentences as "nmea $GPRMC,...*35\r\n fix time
  // 092204.999 position 5200.0000 N 00500.0000 E speed 100.00 course 10.00", "nmea
  // $GPGGA,...*3E\r\n fix altitude 100.0 M", or "nmea-rejected $GPRMC,...*25\n\r: checksum 25,
  // expected 35" ("no checksum, ...").
  const std::vector<std::string>& EventLog() const { return events; }
  // The NMEA sentences whose checksum held, as received, from "$" up to and including the line
  // end; rejected ones count as no fix and are only logged.
  const std::vector<std::string>& ReceivedNmea() const { return nmea; }
  // Every byte received, in order.
  const std::vector<std::uint8_t>& ReceivedBytes() const { return received; }

  // Sees every event as it is logged, also when no history is kept (a front's log file).
  std::function<void(const std::string& event)> onEvent;

 private:
  enum class Mode { Idle, Nmea, NmeaEnd, WriteStart, WriteReady, WriteData };

  void ReceiveIdle(std::uint8_t b, Clock::time_point at);
  void ReceiveWrite(std::uint8_t b);
  void Send(std::string_view bytes, Clock::time_point notBefore);
  void SendAnswer(std::string_view bytes, Clock::time_point at);
  void Log(std::string event);
  void FinishSentence();
  bool InWrite() const;

  const TrackerEmulatorOptions options;
  VirtualTrackerFaults faults;
  SettingsBlock block;
  int writeCount = 0;
  bool hungUp = false;
  std::vector<std::string> events;
  std::vector<std::string> nmea;
  std::vector<std::uint8_t> received;
  std::vector<Output> output;

  // NmeaEnd: a sentence's first line-end byte has come; the other one may follow.
  Mode mode = Mode::Idle;
  std::size_t dataIndex = 0;
  std::array<std::uint8_t, kSettingsWriteSize> written{};
  std::string nmeaLine;
  bool adjustingSquelch = false;
  std::size_t receivedCount = 0;
  Clock::time_point lastByte;
  Clock::time_point stalledUntil;  // answers wait behind the rest of a stalled image
  std::string stalledEvent;        // logged once the rest is due
};

}  // namespace vindrel
