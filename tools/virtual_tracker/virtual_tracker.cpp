#include "tools/virtual_tracker/virtual_tracker.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "settings/tracker_settings.h"
#include "tools/virtual_tracker/tracker_line.h"

namespace vindrel {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint8_t kHandshake = '!';
constexpr std::uint8_t kWriteStart = 0x00;
constexpr std::uint8_t kWriteReady = 'p';
constexpr std::uint8_t kAcknowledge = '#';
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
// What the stream fault sends, again and again: a GPS receiver's output at 4800 baud.
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

std::string TimeStamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis));
  return text;
}

// Sleeps to the deadline to within a few microseconds: the pace would otherwise drift by the
// scheduler's wake-up latency on every byte, which on a busy machine reaches hundreds of
// microseconds. The last stretch is spun; that costs CPU only while bytes are paced.
void SleepUntil(Clock::time_point deadline) {
  constexpr auto kSpin = 500us;
  const auto now = Clock::now();
  if (deadline - now > kSpin) std::this_thread::sleep_until(deadline - kSpin);
  while (Clock::now() < deadline) {
  }
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

SettingsBlock ReadBlockFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::system_error(errno, std::generic_category(), "open " + path);
  std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() != std::tuple_size_v<SettingsBlock>) {
    throw std::runtime_error(path + ": a settings image has 256 bytes, this file has " +
                             std::to_string(bytes.size()));
  }
  SettingsBlock block;
  std::copy(bytes.begin(), bytes.end(), block.begin());
  return block;
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
  if (name == "start-reply") {
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

struct VirtualTracker::State {
  explicit State(VirtualTrackerOptions o) : options(std::move(o)), faults(options.faults) {}

  void Run();
  void Receive(std::uint8_t b);
  void ReceiveIdle(std::uint8_t b, const VirtualTrackerFaults& f);
  void ReceiveWrite(std::uint8_t b, const VirtualTrackerFaults& f);
  void Send(std::string_view bytes);
  void SendAnswer(std::string_view bytes, const VirtualTrackerFaults& f);
  void WriteStream();
  void Log(std::string event);
  void HangUp();
  void FinishSentence();
  bool InWrite() const {
    return mode == Mode::WriteStart || mode == Mode::WriteReady || mode == Mode::WriteData;
  }
  void SaveBlockFile(const SettingsBlock& image);
  void AwaitArrival(Clock::time_point seen);

  const VirtualTrackerOptions options;
  TrackerLine line;
  UniqueFd wakeRead, wakeWrite;
  std::string linkMade;  // the symbolic link to remove at stop; empty when none was made
  std::FILE* logStream = nullptr;
  std::thread thread;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> running{false};
  bool opened = false;

  // Shared with the accessors.
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  VirtualTrackerFaults faults;
  SettingsBlock block{};
  int writeCount = 0;
  std::vector<std::string> events;
  std::vector<std::string> nmea;
  std::vector<std::uint8_t> received;

  // The serving thread's own.
  // NmeaEnd: a sentence's first line-end byte has come; the other one may follow.
  enum class Mode { Idle, Nmea, NmeaEnd, WriteStart, WriteReady, WriteData } mode = Mode::Idle;
  std::size_t dataIndex = 0;
  std::array<std::uint8_t, kSettingsWriteSize> written{};
  std::string nmeaLine;
  bool adjustingSquelch = false;
  std::size_t receivedCount = 0;
  Clock::time_point lastByte;
  Clock::time_point inFree, outFree;  // when the paced line is free again, each way
  Clock::time_point nextStreamByte;
  std::size_t streamPosition = 0;
};

void VirtualTracker::State::Log(std::string event) {
  if (logStream != nullptr) {
    std::fprintf(logStream, "%s %s\n", TimeStamp().c_str(), event.c_str());
    std::fflush(logStream);
  }
  if (options.keepHistory) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(event));
  }
  changed.notify_all();
}

// Under pace, holds a byte back until it would have finished arriving over a 4800-baud line:
// bytes queue behind each other, so a burst takes as long as the line needs for all of it.
void VirtualTracker::State::AwaitArrival(Clock::time_point seen) {
  if (!options.pace) return;
  inFree = std::max(seen, inFree) + kLineByteTime;
  SleepUntil(inFree);
}

void VirtualTracker::State::Send(std::string_view bytes) {
  // A burst goes out back to back: each byte is due one byte time after the one before, however
  // late this thread woke for that one, so a delay is caught up instead of adding up.
  if (options.pace) outFree = std::max(Clock::now(), outFree);
  for (std::size_t i = 0; i < bytes.size() && !stopRequested;) {
    std::size_t count = bytes.size() - i;
    if (options.pace) {
      SleepUntil(outFree + kLineByteTime);
      count = 1;
    }
    const ssize_t n = ::write(line.fd.Get(), bytes.data() + i, count);
    if (n > 0) {
      if (options.pace) outFree += kLineByteTime;
      i += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;  // the line is gone; the poll loop will notice
    // The utility is not reading: wait until it does (or we are stopped).
    pollfd fds[] = {{line.fd.Get(), POLLOUT, 0}, {wakeRead.Get(), POLLIN, 0}};
    if (::poll(fds, 2, 1000) == 0) return;  // a full buffer nobody drains: drop the rest
  }
}

void VirtualTracker::State::SendAnswer(std::string_view bytes, const VirtualTrackerFaults& f) {
  if (f.noiseBeforeEcho) Send(kNoise);
  Send(bytes);
}

void VirtualTracker::State::SaveBlockFile(const SettingsBlock& image) {
  if (options.blockFile.empty()) return;
  // Written beside and renamed over, so an interrupted save never leaves half an image.
  const std::string temporary = options.blockFile + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), image.size());
    if (!out.flush()) {
      Log("block-file-error " + temporary);
      return;
    }
  }
  if (std::rename(temporary.c_str(), options.blockFile.c_str()) != 0) {
    Log("block-file-error " + options.blockFile + ": " + std::strerror(errno));
  }
}

void VirtualTracker::State::ReceiveWrite(std::uint8_t b, const VirtualTrackerFaults& f) {
  switch (mode) {
    case Mode::WriteStart: {
      if (b != kWriteStart) {
        Log("write-aborted at start, got 0x" + Hex(b));
        mode = Mode::Idle;
        return;
      }
      const std::uint8_t reply = f.startReply.value_or(kWriteStart);
      if (reply != kWriteStart) {
        Log("write-aborted at start, answered 0x" + Hex(reply));
        mode = Mode::Idle;
      } else {
        mode = Mode::WriteReady;
      }
      Send({reinterpret_cast<const char*>(&reply), 1});
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
      Send("p");
      return;
    case Mode::WriteData: {
      if (f.ackLimit && dataIndex >= *f.ackLimit) {
        Log("write-aborted at byte " + std::to_string(dataIndex));
        mode = Mode::Idle;
        return;
      }
      written[dataIndex++] = b;
      if (dataIndex == written.size()) {
        // Stored before the last acknowledge goes out: whoever sees it may read the image.
        SettingsBlock image;
        {
          std::lock_guard lock(mutex);
          std::copy(written.begin(), written.end(), block.begin());
          ++writeCount;
          image = block;
        }
        SaveBlockFile(image);
        std::string hex;
        for (std::uint8_t w : written) hex += Hex(w);
        Log("block-written " + hex);
        mode = Mode::Idle;
      }
      Send({reinterpret_cast<const char*>(&kAcknowledge), 1});
      return;
    }
    default:
      return;
  }
}

void VirtualTracker::State::ReceiveIdle(std::uint8_t b, const VirtualTrackerFaults& f) {
  const char c = static_cast<char>(b);
  const std::string_view echo(&c, 1);
  switch (b) {
    case kHandshake: {
      Log("handshake");
      const char reply = static_cast<char>(options.handshakeReply);
      SendAnswer({&reply, 1}, f);
      return;
    }
    case 'D':
    case 'U':
    case 'V':
    case 'L':
    case 'H':
    case 'A':
      if (f.noEcho) {
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
      SettingsBlock image;
      {
        std::lock_guard lock(mutex);
        image = block;
      }
      const std::size_t size = std::min(f.shortBlock.value_or(image.size()), image.size());
      const std::size_t first = std::min(f.stallBlock.value_or(size), size);
      SendAnswer(echo, f);
      Send({reinterpret_cast<const char*>(image.data()), first});
      if (first < size) {
        SleepUntil(Clock::now() + kStallTime);
        Send({reinterpret_cast<const char*>(image.data()) + first, size - first});
      }
      Log("block-sent " + std::to_string(size));
      return;
    }
    case 'U':
      mode = Mode::WriteStart;
      SendAnswer(echo, f);
      return;
    case 'V':
      Log("version");
      SendAnswer(echo, f);
      Send({reinterpret_cast<const char*>(options.version.data()), options.version.size()});
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
  SendAnswer(echo, f);
}

void VirtualTracker::State::Receive(std::uint8_t b) {
  VirtualTrackerFaults f;
  {
    std::lock_guard lock(mutex);
    if (options.keepHistory) received.push_back(b);
    f = faults;
  }
  ++receivedCount;
  lastByte = Clock::now();

  if (!f.silent && !f.stream) {
    switch (mode) {
      case Mode::Idle:
        ReceiveIdle(b, f);
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
          ReceiveIdle(b, f);
        }
        break;
      default:
        ReceiveWrite(b, f);
        break;
    }
  }
  if (f.hangUpAfter && receivedCount >= *f.hangUpAfter) HangUp();
}

void VirtualTracker::State::FinishSentence() {
  bool accepted = false;
  std::string event = JudgeSentence(nmeaLine, accepted);
  if (accepted && options.keepHistory) {
    std::lock_guard lock(mutex);
    nmea.push_back(nmeaLine);
  }
  Log(std::move(event));
  mode = Mode::Idle;
}

void VirtualTracker::State::HangUp() {
  Log("hang-up after " + std::to_string(receivedCount) + " bytes");
  // Closing every descriptor of the master side is what a pulled cable looks like to the utility:
  // its reads report a hang-up and its writes fail.
  line.fd.Reset();
  line.slaveHold.Reset();
  running = false;
  changed.notify_all();
}

void VirtualTracker::State::WriteStream() {
  if (options.pace) {
    const auto now = Clock::now();
    if (now < nextStreamByte) return;
    // After a stall (nobody reading), go on from now instead of catching up in a burst.
    nextStreamByte = std::max(nextStreamByte, now - 1s) + kLineByteTime;
    if (::write(line.fd.Get(), &kStreamText[streamPosition], 1) == 1) {
      streamPosition = (streamPosition + 1) % kStreamText.size();
    }
    return;
  }
  const std::string_view rest = kStreamText.substr(streamPosition);
  const ssize_t n = ::write(line.fd.Get(), rest.data(), rest.size());
  if (n > 0) streamPosition = (streamPosition + static_cast<std::size_t>(n)) % kStreamText.size();
}

void VirtualTracker::State::Run() {
  // The pace needs wake-ups to the microsecond, not the default 50-microsecond slack.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::uint8_t buffer[512];
  while (!stopRequested && line.fd) {
    bool streaming;
    {
      std::lock_guard lock(mutex);
      streaming = faults.stream;
    }
    int timeout = -1;
    const auto now = Clock::now();
    if (InWrite()) {
      const auto left = lastByte + kWriteIdleLimit - now;
      timeout = static_cast<int>(
          std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
    short events = POLLIN;
    if (mode == Mode::NmeaEnd) timeout = static_cast<int>(kLineEndWait.count());
    if (streaming && !options.pace) events |= POLLOUT;
    if (streaming && options.pace) timeout = 1;  // coarse; SleepUntil is not needed for noise

    pollfd fds[] = {{line.fd.Get(), events, 0}, {wakeRead.Get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeout);
    if (ready < 0 && errno != EINTR) break;
    if (stopRequested) break;
    const auto seen = Clock::now();

    if (ready > 0 && (fds[0].revents & POLLIN)) {
      const ssize_t n = ::read(line.fd.Get(), buffer, sizeof buffer);
      for (ssize_t i = 0; i < n && line.fd && !stopRequested; ++i) {
        AwaitArrival(seen);
        Receive(buffer[i]);
      }
    } else if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      // Only a served device gets here (our own pseudo-terminal's slave is held open).
      Log("line closed");
      line.fd.Reset();
      break;
    }
    if (!line.fd) break;
    if (streaming) WriteStream();
    if (mode == Mode::NmeaEnd && Clock::now() - lastByte >= kLineEndWait) FinishSentence();
    if (InWrite() && Clock::now() - lastByte >= kWriteIdleLimit) {
      const std::string where = mode == Mode::WriteData    ? "byte " + std::to_string(dataIndex)
                                : mode == Mode::WriteReady ? "ready"
                                                           : "start";
      Log("write-aborted at " + where + ", no byte for " + std::to_string(kWriteIdleLimit.count()) +
          " ms");
      mode = Mode::Idle;
    }
  }
  running = false;
  changed.notify_all();
}

VirtualTracker::VirtualTracker(VirtualTrackerOptions options)
    : state(std::make_unique<State>(std::move(options))) {}

VirtualTracker::~VirtualTracker() { Stop(); }

void VirtualTracker::Open() {
  State& s = *state;
  if (s.opened) return;
  const VirtualTrackerOptions& o = s.options;

  SettingsBlock image = EncodeSettingsBlock(TrackerSettings{});
  struct stat st {};
  if (o.startBlock) {
    image = *o.startBlock;
  } else if (!o.blockFile.empty() && ::stat(o.blockFile.c_str(), &st) == 0) {
    image = ReadBlockFile(o.blockFile);
  }

  TrackerLine line = o.device.empty() ? OpenPseudoTerminal() : OpenTrackerDevice(o.device);

  if (!o.linkPath.empty()) {
    // A link left behind by a tracker that was killed points nowhere: replace it. Anything else
    // at that path belongs to someone else.
    if (::lstat(o.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::stat(o.linkPath.c_str(), &st) != 0) {
      ::unlink(o.linkPath.c_str());
    }
    if (::symlink(line.clientPath.c_str(), o.linkPath.c_str()) != 0) {
      throw std::system_error(errno, std::generic_category(), "symlink " + o.linkPath);
    }
  }

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    const int error = errno;
    if (!o.linkPath.empty()) ::unlink(o.linkPath.c_str());
    throw std::system_error(error, std::generic_category(), "pipe2");
  }
  s.wakeRead = UniqueFd(pipeFds[0]);
  s.wakeWrite = UniqueFd(pipeFds[1]);

  if (o.logFile == "-") {
    s.logStream = stdout;
  } else if (!o.logFile.empty()) {
    s.logStream = std::fopen(o.logFile.c_str(), "w");
    if (s.logStream == nullptr) {
      const int error = errno;
      if (!o.linkPath.empty()) ::unlink(o.linkPath.c_str());
      throw std::system_error(error, std::generic_category(), "open " + o.logFile);
    }
  }

  s.linkMade = o.linkPath;
  s.line = std::move(line);
  s.block = image;
  s.opened = true;
}

void VirtualTracker::Start() {
  Open();
  State& s = *state;
  if (s.thread.joinable() || !s.line.fd) return;
  s.running = true;
  s.thread = std::thread([&s] { s.Run(); });
}

void VirtualTracker::Stop() {
  State& s = *state;
  s.stopRequested = true;
  if (s.wakeWrite) {
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(s.wakeWrite.Get(), &wake, 1);
  }
  if (s.thread.joinable()) s.thread.join();
  s.running = false;
  s.line.fd.Reset();
  s.line.slaveHold.Reset();
  if (!s.linkMade.empty()) {
    // Only our own link: another tracker may have taken the path since.
    char target[256];
    const ssize_t n = ::readlink(s.linkMade.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string_view(target, static_cast<std::size_t>(n)) == s.line.clientPath) {
      ::unlink(s.linkMade.c_str());
    }
    s.linkMade.clear();
  }
  if (s.logStream != nullptr && s.logStream != stdout) std::fclose(s.logStream);
  if (s.logStream == stdout) std::fflush(stdout);
  s.logStream = nullptr;
}

bool VirtualTracker::IsRunning() const { return state->running; }

const std::string& VirtualTracker::SlavePath() const { return state->line.clientPath; }

void VirtualTracker::SetFaults(const VirtualTrackerFaults& faults) {
  std::lock_guard lock(state->mutex);
  state->faults = faults;
}

SettingsBlock VirtualTracker::Block() const {
  std::lock_guard lock(state->mutex);
  return state->block;
}

void VirtualTracker::SetBlock(const SettingsBlock& block) {
  std::lock_guard lock(state->mutex);
  state->block = block;
}

int VirtualTracker::WriteCount() const {
  std::lock_guard lock(state->mutex);
  return state->writeCount;
}

std::vector<std::string> VirtualTracker::EventLog() const {
  std::lock_guard lock(state->mutex);
  return state->events;
}

std::vector<std::string> VirtualTracker::ReceivedNmea() const {
  std::lock_guard lock(state->mutex);
  return state->nmea;
}

std::vector<std::uint8_t> VirtualTracker::ReceivedBytes() const {
  std::lock_guard lock(state->mutex);
  return state->received;
}

bool VirtualTracker::WaitForEvent(std::string_view prefix,
                                  std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state->mutex);
  return state->changed.wait_for(lock, timeout, [&] {
    return std::any_of(state->events.begin(), state->events.end(),
                       [&](const std::string& e) { return e.starts_with(prefix); });
  });
}

}  // namespace vindrel
