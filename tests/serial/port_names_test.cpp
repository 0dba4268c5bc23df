// The port-number table and the walk of the Windows device list: portable, tested on both
// platforms.
#include "serial/port_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "serial/port_discovery.h"

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
  EXPECT_EQ(PortDevicePath(33, "/tmp/x/"), "/tmp/x/ttyUSB0");
  for (const int outside : {0, 193}) {
    EXPECT_EQ(PortDevicePath(outside), "") << outside;
  }
  for (const char* other : {"tty0", "ttyS", "ttyUSB32", "ttyUSB01", "ttyS1a", "ttyS-1"}) {
    EXPECT_EQ(PortNumberFromDeviceName(other), 0) << other;
  }
}

TEST(ComPortNames, WalkTakesComNamesInOrderReadLikeAtoiUpToTheEmptyName) {
  PortNumberList ports{99};
  AppendComPortNumbers("COM1\0LPT1\0COM3\0com7\0COM\0COMX\0COM12\0COM3A\0\0COM9\0", ports);
  EXPECT_THAT(ports, ::testing::ElementsAre(99, 1, 3, 7, 0, 12, 3));
}

}  // namespace
}  // namespace vindrel
