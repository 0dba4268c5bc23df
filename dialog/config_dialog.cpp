#include "dialog/config_dialog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "dialog/dialog_layout.h"
#include "protocol/gps_simulation.h"
#include "protocol/port_examination.h"
#include "protocol/tracker_commands.h"
#include "serial/in_process_device.h"
#include "serial/port_description.h"
#include "serial/port_names.h"
#include "settings/settings_fields.h"
#include "settings/settings_file.h"

namespace vindrel {

namespace {

constexpr const SettingsField* Field(std::string_view name) {
  for (const SettingsField& field : kSettingsFields) {
    if (name == field.name) return &field;
  }
  throw "no such field";  // not a constant expression: a misspelt name does not compile
}

struct Binding {
  int controlId;
  const SettingsField* field;
};

// In exchange order: a failed check leaves the fields after it as they were, so the order decides
// which message the user sees first.
constexpr Binding kBindings[] = {
    {kCallsign, Field("callsign")},
    {kBeaconInterval, Field("beaconInterval")},
    {kBeaconText, Field("beaconText")},
    {kDigipeaterPath, Field("digipeaterPath")},
    {kSendBeaconText, Field("sendBeaconText")},
    {kSendAltitude, Field("sendAltitude")},
    {kSpeedRelatedInterval, Field("speedRelatedInterval")},
    {kSendSpeedCourse, Field("sendSpeedCourse")},
    {kSwitchTransmitter, Field("switchTransmitter")},
    {kTransmissionInterval, Field("transmissionInterval")},
    {kTxDelay, Field("txDelayMs")},
    {kRestTime, Field("restTimeMs")},
    {kSwitchDelay, Field("switchDelay")},
    {kSymbolChar, Field("symbolChar")},
    {kTableChar, Field("tableChar")},
    {kSendStatusText, Field("sendStatusText")},
    {kStatusInterval, Field("statusInterval")},
    {kStatusText, Field("statusText")},
};

constexpr std::size_t kErrorTextCapacity = 512;

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
 public:
  explicit WaitCursor(DialogView& view) : view(view) { view.BeginWaitCursor(); }
  ~WaitCursor() { view.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  DialogView& view;
};

// What the port list shows for port number: the in-process device goes by its own name.
std::string PortEntryText(int number) {
  const std::string inProcess = InProcessPortName(number);
  return inProcess.empty() ? PortDisplayName(number) : inProcess;
}

}  // namespace

ConfigDialog::ConfigDialog(DialogView& view, ConfigDialogOptions options)
    : view(view), options(std::move(options)) {
  link.port.SetDeviceDirectory(this->options.deviceDirectory);
}

ConfigDialog::~ConfigDialog() = default;

void ConfigDialog::StartUp() {
  if (FillPortList(view.RememberedPort(), true) == 0) {
    Message("Er zijn geen serieele poorten beschikbaar op dit systeem", MessageIcon::Exclamation);
  }
  settings.ResetToDefaults();
  ShowValues();
  Guarded([this] {
    RefreshEnabling();
    RefreshSymbolPreview();
  });
}

void ConfigDialog::OnPortListOpening() {
  const int selected = SelectedPortNumber();
  FillPortList(selected == 0 ? std::string() : PortEntryText(selected), false);
}

std::size_t ConfigDialog::FillPortList(const std::string& select, bool atStartUp) {
  PortNumberList found;
  DiscoverSerialPorts(found, options.discoveryRoots);
  std::vector<std::pair<std::string, int>> entries;
  for (std::uint32_t number : found) {
    entries.emplace_back(PortDisplayName(static_cast<int>(number)), static_cast<int>(number));
  }
  // Sorted as text, as a sorted list box shows them. Such a box ignores case, but where two port
  // names first differ they never hold a capital against a small letter: the order is the same.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<DialogView::PortEntry> shown;
  portNumbers.clear();
  int selected = entries.empty() ? -1 : 0;
  for (const auto& [text, number] : entries) {
    if (text == select) selected = static_cast<int>(shown.size());
    shown.push_back({text, DescribeSerialPort(number, options.discoveryRoots)});
    portNumbers.push_back(number);
  }
  // The device inside the program comes last. It is chosen at start-up only when there is no
  // real port: whoever has plugged in a tracker since trying the virtual one wants the tracker.
  if (const InProcessPort* inProcess = RegisteredInProcessPort()) {
    const bool remembered = inProcess->name == select && !(atStartUp && !entries.empty());
    if (remembered || entries.empty()) selected = static_cast<int>(shown.size());
    shown.push_back({inProcess->name, inProcess->description});
    portNumbers.push_back(kInProcessPortNumber);
  }
  view.SetPortList(shown, selected);
  return entries.size();
}

void ConfigDialog::ShowValues() {
  exchangingValues = true;
  for (const Binding& binding : kBindings) {
    const SettingsField& field = *binding.field;
    switch (field.kind) {
      case SettingsField::Text:
        if (field.maximum > 0) view.SetTextLimit(binding.controlId, field.maximum);
        view.SetText(binding.controlId, settings.*field.text);
        break;
      case SettingsField::Integer:
        view.SetText(binding.controlId, std::to_string(settings.*field.integer));
        break;
      case SettingsField::Flag:
        view.SetCheck(binding.controlId, settings.*field.flag);
        break;
    }
  }
  exchangingValues = false;
}

bool ConfigDialog::TakeValues() {
  bool ok = true;
  for (const Binding& binding : kBindings) {
    const int id = binding.controlId;
    const SettingsField& field = *binding.field;
    if (field.kind == SettingsField::Flag) {
      settings.*field.flag = view.GetCheck(id);
      continue;
    }
    const std::string text = view.GetText(id);
    if (field.kind == SettingsField::Text) {
      settings.*field.text = text;
      std::optional<std::string> message = CheckText(field, text);
      // The address codec would cut "PA3XYZ-99" to "PA3XYZ-3", another station on the air.
      if (!message && (id == kCallsign || id == kDigipeaterPath)) {
        message = CheckHeldAsWritten(field, text);
      }
      if (message) {
        ok = FailCheck(id, *message);
        break;
      }
      continue;
    }
    const std::optional<int> value = ParseSettingsInteger(text);
    if (!value) {
      ok = FailCheck(id, kNotAnIntegerMessage);
      break;
    }
    settings.*field.integer = *value;
    if (const auto message = CheckInteger(field, *value)) {
      ok = FailCheck(id, *message);
      break;
    }
  }
  return ok;
}

bool ConfigDialog::FailCheck(int id, const std::string& message) {
  Message(message, MessageIcon::Exclamation);
  view.FocusAndSelect(id);
  return false;
}

void ConfigDialog::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const CException& error) {
    // A serial error after the connect leaves the port in doubt (an unplugged adapter leaves a
    // dead descriptor behind): the link goes down, so that the next command opens the port and
    // shakes hands afresh instead of failing the same way until the program is restarted.
    EndLink();
    std::array<char, kErrorTextCapacity> text{};
    const bool hasText = error.GetErrorText(text.data(), kErrorTextCapacity);
    Message(hasText ? std::string(text.data()) : "Internal application error.", MessageIcon::Stop);
  } catch (...) {
    Message("Internal application error.", MessageIcon::Stop);
  }
}

void ConfigDialog::Message(const std::string& text, MessageIcon icon) {
  view.ShowMessage(options.applicationName, text, icon);
}

void ConfigDialog::OnCommand(int id) {
  switch (id) {
    case kReadSettings:
      return Guarded([this] { OnReadSettings(); });
    case kWriteSettings:
      return Guarded([this] { OnWriteSettings(); });
    case kShowVersion:
      return Guarded([this] { OnShowVersion(); });
    case kLowTone:
      return Guarded([this] {
        TakeValues();
        SendLowTone(link);
      });
    case kHighTone:
      return Guarded([this] {
        TakeValues();
        SendHighTone(link);
      });
    case kSquelch:
      return Guarded([this] { OnSquelch(); });
    case kSimulateGps:
      return Guarded([this] { StartGpsSimulation(link, gpsTickCount); });
    case kSendBeaconText:
    case kSpeedRelatedInterval:
    case kSendStatusText:
    case kSwitchTransmitter:
      return Guarded([this] { RefreshEnabling(); });
    case kCloseButton:
      return Close();
    default:
      return;  // 1016 and 1018 run nothing when clicked
  }
}

void ConfigDialog::OnUserEdit(int id) {
  if (exchangingValues) return;
  if (id == kSymbolChar || id == kTableChar) Guarded([this] { RefreshSymbolPreview(); });
}

void ConfigDialog::OnDoubleClick(int id) {
  if (id == kSymbolPreview) Guarded([this] { OnChooseSymbol(); });
}

void ConfigDialog::OnTimer(unsigned /*timerId*/) {
  if (link.gpsTimer == 0) return;  // the simulation has ended: a late event is no tick
  // A message box that a tick raises runs its own event loop, in which the next ticks fall due.
  // Running them there would stack one box on another every two seconds.
  if (tickRunning) return;
  tickRunning = true;
  Guarded([this] { OnTimerTick(); });
  tickRunning = false;
}

void ConfigDialog::OnSystemCommand(int command) {
  switch (command & ~0xF) {
    case kAboutCommand:
      return Guarded([this] { view.RunAboutDialog(); });
    case kOpenSettingsCommand:
      return Guarded([this] { OnOpenSettings(); });
    case kSaveSettingsCommand:
      return Guarded([this] { OnSaveSettings(); });
    case kExamineConnectionCommand:
      return Guarded([this] { OnExamineConnection(); });
    case kChooseSymbolCommand:
      return Guarded([this] { OnChooseSymbol(); });
    default:
      return;
  }
}

void ConfigDialog::OnOpenSettings() {
  // The first time in the backup history, where every image read from a tracker is; later the
  // file dialog remembers the user's own folder.
  std::error_code error;
  const bool history = !fileChosen && std::filesystem::is_directory(options.backupFolder, error);
  const std::string path = view.ChooseSettingsFile(false, history ? options.backupFolder : "");
  if (path.empty()) return;
  fileChosen = true;
  // A file with a problem changes nothing: the record stays as the controls showed it.
  if (const auto problem = LoadSettingsFile(path, settings)) {
    return Message(*problem, MessageIcon::Exclamation);
  }
  ShowValues();
  RefreshEnabling();
  RefreshSymbolPreview();
}

void ConfigDialog::OnSaveSettings() {
  // Values that fail their check are not saved, as they are not written to the tracker.
  if (!TakeValues()) return;
  std::string path = view.ChooseSettingsFile(true, {});
  if (path.empty()) return;
  fileChosen = true;
  // A name typed without an extension is saved as JSON under its name, as Windows' file dialog
  // adds the extension itself: the file keeps a name that says what it holds.
  if (std::filesystem::path(path).extension().empty()) path += ".json";
  if (const auto problem = SaveSettingsFile(path, settings)) {
    Message(*problem, MessageIcon::Exclamation);
  }
}

void ConfigDialog::OnExamineConnection() {
  // The dialog's own hold on the port would count as another program's: the next command
  // connects afresh.
  EndLink();
  const ExaminationRoots roots{{options.deviceDirectory, options.discoveryRoots.sysDirectory}};
  const int number = SelectedPortNumber();
  std::string report;
  {
    WaitCursor wait(view);
    const std::string name = ExaminedPortName(number, roots);
    report = FormatFindings(name.empty() ? "poort" : name, ExaminePort(number, roots).findings) +
             FormatFindings("systeem", ExamineIntruders(roots));
  }
  report.pop_back();  // the last line's break would show as an empty line
  Message(report, MessageIcon::Exclamation);
}

void ConfigDialog::OnChooseSymbol() {
  const auto chosen = view.RunSymbolPicker(view.GetText(kTableChar), view.GetText(kSymbolChar));
  if (!chosen) return;
  // Both fields before the one refresh: the table alone would show a picture of a moment.
  exchangingValues = true;
  view.SetText(kTableChar, std::string(1, chosen->table));
  view.SetText(kSymbolChar, std::string(1, chosen->code));
  exchangingValues = false;
  RefreshSymbolPreview();
}

void ConfigDialog::OnReadSettings() {
  TakeValues();
  const std::optional<SettingsBlock> image = ReadSettingsImage(link);
  if (!image) return;
  // A history that cannot be written costs the user nothing of the read: no box for it.
  // The built-in tracker lasts only as long as the program: its images are not worth keeping.
  if (!options.backupFolder.empty() && SelectedPortNumber() != kInProcessPortNumber) {
    KeepBackup(options.backupFolder, *image, std::chrono::system_clock::now());
  }
  DecodeSettingsBlock(*image, settings);
  ShowValues();
  RefreshEnabling();
  RefreshSymbolPreview();
  view.Beep();
}

void ConfigDialog::OnWriteSettings() {
  // Values that failed their check never reach the tracker.
  if (!TakeValues()) return;
  WriteOutcome outcome;
  {
    WaitCursor wait(view);
    outcome = WriteSettings(link, settings);
  }
  if (outcome == WriteOutcome::Done) return view.Beep();
  // ExchangeFailed: some bytes may have reached the tracker, which may now hold a mix of old and
  // new settings. NoEcho: the tracker never took the command, so nothing was written. Either way
  // the user must not believe the settings went in.
  if (outcome == WriteOutcome::NotConnected) return;  // the connect has said why
  Message("Schrijven van de instellingen is mislukt.", MessageIcon::Exclamation);
}

void ConfigDialog::OnShowVersion() {
  TakeValues();
  std::optional<std::array<std::uint8_t, 2>> version;
  {
    WaitCursor wait(view);
    version = ReadVersion(link);
  }
  if (!version) return;
  Message("VinDrel versie " + VersionText(*version), MessageIcon::Exclamation);
}

void ConfigDialog::OnSquelch() {
  TakeValues();
  if (BeginSquelchAdjustment(link)) view.RunSquelchDialog();
  // The tracker leaves squelch adjustment only on "*"; it is sent even when "A" found no echo,
  // in case the tracker heard it all the same.
  EndSquelchAdjustment(link);
}

void ConfigDialog::OnTimerTick() {
  TakeValues();
  GpsSimulationTick(link, settings, gpsTickCount);
}

void ConfigDialog::RefreshEnabling() {
  TakeValues();
  view.Enable(kBeaconInterval, settings.sendBeaconText);
  view.Enable(kBeaconText, settings.sendBeaconText);
  view.Enable(kStatusInterval, settings.sendStatusText);
  view.Enable(kStatusText, settings.sendStatusText);
  view.Enable(kSwitchDelay, settings.switchTransmitter);
}

void ConfigDialog::RefreshSymbolPreview() {
  TakeValues();
  view.ShowPicture(kSymbolPreview, SymbolIconId(settings.tableChar, settings.symbolChar));
}

void ConfigDialog::Close() {
  EndLink();
  view.EndDialog();
}

void ConfigDialog::EndLink() {
  // A running simulation ends too: no tick may follow on the closed port.
  if (link.gpsTimer != 0) view.StopTimer(link.gpsTimer);
  link.gpsTimer = 0;
  link.Close();
}

int ConfigDialog::SelectedPortNumber() {
  // No entry (-1) turns into an index beyond every list.
  const auto entry = static_cast<std::size_t>(view.SelectedPortEntry());
  return entry < portNumbers.size() ? portNumbers[entry] : 0;
}

void ConfigDialog::ShowMessage(const std::string& text) { Message(text, MessageIcon::Exclamation); }

unsigned ConfigDialog::StartTimer(unsigned timerId, unsigned periodMs) {
  return view.StartTimer(timerId, periodMs);
}

void ConfigDialog::StopTimer(unsigned timerId) { view.StopTimer(timerId); }

void ConfigDialog::HandshakeAnswered(int portNumber) {
  view.RememberPort(PortEntryText(portNumber));
}

}  // namespace vindrel
