#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "serial/serial_exception.h"

namespace vindrel {

class InProcessLine;

// Numbering is fixed: callers pass these numbers, and values outside the lists leave the
// corresponding setting as the driver reported it.
enum SerialParity : int {
  ParityEven = 0,
  ParityMark = 1,
  ParityNone = 2,
  ParityOdd = 3,
  ParitySpace = 4,
};

enum SerialStopBits : int {
  StopBitsOne = 0,
  StopBitsOneAndHalf = 1,
  StopBitsTwo = 2,
};

enum SerialFlowControl : int {
  FlowNone = 0,
  FlowCtsRts = 1,
  FlowCtsDtr = 2,
  FlowDsrRts = 3,
  FlowDsrDtr = 4,
  FlowXonXoff = 5,
};

// Values of LineSettings members, numbered as the serial drivers of the original platform
// number them.
inline constexpr std::uint8_t kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3,
                              kSpaceParity = 4;
inline constexpr std::uint8_t kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2;
inline constexpr std::uint8_t kDtrControlDisable = 0, kDtrControlEnable = 1,
                              kDtrControlHandshake = 2;
inline constexpr std::uint8_t kRtsControlDisable = 0, kRtsControlEnable = 1,
                              kRtsControlHandshake = 2, kRtsControlToggle = 3;

// The line's settings, shaped like the platform record the port reports and applies. Members
// keep the record's names.
struct LineSettings {
  std::uint32_t DCBlength = 28;
  std::uint32_t BaudRate = 0;
  bool fBinary = true;
  bool fParity = false;  // parity check on input
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  std::uint8_t fDtrControl = kDtrControlEnable;
  bool fDsrSensitivity = false;
  bool fTXContinueOnXoff = false;
  bool fOutX = false;
  bool fInX = false;
  bool fErrorChar = false;
  bool fNull = false;
  std::uint8_t fRtsControl = kRtsControlEnable;
  bool fAbortOnError = false;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 8;
  std::uint8_t Parity = kNoParity;
  std::uint8_t StopBits = kOneStopBit;
  char XonChar = 0x11;
  char XoffChar = 0x13;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
};

// Time-outs of Read and Write, in milliseconds. A read may take
// ReadTotalTimeoutMultiplier * count + ReadTotalTimeoutConstant in all (0 and 0: no total limit)
// and ReadIntervalTimeout between two bytes once the first has come (0: no interval limit).
// ReadIntervalTimeout kMaxTimeout with both totals 0 returns what is buffered at once. All zero:
// wait until the whole count has come.
struct SerialTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

inline constexpr std::uint32_t kMaxTimeout = 0xFFFFFFFF;

// Purge flags of PurgeQueues.
inline constexpr std::uint32_t kPurgeTxAbort = 0x1, kPurgeRxAbort = 0x2, kPurgeTxClear = 0x4,
                               kPurgeRxClear = 0x8;

// A numbered serial port. Every failing system call raises CSerialException with the system's
// error code; a read or write that runs out of time returns a short count instead. Port
// kInProcessPortNumber is the in-process device when one is registered
// (serial/in_process_device.h).
class CSerialPort {
 public:
  CSerialPort();
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // Closes the port first (also when the new open fails), opens port portNumber for exclusive
  // use and applies speed, parity, data bits, stop bits and flow control. A port held by another
  // program fails (EBUSY on Linux, ERROR_ACCESS_DENIED on Windows) and the object stays closed. A
  // failure after the device was opened (applying the settings) leaves the port open. Transfers
  // are always synchronous; overlapped is only recorded.
  void Open(int portNumber, std::uint32_t baudRate, SerialParity parity, std::uint8_t dataBits,
            SerialStopBits stopBits, SerialFlowControl flowControl, bool overlapped);
  // Releases the port; harmless on a closed port. Never throws.
  void Close() noexcept;

  // Blocking transfers bounded by the time-outs; return the count transferred.
  std::uint32_t Read(void* buffer, std::uint32_t count);
  std::uint32_t Write(const void* buffer, std::uint32_t count);

  void GetLineSettings(LineSettings& settings);
  void SetLineSettings(const LineSettings& settings);
  void FlushOutput();
  void PurgeQueues(std::uint32_t flags);
  void DiscardOutput();
  void DiscardInput();
  void SetQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize);
  void GetTimeoutSettings(SerialTimeouts& timeouts);
  void SetTimeoutSettings(const SerialTimeouts& timeouts);

  bool IsOpen() const;

  // Sees the bytes of every Read (sent false) and Write (sent true) that moved any, in the order
  // they crossed the line: a trace of the line for people debugging it. Empty: no trace.
  std::function<void(bool sent, const std::uint8_t* bytes, std::size_t count)> lineObserver;

  // Directory that holds the device files ("/dev"); tests point it at a temporary tree. Linux
  // only: Windows opens "\\.\COMn".
  void SetDeviceDirectory(std::string directory) { deviceDirectory = std::move(directory); }
  const std::string& DeviceDirectory() const { return deviceDirectory; }

  // Wide enough for both platforms' handles; -1 is also Windows' INVALID_HANDLE_VALUE.
  static constexpr std::intptr_t kInvalidHandle = -1;
  // The open device: a file descriptor on Linux, a HANDLE on Windows.
  std::intptr_t deviceHandle = kInvalidHandle;
  bool overlappedMode = false;

 private:
  // Backend step of Open: opens the device for exclusive use and stores deviceHandle. Raises
  // with the port left closed.
  void OpenDevice(int portNumber);
  // Backend steps of the operations of the same names, on a system port.
  void CloseDevice() noexcept;
  std::uint32_t ReadDevice(void* buffer, std::uint32_t count);
  std::uint32_t WriteDevice(const void* buffer, std::uint32_t count);
  void GetDeviceLineSettings(LineSettings& settings);
  void SetDeviceLineSettings(const LineSettings& settings);
  void FlushDevice();
  void PurgeDevice(std::uint32_t flags);
  void SetDeviceQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize);
  void GetDeviceTimeouts(SerialTimeouts& timeouts);
  void SetDeviceTimeouts(const SerialTimeouts& timeouts);

  std::unique_ptr<InProcessLine> inProcess;  // set while the in-process device is open

  std::string deviceDirectory = "/dev";
  SerialTimeouts timeouts;  // what SetTimeoutSettings applied; all zero after Open (Linux and the
                            // in-process device)
  // Sizes asked for with SetQueueSizes, in bytes; the kernel's queues have fixed sizes.
  std::uint32_t inputQueueSize = 0;
  std::uint32_t outputQueueSize = 0;
  // State the backend restores when the port is closed (e.g. the driver's latency flag).
  int savedSerialFlags = -1;
};

}  // namespace vindrel
