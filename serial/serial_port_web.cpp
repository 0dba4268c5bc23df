#include "serial/serial_port.h"

#include <emscripten.h>

#include <cerrno>
#include <chrono>

#include "serial/read_plan.h"

// The port is the browser's Web Serial port of that number (gui/web/web_serial.js numbers the
// ports the page may use). The glue answers every call with a count, or with a negative reason
// when it failed; WebFailureCode turns those into the errno codes CSerialException carries.

// clang-format off
EM_ASYNC_JS(int, WebSerialPresent, (int number), {
  return await vindrelSerial.present(number);
});
EM_ASYNC_JS(int, WebSerialOpen, (int number, int baudRate, int dataBits, int stopBits,
                                 const char* parity, const char* flowControl), {
  return await vindrelSerial.open(number, {baudRate, dataBits, stopBits,
                                           parity: UTF8ToString(parity),
                                           flowControl: UTF8ToString(flowControl)});
});
EM_ASYNC_JS(void, WebSerialClose, (), {
  await vindrelSerial.close();
});
EM_ASYNC_JS(int, WebSerialRead, (unsigned char* buffer, int count, double waitMs), {
  const bytes = await vindrelSerial.read(count, waitMs);
  if (typeof bytes === 'number') return bytes;
  HEAPU8.set(bytes, buffer);
  return bytes.length;
});
EM_ASYNC_JS(int, WebSerialWrite, (const unsigned char* bytes, int count, double waitMs), {
  return await vindrelSerial.write(HEAPU8.slice(bytes, bytes + count), waitMs);
});
EM_ASYNC_JS(void, WebSerialFlush, (double waitMs), {
  await vindrelSerial.flush(waitMs);
});
EM_JS(void, WebSerialPurgeInput, (), {
  vindrelSerial.purgeInput();
});
// clang-format on

namespace vindrel {

namespace {

using Clock = std::chrono::steady_clock;

// The glue's reasons (web_serial.js, failure).
constexpr int kWebMissing = -1, kWebBusy = -2, kWebBroken = -3, kWebNotOpen = -4;

// The one place where the browser's failures become error codes.
std::uint32_t WebFailureCode(int reason) {
  switch (reason) {
    case kWebMissing:
      return ENODEV;
    case kWebBusy:
      return EBUSY;
    case kWebNotOpen:
      return EBADF;
    case kWebBroken:
    default:
      return EIO;  // the line failed under a transfer: the adapter was pulled, say
  }
}

int Checked(int result) {
  if (result < 0) RaiseSerialError(WebFailureCode(result));
  return result;
}

// Milliseconds until deadline for the glue: -1 waits without limit, 0 only takes what has come.
double WaitMs(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::duration<double, std::milli>(*deadline - Clock::now()).count();
  return left > 0 ? left : 0;
}

// What Web Serial can do of the settings; nullptr where it cannot (1.5 stop bits, mark or space
// parity, DSR or DTR handshakes, XON/XOFF).
const char* ParityName(std::uint8_t parity) {
  return parity == kNoParity     ? "none"
         : parity == kEvenParity ? "even"
         : parity == kOddParity  ? "odd"
                                 : nullptr;
}

const char* FlowControlName(const LineSettings& s) {
  if (s.fOutxDsrFlow || s.fOutX || s.fInX || s.fDtrControl == kDtrControlHandshake) return nullptr;
  if (s.fOutxCtsFlow != (s.fRtsControl == kRtsControlHandshake)) return nullptr;
  return s.fOutxCtsFlow ? "hardware" : "none";
}

// What the port was opened with: Web Serial takes the settings at its open, so the line opens
// when they are applied, and again only when they change. The glue holds one open line, so the
// page talks over one port at a time.
LineSettings applied;
bool lineOpen = false;

}  // namespace

void CSerialPort::OpenDevice(int portNumber) {
  if (!WebSerialPresent(portNumber)) RaiseSerialError(ENODEV);
  if (lineOpen) WebSerialClose();  // another object's line: one at a time
  deviceHandle = portNumber;
  // A port fresh from the browser, as a driver reports one that nobody has set.
  applied = LineSettings{};
  applied.BaudRate = 9600;
  lineOpen = false;
}

void CSerialPort::CloseDevice() noexcept {
  if (deviceHandle == kInvalidHandle) return;
  if (lineOpen) WebSerialClose();
  lineOpen = false;
  deviceHandle = kInvalidHandle;
  overlappedMode = false;
}

std::uint32_t CSerialPort::ReadDevice(void* buffer, std::uint32_t count) {
  if (!lineOpen) RaiseSerialError(EBADF);
  auto* bytes = static_cast<unsigned char*>(buffer);
  const auto start = Clock::now();
  const ReadPlan plan(timeouts, count, start);
  std::uint32_t done = 0;
  auto lastByte = start;
  while (done < count && !(plan.firstBytesOnly && done > 0)) {
    const auto deadline = plan.Deadline(done, lastByte);
    const int got =
        Checked(WebSerialRead(bytes + done, static_cast<int>(count - done), WaitMs(deadline)));
    if (got > 0) {
      done += static_cast<std::uint32_t>(got);
      lastByte = Clock::now();
    } else if (deadline && Clock::now() >= *deadline) {
      break;
    }
  }
  return done;
}

std::uint32_t CSerialPort::WriteDevice(const void* buffer, std::uint32_t count) {
  if (!lineOpen) RaiseSerialError(EBADF);
  const std::uint64_t totalMs = std::uint64_t{timeouts.WriteTotalTimeoutMultiplier} * count +
                                timeouts.WriteTotalTimeoutConstant;
  return static_cast<std::uint32_t>(
      Checked(WebSerialWrite(static_cast<const unsigned char*>(buffer), static_cast<int>(count),
                             totalMs == 0 ? -1.0 : static_cast<double>(totalMs))));
}

void CSerialPort::GetDeviceLineSettings(LineSettings& settings) {
  if (deviceHandle == kInvalidHandle) RaiseSerialError(EBADF);
  settings = applied;
}

void CSerialPort::SetDeviceLineSettings(const LineSettings& settings) {
  if (deviceHandle == kInvalidHandle) RaiseSerialError(EBADF);
  const char* parity = ParityName(settings.Parity);
  const char* flowControl = FlowControlName(settings);
  const bool dataBitsOk = settings.ByteSize == 7 || settings.ByteSize == 8;
  const bool stopBitsOk = settings.StopBits == kOneStopBit || settings.StopBits == kTwoStopBits;
  if (!parity || !flowControl || !dataBitsOk || !stopBitsOk || settings.BaudRate == 0) {
    RaiseSerialError(EINVAL);
  }
  const bool same = lineOpen && settings.BaudRate == applied.BaudRate &&
                    settings.ByteSize == applied.ByteSize && settings.Parity == applied.Parity &&
                    settings.StopBits == applied.StopBits &&
                    flowControl == FlowControlName(applied);
  if (!same) {
    if (lineOpen) WebSerialClose();
    lineOpen = false;
    const int opened = WebSerialOpen(
        static_cast<int>(deviceHandle), static_cast<int>(settings.BaudRate), settings.ByteSize,
        settings.StopBits == kTwoStopBits ? 2 : 1, parity, flowControl);
    if (opened < 0) {
      // The port never opened: another program holds it, or it has gone. The object is closed, as
      // after a refused open on the other systems.
      deviceHandle = kInvalidHandle;
      RaiseSerialError(WebFailureCode(opened));
    }
    lineOpen = true;
  }
  applied = settings;
}

void CSerialPort::FlushDevice() {
  if (!lineOpen) return;
  // A write the browser has not finished within its time-out may still be under way.
  WebSerialFlush(timeouts.WriteTotalTimeoutConstant == 0 ? -1.0
                                                         : timeouts.WriteTotalTimeoutConstant);
}

void CSerialPort::PurgeDevice(std::uint32_t flags) {
  if (deviceHandle == kInvalidHandle) RaiseSerialError(EBADF);
  // What the browser has taken to send cannot be called back; what has come in can be dropped.
  if (lineOpen && (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0) WebSerialPurgeInput();
}

void CSerialPort::SetDeviceQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize) {
  if (deviceHandle == kInvalidHandle) RaiseSerialError(EBADF);
  inputQueueSize = inputSize;
  outputQueueSize = outputSize;
}

void CSerialPort::GetDeviceTimeouts(SerialTimeouts& settings) {
  if (deviceHandle == kInvalidHandle) RaiseSerialError(EBADF);
  settings = timeouts;
}

void CSerialPort::SetDeviceTimeouts(const SerialTimeouts& settings) {
  if (deviceHandle == kInvalidHandle) RaiseSerialError(EBADF);
  timeouts = settings;
}

}  // namespace vindrel
