#pragma once

// Windows backend internals that its own tests reach. Only *_win32 files include this header.

#include <windows.h>
// windows.h first: the setup API builds on it.
#include <setupapi.h>

#include <functional>
#include <string>

#include "serial/port_discovery.h"

namespace vindrel {

// "\\.\COM3" for 3: the name under which Windows opens a COM port, also for numbers above 9.
std::string ComDeviceName(int portNumber);

// The call through which CSerialPort::Open and discovery's probing way open COM devices.
// Tests put a stand-in here (reporting failures through SetLastError, as the system does) to
// show what wine cannot: a port that another program holds. Everything else uses CreateFileA.
using CreateFileFunction = decltype(&::CreateFileA);
extern CreateFileFunction comCreateFile;

// The driver calls on an open port. A real driver keeps the line settings, time-outs and error
// state that the program before left, where wine starts afresh at every open: tests put
// stand-ins here to start from such a state and to see everything the port hands the driver.
struct ComDriverCalls {
  decltype(&::GetCommState) getCommState = ::GetCommState;
  decltype(&::SetCommState) setCommState = ::SetCommState;
  decltype(&::GetCommTimeouts) getCommTimeouts = ::GetCommTimeouts;
  decltype(&::SetCommTimeouts) setCommTimeouts = ::SetCommTimeouts;
  decltype(&::ClearCommError) clearCommError = ::ClearCommError;
  decltype(&::ReadFile) readFile = ::ReadFile;
  decltype(&::WriteFile) writeFile = ::WriteFile;
};
extern ComDriverCalls comDriver;

// Discovery's probing way: opens \\.\COM1 to \\.\COM255 in rising order and appends every number
// that opens, or that is refused (ERROR_ACCESS_DENIED: another program holds it) or attached but
// not working (ERROR_GEN_FAILURE). A port that opens is closed again at once.
void AppendProbedComPorts(PortNumberList& ports);

// Calls visit with every present device of the device manager's "Ports" class and its port name
// ("COM3"; empty for one without). Reads the device registry only; never opens a port.
using PortDeviceVisit = std::function<void(HDEVINFO, SP_DEVINFO_DATA&, const std::string&)>;
void ForEachPortDevice(const PortDeviceVisit& visit);

// A text property of a device (SPDRP_FRIENDLYNAME, SPDRP_HARDWAREID: its first string); empty
// when it has none.
std::string DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property);

}  // namespace vindrel
