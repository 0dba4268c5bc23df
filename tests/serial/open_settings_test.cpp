#include "serial/open_settings.h"

#include <gtest/gtest.h>

namespace vindrel {
namespace {

// What a driver might report: every member Open may keep holds a value Open never writes.
LineSettings DriverReported() {
  LineSettings s;
  s.Parity = s.StopBits = 9;
  s.fOutxCtsFlow = s.fOutxDsrFlow = s.fOutX = s.fInX = s.fDsrSensitivity = s.fParity = true;
  s.fDtrControl = kDtrControlDisable;
  s.fRtsControl = kRtsControlToggle;
  s.XonChar = 'a';
  s.XoffChar = 'b';
  s.XonLim = 7;
  s.XoffLim = 8;
  return s;
}

LineSettings Opened(int parity, int stopBits, int flow) {
  LineSettings s = DriverReported();
  ApplyOpenSettings(s, 4800, static_cast<SerialParity>(parity), 8,
                    static_cast<SerialStopBits>(stopBits), static_cast<SerialFlowControl>(flow));
  return s;
}

TEST(OpenSettings, ParityAndStopBitsTablesLeaveUnknownValuesAlone) {
  const int parities[][2] = {{ParityEven, 2},  {ParityMark, 3}, {ParityNone, 0}, {ParityOdd, 1},
                             {ParitySpace, 4}, {5, 9},          {-1, 9}};
  for (const auto& [value, member] : parities) {
    const LineSettings s = Opened(value, StopBitsOne, FlowNone);
    EXPECT_EQ(s.Parity, member) << "parity value " << value;
    EXPECT_TRUE(s.fParity) << "a parity choice is not a parity check";
  }
  const int stopBits[][2] = {{StopBitsOne, 0}, {StopBitsOneAndHalf, 1}, {StopBitsTwo, 2}, {3, 9}};
  for (const auto& [value, member] : stopBits) {
    EXPECT_EQ(Opened(ParityNone, value, FlowNone).StopBits, member) << "stop-bits value " << value;
  }
}

TEST(OpenSettings, FlowControlTableKeepsTheLinesItDoesNotName) {
  constexpr int kKept = -1;
  const struct {
    int value, cts, dsr, dtr, rts, xonXoff;
  } cases[] = {
      // value        CTS    DSR    DTR                    RTS                    XON/XOFF
      {FlowNone, 0, 0, kKept, kKept, 0},
      {FlowCtsRts, 1, 0, kKept, kRtsControlHandshake, 0},
      {FlowCtsDtr, 1, 0, kDtrControlHandshake, kKept, 0},
      {FlowDsrRts, 0, 1, kKept, kRtsControlHandshake, 0},
      {FlowDsrDtr, 0, 1, kDtrControlHandshake, kKept, 0},
      {FlowXonXoff, 0, 0, kKept, kKept, 1},
      {6, kKept, kKept, kKept, kKept, kKept},
  };
  const LineSettings before = DriverReported();
  const auto expect = [](int wanted, int kept) { return wanted == kKept ? kept : wanted; };
  for (const auto& c : cases) {
    const LineSettings s = Opened(ParityNone, StopBitsOne, c.value);
    SCOPED_TRACE(testing::Message() << "flow-control value " << c.value);
    EXPECT_EQ(s.fOutxCtsFlow, expect(c.cts, before.fOutxCtsFlow) != 0);
    EXPECT_EQ(s.fOutxDsrFlow, expect(c.dsr, before.fOutxDsrFlow) != 0);
    EXPECT_EQ(s.fDtrControl, expect(c.dtr, before.fDtrControl));
    EXPECT_EQ(s.fRtsControl, expect(c.rts, before.fRtsControl));
    EXPECT_EQ(s.fOutX, expect(c.xonXoff, before.fOutX) != 0);
    EXPECT_EQ(s.fInX, expect(c.xonXoff, before.fInX) != 0);
    EXPECT_FALSE(s.fDsrSensitivity);
    const bool xon = c.value == FlowXonXoff;  // only XON/XOFF chooses characters and limits
    EXPECT_EQ(s.XonChar, xon ? 0x11 : 'a');
    EXPECT_EQ(s.XoffChar, xon ? 0x13 : 'b');
    EXPECT_EQ(s.XonLim, xon ? 100 : 7);
    EXPECT_EQ(s.XoffLim, xon ? 100 : 8);
  }
}

}  // namespace
}  // namespace vindrel
