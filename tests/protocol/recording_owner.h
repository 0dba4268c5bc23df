#pragma once

#include <string>
#include <vector>

#include "protocol/tracker_link.h"

namespace vindrel::testing {

inline constexpr int kVirtualPort = 161;  // <device directory>/ttyV0
inline const std::string kNoCommunication = "No Communication with TALVORIN possible";
inline const std::string kPortInUse = "De seriele poort is al in gebruik";
inline const std::string kPortMissing =
    "De seriele poort is niet aanwezig. Is de kabel aangesloten?";

// Stands in for the dialog: answers the port number and records what the link asks for.
struct RecordingOwner : TrackerLinkOwner {
  int SelectedPortNumber() override { return portNumber; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  unsigned StartTimer(unsigned, unsigned) override { return timerReply; }
  void StopTimer(unsigned id) override { stoppedTimers.push_back(id); }

  int portNumber = kVirtualPort;
  unsigned timerReply = 42;  // any identifier but 0
  std::vector<std::string> messages;
  std::vector<unsigned> stoppedTimers;
};

}  // namespace vindrel::testing
