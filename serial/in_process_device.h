#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vindrel {

// A device that lives in the program and is opened as a port: bytes pass in memory, timed as on
// a serial line. The line knows nothing of what the device is; a program's main registers it.
class InProcessDevice {
 public:
  using Clock = std::chrono::steady_clock;
  struct Output {
    Clock::time_point notBefore;  // the device starts sending them no earlier
    std::string bytes;
  };
  virtual ~InProcessDevice() = default;
  // Byte b has finished arriving at `at`; times never go back.
  virtual void Receive(std::uint8_t b, Clock::time_point at) = 0;
  // What the device sends in answer so far, in order; each Output at most once.
  virtual std::vector<Output> TakeOutput() = 0;
};

// Any object with Receive(b, at) and TakeOutput() of those shapes, as a device.
template <class Peer>
class InProcessDeviceOf final : public InProcessDevice {
 public:
  template <class... Args>
  explicit InProcessDeviceOf(Args&&... args) : peer(std::forward<Args>(args)...) {}
  void Receive(std::uint8_t b, Clock::time_point at) override { peer.Receive(b, at); }
  std::vector<Output> TakeOutput() override {
    std::vector<Output> out;
    for (auto& o : peer.TakeOutput()) out.push_back({o.notBefore, std::move(o.bytes)});
    return out;
  }
  Peer peer;
};

// The port number of the in-process device: beyond the numbers that the system's ports can have.
inline constexpr int kInProcessPortNumber = 256;

struct InProcessPort {
  std::string name;                         // what port lists show for it
  std::string description;                  // what it is, for a tooltip or the description column
  std::shared_ptr<InProcessDevice> device;  // one device for the program's lifetime
  // Every byte takes as long as at the line's speed (10 bits a byte); tests may switch it off.
  bool paced = true;
};

// Offers port as port kInProcessPortNumber, replacing the one offered before; a port without a
// device withdraws it. Not thread-safe: a program's main calls it before anything opens a port.
void RegisterInProcessPort(InProcessPort port);
// The port offered; nullptr when there is none.
const InProcessPort* RegisteredInProcessPort();
// The offered port's name when portNumber is its number; empty otherwise.
std::string InProcessPortName(int portNumber);

}  // namespace vindrel
