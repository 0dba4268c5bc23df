#include "serial/serial_port.h"

#include <windows.h>

#include <cstdio>

#include "serial/com_device_win32.h"

namespace vindrel {

CreateFileFunction comCreateFile = ::CreateFileA;
ComDriverCalls comDriver;

std::string ComDeviceName(int portNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", portNumber);
  return name;
}

namespace {

// The handle as it is: on a closed port INVALID_HANDLE_VALUE, which makes the call fail with
// ERROR_INVALID_HANDLE.
HANDLE Device(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Raises the failed transfer's error after clearing the driver's error state: a line error
// (framing, overrun, a break) stays pending until ClearCommError, and a driver set to abort on
// errors fails every later transfer while it does.
[[noreturn]] void RaiseTransferError(std::intptr_t handle) {
  const DWORD code = ::GetLastError();
  DWORD errors = 0;
  comDriver.clearCommError(Device(handle), &errors, nullptr);
  RaiseSerialError(code);
}

void DcbToLineSettings(const DCB& dcb, LineSettings& settings) {
  settings.DCBlength = dcb.DCBlength;
  settings.BaudRate = dcb.BaudRate;
  settings.fBinary = dcb.fBinary;
  settings.fParity = dcb.fParity;
  settings.fOutxCtsFlow = dcb.fOutxCtsFlow;
  settings.fOutxDsrFlow = dcb.fOutxDsrFlow;
  settings.fDtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
  settings.fDsrSensitivity = dcb.fDsrSensitivity;
  settings.fTXContinueOnXoff = dcb.fTXContinueOnXoff;
  settings.fOutX = dcb.fOutX;
  settings.fInX = dcb.fInX;
  settings.fErrorChar = dcb.fErrorChar;
  settings.fNull = dcb.fNull;
  settings.fRtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
  settings.fAbortOnError = dcb.fAbortOnError;
  settings.XonLim = dcb.XonLim;
  settings.XoffLim = dcb.XoffLim;
  settings.ByteSize = dcb.ByteSize;
  settings.Parity = dcb.Parity;
  settings.StopBits = dcb.StopBits;
  settings.XonChar = dcb.XonChar;
  settings.XoffChar = dcb.XoffChar;
  settings.ErrorChar = dcb.ErrorChar;
  settings.EofChar = dcb.EofChar;
  settings.EvtChar = dcb.EvtChar;
}

DCB LineSettingsToDcb(const LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = settings.BaudRate;
  dcb.fBinary = settings.fBinary;
  dcb.fParity = settings.fParity;
  dcb.fOutxCtsFlow = settings.fOutxCtsFlow;
  dcb.fOutxDsrFlow = settings.fOutxDsrFlow;
  dcb.fDtrControl = settings.fDtrControl & 0x3u;
  dcb.fDsrSensitivity = settings.fDsrSensitivity;
  dcb.fTXContinueOnXoff = settings.fTXContinueOnXoff;
  dcb.fOutX = settings.fOutX;
  dcb.fInX = settings.fInX;
  dcb.fErrorChar = settings.fErrorChar;
  dcb.fNull = settings.fNull;
  dcb.fRtsControl = settings.fRtsControl & 0x3u;
  dcb.fAbortOnError = settings.fAbortOnError;
  dcb.XonLim = settings.XonLim;
  dcb.XoffLim = settings.XoffLim;
  dcb.ByteSize = settings.ByteSize;
  dcb.Parity = settings.Parity;
  dcb.StopBits = settings.StopBits;
  dcb.XonChar = settings.XonChar;
  dcb.XoffChar = settings.XoffChar;
  dcb.ErrorChar = settings.ErrorChar;
  dcb.EofChar = settings.EofChar;
  dcb.EvtChar = settings.EvtChar;
  return dcb;
}

}  // namespace

void CSerialPort::OpenDevice(int portNumber) {
  // Share mode 0: the port is ours alone; a port another program holds fails with
  // ERROR_ACCESS_DENIED. Always synchronous: Read and Write pass no overlapped record, and on an
  // overlapped handle ReadFile without one may report an unfinished read as done.
  const HANDLE handle =
      comCreateFile(ComDeviceName(portNumber).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    RaiseSerialError();
  }
  deviceHandle = reinterpret_cast<std::intptr_t>(handle);
  // An error the program before left pending would fail the first transfer.
  DWORD errors = 0;
  comDriver.clearCommError(handle, &errors, nullptr);
}

void CSerialPort::CloseDevice() noexcept {
  if (deviceHandle == kInvalidHandle) {
    return;
  }
  ::CloseHandle(Device(deviceHandle));
  deviceHandle = kInvalidHandle;
  overlappedMode = false;
}

std::uint32_t CSerialPort::ReadDevice(void* buffer, std::uint32_t count) {
  DWORD done = 0;
  if (!comDriver.readFile(Device(deviceHandle), buffer, count, &done, nullptr)) {
    RaiseTransferError(deviceHandle);
  }
  return done;
}

std::uint32_t CSerialPort::WriteDevice(const void* buffer, std::uint32_t count) {
  DWORD done = 0;
  if (!comDriver.writeFile(Device(deviceHandle), buffer, count, &done, nullptr)) {
    RaiseTransferError(deviceHandle);
  }
  return done;
}

void CSerialPort::GetDeviceLineSettings(LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!comDriver.getCommState(Device(deviceHandle), &dcb)) {
    RaiseSerialError();
  }
  DcbToLineSettings(dcb, settings);
}

void CSerialPort::SetDeviceLineSettings(const LineSettings& settings) {
  DCB dcb = LineSettingsToDcb(settings);
  if (!comDriver.setCommState(Device(deviceHandle), &dcb)) {
    RaiseSerialError();
  }
}

void CSerialPort::FlushDevice() {
  if (!::FlushFileBuffers(Device(deviceHandle))) {
    RaiseSerialError();
  }
}

void CSerialPort::PurgeDevice(std::uint32_t flags) {
  if (!::PurgeComm(Device(deviceHandle), flags)) {
    RaiseSerialError();
  }
}

void CSerialPort::SetDeviceQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize) {
  if (!::SetupComm(Device(deviceHandle), inputSize, outputSize)) {
    RaiseSerialError();
  }
}

void CSerialPort::GetDeviceTimeouts(SerialTimeouts& settings) {
  COMMTIMEOUTS t{};
  if (!comDriver.getCommTimeouts(Device(deviceHandle), &t)) {
    RaiseSerialError();
  }
  settings = {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
              t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
}

void CSerialPort::SetDeviceTimeouts(const SerialTimeouts& settings) {
  COMMTIMEOUTS t{settings.ReadIntervalTimeout, settings.ReadTotalTimeoutMultiplier,
                 settings.ReadTotalTimeoutConstant, settings.WriteTotalTimeoutMultiplier,
                 settings.WriteTotalTimeoutConstant};
  if (!comDriver.setCommTimeouts(Device(deviceHandle), &t)) {
    RaiseSerialError();
  }
}

}  // namespace vindrel
