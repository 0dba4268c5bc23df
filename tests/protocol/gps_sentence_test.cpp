#include "protocol/gps_simulation.h"

#include <gtest/gtest.h>

namespace vindrel {
namespace {

// Written out by hand: the tracker accepts exactly these bytes, fixed "*25"/"*1F" and LF CR.
TEST(GpsSentence, RmcCarriesSpeedAndCourseByteForByte) {
  struct Case {
    int speed, course;
    const char* expected;
  };
  const Case cases[] = {
      {0, 0, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,0.00,211200,,*25\n\r"},
      {0, 10, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,10.00,211200,,*25\n\r"},
      {0, 100, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,100.00,211200,,*25\n\r"},
      {0, 350, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,0.00,350.00,211200,,*25\n\r"},
      {50, 10, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,50.00,10.00,211200,,*25\n\r"},
      {100, 0, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,0.00,211200,,*25\n\r"},
      {100, 350, "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,100.00,350.00,211200,,*25\n\r"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatRmcSentence(c.speed, c.course), c.expected)
        << "speed " << c.speed << ", course " << c.course;
  }
  EXPECT_EQ(FormatRmcSentence(0, 0).size(), 68u);
  EXPECT_EQ(FormatRmcSentence(0, 10).size(), 69u);
  EXPECT_EQ(FormatRmcSentence(0, 350).size(), 70u);
  EXPECT_EQ(FormatRmcSentence(100, 350).size(), 72u);
}

TEST(GpsSentence, GgaIsSeventyThreeBytesWithFixedAltitude) {
  const std::string gga = FormatGgaSentence(100);
  EXPECT_EQ(gga, "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,100.0,M,,,,0000*1F\n\r");
  EXPECT_EQ(gga.size(), 73u);
}

}  // namespace
}  // namespace vindrel
