#pragma once

// Windows backend internals that its own tests reach. Only *_win32 files include this header.

#include <windows.h>

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

// Discovery's probing way: opens \\.\COM1 to \\.\COM255 in rising order and appends every number
// that opens, or that is refused (ERROR_ACCESS_DENIED: another program holds it) or attached but
// not working (ERROR_GEN_FAILURE). A port that opens is closed again at once.
void AppendProbedComPorts(PortNumberList& ports);

}  // namespace vindrel
