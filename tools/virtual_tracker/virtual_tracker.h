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

#include "emulator/tracker_emulator.h"

namespace vindrel {

// The emulator's options and those of its pseudo-terminal front.
struct VirtualTrackerOptions : TrackerEmulatorOptions {
  // Serve this device (e.g. one end of a null-modem cable) instead of a new pseudo-terminal.
  std::string device;
  // Make this path a symbolic link to the pseudo-terminal ("/dev/ttyV0" is port 161); removed
  // again by Stop.
  std::string linkPath;
  // When set: without startBlock the start image is read from this file if it exists (exactly
  // 256 bytes), and the image is saved to it after every completed write.
  std::string blockFile;
  bool pace = false;  // every byte takes kLineByteTime, both ways
  // One line per event with a time stamp; "-" is standard output; empty writes no file.
  std::string logFile;
};

// The tracker emulator on a pseudo-terminal (or a given device). Everything is served by one
// background thread; the accessors may be called from any thread.
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

  // The emulator's, without time stamps (TrackerEmulator::EventLog and the others).
  std::vector<std::string> EventLog() const;
  std::vector<std::string> ReceivedNmea() const;
  std::vector<std::uint8_t> ReceivedBytes() const;
  // Waits until an event starting with prefix has been logged; false when timeout passed first.
  bool WaitForEvent(std::string_view prefix, std::chrono::milliseconds timeout) const;

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace vindrel
