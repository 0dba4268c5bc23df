#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "protocol/tracker_link.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace vindrel::testing {

// The port number of <device directory>/ttyV0.
inline constexpr int kVirtualPort = 161;

// A temporary directory standing in for /dev, so no test ever reaches a real serial port.
class TempDeviceDirectory {
 public:
  TempDeviceDirectory() {
    char pattern[] = "/tmp/vindrel-dev-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) path = pattern;
  }
  ~TempDeviceDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDeviceDirectory(const TempDeviceDirectory&) = delete;
  TempDeviceDirectory& operator=(const TempDeviceDirectory&) = delete;

  std::string path;
};

// Stands in for the dialog: answers the port number and records what the link asks for.
class RecordingOwner : public TrackerLinkOwner {
 public:
  int SelectedPortNumber() override { return portNumber; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  unsigned StartTimer(unsigned timerId, unsigned periodMs) override {
    startedTimers.push_back({timerId, periodMs});
    return timerReply;
  }
  void StopTimer(unsigned timerId) override { stoppedTimers.push_back(timerId); }

  int portNumber = kVirtualPort;
  unsigned timerReply = 42;  // what the timer service answers: any identifier but 0
  std::vector<std::string> messages;
  std::vector<std::pair<unsigned, unsigned>> startedTimers;  // identifier, period
  std::vector<unsigned> stoppedTimers;
};

// A link whose port 161 reaches an in-process virtual tracker through <temp>/ttyV0.
class TrackerTest : public ::testing::Test {
 protected:
  TrackerTest() { link.SetDeviceDirectory(devices.path); }

  void StartTracker(VirtualTrackerOptions options = {}) {
    ASSERT_FALSE(devices.path.empty());
    options.linkPath = devices.path + "/ttyV0";
    tracker = std::make_unique<VirtualTracker>(std::move(options));
    tracker->Start();
  }

  // What the tracker has received once it holds at least count bytes (or after two seconds).
  std::string Received(std::size_t count = 0) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::vector<std::uint8_t> bytes = tracker->ReceivedBytes();
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      bytes = tracker->ReceivedBytes();
    }
    return std::string(bytes.begin(), bytes.end());
  }

  bool Logged(const std::string& event) const {
    return tracker->WaitForEvent(event, std::chrono::seconds(2));
  }

  TempDeviceDirectory devices;
  RecordingOwner owner;
  std::unique_ptr<VirtualTracker> tracker;
  TrackerLink link{owner};  // declared last: its port closes before the tracker stops
};

inline const std::string kNoCommunication = "No Communication with TALVORIN possible";
inline const std::string kPortInUse = "De seriele poort is al in gebruik";

}  // namespace vindrel::testing
