#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "serial/in_process_device.h"
#include "serial/serial_port.h"

namespace vindrel {

// Returns at deadline, to within a few microseconds: a byte round trip is about 4 ms at 4800
// baud. In the browser the page goes on meanwhile (in_process_wait_web.cpp); elsewhere the thread
// sleeps (in_process_wait.cpp).
void WaitUntil(std::chrono::steady_clock::time_point deadline);

// An open port on the in-process device: the two directions of a serial line, each byte taking
// its time on the wire when the port is paced. Nothing happens between calls: a Read hands the
// device every byte that has arrived by the time it waits for, so the answers come exactly when
// a line would bring them.
class InProcessLine {
 public:
  using Clock = std::chrono::steady_clock;

  explicit InProcessLine(const InProcessPort& port);

  // The same meaning of the time-outs as on a system port. A read without any limit that could
  // only wait for ever (nothing more is on its way, and the device only ever answers) returns
  // what has come.
  std::uint32_t Read(std::uint8_t* buffer, std::uint32_t count, const SerialTimeouts& timeouts);
  // Queues the bytes; they reach the device one byte time after each other.
  std::uint32_t Write(const std::uint8_t* bytes, std::uint32_t count);
  // Returns once every byte written has reached the device.
  void Flush();
  // kPurgeTxClear drops what has not yet reached the device, kPurgeRxClear what has arrived and
  // not been read; bytes still on their way in arrive later, as on a line.
  void Purge(std::uint32_t flags);

  LineSettings settings;  // as set; the speed times the bytes

 private:
  struct TimedByte {
    Clock::time_point arrival;
    std::uint8_t byte;
  };
  Clock::duration ByteTime() const;
  // Hands the device every byte that has arrived by upTo and queues its answers.
  void DeliverUpTo(Clock::time_point upTo);

  std::shared_ptr<InProcessDevice> device;
  bool paced;
  std::deque<TimedByte> toDevice, fromDevice;
  Clock::time_point outFree, inFree;  // when each direction's wire is free again
};

}  // namespace vindrel
