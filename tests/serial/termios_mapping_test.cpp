#include "serial/termios_mapping.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "serial/open_settings.h"

namespace vindrel {
namespace {

// A terminal as a previous program may have left it: cooked, with hardware flow control.
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
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return t;
}

// What Open applies for these arguments to that terminal; errno-style result.
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
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CMSPAR), tcflag_t{CS8});
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD | HUPCL), tcflag_t{CLOCAL | CREAD | HUPCL});
  EXPECT_EQ(t.c_iflag, tcflag_t{0});
  EXPECT_EQ(t.c_oflag & OPOST, tcflag_t{0});
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHOE | ISIG | IEXTEN), tcflag_t{0});
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(TermiosMapping, EveryParity) {
  const struct {
    int parity;
    tcflag_t bits;
  } cases[] = {{ParityEven, PARENB},
               {ParityMark, PARENB | CMSPAR | PARODD},
               {ParityNone, 0},
               {ParityOdd, PARENB | PARODD},
               {ParitySpace, PARENB | CMSPAR}};
  for (const auto& c : cases) {
    termios t = CookedTerminal();
    ASSERT_EQ(OpenOnto(t, 4800, c.parity, 8, StopBitsOne, FlowNone), 0) << c.parity;
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.bits) << "parity value " << c.parity;

    LineSettings back;
    TermiosToLineSettings(t, back);
    LineSettings sent;
    ApplyOpenSettings(sent, 4800, static_cast<SerialParity>(c.parity), 8, StopBitsOne, FlowNone);
    EXPECT_EQ(back.Parity, sent.Parity) << "parity value " << c.parity;
  }
}

TEST(TermiosMapping, StopBitsDataBitsAndSpeeds) {
  const struct {
    std::uint32_t baud;
    int dataBits;
    int stopBits;
    tcflag_t cflag;
    speed_t speed;
  } cases[] = {
      {4800, 8, StopBitsOne, CS8, B4800},       {9600, 7, StopBitsTwo, CS7 | CSTOPB, B9600},
      {115200, 6, StopBitsOne, CS6, B115200},   {50, 5, StopBitsTwo, CS5 | CSTOPB, B50},
      {4000000, 8, StopBitsOne, CS8, B4000000},
  };
  for (const auto& c : cases) {
    termios t = CookedTerminal();
    ASSERT_EQ(OpenOnto(t, c.baud, ParityNone, c.dataBits, c.stopBits, FlowNone), 0) << c.baud;
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB), c.cflag) << c.baud;
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.baud;

    LineSettings back;
    TermiosToLineSettings(t, back);
    EXPECT_EQ(back.BaudRate, c.baud);
    EXPECT_EQ(back.ByteSize, c.dataBits);
    EXPECT_EQ(back.StopBits, c.stopBits == StopBitsTwo ? kTwoStopBits : kOneStopBit);
  }
}

TEST(TermiosMapping, FlowControl) {
  const struct {
    int flow;
    tcflag_t cflag;
    tcflag_t iflag;
  } cases[] = {{FlowNone, 0, 0}, {FlowCtsRts, CRTSCTS, 0}, {FlowXonXoff, 0, IXON | IXOFF}};
  for (const auto& c : cases) {
    termios t = CookedTerminal();  // has CRTSCTS and IXON set: FlowNone must clear both
    ASSERT_EQ(OpenOnto(t, 4800, ParityNone, 8, StopBitsOne, c.flow), 0) << c.flow;
    EXPECT_EQ(t.c_cflag & CRTSCTS, c.cflag) << "flow-control value " << c.flow;
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), c.iflag) << "flow-control value " << c.flow;
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
  }

  // An unknown value keeps what the terminal had: here hardware flow control and XON.
  termios t = CookedTerminal();
  ASSERT_EQ(OpenOnto(t, 4800, ParityNone, 8, StopBitsOne, 6), 0);
  EXPECT_EQ(t.c_cflag & CRTSCTS, tcflag_t{CRTSCTS});
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t{IXON});
}

TEST(TermiosMapping, WhatLinuxCannotDoIsRefusedWithEinvalAndChangesNothing) {
  const struct {
    const char* what;
    std::uint32_t baud;
    int parity, dataBits, stopBits, flow;
  } cases[] = {
      {"1.5 stop bits", 4800, ParityNone, 8, StopBitsOneAndHalf, FlowNone},
      {"CTS/DTR", 4800, ParityNone, 8, StopBitsOne, FlowCtsDtr},
      {"DSR/RTS", 4800, ParityNone, 8, StopBitsOne, FlowDsrRts},
      {"DSR/DTR", 4800, ParityNone, 8, StopBitsOne, FlowDsrDtr},
      {"4 data bits", 4800, ParityNone, 4, StopBitsOne, FlowNone},
      {"9 data bits", 4800, ParityNone, 9, StopBitsOne, FlowNone},
      {"no speed constant", 4801, ParityNone, 8, StopBitsOne, FlowNone},
      {"speed 0 (hang up)", 0, ParityNone, 8, StopBitsOne, FlowNone},
  };
  for (const auto& c : cases) {
    termios t = CookedTerminal();
    const termios before = t;
    EXPECT_EQ(OpenOnto(t, c.baud, c.parity, c.dataBits, c.stopBits, c.flow), EINVAL) << c.what;
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0) << c.what;
  }

  termios t = CookedTerminal();
  LineSettings s;
  TermiosToLineSettings(t, s);
  s.fDsrSensitivity = true;
  EXPECT_EQ(LineSettingsToTermios(s, t), EINVAL) << "DSR sensitivity";
  s.fDsrSensitivity = false;
  s.Parity = 5;
  EXPECT_EQ(LineSettingsToTermios(s, t), EINVAL) << "parity member 5";
}

TEST(TermiosMapping, ParityCheckOnInputFollowsFParityOnly) {
  for (const bool check : {false, true}) {
    termios t = CookedTerminal();
    LineSettings s;
    TermiosToLineSettings(t, s);
    s.Parity = kNoParity;
    s.fParity = check;
    ASSERT_EQ(LineSettingsToTermios(s, t), 0);
    EXPECT_EQ((t.c_iflag & INPCK) != 0, check);
    EXPECT_EQ(t.c_iflag & PARMRK, tcflag_t{0});
  }
}

TEST(TermiosMapping, ReadBackNoticesWhatTheDriverDidNotApply) {
  termios wanted = CookedTerminal();
  ASSERT_EQ(OpenOnto(wanted, 4800, ParityOdd, 7, StopBitsOne, FlowNone), 0);
  EXPECT_TRUE(SameLineAttributes(wanted, wanted));

  // A pseudo-terminal forces 8 data bits and no parity.
  termios forced = wanted;
  forced.c_cflag = (forced.c_cflag & ~(CSIZE | PARENB | PARODD)) | CS8;
  EXPECT_FALSE(SameLineAttributes(wanted, forced));

  termios slower = wanted;
  cfsetospeed(&slower, B2400);
  EXPECT_FALSE(SameLineAttributes(wanted, slower));

  termios noFlow = wanted;
  noFlow.c_iflag |= IXOFF;
  EXPECT_FALSE(SameLineAttributes(wanted, noFlow));
}

}  // namespace
}  // namespace vindrel
