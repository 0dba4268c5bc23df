#include "serial/in_process_line.h"

#include <algorithm>

#include "serial/read_plan.h"

namespace vindrel {

namespace {

InProcessPort& Registered() {
  static InProcessPort port;
  return port;
}

}  // namespace

void RegisterInProcessPort(InProcessPort port) { Registered() = std::move(port); }

const InProcessPort* RegisteredInProcessPort() {
  return Registered().device ? &Registered() : nullptr;
}

std::string InProcessPortName(int portNumber) {
  const InProcessPort* port = RegisteredInProcessPort();
  return portNumber == kInProcessPortNumber && port ? port->name : std::string();
}

InProcessLine::InProcessLine(const InProcessPort& port) : device(port.device), paced(port.paced) {
  settings.BaudRate = 9600;
}

InProcessLine::Clock::duration InProcessLine::ByteTime() const {
  if (!paced || settings.BaudRate == 0) return Clock::duration::zero();
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL) /
                                                     settings.BaudRate);
}

void InProcessLine::DeliverUpTo(Clock::time_point upTo) {
  while (!toDevice.empty() && toDevice.front().arrival <= upTo) {
    const TimedByte sent = toDevice.front();
    toDevice.pop_front();
    device->Receive(sent.byte, sent.arrival);
    for (const InProcessDevice::Output& out : device->TakeOutput()) {
      for (const char c : out.bytes) {
        inFree = std::max(inFree, out.notBefore) + ByteTime();
        fromDevice.push_back({inFree, static_cast<std::uint8_t>(c)});
      }
    }
  }
}

std::uint32_t InProcessLine::Read(std::uint8_t* buffer, std::uint32_t count,
                                  const SerialTimeouts& timeouts) {
  const auto start = Clock::now();
  const ReadPlan plan(timeouts, count, start);
  std::uint32_t done = 0;
  Clock::time_point lastByte = start;
  while (done < count && !(plan.firstBytesOnly && done > 0)) {
    const auto deadline = plan.Deadline(done, lastByte);
    DeliverUpTo(deadline.value_or(Clock::time_point::max()));
    if (fromDevice.empty() || (deadline && fromDevice.front().arrival > *deadline)) {
      if (deadline) WaitUntil(*deadline);
      break;
    }
    lastByte = std::max(lastByte, fromDevice.front().arrival);
    WaitUntil(lastByte);
    buffer[done++] = fromDevice.front().byte;
    fromDevice.pop_front();
  }
  return done;
}

std::uint32_t InProcessLine::Write(const std::uint8_t* bytes, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    outFree = std::max(outFree, Clock::now()) + ByteTime();
    toDevice.push_back({outFree, bytes[i]});
  }
  DeliverUpTo(Clock::now());  // unpaced, the device has them at once
  return count;
}

void InProcessLine::Flush() {
  if (!toDevice.empty()) WaitUntil(toDevice.back().arrival);
  DeliverUpTo(Clock::now());
}

void InProcessLine::Purge(std::uint32_t flags) {
  const auto now = Clock::now();
  DeliverUpTo(now);
  if ((flags & kPurgeTxClear) != 0) {
    toDevice.clear();
    outFree = std::min(outFree, now);
  }
  if ((flags & kPurgeRxClear) != 0) {
    while (!fromDevice.empty() && fromDevice.front().arrival <= now) fromDevice.pop_front();
  }
}

}  // namespace vindrel
