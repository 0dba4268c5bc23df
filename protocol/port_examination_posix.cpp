#include "protocol/port_examination.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/in_process_device.h"
#include "serial/port_names.h"

namespace vindrel {

namespace {

namespace fs = std::filesystem;

// USB serial adapters that brltty's device rules take for Braille displays.
struct ClaimedAdapter {
  const char* vendor;
  const char* product;
  const char* chip;
};
constexpr ClaimedAdapter kBrlttyClaims[] = {
    {"1a86", "7523", "CH340"},
    {"10c4", "ea60", "CP210x"},
};

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// Calls visit(pid, entry) for every process directory under procDirectory.
template <typename Visit>
void ForEachProcess(const std::string& procDirectory, Visit visit) {
  std::error_code error;
  for (fs::directory_iterator it(procDirectory, error), end; !error && it != end;
       it.increment(error)) {
    const std::string pid = it->path().filename().string();
    if (!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos) {
      visit(pid, it->path());
    }
  }
}

bool ProgramRunning(const std::string& procDirectory, const std::string& name) {
  bool running = false;
  ForEachProcess(procDirectory, [&](const std::string&, const fs::path& process) {
    running = running || FirstLine(process / "comm") == name;
  });
  return running;
}

bool BrlttyInstalled(const fs::path& root) {
  std::error_code error;
  for (const char* file : {"usr/bin/brltty", "bin/brltty", "usr/lib/udev/rules.d/85-brltty.rules",
                           "lib/udev/rules.d/85-brltty.rules"}) {
    if (fs::exists(root / file, error)) return true;
  }
  return false;
}

}  // namespace

std::string ExaminedPortName(int portNumber, const ExaminationRoots& roots) {
  const std::string inProcess = InProcessPortName(portNumber);
  return inProcess.empty() ? PortDevicePath(portNumber, roots.ports.deviceDirectory) : inProcess;
}

std::string PortHolders(const std::string& devicePath, const ExaminationRoots& roots) {
  std::error_code error;
  const fs::path device = fs::canonical(devicePath, error);  // a ttyV link: its pseudo-terminal
  if (error) return {};
  std::string holders;
  ForEachProcess(roots.procDirectory, [&](const std::string& pid, const fs::path& process) {
    std::error_code fdError;
    for (fs::directory_iterator fd(process / "fd", fdError), end; !fdError && fd != end;
         fd.increment(fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd->path(), linkError) == device && !linkError) {
        holders += (holders.empty() ? "proces " : ", proces ") + pid + " (" +
                   FirstLine(process / "comm") + ")";
        return;
      }
    }
  });
  return holders;
}

std::vector<Finding> ExamineIntruders(const ExaminationRoots& roots) {
  std::vector<Finding> findings;
  if (ProgramRunning(roots.procDirectory, "ModemManager")) {
    findings.push_back(
        {Verdict::Hint,
         "ModemManager draait: het onderzoekt nieuw aangesloten USB-poorten en kan de poort "
         "seconden lang bezet houden. Houd het weg van de adapter met een udev-regel "
         "(ENV{ID_MM_DEVICE_IGNORE}=\"1\"), of zonder modem: sudo systemctl disable --now "
         "ModemManager."});
  }
  if (!BrlttyInstalled(roots.systemRoot)) return findings;
  // brltty's rules unbind the adapter from its serial driver, so its tty is gone: the USB
  // devices themselves tell that one is plugged in.
  std::error_code error;
  const fs::path usb = fs::path(roots.ports.sysDirectory) / "bus/usb/devices";
  for (fs::directory_iterator it(usb, error), end; !error && it != end; it.increment(error)) {
    const std::string vendor = FirstLine(it->path() / "idVendor");
    const std::string product = FirstLine(it->path() / "idProduct");
    for (const ClaimedAdapter& claimed : kBrlttyClaims) {
      if (vendor == claimed.vendor && product == claimed.product) {
        findings.push_back({Verdict::Problem,
                            "brltty is geinstalleerd en neemt de " + std::string(claimed.chip) +
                                "-adapter (" + vendor + ":" + product +
                                ") in beslag als brailleleesregel. Zonder brailleleesregel: sudo "
                                "apt remove brltty, en steek de adapter opnieuw in."});
      }
    }
  }
  return findings;
}

}  // namespace vindrel
