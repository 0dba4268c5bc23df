#include <thread>

#include "serial/in_process_line.h"

namespace vindrel {

// A scheduler's wake-up latency (on Windows up to a timer tick) on each of the 116 round trips of
// a write would slow it noticeably: the last stretch is spun.
void WaitUntil(std::chrono::steady_clock::time_point deadline) {
  constexpr auto kSpin = std::chrono::milliseconds(1);
  if (deadline - std::chrono::steady_clock::now() > kSpin)
    std::this_thread::sleep_until(deadline - kSpin);
  while (std::chrono::steady_clock::now() < deadline) {
  }
}

}  // namespace vindrel
