#include <emscripten.h>

#include "serial/in_process_line.h"

// Gives the page its turn for at most about ms milliseconds. A timer for the long waits only:
// the browser stretches a timer set from a timer to 4 ms, and the bytes come every 2; a short
// wait is a message the page sends itself, which comes back as soon as the page is idle.
// clang-format off
EM_ASYNC_JS(void, YieldToPage, (double ms), {
  await new Promise(resolve => {
    if (ms >= 10) return setTimeout(resolve, ms - 5);
    const channel = new MessageChannel();
    channel.port1.onmessage = () => resolve();
    channel.port2.postMessage(0);
  });
});
// clang-format on

namespace vindrel {

// Spinning would freeze the page, its wait cursor and its timers for as long as the read runs.
void WaitUntil(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    YieldToPage(std::chrono::duration<double, std::milli>(left).count());
  }
}

}  // namespace vindrel
