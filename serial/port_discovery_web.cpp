#include "serial/port_discovery.h"

#include <emscripten.h>

#include <array>
#include <cstdio>

#include "serial/port_description.h"
#include "serial/port_names.h"

// The ports are those the browser lets the page use: the ones the user granted it, in the
// browser's order, numbered by gui/web/web_serial.js.

// clang-format off
EM_ASYNC_JS(int, WebSerialList, (int* numbers, int capacity), {
  const found = (await vindrelSerial.list()).slice(0, capacity);
  HEAP32.set(found, numbers >> 2);
  return found.length;
});
// The USB vendor and product of a port as 0xVVVVPPPP, -1 when the browser does not tell them.
EM_JS(double, WebSerialUsbIds, (int number), {
  return vindrelSerial.usbIds(number);
});
// clang-format on

namespace vindrel {

namespace {

// "0403:6001", or empty for a port the browser tells nothing of (Bluetooth, a board UART).
std::string UsbIds(int portNumber) {
  const double ids = WebSerialUsbIds(portNumber);
  if (ids < 0) return {};
  const auto value = static_cast<unsigned long>(ids);
  char text[16];
  std::snprintf(text, sizeof text, "%04lx:%04lx", value >> 16, value & 0xFFFF);
  return text;
}

}  // namespace

std::string PortDisplayName(int portNumber) {
  const std::string ids = UsbIds(portNumber);
  return "Poort " + std::to_string(portNumber) + (ids.empty() ? "" : " (USB " + ids + ")");
}

void DiscoverSerialPorts(PortNumberList& ports, const PortDiscoveryRoots& /*roots*/) {
  PortNumberList().swap(ports);
  std::array<int, 255> numbers{};
  const int count = WebSerialList(numbers.data(), static_cast<int>(numbers.size()));
  for (int i = 0; i < count; ++i) ports.push_back(static_cast<std::uint32_t>(numbers[i]));
}

std::string DescribeSerialPort(int portNumber, const PortDiscoveryRoots& /*roots*/) {
  const std::string ids = UsbIds(portNumber);
  return ids.empty() ? "seriele poort die de browser toestaat" : "USB-adapter " + ids;
}

std::string IdentifySerialPort(int portNumber, const PortDiscoveryRoots& roots) {
  return DescribeSerialPort(portNumber, roots);
}

}  // namespace vindrel
