// What the serial layer does alike on both platforms: the port-number table, the walk of the
// Windows device list and the error texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "serial/port_discovery.h"
#include "serial/port_names.h"
#include "serial/serial_exception.h"

namespace vindrel {
namespace {

TEST(PortNames, FamilyTableBothWays) {
  const std::pair<int, const char*> cases[] = {
      {1, "ttyS0"},    {32, "ttyS31"},   {33, "ttyUSB0"},   {64, "ttyUSB31"}, {65, "ttyACM0"},
      {97, "ttyAMA0"}, {129, "rfcomm0"}, {160, "rfcomm31"}, {161, "ttyV0"},   {192, "ttyV31"}};
  for (const auto& [number, name] : cases) {
    EXPECT_EQ(PortDeviceName(number), name);
    EXPECT_EQ(PortNumberFromDeviceName(name), number) << name;
  }
  EXPECT_EQ(PortDevicePath(0) + PortDevicePath(193), "");
  for (const char* other : {"ttyS", "ttyUSB32", "ttyUSB01", "ttyS012", "ttyS1a", "ttyS-1"}) {
    EXPECT_EQ(PortNumberFromDeviceName(other), 0) << other;
  }
}

TEST(ComPortNames, WalkTakesComOneToTwoHundredFiftyFiveInOrderUpToTheEmptyName) {
  PortNumberList ports{99};
  AppendComPortNumbers(
      "COM1\0LPT1\0COM3\0com7\0COM\0COMX\0COM255\0COM3A\0COM0\0COM07\0COM256\0COM1000\0"
      "COM-1\0\0COM9\0",
      ports);
  EXPECT_THAT(ports, ::testing::ElementsAre(99, 1, 3, 7, 255));
}

// 5 is EIO on Linux and ERROR_ACCESS_DENIED on Windows; 107 is a Windows text with an insert.
TEST(SerialException, GetErrorTextGivesTheSystemsMessageWithinTheCapacity) {
  char full[256];
  unsigned help = 7;
  ASSERT_TRUE(CSerialException(5).GetErrorText(full, sizeof full, &help));
  EXPECT_EQ(help, 0u);
  const std::string message = full;
  EXPECT_FALSE(std::isspace(message.back())) << "the system's closing line break stays out";
  EXPECT_TRUE(CSerialException(107).GetErrorText(full, sizeof full)) << "an insert, no arguments";
  for (const auto& [code, capacity, known, text] :
       {std::tuple{5u, 10u, true, message.substr(0, 9)}, std::tuple{5u, 1u, true, std::string()},
        std::tuple{0x20001234u, 32u, false, std::string()}}) {
    char got[72];
    std::memset(got, 'x', sizeof got);
    EXPECT_EQ(CSerialException(code).GetErrorText(got, capacity), known) << code;
    EXPECT_EQ(got, text) << code;
    EXPECT_EQ(got[capacity], 'x') << "written beyond the capacity";
  }
}

}  // namespace
}  // namespace vindrel
