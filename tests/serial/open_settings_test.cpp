#include "serial/open_settings.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vindrel {
namespace {

// What a driver might report: every member Open may keep holds a value Open never writes, so a
// member that was wrongly changed shows.
LineSettings DriverReported() {
  LineSettings s;
  s.BaudRate = 9600;
  s.ByteSize = 7;
  s.Parity = 9;
  s.StopBits = 9;
  s.fParity = true;
  s.fOutxCtsFlow = true;
  s.fOutxDsrFlow = true;
  s.fDtrControl = kDtrControlDisable;
  s.fRtsControl = kRtsControlToggle;
  s.fDsrSensitivity = true;
  s.fTXContinueOnXoff = true;
  s.fOutX = true;
  s.fInX = true;
  s.fErrorChar = true;
  s.fNull = true;
  s.fAbortOnError = true;
  s.XonChar = 'a';
  s.XoffChar = 'b';
  s.XonLim = 7;
  s.XoffLim = 8;
  s.ErrorChar = 'e';
  s.EofChar = 'f';
  s.EvtChar = 'g';
  return s;
}

LineSettings Opened(int parity, int stopBits, int flow) {
  LineSettings s = DriverReported();
  ApplyOpenSettings(s, 4800, static_cast<SerialParity>(parity), 8,
                    static_cast<SerialStopBits>(stopBits), static_cast<SerialFlowControl>(flow));
  return s;
}

TEST(OpenSettings, SpeedAndDataBitsAreTakenAsGivenAndUnrelatedMembersKept) {
  LineSettings s = DriverReported();
  ApplyOpenSettings(s, 123457, ParityNone, 3, StopBitsOne, FlowNone);
  EXPECT_EQ(s.BaudRate, 123457u);  // no test of the value here: applying it decides
  EXPECT_EQ(s.ByteSize, 3);
  EXPECT_FALSE(s.fDsrSensitivity);
  EXPECT_TRUE(s.fParity);  // a parity choice is not a parity check
  EXPECT_TRUE(s.fTXContinueOnXoff && s.fErrorChar && s.fNull && s.fAbortOnError);
  EXPECT_EQ(s.ErrorChar, 'e');
  EXPECT_EQ(s.EofChar, 'f');
  EXPECT_EQ(s.EvtChar, 'g');
}

TEST(OpenSettings, ParityTable) {
  const struct {
    int value;
    std::uint8_t member;
  } cases[] = {{ParityEven, 2}, {ParityMark, 3}, {ParityNone, 0}, {ParityOdd, 1},
               {ParitySpace, 4}, {5, 9},         {-1, 9}};
  for (const auto& c : cases) {
    const LineSettings s = Opened(c.value, StopBitsOne, FlowNone);
    EXPECT_EQ(s.Parity, c.member) << "parity value " << c.value;
    EXPECT_FALSE(s.fDsrSensitivity) << "parity value " << c.value;
  }
}

TEST(OpenSettings, StopBitsTable) {
  const struct {
    int value;
    std::uint8_t member;
  } cases[] = {{StopBitsOne, 0}, {StopBitsOneAndHalf, 1}, {StopBitsTwo, 2}, {3, 9}};
  for (const auto& c : cases) {
    EXPECT_EQ(Opened(ParityNone, c.value, FlowNone).StopBits, c.member)
        << "stop-bits value " << c.value;
  }
}

TEST(OpenSettings, FlowControlTable) {
  constexpr int kKept = -1;
  const struct {
    int value;
    int cts, dsr, dtr, rts, xonXoff;
  } cases[] = {
      // value        cts    dsr    DTR    RTS    XON/XOFF
      {FlowNone, 0, 0, kKept, kKept, 0},
      {FlowCtsRts, 1, 0, kKept, kRtsControlHandshake, 0},
      {FlowCtsDtr, 1, 0, kDtrControlHandshake, kKept, 0},
      {FlowDsrRts, 0, 1, kKept, kRtsControlHandshake, 0},
      {FlowDsrDtr, 0, 1, kDtrControlHandshake, kKept, 0},
      {FlowXonXoff, 0, 0, kKept, kKept, 1},
      {6, kKept, kKept, kKept, kKept, kKept},
  };
  const LineSettings before = DriverReported();
  for (const auto& c : cases) {
    const LineSettings s = Opened(ParityNone, StopBitsOne, c.value);
    const auto expect = [](int wanted, int kept) { return wanted == kKept ? kept : wanted; };
    SCOPED_TRACE(testing::Message() << "flow-control value " << c.value);
    EXPECT_EQ(s.fOutxCtsFlow, expect(c.cts, before.fOutxCtsFlow) != 0);
    EXPECT_EQ(s.fOutxDsrFlow, expect(c.dsr, before.fOutxDsrFlow) != 0);
    EXPECT_EQ(s.fDtrControl, expect(c.dtr, before.fDtrControl));
    EXPECT_EQ(s.fRtsControl, expect(c.rts, before.fRtsControl));
    EXPECT_EQ(s.fOutX, expect(c.xonXoff, before.fOutX) != 0);
    EXPECT_EQ(s.fInX, expect(c.xonXoff, before.fInX) != 0);
    EXPECT_FALSE(s.fDsrSensitivity);
    // Only XON/XOFF flow control chooses the characters and limits.
    const bool xon = c.value == FlowXonXoff;
    EXPECT_EQ(s.XonChar, xon ? 0x11 : 'a');
    EXPECT_EQ(s.XoffChar, xon ? 0x13 : 'b');
    EXPECT_EQ(s.XonLim, xon ? 100 : 7);
    EXPECT_EQ(s.XoffLim, xon ? 100 : 8);
  }
}

}  // namespace
}  // namespace vindrel
