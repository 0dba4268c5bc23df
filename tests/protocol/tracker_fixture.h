#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "protocol/tracker_link.h"
#include "tests/protocol/recording_owner.h"
#include "tests/support/temp_dir.h"
#include "tools/virtual_tracker/virtual_tracker.h"

namespace vindrel::testing {

// What peer has received once it holds at least count bytes (or after two seconds).
inline std::string ReceivedFrom(const VirtualTracker& peer, std::size_t count = 0) {
  for (int i = 0; i < 400 && peer.ReceivedBytes().size() < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const auto bytes = peer.ReceivedBytes();
  return std::string(bytes.begin(), bytes.end());
}

// The sentences peer has taken as GPS fixes once it holds count of them (or after three seconds).
inline std::vector<std::string> NmeaFrom(const VirtualTracker& peer, std::size_t count) {
  for (int i = 0; i < 300 && peer.ReceivedNmea().size() < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return peer.ReceivedNmea();
}

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

  std::string Received(std::size_t count = 0) const { return ReceivedFrom(*tracker, count); }

  test::TempDir devices;
  RecordingOwner owner;
  std::unique_ptr<VirtualTracker> tracker;
  TrackerLink link{owner};  // declared last: its port closes before the tracker stops
};

}  // namespace vindrel::testing
