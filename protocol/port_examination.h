#pragma once

#include <string>
#include <vector>

#include "serial/port_discovery.h"

namespace vindrel {

// Why no tracker answers: what a port is, whether it opens and why not, whether a tracker answers
// on it, and which programs take serial adapters away from others.

enum class Verdict { Ok, Problem, Hint };

// One thing found out, with what to do about it.
struct Finding {
  Verdict verdict;
  std::string text;
};

// Where the system is looked at; tests point every directory at a temporary tree.
struct ExaminationRoots {
  PortDiscoveryRoots ports;             // device files and /sys
  std::string procDirectory = "/proc";  // running programs and what they hold open
  std::string systemRoot = "/";         // installed programs and their device rules
};

struct PortExamination {
  std::vector<Finding> findings;
  bool answered = false;  // a tracker answered the handshake
};

// Examines port portNumber: what it is, whether it opens (if not: missing, refused and what to
// do, or held and by which program), and whether a tracker answers the handshake, after how long,
// and with which firmware version. Opens the port: whoever holds it must close it first.
PortExamination ExaminePort(int portNumber, const ExaminationRoots& roots);

// Programs known to take serial adapters away from other programs, when they are at work here
// (Linux: ModemManager running, brltty installed with an adapter it claims; Windows: adapters
// whose driver refused them).
std::vector<Finding> ExamineIntruders(const ExaminationRoots& roots);

// The name a report gives port portNumber: its device file on Linux, COMn on Windows.
std::string ExaminedPortName(int portNumber, const ExaminationRoots& roots);

// "subject: verdict: text" per finding, each on its own line.
std::string FormatFindings(const std::string& subject, const std::vector<Finding>& findings);

// The processes that hold devicePath open, "proces 4242 (minicom)", joined by ", "; empty when
// none can be seen (another user's processes are visible to root only). Linux only.
std::string PortHolders(const std::string& devicePath, const ExaminationRoots& roots);

}  // namespace vindrel
