#include "protocol/port_examination.h"

#include <array>
#include <chrono>
#include <cstdint>

#include "protocol/port_access.h"
#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "serial/port_description.h"
#include "serial/port_names.h"

namespace vindrel {

namespace {

// The link's owner during an examination: the port examined, and the link's message kept.
class ExaminingOwner : public TrackerLinkOwner {
 public:
  explicit ExaminingOwner(int portNumber) : portNumber(portNumber) {}
  int SelectedPortNumber() override { return portNumber; }
  void ShowMessage(const std::string& text) override { message = text; }
  unsigned StartTimer(unsigned timerId, unsigned) override { return timerId; }
  void StopTimer(unsigned) override {}

  std::string message;

 private:
  int portNumber;
};

// The system's text for a serial error code.
std::string ErrorText(std::uint32_t errorCode) {
  char text[256];
  if (CSerialException(errorCode).GetErrorText(text, sizeof text)) return text;
  return "fout " + std::to_string(errorCode);
}

// Why the port does not open, and what to do.
std::string OpenProblem(std::uint32_t errorCode, const std::string& devicePath,
                        const ExaminationRoots& roots) {
  switch (ClassifySerialError(errorCode)) {
    case SerialErrorKind::Missing:
      return std::string(kPortMissingMessage) + " Zo ja: kies de poort die de adapter kreeg.";
    case SerialErrorKind::Refused:
      return AccessDeniedMessage(ReadDeviceAccess(devicePath));
    case SerialErrorKind::Busy:
      if (const std::string holders = PortHolders(devicePath, roots); !holders.empty()) {
        return std::string(kPortInUseMessage) + ": " + holders + " houdt haar open. Sluit dat " +
               "programma.";
      }
      return std::string(kPortInUseMessage) + ": een ander programma houdt haar open (die van " +
             "andere gebruikers ziet alleen de beheerder). Sluit dat programma.";
    case SerialErrorKind::Other:
      break;
  }
  return "De seriele poort gaat niet open: " + ErrorText(errorCode) + ".";
}

}  // namespace

PortExamination ExaminePort(int portNumber, const ExaminationRoots& roots) {
  PortExamination result;
  std::vector<Finding>& findings = result.findings;
  if (const std::string identity = IdentifySerialPort(portNumber, roots.ports); !identity.empty()) {
    findings.push_back({Verdict::Ok, identity});
  }
  ExaminingOwner owner(portNumber);
  TrackerLink link(owner);
  link.port.SetDeviceDirectory(roots.ports.deviceDirectory);
  // The open alone first: its error code tells why a port does not open, which the connect's
  // message only sums up.
  try {
    link.OpenPort(portNumber);
  } catch (const CSerialException& e) {
    const bool opened = link.port.IsOpen();
    link.Close();
    if (!opened) {
      findings.push_back(
          {Verdict::Problem,
           OpenProblem(e.errorCode, PortDevicePath(portNumber, roots.ports.deviceDirectory),
                       roots)});
      return result;
    }
  }
  link.Close();
  findings.push_back({Verdict::Ok, "de poort gaat open"});

  try {
    const auto start = std::chrono::steady_clock::now();
    result.answered = link.Connect();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    if (!result.answered) {
      // A link left down failed on the line itself; one left up heard nothing.
      findings.push_back({Verdict::Problem,
                          link.portOpen ? owner.message + ": geen antwoord op de handdruk binnen " +
                                              std::to_string(ms) +
                                              " ms. Staat de tracker aan, zit de kabel goed in " +
                                              "de tracker, en is dit de poort van zijn kabel?"
                                        : owner.message});
    } else if (const auto version = ReadVersion(link)) {
      findings.push_back({Verdict::Ok, "de tracker antwoordt na " + std::to_string(ms) +
                                           " ms; firmwareversie " + VersionText(*version)});
    } else {
      findings.push_back({Verdict::Hint, "de tracker antwoordt na " + std::to_string(ms) +
                                             " ms, maar noemt zijn firmwareversie niet"});
    }
  } catch (const CSerialException& e) {
    findings.push_back({Verdict::Problem, "De lijn faalde tijdens het gesprek met de tracker: " +
                                              ErrorText(e.errorCode) + ". Zit de kabel vast?"});
  }
  link.Close();
  return result;
}

std::string FormatFindings(const std::string& subject, const std::vector<Finding>& findings) {
  constexpr std::array<const char*, 3> kVerdicts{"ok", "probleem", "tip"};
  std::string text;
  for (const Finding& finding : findings) {
    text += subject + ": " + kVerdicts[static_cast<std::size_t>(finding.verdict)] + ": " +
            finding.text + "\n";
  }
  return text;
}

}  // namespace vindrel
