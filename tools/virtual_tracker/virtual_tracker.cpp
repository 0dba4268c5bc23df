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
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "tools/virtual_tracker/tracker_line.h"

namespace vindrel {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

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

struct VirtualTracker::State {
  explicit State(VirtualTrackerOptions o) : options(std::move(o)), emulator(options) {
    emulator.onEvent = [this](const std::string& event) { LogLine(event); };
  }

  void Run();
  void Receive(std::uint8_t b);
  void SendDue();
  void Send(std::string_view bytes);
  void WriteStream();
  void LogLine(const std::string& event);
  void HangUp();
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
  TrackerEmulator emulator;

  // The serving thread's own.
  std::deque<TrackerEmulator::Output> pending;  // answers not yet sent, in order
  Clock::time_point inFree, outFree;            // when the paced line is free again, each way
  Clock::time_point nextStreamByte;
  std::size_t streamPosition = 0;
};

void VirtualTracker::State::LogLine(const std::string& event) {
  if (logStream == nullptr) return;
  std::fprintf(logStream, "%s %s\n", TimeStamp().c_str(), event.c_str());
  std::fflush(logStream);
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

void VirtualTracker::State::SendDue() {
  while (!pending.empty() && pending.front().notBefore <= Clock::now() && line.fd) {
    Send(pending.front().bytes);
    pending.pop_front();
  }
}

void VirtualTracker::State::SaveBlockFile(const SettingsBlock& image) {
  if (options.blockFile.empty()) return;
  // Written beside and renamed over, so an interrupted save never leaves half an image.
  const std::string temporary = options.blockFile + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), image.size());
    if (!out.flush()) {
      LogLine("block-file-error " + temporary);
      return;
    }
  }
  if (std::rename(temporary.c_str(), options.blockFile.c_str()) != 0) {
    LogLine("block-file-error " + options.blockFile + ": " + std::strerror(errno));
  }
}

void VirtualTracker::State::Receive(std::uint8_t b) {
  bool hungUp = false;
  std::optional<SettingsBlock> written;
  {
    std::lock_guard lock(mutex);
    const int writes = emulator.WriteCount();
    emulator.Receive(b, Clock::now());
    for (auto& out : emulator.TakeOutput()) pending.push_back(std::move(out));
    if (emulator.WriteCount() != writes) written = emulator.Block();
    hungUp = emulator.HungUp();
  }
  changed.notify_all();
  // Saved before the last acknowledge goes out: whoever sees it may read the file.
  if (written) SaveBlockFile(*written);
  if (hungUp) {
    HangUp();
    return;
  }
  SendDue();
}

void VirtualTracker::State::HangUp() {
  // Closing every descriptor of the master side is what a pulled cable looks like to the utility:
  // its reads report a hang-up and its writes fail.
  line.fd.Reset();
  line.slaveHold.Reset();
  running = false;
  changed.notify_all();
}

void VirtualTracker::State::WriteStream() {
  const std::string_view text = TrackerEmulator::StreamText();
  if (options.pace) {
    const auto now = Clock::now();
    if (now < nextStreamByte) return;
    // After a stall (nobody reading), go on from now instead of catching up in a burst.
    nextStreamByte = std::max(nextStreamByte, now - 1s) + kLineByteTime;
    if (::write(line.fd.Get(), &text[streamPosition], 1) == 1) {
      streamPosition = (streamPosition + 1) % text.size();
    }
    return;
  }
  const std::string_view rest = text.substr(streamPosition);
  const ssize_t n = ::write(line.fd.Get(), rest.data(), rest.size());
  if (n > 0) streamPosition = (streamPosition + static_cast<std::size_t>(n)) % text.size();
}

void VirtualTracker::State::Run() {
  // The pace needs wake-ups to the microsecond, not the default 50-microsecond slack.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::uint8_t buffer[512];
  while (!stopRequested && line.fd) {
    bool streaming;
    std::optional<Clock::time_point> deadline;
    {
      std::lock_guard lock(mutex);
      streaming = emulator.Streaming();
      deadline = emulator.NextDeadline();
    }
    if (!pending.empty()) {
      deadline = std::min(deadline.value_or(Clock::time_point::max()), pending.front().notBefore);
    }
    int timeout = -1;
    if (deadline) {
      const auto left = *deadline - Clock::now();
      timeout = static_cast<int>(
          std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
    short events = POLLIN;
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
      LogLine("line closed");
      line.fd.Reset();
      break;
    }
    if (!line.fd) break;
    if (streaming) WriteStream();
    // What fell due goes out before the events of the same moment are logged: "block-sent" of a
    // stalled image means that its rest has left.
    const auto now = Clock::now();
    SendDue();
    {
      std::lock_guard lock(mutex);
      emulator.Advance(now);
    }
    changed.notify_all();
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

  std::optional<SettingsBlock> image;
  struct stat st {};
  if (!o.startBlock && !o.blockFile.empty() && ::stat(o.blockFile.c_str(), &st) == 0) {
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
  if (image) s.emulator.SetBlock(*image);
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
  state->emulator.SetFaults(faults);
}

SettingsBlock VirtualTracker::Block() const {
  std::lock_guard lock(state->mutex);
  return state->emulator.Block();
}

void VirtualTracker::SetBlock(const SettingsBlock& block) {
  std::lock_guard lock(state->mutex);
  state->emulator.SetBlock(block);
}

int VirtualTracker::WriteCount() const {
  std::lock_guard lock(state->mutex);
  return state->emulator.WriteCount();
}

std::vector<std::string> VirtualTracker::EventLog() const {
  std::lock_guard lock(state->mutex);
  return state->emulator.EventLog();
}

std::vector<std::string> VirtualTracker::ReceivedNmea() const {
  std::lock_guard lock(state->mutex);
  return state->emulator.ReceivedNmea();
}

std::vector<std::uint8_t> VirtualTracker::ReceivedBytes() const {
  std::lock_guard lock(state->mutex);
  return state->emulator.ReceivedBytes();
}

bool VirtualTracker::WaitForEvent(std::string_view prefix,
                                  std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state->mutex);
  return state->changed.wait_for(lock, timeout, [&] {
    const auto& events = state->emulator.EventLog();
    return std::any_of(events.begin(), events.end(),
                       [&](const std::string& e) { return e.starts_with(prefix); });
  });
}

}  // namespace vindrel
