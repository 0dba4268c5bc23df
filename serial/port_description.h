#pragma once

#include <string>

#include "serial/port_discovery.h"

namespace vindrel {

// What the system tells about port portNumber, to help people pick the right one. On Linux: the
// USB manufacturer and product with the stable /dev/serial/by-id name,
// "FTDI FT232R USB UART (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)", or for a ttyV link the
// pseudo-terminal it leads to, "link to /dev/pts/3". Empty when the system tells nothing. Reads
// files only; never opens the device.
std::string DescribeSerialPort(int portNumber, const PortDiscoveryRoots& roots = {});

// What port portNumber is, in more detail, for a report on why a tracker does not answer: on
// Linux "USB-adapter 1a86:7523, QinHeng USB Serial, serienummer 12, /dev/serial/by-id/usb-...",
// "Bluetooth-poort", "seriele poort van het systeem zelf (UART)" or the virtual port's link; on
// Windows the device's hardware id and friendly name. Empty when the system tells nothing.
std::string IdentifySerialPort(int portNumber, const PortDiscoveryRoots& roots = {});

}  // namespace vindrel
