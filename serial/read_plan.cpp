#include "serial/read_plan.h"

#include <algorithm>

namespace vindrel {

// Time-outs longer than this (about three years) are treated as no limit, which keeps deadline
// arithmetic far from overflow.
constexpr std::uint64_t kNoLimitAboveMs = 100'000'000'000ULL;

std::optional<ReadPlan::Clock::time_point> DeadlineAfter(ReadPlan::Clock::time_point start,
                                                         std::uint64_t ms) {
  if (ms >= kNoLimitAboveMs) return std::nullopt;
  return start + std::chrono::milliseconds(ms);
}

ReadPlan::ReadPlan(const SerialTimeouts& t, std::uint32_t count, Clock::time_point start) {
  // Interval "infinite" with zero totals: only what is already buffered.
  const bool bufferedOnly = t.ReadIntervalTimeout == kMaxTimeout &&
                            t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
  // Interval and multiplier "infinite": wait up to the constant for the first byte, then return
  // at once with what has come.
  firstBytesOnly = t.ReadIntervalTimeout == kMaxTimeout &&
                   t.ReadTotalTimeoutMultiplier == kMaxTimeout &&
                   t.ReadTotalTimeoutConstant != kMaxTimeout;
  if (bufferedOnly) {
    total = start;
  } else if (firstBytesOnly) {
    total = DeadlineAfter(start, t.ReadTotalTimeoutConstant);
  } else if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0) {
    total = DeadlineAfter(
        start, std::uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant);
  }
  if (t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != kMaxTimeout) {
    interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
  }
}

std::optional<ReadPlan::Clock::time_point> ReadPlan::Deadline(std::uint32_t done,
                                                              Clock::time_point lastByte) const {
  if (!interval || done == 0) return total;
  const auto between = lastByte + *interval;
  return total ? std::min(*total, between) : between;
}

}  // namespace vindrel
