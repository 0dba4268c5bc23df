#include "serial/termios_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <tuple>

#include "serial/open_settings.h"

namespace vindrel {
namespace {

// A terminal as a previous program may have left it: cooked, 7E2, with both kinds of flow control.
termios CookedTerminal() {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXANY | PARMRK | ISTRIP | BRKINT;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  t.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  t.c_cc[VSTART] = 'a';
  t.c_cc[VSTOP] = 'b';
  cfsetspeed(&t, B9600);
  return t;
}

TEST(TermiosMapping, EveryOpenSettingGivesARawTerminalOrIsRefusedWithEinval) {
  // clang-format off
  const struct {
    std::uint32_t baud;
    int parity, dataBits, stopBits, flow;
    int result;
    tcflag_t cflag, iflag;
    speed_t speed;
  } cases[] = {
      {4800, ParityNone, 8, StopBitsOne, FlowNone, 0, CS8, 0, B4800},  // the tracker's
      {4800, ParityEven, 8, StopBitsOne, FlowNone, 0, CS8 | PARENB, 0, B4800},
      {9600, ParityMark, 7, StopBitsTwo, FlowNone, 0, CS7 | PARENB | CMSPAR | PARODD | CSTOPB, 0, B9600},
      {115200, ParityOdd, 6, StopBitsOne, FlowCtsRts, 0, CS6 | PARENB | PARODD | CRTSCTS, 0, B115200},
      {50, ParitySpace, 5, StopBitsTwo, FlowXonXoff, 0, CS5 | PARENB | CMSPAR | CSTOPB, IXON | IXOFF, B50},
      {4000000, ParityNone, 8, StopBitsOne, FlowNone, 0, CS8, 0, B4000000},
      // Unknown values keep the terminal's even parity, two stop bits, CRTSCTS and IXON.
      {4800, 5, 8, 3, 6, 0, CS8 | PARENB | CSTOPB | CRTSCTS, IXON, B4800},
      // What Linux cannot do.
      {4800, ParityNone, 8, StopBitsOneAndHalf, FlowNone, EINVAL, 0, 0, 0},
      {4800, ParityNone, 8, StopBitsOne, FlowCtsDtr, EINVAL, 0, 0, 0},
      {4800, ParityNone, 8, StopBitsOne, FlowDsrRts, EINVAL, 0, 0, 0},
      {4800, ParityNone, 8, StopBitsOne, FlowDsrDtr, EINVAL, 0, 0, 0},
      {4800, ParityNone, 4, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},
      {4800, ParityNone, 9, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},
      {4801, ParityNone, 8, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},  // no speed constant
      {0, ParityNone, 8, StopBitsOne, FlowNone, EINVAL, 0, 0, 0},     // speed 0 hangs up
  };
  // clang-format on
  constexpr tcflag_t kLine = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
  constexpr tcflag_t kCooked = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  const termios cooked = CookedTerminal();
  const auto line = [](const LineSettings& l) {
    return std::tuple(l.BaudRate, l.ByteSize, l.Parity, l.StopBits, l.fOutxCtsFlow, l.fOutX, l.fInX,
                      l.fParity);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.baud << " baud, parity " << c.parity << ", data bits " << c.dataBits
                 << ", stop bits " << c.stopBits << ", flow " << c.flow);
    termios t = cooked;
    LineSettings s;
    TermiosToLineSettings(t, s);
    s.fDsrSensitivity = true;  // as a driver may report it: Open always turns it off
    ApplyOpenSettings(
        s, c.baud, static_cast<SerialParity>(c.parity), static_cast<std::uint8_t>(c.dataBits),
        static_cast<SerialStopBits>(c.stopBits), static_cast<SerialFlowControl>(c.flow));
    ASSERT_EQ(LineSettingsToTermios(s, t), c.result);
    if (c.result != 0) {
      EXPECT_EQ(std::memcmp(&t, &cooked, sizeof t), 0) << "a refusal changes nothing";
      continue;
    }
    const bool xon = c.flow == FlowXonXoff;
    EXPECT_EQ(
        std::tuple(t.c_cflag & (kLine | CLOCAL | CREAD | HUPCL), t.c_iflag, t.c_oflag & OPOST,
                   t.c_lflag & kCooked, t.c_cc[VMIN], t.c_cc[VTIME], t.c_cc[VSTART], t.c_cc[VSTOP],
                   cfgetospeed(&t), cfgetispeed(&t)),
        std::tuple(c.cflag | CLOCAL | CREAD | HUPCL, c.iflag, tcflag_t{0}, tcflag_t{0}, cc_t{0},
                   cc_t{0}, cc_t(xon ? 0x11 : 'a'), cc_t(xon ? 0x13 : 'b'), c.speed, c.speed));
    LineSettings back;  // reading the terminal back gives what was applied
    TermiosToLineSettings(t, back);
    EXPECT_EQ(line(back), line(s));
  }
  LineSettings dsr;  // what SetLineSettings may be given
  dsr.BaudRate = 4800;
  dsr.fDsrSensitivity = true;
  termios t = cooked;
  EXPECT_EQ(LineSettingsToTermios(dsr, t), EINVAL) << "DSR sensitivity";
}

// The flow-control members Open sets over what the driver reported (values unlike anything Open
// writes). Linux refuses DSR and DTR handshakes later, so only this shows what Open asks for.
TEST(OpenSettings, FlowControlTakesOverItsMembersAndKeepsTheRest) {
  LineSettings driver;
  driver.fOutxCtsFlow = driver.fOutxDsrFlow = driver.fOutX = driver.fInX = true;
  driver.fDtrControl = kDtrControlDisable;
  driver.fRtsControl = kRtsControlToggle;
  driver.XonLim = driver.XoffLim = 7;
  constexpr std::uint8_t kDtr = kDtrControlDisable, kRts = kRtsControlToggle, kHand = 2;
  const struct {
    int flow;
    bool cts, dsr;
    std::uint8_t dtr, rts;
    bool xonXoff;
    std::uint16_t limits;
  } cases[] = {
      {FlowNone, false, false, kDtr, kRts, false, 7},
      {FlowCtsRts, true, false, kDtr, kHand, false, 7},
      {FlowCtsDtr, true, false, kHand, kRts, false, 7},
      {FlowDsrRts, false, true, kDtr, kHand, false, 7},
      {FlowDsrDtr, false, true, kHand, kRts, false, 7},
      {FlowXonXoff, false, false, kDtr, kRts, true, 100},
      {6, true, true, kDtr, kRts, true, 7},  // unknown: everything as the driver had it
  };
  for (const auto& c : cases) {
    LineSettings s = driver;
    ApplyOpenSettings(s, 4800, ParityNone, 8, StopBitsOne, static_cast<SerialFlowControl>(c.flow));
    EXPECT_EQ(std::tuple(s.fOutxCtsFlow, s.fOutxDsrFlow, s.fDtrControl, s.fRtsControl, s.fOutX,
                         s.fInX, s.XonLim, s.XoffLim),
              std::tuple(c.cts, c.dsr, c.dtr, c.rts, c.xonXoff, c.xonXoff, c.limits, c.limits))
        << c.flow;
  }
}

}  // namespace
}  // namespace vindrel
