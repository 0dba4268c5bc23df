#include "serial/termios_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "serial/open_settings.h"

namespace vindrel {
namespace {

constexpr auto kBadParity = SerialParity(5);
constexpr auto kBadStopBits = SerialStopBits(3);
constexpr auto kBadFlow = SerialFlowControl(6);

// Open's settings over a terminal as a previous program may have left it: cooked, 9600 baud,
// 7E2, both kinds of flow control.
TEST(TermiosMapping, EveryOpenSettingGivesARawTerminalOrIsRefusedWithEinval) {
  // clang-format off
  termios cooked{ICRNL | IXON | IXANY | PARMRK | ISTRIP | BRKINT, OPOST | ONLCR,
                 CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL, ICANON | ECHO | ECHOE | ISIG | IEXTEN, 0, {}, 0, 0};
  cooked.c_cc[VMIN] = cooked.c_cc[VTIME] = 5;
  cooked.c_cc[VSTART] = 'a';
  cooked.c_cc[VSTOP] = 'b';
  cfsetspeed(&cooked, B9600);
  const struct {
    std::uint32_t baud; SerialParity parity; std::uint8_t dataBits; SerialStopBits stopBits;
    SerialFlowControl flow; int result; tcflag_t cflag, iflag; speed_t speed;
  } cases[] = {
      {4800, ParityNone, 8, StopBitsOne, FlowNone, 0, CS8, 0, B4800},  // the tracker's
      {4800, ParityEven, 8, StopBitsOne, FlowNone, 0, CS8 | PARENB, 0, B4800},
      {9600, ParityMark, 7, StopBitsTwo, FlowNone, 0, CS7 | PARENB | CMSPAR | PARODD | CSTOPB, 0, B9600},
      {115200, ParityOdd, 6, StopBitsOne, FlowCtsRts, 0, CS6 | PARENB | PARODD | CRTSCTS, 0, B115200},
      {50, ParitySpace, 5, StopBitsTwo, FlowXonXoff, 0, CS5 | PARENB | CMSPAR | CSTOPB, IXON | IXOFF, B50},
      {4000000, ParityNone, 8, StopBitsOne, FlowNone, 0, CS8, 0, B4000000},
      // Unknown values keep the terminal's even parity, two stop bits, CRTSCTS and IXON.
      {4800, kBadParity, 8, kBadStopBits, kBadFlow, 0, CS8 | PARENB | CSTOPB | CRTSCTS, IXON, B4800},
      // What Linux cannot do.
      {4800, ParityNone, 8, StopBitsOneAndHalf, FlowNone, EINVAL, 0, 0, 0},
      {4800, ParityNone, 8, StopBitsOne, FlowCtsDtr, EINVAL, 0, 0, 0},
      {4800, ParityNone, 8, StopBitsOne, FlowDsrRts, EINVAL, 0, 0, 0},
      {4800, ParityNone, 4, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},
      {4800, ParityNone, 9, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},
      {4801, ParityNone, 8, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},  // no speed constant
      {0, ParityNone, 8, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},     // speed 0 hangs up
  };
  // clang-format on
  const auto line = [](const LineSettings& l) {
    return std::tuple(l.BaudRate, l.ByteSize, l.Parity, l.StopBits, l.fOutxCtsFlow, l.fOutX, l.fInX,
                      l.fParity);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - cases);
    termios t = cooked;
    LineSettings s;
    TermiosToLineSettings(t, s);
    s.fDsrSensitivity = true;  // as a driver may report it: Open always turns it off
    ApplyOpenSettings(s, c.baud, c.parity, c.dataBits, c.stopBits, c.flow);
    ASSERT_EQ(LineSettingsToTermios(s, t), c.result);
    if (c.result != 0) {
      EXPECT_EQ(std::memcmp(&t, &cooked, sizeof t), 0) << "a refusal changes nothing";
      continue;
    }
    const bool xon = c.flow == FlowXonXoff;
    EXPECT_EQ(
        std::tuple(t.c_cflag & ~CBAUD, t.c_iflag, t.c_oflag & OPOST, t.c_lflag, t.c_cc[VMIN],
                   t.c_cc[VTIME], t.c_cc[VSTART], t.c_cc[VSTOP], cfgetospeed(&t), cfgetispeed(&t)),
        std::tuple(c.cflag | CLOCAL | CREAD | HUPCL, c.iflag, 0u, 0u, 0, 0, xon ? 0x11 : 'a',
                   xon ? 0x13 : 'b', c.speed, c.speed));
    LineSettings back;  // reading the terminal back gives what was applied
    TermiosToLineSettings(t, back);
    EXPECT_EQ(line(back), line(s));
  }
}

// The flow-control members Open sets over what the driver reported (values unlike anything Open
// writes). Linux refuses DSR and DTR handshakes later, so only this shows what Open asks for.
TEST(OpenSettings, FlowControlTakesOverItsMembersAndKeepsTheRest) {
  LineSettings driver;
  driver.fOutxCtsFlow = driver.fOutxDsrFlow = driver.fOutX = driver.fInX = true;
  driver.fDtrControl = kDtrControlDisable;
  driver.fRtsControl = kRtsControlToggle;
  driver.XonLim = driver.XoffLim = 7;
  // CTS, DSR, DTR, RTS, XON/XOFF both ways, the two XON limits
  using Flow = std::tuple<bool, bool, int, int, bool, bool, int, int>;
  constexpr int kDtr = kDtrControlDisable, kRts = kRtsControlToggle, kHand = 2;
  // clang-format off
  const std::pair<SerialFlowControl, Flow> cases[] = {
      {FlowNone, {false, false, kDtr, kRts, false, false, 7, 7}},
      {FlowCtsRts, {true, false, kDtr, kHand, false, false, 7, 7}},
      {FlowCtsDtr, {true, false, kHand, kRts, false, false, 7, 7}},
      {FlowDsrRts, {false, true, kDtr, kHand, false, false, 7, 7}},
      {FlowDsrDtr, {false, true, kHand, kRts, false, false, 7, 7}},
      {FlowXonXoff, {false, false, kDtr, kRts, true, true, 100, 100}},
      {kBadFlow, {true, true, kDtr, kRts, true, true, 7, 7}},  // everything as the driver had it
  };
  // clang-format on
  for (const auto& [flow, wanted] : cases) {
    LineSettings s = driver;
    ApplyOpenSettings(s, 4800, ParityNone, 8, StopBitsOne, flow);
    EXPECT_EQ(Flow(s.fOutxCtsFlow, s.fOutxDsrFlow, s.fDtrControl, s.fRtsControl, s.fOutX, s.fInX,
                   s.XonLim, s.XoffLim),
              wanted)
        << flow;
  }
}

}  // namespace
}  // namespace vindrel
