#include "serial/termios_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

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
  t.c_cc[VSTART] = 0x11;
  t.c_cc[VSTOP] = 0x13;
  cfsetspeed(&t, B9600);
  return t;
}

// What Open applies to that terminal for these arguments; 0 or an errno value.
int OpenOnto(termios& t, std::uint32_t baud, int parity, int dataBits, int stopBits, int flow) {
  LineSettings s;
  TermiosToLineSettings(t, s);
  ApplyOpenSettings(s, baud, static_cast<SerialParity>(parity), static_cast<std::uint8_t>(dataBits),
                    static_cast<SerialStopBits>(stopBits), static_cast<SerialFlowControl>(flow));
  return LineSettingsToTermios(s, t);
}

TEST(TermiosMapping, TrackerSettingsGiveRaw4800EightNoneOneWithoutFlowControl) {
  termios t = CookedTerminal();
  ASSERT_EQ(OpenOnto(t, 4800, ParityNone, 8, StopBitsOne, FlowNone), 0);
  EXPECT_EQ(cfgetospeed(&t), B4800);
  EXPECT_EQ(cfgetispeed(&t), B4800);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CMSPAR | CLOCAL | CREAD | HUPCL),
            tcflag_t{CS8 | CLOCAL | CREAD | HUPCL});
  EXPECT_EQ(t.c_iflag, tcflag_t{0});
  EXPECT_EQ(t.c_oflag & OPOST, tcflag_t{0});
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHOE | ISIG | IEXTEN), tcflag_t{0});
  EXPECT_EQ(t.c_cc[VMIN] + t.c_cc[VTIME], 0);
}

TEST(TermiosMapping, LineSettingsBothWays) {
  const struct {
    std::uint32_t baud;
    int parity, dataBits, stopBits, flow;
    tcflag_t cflag, iflag;
    speed_t speed;
  } cases[] = {
      {4800, ParityEven, 8, StopBitsOne, FlowNone, CS8 | PARENB, 0, B4800},
      {9600, ParityMark, 7, StopBitsTwo, FlowNone, CS7 | PARENB | CMSPAR | PARODD | CSTOPB, 0,
       B9600},
      {115200, ParityOdd, 6, StopBitsOne, FlowCtsRts, CS6 | PARENB | PARODD | CRTSCTS, 0, B115200},
      {50, ParitySpace, 5, StopBitsTwo, FlowXonXoff, CS5 | PARENB | CMSPAR | CSTOPB, IXON | IXOFF,
       B50},
      {4000000, ParityNone, 8, StopBitsOne, FlowNone, CS8, 0, B4000000},
      // Unknown parity and flow values keep the terminal's even parity, CRTSCTS and IXON.
      {4800, 5, 8, StopBitsOne, 6, CS8 | PARENB | CRTSCTS, IXON, B4800},
  };
  constexpr tcflag_t kLine = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.baud << " baud, parity " << c.parity);
    termios t = CookedTerminal();
    ASSERT_EQ(OpenOnto(t, c.baud, c.parity, c.dataBits, c.stopBits, c.flow), 0);
    EXPECT_EQ(t.c_cflag & kLine, c.cflag);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), c.iflag);
    EXPECT_EQ(cfgetospeed(&t), c.speed);

    // Reading the terminal back gives what was applied.
    LineSettings wanted;
    TermiosToLineSettings(CookedTerminal(), wanted);
    ApplyOpenSettings(
        wanted, c.baud, static_cast<SerialParity>(c.parity), static_cast<std::uint8_t>(c.dataBits),
        static_cast<SerialStopBits>(c.stopBits), static_cast<SerialFlowControl>(c.flow));
    LineSettings back;
    TermiosToLineSettings(t, back);
    EXPECT_EQ(back.BaudRate, wanted.BaudRate);
    EXPECT_EQ(back.ByteSize, wanted.ByteSize);
    EXPECT_EQ(back.Parity, wanted.Parity);
    EXPECT_EQ(back.StopBits, wanted.StopBits);
    EXPECT_EQ(back.fOutxCtsFlow, wanted.fOutxCtsFlow);
    EXPECT_EQ(back.fOutX, wanted.fOutX);
    EXPECT_EQ(back.fInX, wanted.fInX);
  }
}

TEST(TermiosMapping, WhatLinuxCannotDoIsRefusedWithEinvalAndChangesNothing) {
  const struct {
    const char* what;
    std::uint32_t baud;
    int dataBits, stopBits, flow;
  } cases[] = {
      {"1.5 stop bits", 4800, 8, StopBitsOneAndHalf, FlowNone},
      {"CTS/DTR", 4800, 8, StopBitsOne, FlowCtsDtr},
      {"DSR/RTS", 4800, 8, StopBitsOne, FlowDsrRts},
      {"DSR/DTR", 4800, 8, StopBitsOne, FlowDsrDtr},
      {"4 data bits", 4800, 4, StopBitsOne, FlowNone},
      {"9 data bits", 4800, 9, StopBitsOne, FlowNone},
      {"no speed constant", 4801, 8, StopBitsOne, FlowNone},
      {"speed 0 (hang up)", 0, 8, StopBitsOne, FlowNone},
  };
  for (const auto& c : cases) {
    termios t = CookedTerminal();
    const termios before = t;
    EXPECT_EQ(OpenOnto(t, c.baud, ParityNone, c.dataBits, c.stopBits, c.flow), EINVAL) << c.what;
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0) << c.what;
  }
  termios t = CookedTerminal();
  LineSettings s;
  TermiosToLineSettings(t, s);
  s.fDsrSensitivity = true;
  EXPECT_EQ(LineSettingsToTermios(s, t), EINVAL) << "DSR sensitivity";
}

TEST(TermiosMapping, ReadBackNoticesWhatTheDriverDidNotApply) {
  termios wanted = CookedTerminal();
  ASSERT_EQ(OpenOnto(wanted, 4800, ParityOdd, 7, StopBitsOne, FlowNone), 0);
  EXPECT_TRUE(SameLineAttributes(wanted, wanted));

  termios forced = wanted;  // a pseudo-terminal forces 8 data bits and no parity
  forced.c_cflag = (forced.c_cflag & ~(CSIZE | PARENB | PARODD)) | CS8;
  EXPECT_FALSE(SameLineAttributes(wanted, forced));
  termios slower = wanted;
  cfsetospeed(&slower, B2400);
  EXPECT_FALSE(SameLineAttributes(wanted, slower));
}

}  // namespace
}  // namespace vindrel
