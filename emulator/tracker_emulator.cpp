#include "emulator/tracker_emulator.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

#include "settings/tracker_settings.h"

namespace vindrel {

namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kHandshake = '!';
constexpr std::uint8_t kWriteStart = 0x00;
constexpr std::uint8_t kWriteReady = 'p';
constexpr char kAcknowledge = '#';
constexpr std::uint8_t kSquelchEnd = '*';

// A write whose next byte does not come within this time is given up, so that a utility that
// stopped half-way finds the tracker listening for commands again. Far above the few
// milliseconds a byte takes, far below the utility's own one-second wait.
constexpr auto kWriteIdleLimit = 500ms;
// Longer than any NMEA sentence (82 characters); a line without end is dropped at this length.
constexpr std::size_t kMaxNmeaLength = 128;
// A sentence's second line-end byte comes with the first or not at all.
constexpr auto kLineEndWait = 20ms;

// Bytes the noise-before-echo fault sends before an answer: none of them is a command byte or
// a handshake answer.
constexpr std::string_view kNoise = "noise\r\n";
constexpr std::string_view kStreamText =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
    "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

bool ParseNumber(std::string_view text, std::size_t max, std::size_t& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::size_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || v > max) {
    return false;
  }
  value = v;
  return true;
}

std::string Hex(std::uint8_t b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

// A received line as one log line: CR and LF as \r and \n, other control bytes as \xNN.
std::string Escape(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x" + Hex(c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Field n (from 0) of a sentence's text, up to the next "," or the end.
std::string_view Field(std::string_view text, int n) {
  for (; n > 0 && !text.empty(); --n) {
    const auto comma = text.find(',');
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return text.substr(0, text.find(','));
}

// Judges a received line as a firmware fed by a GPS receiver does: a sentence counts only when
// the two hexadecimal digits after "*" equal the XOR of the bytes between "$" and "*". Returns
// the event to log; accepted is set when the sentence counts.
std::string JudgeSentence(std::string_view line, bool& accepted) {
  const std::string_view text = line.substr(0, line.find_first_of("\r\n"));
  const std::size_t star = std::min(text.find('*'), text.size());
  std::uint8_t sum = 0;
  for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<std::uint8_t>(text[i]);
  const std::string_view given = text.substr(std::min(star + 1, text.size()));
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(given.data(), given.data() + given.size(), value, 16);
  accepted = star < text.size() && given.size() == 2 && ec == std::errc() &&
             end == given.data() + given.size() && value == sum;
  if (!accepted) {
    const std::string found = star < text.size() ? "checksum " + Escape(given) : "no checksum";
    return "nmea-rejected " + Escape(line) + ": " + found + ", expected " + Hex(sum);
  }
  std::string event = "nmea " + Escape(line);
  const std::string_view body = text.substr(0, star);
  const std::string_view type = body.substr(std::min<std::size_t>(3, body.size()), 3);
  if (type == "RMC") {
    // Time, position, speed and course: a replayed drive can be followed fix by fix.
    event += " fix time " + std::string(Field(body, 1)) + " position " +
             std::string(Field(body, 3)) + " " + std::string(Field(body, 4)) + " " +
             std::string(Field(body, 5)) + " " + std::string(Field(body, 6)) + " speed " +
             std::string(Field(body, 7)) + " course " + std::string(Field(body, 8));
  } else if (type == "GGA") {
    event += " fix altitude " + std::string(Field(body, 9)) + " " + std::string(Field(body, 10));
  }
  return event;
}

std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

bool ParseVirtualTrackerFault(std::string_view kind, VirtualTrackerFaults& faults) {
  const auto equals = kind.find('=');
  const std::string_view name = kind.substr(0, equals);
  if (equals == std::string_view::npos) {
    if (name == "silent") {
      faults.silent = true;
    } else if (name == "no-echo") {
      faults.noEcho = true;
    } else if (name == "noise-before-echo") {
      faults.noiseBeforeEcho = true;
    } else if (name == "stream") {
      faults.stream = true;
    } else {
      return false;
    }
    return true;
  }
  const std::string_view argument = kind.substr(equals + 1);
  std::size_t value = 0;
  if (name == "no-echo") {
    if (argument.size() != 1) return false;
    faults.noEchoOf = static_cast<std::uint8_t>(argument[0]);
  } else if (name == "start-reply") {
    if (!ParseNumber(argument, 0xFF, value)) return false;
    faults.startReply = static_cast<std::uint8_t>(value);
  } else if (name == "ack-limit") {
    if (!ParseNumber(argument, kSettingsWriteSize, value)) return false;
    faults.ackLimit = value;
  } else if (name == "short-block") {
    if (!ParseNumber(argument, std::tuple_size_v<SettingsBlock>, value)) return false;
    faults.shortBlock = value;
  } else if (name == "stall-block") {
    if (!ParseNumber(argument, std::tuple_size_v<SettingsBlock>, value)) return false;
    faults.stallBlock = value;
  } else if (name == "hang-up-after") {
    if (!ParseNumber(argument, SIZE_MAX, value)) return false;
    faults.hangUpAfter = value;
  } else {
    return false;
  }
  return true;
}

TrackerEmulator::TrackerEmulator(TrackerEmulatorOptions o)
    : options(std::move(o)),
      faults(options.faults),
      block(options.startBlock.value_or(EncodeSettingsBlock(TrackerSettings{}))) {}

std::string_view TrackerEmulator::StreamText() { return kStreamText; }

bool TrackerEmulator::InWrite() const {
  return mode == Mode::WriteStart || mode == Mode::WriteReady || mode == Mode::WriteData;
}

void TrackerEmulator::Log(std::string event) {
  if (onEvent) onEvent(event);
  if (options.keepHistory) events.push_back(std::move(event));
}

void TrackerEmulator::Send(std::string_view bytes, Clock::time_point notBefore) {
  notBefore = std::max(notBefore, stalledUntil);
  if (!output.empty() && output.back().notBefore == notBefore) {
    output.back().bytes += bytes;
  } else {
    output.push_back({notBefore, std::string(bytes)});
  }
}

void TrackerEmulator::SendAnswer(std::string_view bytes, Clock::time_point at) {
  if (faults.noiseBeforeEcho) Send(kNoise, at);
  Send(bytes, at);
}

std::vector<TrackerEmulator::Output> TrackerEmulator::TakeOutput() {
  return std::exchange(output, {});
}

void TrackerEmulator::ReceiveWrite(std::uint8_t b) {
  switch (mode) {
    case Mode::WriteStart: {
      if (b != kWriteStart) {
        Log("write-aborted at start, got 0x" + Hex(b));
        mode = Mode::Idle;
        return;
      }
      const std::uint8_t reply = faults.startReply.value_or(kWriteStart);
      if (reply != kWriteStart) {
        Log("write-aborted at start, answered 0x" + Hex(reply));
        mode = Mode::Idle;
      } else {
        mode = Mode::WriteReady;
      }
      Send(Bytes(&reply, 1), lastByte);
      return;
    }
    case Mode::WriteReady:
      if (b != kWriteReady) {
        Log("write-aborted at ready, got 0x" + Hex(b));
        mode = Mode::Idle;
        return;
      }
      mode = Mode::WriteData;
      dataIndex = 0;
      Send("p", lastByte);
      return;
    case Mode::WriteData: {
      if (faults.ackLimit && dataIndex >= *faults.ackLimit) {
        Log("write-aborted at byte " + std::to_string(dataIndex));
        mode = Mode::Idle;
        return;
      }
      written[dataIndex++] = b;
      if (dataIndex == written.size()) {
        // Stored before the last acknowledge goes out: whoever sees it may read the image.
        std::copy(written.begin(), written.end(), block.begin());
        ++writeCount;
        std::string hex;
        for (std::uint8_t w : written) hex += Hex(w);
        Log("block-written " + hex);
        mode = Mode::Idle;
      }
      Send({&kAcknowledge, 1}, lastByte);
      return;
    }
    default:
      return;
  }
}

void TrackerEmulator::ReceiveIdle(std::uint8_t b, Clock::time_point at) {
  const char c = static_cast<char>(b);
  const std::string_view echo(&c, 1);
  switch (b) {
    case kHandshake: {
      Log("handshake");
      const char reply = static_cast<char>(options.handshakeReply);
      SendAnswer({&reply, 1}, at);
      return;
    }
    case 'D':
    case 'U':
    case 'V':
    case 'L':
    case 'H':
    case 'A':
      if (faults.noEcho || faults.noEchoOf == b) {
        Log(std::string("command ") + c + " not echoed");
        return;
      }
      Log(std::string("command ") + c);
      break;
    case kSquelchEnd:
      Log(adjustingSquelch ? "squelch end" : "ignored 0x2A");
      adjustingSquelch = false;
      return;
    case '$':
      mode = Mode::Nmea;
      nmeaLine = "$";
      return;
    default:
      Log("ignored 0x" + Hex(b));
      return;
  }

  switch (b) {
    case 'D': {
      const std::size_t size = std::min(faults.shortBlock.value_or(block.size()), block.size());
      const std::size_t first = std::min(faults.stallBlock.value_or(size), size);
      SendAnswer(echo, at);
      Send(Bytes(block.data(), first), at);
      const std::string event = "block-sent " + std::to_string(size);
      if (first == size) {
        Log(event);
        return;
      }
      // Everything after the rest of the image waits behind it, as on a line; the image counts
      // as sent once the rest is due.
      stalledUntil = at + kStallTime;
      Send(Bytes(block.data() + first, size - first), at);
      stalledEvent = event;
      return;
    }
    case 'U':
      mode = Mode::WriteStart;
      SendAnswer(echo, at);
      return;
    case 'V':
      Log("version");
      SendAnswer(echo, at);
      Send(Bytes(options.version.data(), options.version.size()), at);
      return;
    case 'L':
      Log("tone 1200");
      break;
    case 'H':
      Log("tone 2200");
      break;
    case 'A':
      adjustingSquelch = true;
      Log("squelch begin");
      break;
  }
  SendAnswer(echo, at);
}

void TrackerEmulator::Receive(std::uint8_t b, Clock::time_point at) {
  if (hungUp) return;
  Advance(at);
  if (options.keepHistory) received.push_back(b);
  ++receivedCount;
  lastByte = at;

  if (!faults.silent && !faults.stream) {
    switch (mode) {
      case Mode::Idle:
        ReceiveIdle(b, at);
        break;
      case Mode::Nmea:
        nmeaLine += static_cast<char>(b);
        if (b == '\r' || b == '\n') {
          mode = Mode::NmeaEnd;
        } else if (nmeaLine.size() >= kMaxNmeaLength) {
          Log("nmea-overflow " + Escape(nmeaLine));
          mode = Mode::Idle;
        }
        break;
      case Mode::NmeaEnd:
        // A line ends with CR LF, LF CR or either alone: a different line-end byte right after
        // the first still belongs to the sentence.
        if ((b == '\r' || b == '\n') && b != static_cast<std::uint8_t>(nmeaLine.back())) {
          nmeaLine += static_cast<char>(b);
          FinishSentence();
        } else {
          FinishSentence();
          ReceiveIdle(b, at);
        }
        break;
      default:
        ReceiveWrite(b);
        break;
    }
  }
  if (faults.hangUpAfter && receivedCount >= *faults.hangUpAfter) {
    Log("hang-up after " + std::to_string(receivedCount) + " bytes");
    hungUp = true;
  }
}

void TrackerEmulator::FinishSentence() {
  bool accepted = false;
  std::string event = JudgeSentence(nmeaLine, accepted);
  if (accepted && options.keepHistory) nmea.push_back(nmeaLine);
  Log(std::move(event));
  mode = Mode::Idle;
}

std::optional<TrackerEmulator::Clock::time_point> TrackerEmulator::NextDeadline() const {
  std::optional<Clock::time_point> next;
  if (mode == Mode::NmeaEnd) next = lastByte + kLineEndWait;
  if (InWrite()) next = lastByte + kWriteIdleLimit;
  if (!stalledEvent.empty()) next = std::min(next.value_or(stalledUntil), stalledUntil);
  return next;
}

void TrackerEmulator::Advance(Clock::time_point now) {
  if (!stalledEvent.empty() && now >= stalledUntil) Log(std::exchange(stalledEvent, {}));
  if (mode == Mode::NmeaEnd && now - lastByte >= kLineEndWait) FinishSentence();
  if (InWrite() && now - lastByte >= kWriteIdleLimit) {
    const std::string where = mode == Mode::WriteData    ? "byte " + std::to_string(dataIndex)
                              : mode == Mode::WriteReady ? "ready"
                                                         : "start";
    Log("write-aborted at " + where + ", no byte for " + std::to_string(kWriteIdleLimit.count()) +
        " ms");
    mode = Mode::Idle;
  }
}

}  // namespace vindrel
