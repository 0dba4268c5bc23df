#include "serial/serial_port.h"

#include "serial/in_process_line.h"
#include "serial/open_settings.h"

namespace vindrel {

void ApplyOpenSettings(LineSettings& settings, std::uint32_t baudRate, SerialParity parity,
                       std::uint8_t dataBits, SerialStopBits stopBits,
                       SerialFlowControl flowControl) {
  settings.BaudRate = baudRate;
  settings.ByteSize = dataBits;

  switch (parity) {
    case ParityEven:
      settings.Parity = kEvenParity;
      break;
    case ParityMark:
      settings.Parity = kMarkParity;
      break;
    case ParityNone:
      settings.Parity = kNoParity;
      break;
    case ParityOdd:
      settings.Parity = kOddParity;
      break;
    case ParitySpace:
      settings.Parity = kSpaceParity;
      break;
  }

  switch (stopBits) {
    case StopBitsOne:
      settings.StopBits = kOneStopBit;
      break;
    case StopBitsOneAndHalf:
      settings.StopBits = kOne5StopBits;
      break;
    case StopBitsTwo:
      settings.StopBits = kTwoStopBits;
      break;
  }

  settings.fDsrSensitivity = false;

  // A handshake value takes over its control line; the other line keeps what the driver had, so
  // FlowNone changes neither DTR nor RTS. The drivers themselves raise both at every open and, on
  // Linux where they set HUPCL, drop both at the last close; that is kept, so the tracker sees
  // the same lines as from any terminal program.
  auto handshake = [&settings](bool cts, bool dsr) {
    settings.fOutxCtsFlow = cts;
    settings.fOutxDsrFlow = dsr;
    settings.fOutX = false;
    settings.fInX = false;
  };
  switch (flowControl) {
    case FlowNone:
      handshake(false, false);
      break;
    case FlowCtsRts:
      handshake(true, false);
      settings.fRtsControl = kRtsControlHandshake;
      break;
    case FlowCtsDtr:
      handshake(true, false);
      settings.fDtrControl = kDtrControlHandshake;
      break;
    case FlowDsrRts:
      handshake(false, true);
      settings.fRtsControl = kRtsControlHandshake;
      break;
    case FlowDsrDtr:
      handshake(false, true);
      settings.fDtrControl = kDtrControlHandshake;
      break;
    case FlowXonXoff:
      handshake(false, false);
      settings.fOutX = true;
      settings.fInX = true;
      settings.XonChar = 0x11;
      settings.XoffChar = 0x13;
      settings.XonLim = 100;
      settings.XoffLim = 100;
      break;
  }
}

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort() { Close(); }

void CSerialPort::Open(int portNumber, std::uint32_t baudRate, SerialParity parity,
                       std::uint8_t dataBits, SerialStopBits stopBits,
                       SerialFlowControl flowControl, bool overlapped) {
  // Release a port opened before, even when the new one then fails to open.
  Close();
  const InProcessPort* device = RegisteredInProcessPort();
  if (portNumber == kInProcessPortNumber && device != nullptr) {
    inProcess = std::make_unique<InProcessLine>(*device);
  } else {
    OpenDevice(portNumber);
  }
  overlappedMode = overlapped;
  // A freshly opened port reports all-zero time-outs, whatever the previous open used.
  timeouts = SerialTimeouts{};

  // From here a failure leaves the port open: the caller decides whether to close it.
  LineSettings settings;
  GetLineSettings(settings);
  ApplyOpenSettings(settings, baudRate, parity, dataBits, stopBits, flowControl);
  SetLineSettings(settings);
}

std::uint32_t CSerialPort::Read(void* buffer, std::uint32_t count) {
  const std::uint32_t done =
      inProcess ? inProcess->Read(static_cast<std::uint8_t*>(buffer), count, timeouts)
                : ReadDevice(buffer, count);
  if (lineObserver && done > 0) lineObserver(false, static_cast<const std::uint8_t*>(buffer), done);
  return done;
}

std::uint32_t CSerialPort::Write(const void* buffer, std::uint32_t count) {
  const std::uint32_t done = inProcess
                                 ? inProcess->Write(static_cast<const std::uint8_t*>(buffer), count)
                                 : WriteDevice(buffer, count);
  if (lineObserver && done > 0) lineObserver(true, static_cast<const std::uint8_t*>(buffer), done);
  return done;
}

bool CSerialPort::IsOpen() const { return deviceHandle != kInvalidHandle || inProcess != nullptr; }

void CSerialPort::Close() noexcept {
  inProcess.reset();
  CloseDevice();
}

// The in-process device keeps settings, time-outs and queue sizes as recorded; the rest of its
// behaviour is in InProcessLine.
void CSerialPort::GetLineSettings(LineSettings& settings) {
  if (!inProcess) return GetDeviceLineSettings(settings);
  settings = inProcess->settings;
}

void CSerialPort::SetLineSettings(const LineSettings& settings) {
  if (!inProcess) return SetDeviceLineSettings(settings);
  inProcess->settings = settings;
}

void CSerialPort::FlushOutput() {
  if (!inProcess) return FlushDevice();
  inProcess->Flush();
}

void CSerialPort::PurgeQueues(std::uint32_t flags) {
  if (!inProcess) return PurgeDevice(flags);
  inProcess->Purge(flags);
}

void CSerialPort::SetQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize) {
  if (!inProcess) return SetDeviceQueueSizes(inputSize, outputSize);
  inputQueueSize = inputSize;
  outputQueueSize = outputSize;
}

void CSerialPort::GetTimeoutSettings(SerialTimeouts& settings) {
  if (!inProcess) return GetDeviceTimeouts(settings);
  settings = timeouts;
}

void CSerialPort::SetTimeoutSettings(const SerialTimeouts& settings) {
  if (!inProcess) return SetDeviceTimeouts(settings);
  timeouts = settings;
}

void CSerialPort::DiscardOutput() { PurgeQueues(kPurgeTxClear); }

void CSerialPort::DiscardInput() { PurgeQueues(kPurgeRxClear); }

}  // namespace vindrel
