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

  // Every other member gets the value this program's line needs: a real driver keeps what the
  // program before left, and fNull would drop the handshake's 0x00 echo, fAbortOnError fail every
  // transfer after a line error, an error or event character change the bytes or the waits.
  settings.fBinary = true;
  // No parity check: Linux would hand a byte with a parity error on as a zero byte; the
  // exchanges check their echoes themselves.
  settings.fParity = false;
  settings.fDsrSensitivity = false;
  settings.fTXContinueOnXoff = true;
  settings.fErrorChar = false;
  settings.fNull = false;
  settings.fAbortOnError = false;
  settings.XonChar = 0x11;
  settings.XoffChar = 0x13;
  settings.XonLim = 100;
  settings.XoffLim = 100;
  settings.ErrorChar = 0;
  settings.EofChar = 0;
  settings.EvtChar = 0;

  // A handshake value takes over its control line; a line without handshake is raised, as the
  // drivers raise both at every open (and, on Linux where they set HUPCL, drop both at the last
  // close), so the tracker sees the same lines as from any terminal program.
  auto handshake = [&settings](bool cts, bool dsr) {
    settings.fOutxCtsFlow = cts;
    settings.fOutxDsrFlow = dsr;
    settings.fOutX = false;
    settings.fInX = false;
    settings.fDtrControl = kDtrControlEnable;
    settings.fRtsControl = kRtsControlEnable;
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

  // From here a failure leaves the port open: the caller decides whether to close it. All five
  // time-outs start at zero, whatever the previous program or open left in the driver.
  SetTimeoutSettings(SerialTimeouts{});
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
