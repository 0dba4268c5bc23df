#include "ui/config_dlg.h"

#include "protocol/gps_simulation.h"
#include "protocol/tracker_commands.h"
#include "serial/port_names.h"
#include "ui/about_dlg.h"
#include "ui/dialog_integer.h"
#include "ui/dialog_layout.h"
#include "ui/icons/icon_resources.h"
#include "ui/shell.h"
#include "ui/squelch_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimerEvent>

#include <array>
#include <cstdint>

namespace vindrel {

namespace {

// Control identifiers.
enum : int {
  kCloseButton = 2,
  kCallsign = 1000,
  kDigipeaterPath = 1001,
  kLowTone = 1003,
  kHighTone = 1004,
  kSimulateGps = 1005,
  kBeaconText = 1006,
  kReadSettings = 1008,
  kWriteSettings = 1009,
  kShowVersion = 1010,
  kSendBeaconText = 1013,
  kBeaconInterval = 1014,
  kSpeedRelatedInterval = 1015,
  kSendSpeedCourse = 1016,
  kSendStatusText = 1017,
  kSendAltitude = 1018,
  kTransmissionInterval = 1019,
  kStatusInterval = 1020,
  kTxDelay = 1021,
  kSwitchDelay = 1022,
  kSwitchTransmitter = 1023,
  kRestTime = 1024,
  kPortList = 1025,
  kSquelch = 1026,
  kSymbolChar = 1029,
  kTableChar = 1030,
  kSymbolPreview = 1031,
  kStatusText = 1033,
};

using K = ControlKind;

// Dialog units. Labels run up to their field; the group boxes are listed first so that they lie
// beneath everything else.
constexpr ControlTemplate kControls[] = {
    {-1, K::GroupBox, "Instellingen", 5, 5, 190, 280},
    {-1, K::GroupBox, "Test", 200, 5, 70, 90},
    {-1, K::GroupBox, "Configuratie", 200, 100, 70, 90},
    {-1, K::GroupBox, "", 200, 255, 70, 30},

    {-1, K::Label, "Roepnaam", 10, 23, 53, 8},
    {kCallsign, K::Edit, "", 65, 20, 70, 14},
    {kSymbolPreview, K::Picture, "", 170, 23, 20, 20},
    {-1, K::Label, "Symbool karakter", 10, 43, 58, 8},
    {kSymbolChar, K::Edit, "", 70, 40, 15, 14},
    {-1, K::Label, "Tabel karakter", 95, 43, 48, 8},
    {kTableChar, K::Edit, "", 145, 40, 15, 14},
    {-1, K::Label, "Digipeater pad", 10, 62, 53, 8},
    {kDigipeaterPath, K::Edit, "", 65, 60, 120, 14},
    {kSendBeaconText, K::CheckBox, "Verstuur bakentekst", 10, 80, 120, 10},
    {-1, K::Label, "Baken interval (N transmissies)", 20, 93, 123, 8},
    {kBeaconInterval, K::Edit, "", 145, 90, 40, 14},
    {-1, K::Label, "Baken tekst", 10, 108, 53, 8},
    {kBeaconText, K::Edit, "", 65, 105, 120, 14},
    {kSendStatusText, K::CheckBox, "Verstuur statustekst", 10, 125, 120, 10},
    {kStatusInterval, K::Edit, "", 145, 125, 40, 14},
    {-1, K::Label, "Status tekst", 10, 142, 53, 8},
    {kStatusText, K::Edit, "", 65, 140, 120, 14},
    {kSendSpeedCourse, K::CheckBox, "Verstuur snelheid/richting", 10, 165, 120, 10},
    {kSendAltitude, K::CheckBox, "Verstuur hoogte", 10, 179, 120, 10},
    {-1, K::Label, "Transmissie interval (seconden)", 10, 197, 133, 8},
    {kTransmissionInterval, K::Edit, "", 145, 194, 40, 14},
    {kSpeedRelatedInterval, K::CheckBox, "Snelheid gerelateerd interval", 10, 209, 120, 10},
    {-1, K::Label, "Transmitter delay (milliseconden)", 10, 226, 133, 8},
    {kTxDelay, K::Edit, "", 145, 224, 40, 14},
    {-1, K::Label, "Rust tijd (milliseconden)", 10, 246, 133, 8},
    {kRestTime, K::Edit, "", 145, 245, 40, 14},
    {kSwitchTransmitter, K::CheckBox, "Schakel transmitter aan/uit", 10, 259, 120, 10},
    {-1, K::Label, "Schakelvertraging (seconden)", 20, 272, 123, 8},
    {kSwitchDelay, K::Edit, "", 145, 269, 40, 14},

    {kLowTone, K::PushButton, "Zend 1200 Hz", 205, 15, 60, 14},
    {kHighTone, K::PushButton, "Zend 2200 Hz", 205, 34, 60, 14},
    {kSquelch, K::PushButton, "Squelch instellen", 205, 55, 60, 14},
    {kSimulateGps, K::PushButton, "Simuleer GPS", 205, 74, 60, 14},

    {kPortList, K::ComboBox, "", 206, 110, 60, 65},
    {kShowVersion, K::PushButton, "Toon versie", 205, 130, 60, 14},
    {kReadSettings, K::PushButton, "Lees instellingen", 205, 150, 60, 14},
    {kWriteSettings, K::PushButton, "Schrijf instellingen", 205, 170, 60, 14},

    {kCloseButton, K::PushButton, "Sluit Af", 205, 265, 60, 14},
};

constexpr DialogTemplate kTemplate = {"VINDrel Configuratie Programma", 277, 290, kControls};

constexpr int kTabOrder[] = {
    kCallsign,
    kSymbolChar,
    kTableChar,
    kDigipeaterPath,
    kBeaconText,
    kSendBeaconText,
    kBeaconInterval,
    kSendSpeedCourse,
    kSendAltitude,
    kTransmissionInterval,
    kSpeedRelatedInterval,
    kTxDelay,
    kRestTime,
    kSwitchDelay,
    kLowTone,
    kHighTone,
    kSquelch,
    kSimulateGps,
    kPortList,
    kShowVersion,
    kReadSettings,
    kWriteSettings,
    kCloseButton,
    kSwitchTransmitter,
    kStatusText,
    kSendStatusText,
    kStatusInterval,
};

// How one control is tied to one field of the record. Text: limit 0 means none. Integer: the
// inclusive range.
struct Binding {
  enum Kind { Text, Integer, Flag };
  int controlId;
  Kind kind;
  std::string TrackerSettings::*text = nullptr;
  int TrackerSettings::*integer = nullptr;
  bool TrackerSettings::*flag = nullptr;
  int minimum = 0;
  int maximum = 0;
};

constexpr Binding TextField(int id, std::string TrackerSettings::*field, int limit) {
  return {id, Binding::Text, field, nullptr, nullptr, 0, limit};
}
constexpr Binding IntegerField(int id, int TrackerSettings::*field, int minimum, int maximum) {
  return {id, Binding::Integer, nullptr, field, nullptr, minimum, maximum};
}
constexpr Binding FlagField(int id, bool TrackerSettings::*field) {
  return {id, Binding::Flag, nullptr, nullptr, field, 0, 0};
}

// In exchange order: a failed check leaves the fields after it as they were, so the order decides
// which message the user sees first.
constexpr Binding kBindings[] = {
    TextField(kCallsign, &TrackerSettings::callsign, 9),
    IntegerField(kBeaconInterval, &TrackerSettings::beaconInterval, 1, 20),
    TextField(kBeaconText, &TrackerSettings::beaconText, 31),
    TextField(kDigipeaterPath, &TrackerSettings::digipeaterPath, 28),
    FlagField(kSendBeaconText, &TrackerSettings::sendBeaconText),
    FlagField(kSendAltitude, &TrackerSettings::sendAltitude),
    FlagField(kSpeedRelatedInterval, &TrackerSettings::speedRelatedInterval),
    FlagField(kSendSpeedCourse, &TrackerSettings::sendSpeedCourse),
    FlagField(kSwitchTransmitter, &TrackerSettings::switchTransmitter),
    IntegerField(kTransmissionInterval, &TrackerSettings::transmissionInterval, 5, 255),
    IntegerField(kTxDelay, &TrackerSettings::txDelayMs, 0, 1200),
    IntegerField(kRestTime, &TrackerSettings::restTimeMs, 0, 1200),
    IntegerField(kSwitchDelay, &TrackerSettings::switchDelay, 0, 10),
    TextField(kSymbolChar, &TrackerSettings::symbolChar, 0),
    TextField(kTableChar, &TrackerSettings::tableChar, 0),
    FlagField(kSendStatusText, &TrackerSettings::sendStatusText),
    IntegerField(kStatusInterval, &TrackerSettings::statusInterval, 1, 20),
    TextField(kStatusText, &TrackerSettings::statusText, 31),
};

// The record holds bytes; the controls hold one character per byte.
QString FromLine(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string ToLine(const QString& text) { return text.toLatin1().toStdString(); }

constexpr int kErrorTextCapacity = 512;

}  // namespace

CConfigDlg::CConfigDlg() : CConfigDlg(ConfigDlgOptions{}) {}

CConfigDlg::CConfigDlg(const ConfigDlgOptions& options)
    : ownFeedback(options.feedback ? nullptr : std::make_unique<QtFeedback>()),
      feedback(options.feedback ? *options.feedback : *ownFeedback) {
  BuildDialog(*this, kTemplate);
  Edit(kCallsign)->setFocus();
  QWidget* previous = nullptr;
  for (int id : kTabOrder) {
    QWidget* control = findChild<QWidget*>(ControlName(id), Qt::FindDirectChildrenOnly);
    if (previous) setTabOrder(previous, control);
    previous = control;
  }
  findChild<QPushButton*>(ControlName(kCloseButton))->setDefault(true);
  setWindowIcon(ApplicationIcon());
  link.port.SetDeviceDirectory(options.deviceDirectory);
  ConnectHandlers();
  StartUp(options.discoveryRoots);
}

CConfigDlg::~CConfigDlg() = default;

void CConfigDlg::ConnectHandlers() {
  const auto button = [this](int id, void (CConfigDlg::*handler)()) {
    connect(findChild<QPushButton*>(ControlName(id)), &QPushButton::clicked, this,
            [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  button(kReadSettings, &CConfigDlg::OnReadSettings);
  button(kWriteSettings, &CConfigDlg::OnWriteSettings);
  button(kShowVersion, &CConfigDlg::OnShowVersion);
  button(kLowTone, &CConfigDlg::OnLowTone);
  button(kHighTone, &CConfigDlg::OnHighTone);
  button(kSquelch, &CConfigDlg::OnSquelch);
  button(kSimulateGps, &CConfigDlg::OnSimulateGps);
  connect(findChild<QPushButton*>(ControlName(kCloseButton)), &QPushButton::clicked, this,
          &CConfigDlg::reject);

  // clicked, not toggled: the ticks that ShowValues sets are no user action.
  for (int id : {kSendBeaconText, kSpeedRelatedInterval, kSendStatusText, kSwitchTransmitter}) {
    connect(Check(id), &QCheckBox::clicked, this,
            [this] { Guarded([this] { RefreshEnabling(); }); });
  }
  // textEdited fires only for the user's own edits, never for ShowValues.
  for (int id : {kSymbolChar, kTableChar}) {
    connect(Edit(id), &QLineEdit::textEdited, this, [this] {
      if (!exchangingValues) Guarded([this] { RefreshSymbolPreview(); });
    });
  }
}

void CConfigDlg::StartUp(const PortDiscoveryRoots& roots) {
  FillPortList(roots);
  settings.ResetToDefaults();
  ShowValues();
  Guarded([this] {
    RefreshEnabling();
    RefreshSymbolPreview();
  });
}

void CConfigDlg::FillPortList(const PortDiscoveryRoots& roots) {
  PortNumberList ports;
  DiscoverSerialPorts(ports, roots);
  if (ports.empty()) {
    Message(QStringLiteral("Er zijn geen serieele poorten beschikbaar op dit systeem"),
            MessageIcon::Exclamation);
  }
  QComboBox* list = PortList();
  for (std::uint32_t number : ports) {
    const QString text = QString::fromStdString(PortDisplayName(static_cast<int>(number)));
    // Sorted as text, case-blind; equal texts keep the order they were found in.
    int at = 0;
    while (at < list->count() &&
           QString::compare(list->itemText(at), text, Qt::CaseInsensitive) <= 0) {
      ++at;
    }
    list->insertItem(at, text, static_cast<int>(number));
  }
  list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

void CConfigDlg::ShowValues() {
  exchangingValues = true;
  for (const Binding& binding : kBindings) {
    switch (binding.kind) {
      case Binding::Text: {
        QLineEdit* edit = Edit(binding.controlId);
        const QString text = FromLine(settings.*binding.text);
        if (binding.maximum > 0) {
          // QLineEdit cuts its text to the maximum length, where the check in TakeValues should
          // report an overlong value from the tracker instead: the limit only stops typing.
          edit->setMaxLength(std::max<int>(binding.maximum, static_cast<int>(text.size())));
        }
        edit->setText(text);
        break;
      }
      case Binding::Integer:
        Edit(binding.controlId)->setText(QString::number(settings.*binding.integer));
        break;
      case Binding::Flag:
        Check(binding.controlId)->setChecked(settings.*binding.flag);
        break;
    }
  }
  exchangingValues = false;
}

bool CConfigDlg::TakeValues() {
  exchangingValues = true;
  bool ok = true;
  for (const Binding& binding : kBindings) {
    const int id = binding.controlId;
    if (binding.kind == Binding::Flag) {
      settings.*binding.flag = Check(id)->isChecked();
      continue;
    }
    const QString text = Edit(id)->text();
    if (binding.kind == Binding::Text) {
      settings.*binding.text = ToLine(text);
      if (binding.maximum > 0 && text.size() > binding.maximum) {
        ok = FailCheck(
            id, QStringLiteral("Please enter no more than %1 characters.").arg(binding.maximum));
        break;
      }
      continue;
    }
    const std::optional<int> value = ParseDialogInteger(text);
    if (!value) {
      ok = FailCheck(id, QStringLiteral("Please enter an integer."));
      break;
    }
    settings.*binding.integer = *value;
    if (*value < binding.minimum || *value > binding.maximum) {
      ok = FailCheck(id, QStringLiteral("Please enter an integer between %1 and %2.")
                             .arg(binding.minimum)
                             .arg(binding.maximum));
      break;
    }
  }
  exchangingValues = false;
  return ok;
}

bool CConfigDlg::FailCheck(int controlId, const QString& message) {
  Message(message, MessageIcon::Exclamation);
  QLineEdit* edit = Edit(controlId);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
  return false;
}

void CConfigDlg::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const CException& error) {
    std::array<char, kErrorTextCapacity> text{};
    const bool hasText = error.GetErrorText(text.data(), kErrorTextCapacity);
    Message(hasText ? QString::fromLocal8Bit(text.data())
                    : QStringLiteral("Internal application error."),
            MessageIcon::Stop);
  } catch (...) {
    Message(QStringLiteral("Internal application error."), MessageIcon::Stop);
  }
}

void CConfigDlg::Message(const QString& text, MessageIcon icon) {
  feedback.ShowMessage(this, ApplicationName(), text, icon);
}

void CConfigDlg::OnReadSettings() {
  TakeValues();
  if (!ReadSettings(link, settings)) return;
  ShowValues();
  RefreshEnabling();
  RefreshSymbolPreview();
  feedback.Beep();
}

void CConfigDlg::OnWriteSettings() {
  // Values that failed their check never reach the tracker.
  if (!TakeValues()) return;
  WriteOutcome outcome;
  {
    WaitCursor wait(feedback);
    outcome = WriteSettings(link, settings);
  }
  switch (outcome) {
    case WriteOutcome::Done:
      feedback.Beep();
      break;
    case WriteOutcome::NoEcho:
      // The tracker never took the command: nothing was written, so nothing to celebrate. The
      // connect has already said so when the tracker did not answer at all.
      break;
    case WriteOutcome::ExchangeFailed:
      // Some bytes may have reached the tracker: it may now hold a mix of old and new settings.
      Message(QStringLiteral("Schrijven van de instellingen is mislukt."),
              MessageIcon::Exclamation);
      break;
  }
}

void CConfigDlg::OnShowVersion() {
  TakeValues();
  std::optional<std::array<std::uint8_t, 2>> version;
  {
    WaitCursor wait(feedback);
    version = ReadVersion(link);
  }
  if (!version) return;
  // Each byte is a signed 8-bit number.
  const int major = static_cast<std::int8_t>((*version)[0]);
  const int minor = static_cast<std::int8_t>((*version)[1]);
  Message(QStringLiteral("VinDrel versie %1.%2").arg(major).arg(minor), MessageIcon::Exclamation);
}

void CConfigDlg::OnLowTone() {
  TakeValues();
  SendLowTone(link);
}

void CConfigDlg::OnHighTone() {
  TakeValues();
  SendHighTone(link);
}

void CConfigDlg::OnSquelch() {
  TakeValues();
  if (BeginSquelchAdjustment(link)) {
    CSquelchDlg squelch(this);
    feedback.RunModal(squelch);
  }
  // The tracker leaves squelch adjustment only on "*"; it is sent even when "A" found no echo,
  // in case the tracker heard it all the same.
  EndSquelchAdjustment(link);
}

void CConfigDlg::OnSimulateGps() { StartGpsSimulation(link, gpsTickCount); }

void CConfigDlg::timerEvent(QTimerEvent* /*event*/) {
  if (link.gpsTimer == 0) return;  // the simulation has ended: a late event is no tick
  // A message box that a tick raises runs its own event loop, in which the next ticks fall due.
  // Running them there would stack one box on another every two seconds.
  if (tickRunning) return;
  tickRunning = true;
  Guarded([this] { OnTimerTick(); });
  tickRunning = false;
}

void CConfigDlg::OnTimerTick() {
  TakeValues();
  GpsSimulationTick(link, settings, gpsTickCount);
}

void CConfigDlg::RefreshEnabling() {
  TakeValues();
  Edit(kBeaconInterval)->setEnabled(settings.sendBeaconText);
  Edit(kBeaconText)->setEnabled(settings.sendBeaconText);
  Edit(kStatusInterval)->setEnabled(settings.sendStatusText);
  Edit(kStatusText)->setEnabled(settings.sendStatusText);
  Edit(kSwitchDelay)->setEnabled(settings.switchTransmitter);
}

void CConfigDlg::RefreshSymbolPreview() {
  TakeValues();
  // A pair without an icon (identifier 0 included) clears the picture.
  const QPixmap icon = LoadIconPixmap(SymbolIconId(settings.tableChar, settings.symbolChar));
  QLabel* preview = findChild<QLabel*>(ControlName(kSymbolPreview), Qt::FindDirectChildrenOnly);
  if (icon.isNull()) {
    preview->clear();
  } else {
    preview->setPixmap(icon);
  }
}

void CConfigDlg::reject() {
  // The simulation ends with the window: no tick may follow on the closed port.
  gpsTicker.stop();
  link.gpsTimer = 0;
  link.Close();
  QDialog::reject();
}

void CConfigDlg::SystemCommand(int command) {
  if ((command & ~0xF) == kAboutCommand) Guarded([this] { ShowAboutBox(); });
}

void CConfigDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* about = menu.addAction(QStringLiteral("&About VINDrel..."));
  about->setData(kAboutCommand);
  if (QAction* chosen = menu.exec(event->globalPos())) SystemCommand(chosen->data().toInt());
}

void CConfigDlg::ShowAboutBox() {
  CAboutDlg about(this);
  feedback.RunModal(about);
}

int CConfigDlg::SelectedPortNumber() {
  const QComboBox* list = PortList();
  const int index = list->currentIndex();
  return index < 0 ? 0 : list->itemData(index).toInt();
}

void CConfigDlg::ShowMessage(const std::string& text) {
  Message(FromLine(text), MessageIcon::Exclamation);
}

unsigned CConfigDlg::StartTimer(unsigned /*timerId*/, unsigned periodMs) {
  // Starting a running timer restarts its period: one timer, never two.
  gpsTicker.start(static_cast<int>(periodMs), this);
  return static_cast<unsigned>(gpsTicker.timerId());
}

void CConfigDlg::StopTimer(unsigned timerId) {
  if (static_cast<int>(timerId) == gpsTicker.timerId()) gpsTicker.stop();
}

QLineEdit* CConfigDlg::Edit(int id) const {
  return findChild<QLineEdit*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

QCheckBox* CConfigDlg::Check(int id) const {
  return findChild<QCheckBox*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

QComboBox* CConfigDlg::PortList() const {
  return findChild<QComboBox*>(ControlName(kPortList), Qt::FindDirectChildrenOnly);
}

}  // namespace vindrel
