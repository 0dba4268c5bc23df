#include "serial/termios_mapping.h"

#include <array>
#include <cerrno>
#include <utility>

namespace vindrel {
namespace {

constexpr std::array<std::pair<std::uint32_t, speed_t>, 31> kSpeeds{{
    {50, B50},
    {75, B75},
    {110, B110},
    {134, B134},
    {150, B150},
    {200, B200},
    {300, B300},
    {600, B600},
    {1200, B1200},
    {1800, B1800},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {500000, B500000},
    {576000, B576000},
    {921600, B921600},
    {1000000, B1000000},
    {1152000, B1152000},
    {1500000, B1500000},
    {2000000, B2000000},
    {2500000, B2500000},
    {3000000, B3000000},
    {3500000, B3500000},
    {4000000, B4000000},
    {0, B0},
}};

constexpr std::array<std::pair<std::uint8_t, tcflag_t>, 4> kSizes{
    {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}}};

// The control-flag bits LineSettings decides; everything else in c_cflag is left as it was.
constexpr tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

}  // namespace

void TermiosToLineSettings(const termios& attributes, LineSettings& settings) {
  const speed_t speed = cfgetospeed(&attributes);
  settings.BaudRate = 0;
  for (const auto& [rate, constant] : kSpeeds) {
    if (constant == speed) {
      settings.BaudRate = rate;
    }
  }

  const tcflag_t c = attributes.c_cflag;
  for (const auto& [bits, constant] : kSizes) {
    if ((c & CSIZE) == constant) {
      settings.ByteSize = bits;
    }
  }
  if ((c & PARENB) == 0) {
    settings.Parity = kNoParity;
  } else if ((c & CMSPAR) != 0) {
    settings.Parity = (c & PARODD) != 0 ? kMarkParity : kSpaceParity;
  } else {
    settings.Parity = (c & PARODD) != 0 ? kOddParity : kEvenParity;
  }
  settings.StopBits = (c & CSTOPB) != 0 ? kTwoStopBits : kOneStopBit;

  settings.fBinary = true;
  settings.fParity = (attributes.c_iflag & INPCK) != 0;
  settings.fOutxCtsFlow = (c & CRTSCTS) != 0;
  settings.fRtsControl = (c & CRTSCTS) != 0 ? kRtsControlHandshake : kRtsControlEnable;
  settings.fOutxDsrFlow = false;
  settings.fDtrControl = kDtrControlEnable;
  settings.fDsrSensitivity = false;
  // The kernel keeps sending while it holds the other side back with XOFF.
  settings.fTXContinueOnXoff = true;
  settings.fOutX = (attributes.c_iflag & IXON) != 0;
  settings.fInX = (attributes.c_iflag & IXOFF) != 0;
  settings.XonChar = static_cast<char>(attributes.c_cc[VSTART]);
  settings.XoffChar = static_cast<char>(attributes.c_cc[VSTOP]);
  settings.EofChar = static_cast<char>(attributes.c_cc[VEOF]);
}

int LineSettingsToTermios(const LineSettings& settings, termios& attributes) {
  const speed_t* speed = nullptr;
  for (const auto& [rate, constant] : kSpeeds) {
    if (rate == settings.BaudRate && rate != 0) {
      speed = &constant;
    }
  }
  const tcflag_t* size = nullptr;
  for (const auto& [bits, constant] : kSizes) {
    if (bits == settings.ByteSize) {
      size = &constant;
    }
  }
  tcflag_t parity = 0;
  switch (settings.Parity) {
    case kNoParity:
      parity = 0;
      break;
    case kOddParity:
      parity = PARENB | PARODD;
      break;
    case kEvenParity:
      parity = PARENB;
      break;
    case kMarkParity:
      parity = PARENB | CMSPAR | PARODD;
      break;
    case kSpaceParity:
      parity = PARENB | CMSPAR;
      break;
    default:
      return EINVAL;
  }
  tcflag_t stop = 0;
  switch (settings.StopBits) {
    case kOneStopBit:
      stop = 0;
      break;
    case kTwoStopBits:
      stop = CSTOPB;
      break;
    default:
      return EINVAL;  // 1.5 stop bits included: no UART driver of Linux offers them
  }
  // CRTSCTS is one flag for both directions and follows fOutxCtsFlow. RTS handshake on its own
  // (a port that had hardware flow control, opened again with none) leaves RTS raised instead of
  // refusing: refusing would make such a port impossible to open without flow control.
  if (speed == nullptr || size == nullptr || settings.fOutxDsrFlow || settings.fDsrSensitivity ||
      settings.fDtrControl > kDtrControlEnable || settings.fRtsControl > kRtsControlHandshake) {
    return EINVAL;
  }

  termios t = attributes;
  // Raw bytes both ways: no break or parity marking, no CR/LF translation, no echo or signals.
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IMAXBEL |
                 IUCLC | INPCK | IXON | IXOFF);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~kLineBits;
  t.c_cflag |= CLOCAL | CREAD | *size | parity | stop | (settings.fOutxCtsFlow ? CRTSCTS : 0);
  if (settings.fParity) {
    t.c_iflag |= INPCK;
  }
  if (settings.fOutX) {
    t.c_iflag |= IXON;
  }
  if (settings.fInX) {
    t.c_iflag |= IXOFF;
  }
  t.c_cc[VSTART] = static_cast<cc_t>(settings.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(settings.XoffChar);
  // Reads never wait inside the driver: the port's own time-outs decide, with poll().
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, *speed);
  cfsetospeed(&t, *speed);
  attributes = t;
  return 0;
}

bool SameLineAttributes(const termios& wanted, const termios& applied) {
  constexpr tcflag_t kInputBits = INPCK | IXON | IXOFF;
  return cfgetospeed(&wanted) == cfgetospeed(&applied) &&
         cfgetispeed(&wanted) == cfgetispeed(&applied) &&
         (wanted.c_cflag & kLineBits) == (applied.c_cflag & kLineBits) &&
         (wanted.c_iflag & kInputBits) == (applied.c_iflag & kInputBits) &&
         wanted.c_cc[VSTART] == applied.c_cc[VSTART] && wanted.c_cc[VSTOP] == applied.c_cc[VSTOP];
}

}  // namespace vindrel
