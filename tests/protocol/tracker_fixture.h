#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "protocol/tracker_link.h"
#include "tests/support/temp_dir.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace vindrel::testing {

inline constexpr int kVirtualPort = 161;  // <device directory>/ttyV0
inline const std::string kNoCommunication = "No Communication with TALVORIN possible";
inline const std::string kPortInUse = "De seriele poort is al in gebruik";

// The one temporary directory type; the old name stays while tests still use it.
using TempDeviceDirectory = test::TempDir;

// Stands in for the dialog: answers the port number and records what the link asks for.
struct RecordingOwner : TrackerLinkOwner {
  int SelectedPortNumber() override { return portNumber; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  unsigned StartTimer(unsigned id, unsigned periodMs) override {
    startedTimers.push_back({id, periodMs});
    return timerReply;
  }
  void StopTimer(unsigned id) override { stoppedTimers.push_back(id); }

  int portNumber = kVirtualPort;
  unsigned timerReply = 42;  // any identifier but 0
  std::vector<std::string> messages;
  std::vector<std::pair<unsigned, unsigned>> startedTimers;  // identifier, period
  std::vector<unsigned> stoppedTimers;
};

// A link whose port 161 reaches an in-process virtual tracker through <temp>/ttyV0.
class TrackerTest : public ::testing::Test {
 protected:
  TrackerTest() { link.port.SetDeviceDirectory(devices.path); }

  // fault as on the virtual tracker's command line, e.g. "ack-limit=50".
  void StartTracker(VirtualTrackerOptions options = {}, const char* fault = "") {
    ASSERT_TRUE(!*fault || ParseVirtualTrackerFault(fault, options.faults)) << fault;
    options.linkPath = devices.path + "/ttyV0";
    tracker = std::make_unique<VirtualTracker>(std::move(options));
    tracker->Start();
  }

  // What the tracker has received once it holds at least count bytes (or after two seconds).
  std::string Received(std::size_t count = 0) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    auto bytes = tracker->ReceivedBytes();
    for (; bytes.size() < count && std::chrono::steady_clock::now() < deadline;
         bytes = tracker->ReceivedBytes()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir devices;
  RecordingOwner owner;
  std::unique_ptr<VirtualTracker> tracker;
  TrackerLink link{owner};  // declared last: its port closes before the tracker stops
};

}  // namespace vindrel::testing
