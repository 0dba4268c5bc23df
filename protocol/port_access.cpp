#include "protocol/port_access.h"

#include "serial/serial_exception.h"

namespace vindrel {

namespace {

constexpr const char* kUsualSerialGroup = "dialout";
constexpr const char* kNoAccess = "Geen toegang tot de seriele poort";

// "rw-rw----", as ls shows the bits.
std::string ModeText(unsigned mode) {
  std::string text = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) {
    if ((mode & (0400u >> bit)) == 0) text[bit] = '-';
  }
  return text;
}

}  // namespace

std::string AccessDeniedMessage(const DeviceAccess& access) {
  const std::string join = std::string(kNoAccess) + ". Voeg uw gebruiker toe aan de groep ";
  if (!access.known) return join + kUsualSerialGroup + " en meld opnieuw aan.";
  // Joining root would hand the user the whole machine; a group without read and write gains
  // nothing.
  const bool groupOpensIt = (access.mode & 060u) == 060u && access.group != "root";
  if (groupOpensIt && !access.runsWithGroup) {
    if (!access.listedInGroup) return join + access.group + " en meld opnieuw aan.";
    return std::string(kNoAccess) + ". Uw gebruiker hoort al bij de groep " + access.group +
           ", maar dat geldt pas na opnieuw aanmelden: meld af en weer aan.";
  }
  return std::string(kNoAccess) + ": het apparaat is van " + access.owner + " (groep " +
         access.group + ", rechten " + ModeText(access.mode) + "). Vraag de beheerder om toegang.";
}

std::string PortOpenFailureMessage(std::uint32_t errorCode, const std::string& devicePath) {
  switch (ClassifySerialError(errorCode)) {
    case SerialErrorKind::Missing:
      return kPortMissingMessage;
    case SerialErrorKind::Refused:
      return AccessDeniedMessage(ReadDeviceAccess(devicePath));
    case SerialErrorKind::Busy:
    case SerialErrorKind::Other:
      break;
  }
  return kPortInUseMessage;
}

}  // namespace vindrel
