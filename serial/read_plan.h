#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "serial/serial_port.h"

namespace vindrel {

// How a Read waits, from the time-out record: the meaning is the same for every kind of line.
struct ReadPlan {
  using Clock = std::chrono::steady_clock;
  std::optional<Clock::time_point> total;  // nothing is taken after it; nullopt: no limit
  std::optional<std::chrono::milliseconds> interval;  // the most between two bytes
  bool firstBytesOnly = false;                        // returns as soon as anything has come

  ReadPlan(const SerialTimeouts& timeouts, std::uint32_t count, Clock::time_point start);
  // When the wait for the next byte ends, given done bytes so far, the last at lastByte.
  std::optional<Clock::time_point> Deadline(std::uint32_t done, Clock::time_point lastByte) const;
};

// start + ms; nullopt (no limit) for times so long that they stand for "for ever".
std::optional<ReadPlan::Clock::time_point> DeadlineAfter(ReadPlan::Clock::time_point start,
                                                         std::uint64_t ms);

}  // namespace vindrel
