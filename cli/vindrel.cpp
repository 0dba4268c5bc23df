#include "cli/vindrel.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "cli/doctor.h"
#include "cli/gps_replay_command.h"
#include "cli/port_argument.h"
#include "dialog/aprs_symbols.h"
#include "protocol/gps_simulation.h"
#include "protocol/port_examination.h"
#include "protocol/tracker_commands.h"
#include "protocol/tracker_link.h"
#include "serial/in_process_device.h"
#include "serial/port_description.h"
#include "serial/port_discovery.h"
#include "serial/port_names.h"
#include "settings/backup_history.h"
#include "settings/file_path.h"
#include "settings/file_replace.h"
#include "settings/settings_advice.h"
#include "settings/settings_block.h"
#include "settings/settings_file.h"

namespace vindrel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kNoPorts[] = "Er zijn geen serieele poorten beschikbaar op dit systeem";
constexpr char kWriteFailed[] = "Schrijven van de instellingen is mislukt.";
constexpr char kInternalError[] = "Internal application error.";
constexpr std::size_t kTraceBytesPerLine = 16;

// The link's owner on the command line: the port comes from -p, messages go to standard error,
// and the GPS timer is the command's own loop.
class CommandLineOwner : public TrackerLinkOwner {
 public:
  CommandLineOwner(std::ostream& err, std::string device) : err(err), device(std::move(device)) {}

  int SelectedPortNumber() override { return portNumber; }
  void ShowMessage(const std::string& text) override {
    err << "vindrel: " << device << ": " << text << '\n';
  }
  unsigned StartTimer(unsigned timerId, unsigned) override { return timerId; }
  void StopTimer(unsigned) override {}

  int portNumber = 0;

 private:
  std::ostream& err;
  std::string device;
};

// One line per up to 16 bytes: seconds since the start, direction, hex, printable characters.
void TraceBytes(std::ostream& err, Clock::time_point start, bool sent, const std::uint8_t* bytes,
                std::size_t count) {
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (std::size_t line = 0; line < count; line += kTraceBytesPerLine) {
    const std::size_t end = std::min(count, line + kTraceBytesPerLine);
    std::string hex, text;
    for (std::size_t i = line; i < end; ++i) {
      char pair[4];
      std::snprintf(pair, sizeof pair, "%02X ", bytes[i]);
      hex += pair;
      text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    }
    hex.resize(kTraceBytesPerLine * 3, ' ');
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.6f %s ", seconds, sent ? "->" : "<-");
    err << stamp << hex << ' ' << text << '\n';
  }
}

// A connected link to the tracker on the chosen port, for one command.
class Session {
 public:
  Session(std::ostream& err, const PortArgument& port, bool trace,
          std::filesystem::path backupFolder)
      : owner(err, Name(port)), err(err), backupFolder(std::move(backupFolder)) {
    owner.portNumber = port.number;
    link.port.SetDeviceDirectory(port.deviceDirectory);
    if (trace) {
      const Clock::time_point start = Clock::now();
      link.port.lineObserver = [&err, start](bool sent, const std::uint8_t* bytes,
                                             std::size_t count) {
        TraceBytes(err, start, sent, bytes, count);
      };
    }
  }

  // Brings the link up: kExitDone, kExitNoAnswer (the link has shown its message and stays open,
  // as in the dialog) or kExitSerialError (the link has shown the dialog's message and is down).
  int Connect() {
    if (link.Connect()) return kExitDone;
    return link.portOpen ? kExitNoAnswer : kExitSerialError;
  }

  int Fail(int code, const std::string& text) {
    owner.ShowMessage(text);
    return code;
  }

  // The tracker's image, kept in the backup history; a history that cannot be written is only a
  // warning. nullopt after the message when the tracker sent no image.
  std::optional<SettingsBlock> ReadImage() {
    std::optional<SettingsBlock> image = ReadSettingsImage(link);
    if (!image) {
      Fail(kExitNoAnswer, "the tracker did not send its settings");
      return std::nullopt;
    }
    // The built-in tracker's settings last only as long as the program: nothing to keep.
    if (owner.portNumber == kInProcessPortNumber) return image;
    if (backupFolder.empty()) {
      err << "vindrel: warning: no folder for the backup history (HOME is not set)\n";
    } else if (auto problem = KeepBackup(backupFolder, *image, std::chrono::system_clock::now())) {
      err << "vindrel: warning: backup history: " << *problem << '\n';
    }
    return image;
  }

  CommandLineOwner owner;
  TrackerLink link{owner};

 private:
  std::ostream& err;
  const std::filesystem::path backupFolder;

  // The port as messages name it: as a report names it (its device file on Linux, COMn on
  // Windows), its number where it has no name.
  static std::string Name(const PortArgument& port) {
    ExaminationRoots roots;
    roots.ports.deviceDirectory = port.deviceDirectory;
    const std::string name = ExaminedPortName(port.number, roots);
    return name.empty() ? "port " + std::to_string(port.number) : name;
  }
};

int BadInput(std::ostream& err, const std::string& problem) {
  err << "vindrel: " << problem << '\n';
  return kExitBadInput;
}

int OutputFailed(std::ostream& err, const std::string& problem) {
  err << "vindrel: could not write the output: " << problem << '\n';
  return kExitOutputFailed;
}

// The record's fields that the tracker will hold otherwise than the file writes them (a delay
// between the tracker's steps, a call in lower case), on standard error: the file stays JSON.
void NoteHeldValues(std::ostream& err, const TrackerSettings& written, const std::string& name) {
  const TrackerSettings held = AsHeldByTracker(written);
  for (const SettingsField& field : kSettingsFields) {
    const std::string a = SettingsFieldJson(field, written), b = SettingsFieldJson(field, held);
    if (a != b)
      err << "vindrel: " << name << ": " << field.name << ": " << a << " is held as " << b
          << " by the tracker\n";
  }
}

// One line of advice each; kExitNoAnswer under --strict when any is more than informational.
int PrintAdvice(std::ostream& out, const TrackerSettings& settings, bool strict) {
  bool burden = false;
  for (const SettingsAdvice& advice : AdviseOnSettings(settings)) {
    out << FormatAdvice(advice) << '\n';
    burden = burden || !advice.informational;
  }
  return strict && burden ? kExitNoAnswer : kExitDone;
}

int PrintBackups(std::ostream& out) {
  for (const BackupEntry& entry : ListBackups(DefaultBackupFolder())) {
    out << PathText(entry.path.filename()) << '\t' << entry.time << '\t' << entry.callsign << '\t'
        << entry.beaconText << '\n';
  }
  return kExitDone;
}

// Prints one line per field that differs: "beaconInterval: 5 in a.json, 7 in b.json".
bool PrintDifferences(std::ostream& out, const TrackerSettings& left, const std::string& leftName,
                      const TrackerSettings& right, const std::string& rightName) {
  bool differ = false;
  for (const SettingsField& field : kSettingsFields) {
    const std::string a = SettingsFieldJson(field, left), b = SettingsFieldJson(field, right);
    if (a != b) {
      out << field.name << ": " << a << ' ' << leftName << ", " << b << ' ' << rightName << '\n';
      differ = true;
    }
  }
  return differ;
}

// The tracker's settings against the values as written: only the upper-casing of calls and the
// delays' quantisation count as the same. One line per field that differs.
int Verify(Session& s, std::ostream& out, const TrackerSettings& written,
           const std::string& writtenName) {
  if (const int code = s.Connect()) return code;
  const std::optional<SettingsBlock> image = s.ReadImage();
  if (!image) return kExitNoAnswer;
  TrackerSettings held;
  DecodeSettingsBlock(*image, held);
  bool differ = false;
  for (const SettingsField& field : kSettingsFields) {
    if (HoldsAsWritten(field, written, held)) continue;
    out << field.name << ": " << SettingsFieldJson(field, written) << ' ' << writtenName << ", "
        << SettingsFieldJson(field, held) << " on the tracker\n";
    differ = true;
  }
  return differ ? kExitNoAnswer : kExitDone;
}

int WriteReadBack(Session& s, std::ostream& out, const TrackerSettings& settings,
                  const std::string& name, bool verify) {
  switch (WriteSettings(s.link, settings)) {
    case WriteOutcome::NotConnected:  // not after the session's own connect
    case WriteOutcome::NoEcho:
      return s.Fail(kExitNoAnswer, "the tracker did not take the write command");
    case WriteOutcome::ExchangeFailed:
      return s.Fail(kExitNoAnswer, kWriteFailed);
    case WriteOutcome::Done:
      break;
  }
  return verify ? Verify(s, out, settings, name) : kExitDone;
}

// Keeps the tracker's image in the history, writes settings and reads them back. The image comes
// first: a write that goes wrong must not take the only copy of the old settings with it.
int WriteAndVerify(Session& s, std::ostream& out, const TrackerSettings& settings,
                   const std::string& name, bool verify) {
  if (const int code = s.Connect()) return code;
  if (!s.ReadImage()) return kExitNoAnswer;
  return WriteReadBack(s, out, settings, name, verify);
}

struct Assignment {
  const SettingsField* field;
  std::string value;
};

// FIELD=VALUE checked with the dialog's checks before anything is sent.
// What each field means, in the unit its value counts in; the limits come from the field table.
constexpr std::pair<const char*, const char*> kFieldMeanings[] = {
    {"callsign", "own callsign, -SSID 0 to 15"},
    {"symbolChar", "APRS symbol"},
    {"tableChar", "symbol table: / or \\"},
    {"digipeaterPath", "up to 3 digipeaters, by commas"},
    {"sendBeaconText", "send the beacon text"},
    {"beaconInterval", "beacon text every N transmissions"},
    {"beaconText", "beacon text"},
    {"sendStatusText", "send the status text"},
    {"statusInterval", "status text every N transmissions"},
    {"statusText", "status text"},
    {"sendSpeedCourse", "include speed and course"},
    {"sendAltitude", "include the altitude"},
    {"transmissionInterval", "seconds between transmissions"},
    {"speedRelatedInterval", "interval follows the speed"},
    {"txDelayMs", "ms from keying to sending"},
    {"restTimeMs", "ms of rest time"},
    {"switchTransmitter", "switch transmitter on and off"},
    {"switchDelay", "seconds of switching delay"},
};

// One line per field for set --help: name, its values and limits, and its meaning.
std::string FieldHelp() {
  std::string help =
      "Fields (txDelayMs is kept in steps of 6.7 ms, restTimeMs in steps of 5 ms):\n";
  for (const auto& [name, meaning] : kFieldMeanings) {
    const SettingsField& field = *FindSettingsField(name);
    std::string values =
        field.kind == SettingsField::Flag ? "true or false"
        : field.kind == SettingsField::Integer
            ? std::to_string(field.minimum) + " to " + std::to_string(field.maximum)
        : field.maximum > 0 ? "at most " + std::to_string(field.maximum) + " characters"
                            : "one character";
    std::string line = "  " + std::string(name);
    line.resize(24, ' ');
    values.resize(23, ' ');
    help += line + values + meaning + "\n";
  }
  return help;
}

// "; did you mean callsign?" for a name within a few typing errors of a field's (case ignored).
std::string FieldSuggestion(const std::string& name) {
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  // Levenshtein distance, one row at a time.
  auto distance = [](const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      std::size_t diagonal = row[0]++;
      for (std::size_t j = 1; j <= b.size(); ++j) {
        const std::size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
        diagonal = above;
      }
    }
    return row[b.size()];
  };
  const SettingsField* nearest = nullptr;
  std::size_t best = 2 + name.size() / 4;  // more edits than that is a different word
  for (const SettingsField& field : kSettingsFields) {
    const std::size_t d = distance(lower(name), lower(field.name));
    if (d < best || (d == 0 && nearest == nullptr)) {
      nearest = &field;
      best = d;
    }
  }
  return nearest ? "; did you mean " + std::string(nearest->name) + "?" : "";
}

std::optional<std::string> ParseAssignments(const std::vector<std::string>& texts,
                                            std::vector<Assignment>& assignments) {
  for (const std::string& text : texts) {
    const auto equals = text.find('=');
    if (equals == std::string::npos) return text + ": FIELD=VALUE expected";
    const std::string name = text.substr(0, equals);
    // symbol=NAME stands for the two characters the picker would choose.
    if (name == "symbol") {
      const std::optional<AprsSymbol> symbol = FindAprsSymbol(text.substr(equals + 1));
      if (!symbol) return text + ": no such symbol name (vindrel symbols lists them)";
      assignments.push_back({FindSettingsField("tableChar"), std::string(1, symbol->table)});
      assignments.push_back({FindSettingsField("symbolChar"), std::string(1, symbol->code)});
      continue;
    }
    const SettingsField* field = FindSettingsField(name);
    if (field == nullptr) return name + ": unknown field" + FieldSuggestion(name);
    TrackerSettings scratch;
    if (auto reason = StoreSettingsValue(*field, text.substr(equals + 1), scratch)) {
      return name + ": " + *reason;
    }
    assignments.push_back({field, text.substr(equals + 1)});
  }
  return std::nullopt;
}

int Set(Session& s, std::ostream& out, const std::vector<Assignment>& assignments) {
  if (const int code = s.Connect()) return code;
  const std::optional<SettingsBlock> image = s.ReadImage();
  if (!image) return kExitNoAnswer;
  TrackerSettings settings;
  DecodeSettingsBlock(*image, settings);
  for (const Assignment& a : assignments) StoreSettingsValue(*a.field, a.value, settings);
  // The tracker's other fields must pass the dialog's checks too before anything is written.
  if (auto problem = CheckSettings(settings)) {
    return s.Fail(kExitBadInput,
                  std::string(problem->field->name) + " on the tracker: " + problem->message);
  }
  return WriteReadBack(s, out, settings, "written", true);
}

int Gps(Session& s, int seconds) {
  int ticks = 0;
  StartGpsSimulation(s.link, ticks);
  const TrackerSettings settings;  // the defaults: 100 knots
  const Clock::time_point start = Clock::now();
  const std::chrono::milliseconds period(kGpsTimerPeriodMs);
  // The first fix at once, as a receiver that has its position sends it.
  for (int n = 0; seconds <= 0 || n * period < std::chrono::seconds(seconds); ++n) {
    std::this_thread::sleep_until(start + n * period);
    GpsSimulationTick(s.link, settings, ticks);
    if (s.link.gpsTimer == 0) return kExitNoAnswer;  // a short write ended it
  }
  std::this_thread::sleep_until(start + std::chrono::seconds(seconds));
  return kExitDone;
}

int ListSymbols(std::ostream& out) {
  for (const AprsSymbol& symbol : kAprsSymbols) {
    out << symbol.table << '\t' << symbol.code << '\t' << symbol.name << '\n';
  }
  return kExitDone;
}

int ListPorts(std::ostream& out, const PortDiscoveryRoots& roots) {
  PortNumberList ports;
  DiscoverSerialPorts(ports, roots);
  std::sort(ports.begin(), ports.end());
  out << "PORT\tDEVICE\tDESCRIPTION\n";
  for (const std::uint32_t number : ports) {
    const int n = static_cast<int>(number);
    out << n << '\t' << PortDisplayName(n) << '\t' << DescribeSerialPort(n, roots) << '\n';
  }
  if (const InProcessPort* inProcess = RegisteredInProcessPort()) {
    out << "virtual\t" << inProcess->name << '\t' << inProcess->description << '\n';
  }
  return kExitDone;
}

// The only port present. nullopt with the exit code when there is none or several.
std::optional<PortArgument> ChoosePort(std::ostream& err, int& code,
                                       const PortDiscoveryRoots& roots) {
  PortNumberList ports;
  DiscoverSerialPorts(ports, roots);
  if (ports.size() == 1) return PortArgument{static_cast<int>(ports[0]), roots.deviceDirectory};
  if (ports.empty()) {
    err << "vindrel: " << kNoPorts << '\n';
    code = kExitSerialError;
    return std::nullopt;
  }
  err << "vindrel: several serial ports; choose one with -p:\n";
  ListPorts(err, roots);
  code = kExitUsage;
  return std::nullopt;
}

// The command line's grammar and what it parsed.
struct CommandLine {
  CommandLine() {
    app.set_version_flag("--version", "vindrel " VINDREL_VERSION);
    app.require_subcommand(1);
    // -p and --trace may also stand after the command ("vindrel version -p COM3"). The
    // subcommands exist already (members), so each is told itself.
    for (CLI::App* command : app.get_subcommands({})) command->fallthrough();
    app.add_option("-p,--port", portText, kPortOptionHelp);
    app.add_flag("--trace", trace, "log every byte on the line to standard error");
    read->add_option("-o,--output", outFile, "write them to FILE (.json, or .bin for the image)");
    write->add_option("FILE", file, "settings file (.json or .bin)")->required();
    write->add_flag("--no-verify", noVerify, "do not read the settings back");
    verify->add_option("FILE", file, "settings file (.json or .bin)")->required();
    set->footer(FieldHelp());
    set->add_option("FIELD=VALUE", assignmentTexts,
                    "e.g. callsign=PA3XYZ-9 beaconInterval=3 symbol=Auto (a name from symbols)")
        ->required();
    tone->add_option("PITCH", pitch, "low (1200 Hz) or high (2200 Hz)")
        ->required()
        ->check(CLI::IsMember({"low", "high"}));
    gps->add_option("--seconds", secondsText,
                    "stop after N seconds, a whole number from 1 (default: until interrupted)");
    CLI::Option* replayOption =
        gps->add_option(
               "--replay", replayFile,
               "replay a drive: an NMEA 0183 log or a GPX file (default: a fixed position)")
            ->type_name("FILE");
    gps->add_option("--speed", replay.speed, "replay FACTOR times faster (e.g. 4, or 0.5)")
        ->check(CLI::Range(0.01, 10000.0))
        ->type_name("FACTOR")
        ->needs(replayOption);
    gps->add_flag("--loop", replay.loop, "start the replay again at the track's end")
        ->needs(replayOption);
    show->add_option("FILE", file, "settings file (.json or .bin)")->required();
    check->add_option("FILE", file, "settings file (.json or .bin); without it, the tracker's");
    check->add_flag("--strict", strict, "exit 1 when there is advice (informational aside)");
    diff->add_option("FILE1", file, "settings file")->required();
    diff->add_option("FILE2", secondFile, "settings file")->required();
    convert->add_option("IN", file, "settings file to read")->required();
    convert->add_option("OUT", secondFile, "settings file to write")->required();
  }

  // Parses argv and checks -p and FIELD=VALUE, reading no file and touching no port. nullopt
  // when the command goes on, else its exit code (0 after --help or --version).
  std::optional<int> Parse(int argc, const char* const* argv, std::ostream& out,
                           std::ostream& err) {
    try {
      app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
      return app.exit(e, out, err) == 0 ? kExitDone : kExitUsage;
    }
    if (!portText.empty()) {
      std::string problem;
      port = ParsePortArgument(portText, problem);
      if (!port) {
        err << "vindrel: " << problem << '\n';
        return kExitUsage;
      }
    }
    if (!secondsText.empty()) {
      const char* end = secondsText.data() + secondsText.size();
      const auto [stop, error] = std::from_chars(secondsText.data(), end, seconds);
      if (error != std::errc() || stop != end || seconds < 1) {
        err << "vindrel: --seconds: " << secondsText
            << " is not a whole number of seconds from 1\n";
        return kExitUsage;
      }
    }
    if (auto problem = ParseAssignments(assignmentTexts, assignments)) {
      return BadInput(err, *problem);
    }
    // A file name the file system would change is refused before anything is read or sent.
    for (const std::string* name : {&file, &secondFile, &outFile, &replayFile}) {
      if (auto problem = FileNameProblem(*name)) return BadInput(err, *name + ": " + *problem);
    }
    return std::nullopt;
  }

  CLI::App app{"Configures a VINDrel APRS tracker over a serial port.", "vindrel"};
  std::string portText, outFile, file, secondFile, pitch, secondsText, replayFile;
  ReplayOptions replay;
  bool trace = false, noVerify = false, strict = false;
  int seconds = 0;
  std::vector<std::string> assignmentTexts;
  std::optional<PortArgument> port;
  std::vector<Assignment> assignments;

  CLI::App* ports =
      app.add_subcommand("ports", "list the serial ports by number: number, device, description");
  CLI::App* read =
      app.add_subcommand("read", "read the tracker's settings (JSON to standard output)");
  CLI::App* write =
      app.add_subcommand("write", "write settings from FILE, then read back and compare");
  CLI::App* verify = app.add_subcommand("verify", "compare the tracker's settings with FILE");
  CLI::App* set = app.add_subcommand("set", "change fields: read, change, check, write, verify");
  CLI::App* version = app.add_subcommand("version", "show the tracker's firmware version");
  CLI::App* tone = app.add_subcommand("tone", "key the transmitter with a 1200 Hz or 2200 Hz tone");
  CLI::App* squelch =
      app.add_subcommand("squelch", "squelch adjustment: begin, wait for Enter, end");
  CLI::App* gps = app.add_subcommand("gps", "send simulated GPS sentences every 2 seconds");
  CLI::App* show = app.add_subcommand(
      "show", "print a settings file as JSON, with advice on it on standard error");
  CLI::App* check = app.add_subcommand(
      "check", "advice on settings that work badly on the air (a file's, or the tracker's)");
  CLI::App* diff = app.add_subcommand("diff", "list the fields in which two settings files differ");
  CLI::App* convert =
      app.add_subcommand("convert", "convert a settings file (by the names' endings)");
  CLI::App* symbols =
      app.add_subcommand("symbols", "list the APRS symbols: table character, code, name");
  CLI::App* backups = app.add_subcommand(
      "backups", "list the backup history, newest first: file, time, callsign, beacon text");
  CLI::App* doctor = app.add_subcommand(
      "doctor", "examine the ports (or -p) and say why no tracker answers, and what to do");
};

}  // namespace

int CheckVindrelArguments(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CommandLine line;
  return line.Parse(argc, argv, out, err).value_or(kExitDone);
}

namespace {

int RunCommand(CommandLine& c, std::istream& in, std::ostream& out, std::ostream& err,
               const PortDiscoveryRoots& roots) {
  if (c.doctor->parsed()) return RunDoctor(out, c.port);  // -p's port, or every one present
  // Commands on files only.
  if (c.ports->parsed()) return ListPorts(out, roots);
  if (c.backups->parsed()) return PrintBackups(out);
  if (c.symbols->parsed()) return ListSymbols(out);
  const bool checkFile = c.check->parsed() && !c.file.empty();
  if (c.show->parsed() || c.diff->parsed() || c.convert->parsed() || checkFile) {
    TrackerSettings first, second;
    if (auto problem = LoadSettingsFile(c.file, first)) return BadInput(err, *problem);
    if (c.show->parsed()) {
      out << SettingsFileBytes(".json", first);
      NoteHeldValues(err, first, c.file);
      out.flush();  // the advice comes under the values on a terminal
      PrintAdvice(err, first, false);
      return kExitDone;
    }
    if (checkFile) return PrintAdvice(out, first, c.strict);
    if (c.convert->parsed()) {
      if (auto problem = SaveSettingsFile(c.secondFile, first)) return OutputFailed(err, *problem);
      return kExitDone;
    }
    if (auto problem = LoadSettingsFile(c.secondFile, second)) return BadInput(err, *problem);
    return PrintDifferences(out, first, "in " + c.file, second, "in " + c.secondFile)
               ? kExitNoAnswer
               : kExitDone;
  }

  // Everything given is checked before the port is touched: a bad file or value sends nothing.
  TrackerSettings settings;
  if (c.write->parsed() || c.verify->parsed()) {
    if (auto problem = LoadSettingsFile(c.file, settings)) return BadInput(err, *problem);
  }
  Track track;
  if (!c.replayFile.empty()) {
    if (auto problem = ReadTrackFile(c.replayFile, track)) return BadInput(err, *problem);
    if (track.badChecksums > 0) {
      err << "vindrel: " << c.replayFile << ": " << track.badChecksums
          << " sentence(s) with a bad checksum skipped\n";
    }
  }
  int code = kExitDone;
  const std::optional<PortArgument> port = c.port ? c.port : ChoosePort(err, code, roots);
  if (!port) return code;
  Session s(err, *port, c.trace, DefaultBackupFolder());
  try {
    if (c.read->parsed()) {
      if ((code = s.Connect()) != kExitDone) return code;
      const std::optional<SettingsBlock> image = s.ReadImage();
      if (!image) return kExitNoAnswer;
      DecodeSettingsBlock(*image, settings);
      // An image file holds the bytes as received, not the record encoded again: a backup is
      // exact, bytes 112 to 255 included.
      const std::string content = IsImageFileName(c.outFile)
                                      ? std::string(image->begin(), image->end())
                                      : SettingsFileBytes(".json", settings);
      if (c.outFile.empty()) {
        out << content;
      } else if (auto problem = ReplaceFileContent(FilePath(c.outFile), content)) {
        return OutputFailed(err, c.outFile + ": " + *problem);
      }
      return kExitDone;
    }
    if (c.write->parsed()) return WriteAndVerify(s, out, settings, "in " + c.file, !c.noVerify);
    if (c.verify->parsed()) return Verify(s, out, settings, "in " + c.file);
    if (c.set->parsed()) return Set(s, out, c.assignments);
    if (c.check->parsed()) {
      if ((code = s.Connect()) != kExitDone) return code;
      const std::optional<SettingsBlock> image = s.ReadImage();
      if (!image) return kExitNoAnswer;
      DecodeSettingsBlock(*image, settings);
      return PrintAdvice(out, settings, c.strict);
    }
    if (c.version->parsed()) {
      if ((code = s.Connect()) != kExitDone) return code;
      const auto bytes = ReadVersion(s.link);
      if (!bytes) return s.Fail(kExitNoAnswer, "the tracker did not tell its version");
      out << VersionText(*bytes) << '\n';
      return kExitDone;
    }
    if (c.tone->parsed()) {
      if ((code = s.Connect()) != kExitDone) return code;
      const bool echoed = c.pitch == "low" ? SendLowTone(s.link) : SendHighTone(s.link);
      return echoed ? kExitDone : s.Fail(kExitNoAnswer, "the tracker did not take the tone");
    }
    if (c.squelch->parsed()) {
      if ((code = s.Connect()) != kExitDone) return code;
      const bool begun = BeginSquelchAdjustment(s.link);
      if (begun) {
        err << "Squelch adjustment: set the squelch on the tracker, then press Enter.\n";
        std::string enter;
        std::getline(in, enter);
      }
      // Also without an echo, as the dialog does: the tracker may have begun all the same.
      EndSquelchAdjustment(s.link);
      return begun ? kExitDone
                   : s.Fail(kExitNoAnswer, "the tracker did not begin squelch adjustment");
    }
    if (c.gps->parsed() && !c.replayFile.empty()) {
      c.replay.seconds = c.seconds;
      const bool terminal = &err == &std::cerr && StandardErrorIsTerminal();
      return ReplayGpsTrack(s.link, track, c.replay, terminal ? &err : nullptr);
    }
    if (c.gps->parsed()) return Gps(s, c.seconds);
  } catch (const CSerialException& e) {
    char text[512];
    s.owner.ShowMessage(e.GetErrorText(text, sizeof text) ? text : kInternalError);
    return kExitSerialError;
  }
  return kExitUsage;
}

}  // namespace

int RunVindrel(int argc, const char* const* argv, std::istream& in, std::ostream& out,
               std::ostream& err, const PortDiscoveryRoots& roots) {
  CommandLine c;
  if (const std::optional<int> code = c.Parse(argc, argv, out, err)) return *code;
  const int code = RunCommand(c, in, out, err, roots);
  // Standard output is a backup as much as a file is: a full disk must not pass for success.
  errno = 0;
  out.flush();
  if (!out) {
    return OutputFailed(
        err, errno != 0 ? std::generic_category().message(errno) : "the output stream failed");
  }
  return code;
}

}  // namespace vindrel
