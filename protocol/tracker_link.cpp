#include "protocol/tracker_link.h"

#include <chrono>

#include "protocol/port_access.h"
#include "serial/port_names.h"

namespace vindrel {

namespace {

constexpr std::uint8_t kHandshake = '!';
constexpr std::uint8_t kHandshakeAlternative = '>';
constexpr std::uint32_t kBaudRate = 4800;
constexpr std::uint32_t kQueueSize = 1024;
constexpr std::uint32_t kReadTimeoutMs = 1000;
constexpr std::uint32_t kWriteTimeoutMs = 1000;

constexpr const char* kNoCommunication = "No Communication with TALVORIN possible";

}  // namespace

bool TrackerLink::AwaitByte(std::uint8_t wanted, std::uint8_t alternative) {
  // Every other byte is dropped, but not for ever: a GPS receiver on the port would otherwise
  // keep the user waiting as long as it sends. The clock is looked at after each dropped byte,
  // so a wait can overrun the bound by at most one read time-out.
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t dropped = 0;; ++dropped) {
    if (dropped >= kMaxDroppedBytes || std::chrono::steady_clock::now() - start >= kMaxReplyWait) {
      return false;
    }
    std::uint8_t b = 0;
    if (port.Read(&b, 1) != 1) return false;
    if (b == wanted || b == alternative) return true;
  }
}

bool TrackerLink::Connect() {
  if (gpsTimer != 0) {
    owner.StopTimer(gpsTimer);
    gpsTimer = 0;
    portOpen = true;  // the simulation's port is tidied up like the link's own
  }
  const int portNumber = owner.SelectedPortNumber();
  try {
    if (portOpen) {
      port.DiscardOutput();
      port.DiscardInput();
      port.FlushOutput();
      port.Close();
      portOpen = false;
    }
    OpenPort(portNumber);
    portOpen = true;

    if (port.Write(&kHandshake, 1) == 1 && AwaitByte(kHandshake, kHandshakeAlternative)) {
      owner.HandshakeAnswered(portNumber);
      return true;
    }
  } catch (const CSerialException& e) {
    // An open that failed says why: a missing device or a refused one sends the user to the
    // cable or the group, not looking for a program that holds the port. A port that is still
    // open failed later (tidy-up, settings, handshake): that is reported as in use, as before.
    owner.ShowMessage(port.IsOpen()
                          ? kPortInUseMessage
                          : PortOpenFailureMessage(
                                e.errorCode, PortDevicePath(portNumber, port.DeviceDirectory())));
    port.Close();
    portOpen = false;
    return false;
  }
  // The port stays open: the next command goes straight to its command byte.
  owner.ShowMessage(kNoCommunication);
  return false;
}

bool TrackerLink::SendCommand(std::uint8_t c) {
  // The port the user has chosen since is the one to talk to: a command never goes out on the
  // port of an earlier choice.
  if (!Connected() && !Connect()) return false;
  // Only bytes that come after the command can be its echo: whatever an earlier exchange left on
  // the line (the rest of an image that came too late) is no answer to it.
  port.DiscardInput();
  if (port.Write(&c, 1) != 1) return false;
  return AwaitByte(c, c);
}

bool TrackerLink::Connected() { return portOpen && openPortNumber == owner.SelectedPortNumber(); }

void TrackerLink::OpenPort(int portNumber) {
  port.Open(portNumber, kBaudRate, ParityNone, 8, StopBitsOne, FlowNone, false);
  openPortNumber = portNumber;
  port.SetQueueSizes(kQueueSize, kQueueSize);
  SerialTimeouts timeouts;
  port.GetTimeoutSettings(timeouts);
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
  timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
  port.SetTimeoutSettings(timeouts);
}

void TrackerLink::Close() {
  port.Close();
  portOpen = false;
}

}  // namespace vindrel
