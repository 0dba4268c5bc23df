#include "dialog/dialog_layout.h"

#include <array>

#include "dialog/aprs_symbols.h"

namespace vindrel {

namespace {

using K = ControlKind;

// Labels run up to their field.
constexpr ControlTemplate kConfigControls[] = {
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

// clang-format off
constexpr int kConfigTabOrder[] = {
    kCallsign, kSymbolChar, kTableChar, kDigipeaterPath, kBeaconText, kSendBeaconText,
    kBeaconInterval, kSendSpeedCourse, kSendAltitude, kTransmissionInterval, kSpeedRelatedInterval,
    kTxDelay, kRestTime, kSwitchDelay, kLowTone, kHighTone, kSquelch, kSimulateGps, kPortList,
    kShowVersion, kReadSettings, kWriteSettings, kCloseButton, kSwitchTransmitter, kStatusText,
    kSendStatusText, kStatusInterval,
};
// clang-format on

constexpr ControlTemplate kAboutControls[] = {
    {kApplicationIconId, K::Picture, "", 10, 10, 20, 20},
    {-1, K::Label, "VinDrel Configuratie programma 1.0.0.7", 40, 10, 150, 8},
    {-1, K::Label, "Door de ontwikkelaars van vindrel-config", 40, 25, 150, 8},
    {-1, K::CenteredLabel, "GPL-3.0+", 71, 40, 55, 8},
    {kOkButton, K::PushButton, "OK", 73, 60, 50, 14},
};

constexpr char kSquelchText[] =
    "Stel het niveau dusdanig in dat bij een\naudio signaal de LED continue oplicht.";

constexpr ControlTemplate kSquelchControls[] = {
    {kSquelchIconId, K::Picture, "", 5, 5, 20, 20},
    {-1, K::Label, kSquelchText, 40, 5, 140, 20},
    {kOkButton, K::PushButton, "Klaar", 67, 35, 50, 14},
};

// The picker: a grid per table, a 32-pixel icon to a cell in either toolkit's font.
constexpr int kCellWidth = 24;
constexpr int kCellHeight = 22;
constexpr int kGridLeft = 9;
constexpr int kGridTop[] = {15, 163};  // primary, alternate
constexpr int kFrameWidth = 16 * kCellWidth + 10;
constexpr int kFrameHeight = 6 * kCellHeight + 15;

constexpr auto kPickerControls = [] {
  std::array<ControlTemplate, std::size(kAprsSymbols) + 5> controls{};
  std::size_t n = 0;
  controls[n++] = {-1, K::GroupBox, "Primaire tabel ( / )", 4, 4, kFrameWidth, kFrameHeight};
  controls[n++] = {-1, K::GroupBox, "Alternatieve tabel ( \\ )", 4, 152, kFrameWidth, kFrameHeight};
  for (const AprsSymbol& s : kAprsSymbols) {
    const int cell = s.code - 0x20;
    controls[n++] = {SymbolIconId(s.table, s.code),
                     K::SymbolCell,
                     s.name,
                     kGridLeft + cell % 16 * kCellWidth,
                     kGridTop[s.table == kPrimaryTable ? 0 : 1] + cell / 16 * kCellHeight,
                     kCellWidth,
                     kCellHeight};
  }
  controls[n++] = {kSymbolName, K::Label, "", 9, 306, 270, 8};
  controls[n++] = {kOkButton, K::PushButton, "OK", 290, 303, 50, 14};
  controls[n++] = {kCancelButton, K::PushButton, "Annuleren", 345, 303, 50, 14};
  return controls;
}();

}  // namespace

const DialogTemplate kSymbolPickerDialog = {"Symbool kiezen", 402, 322,
                                            kPickerControls,  {},  kOkButton};
const DialogTemplate kConfigDialog = {
    "VINDrel Configuratie Programma", 277, 290, kConfigControls, kConfigTabOrder, kCallsign};
const DialogTemplate kAboutDialog = {"About VinDrel config", 197, 81,
                                     kAboutControls,         {},  kOkButton};
const DialogTemplate kSquelchDialog = {"Instellen squelch niveau", 186, 55,
                                       kSquelchControls,           {},  kOkButton};

std::string AccessibleName(const DialogTemplate& tmpl, std::size_t index) {
  const ControlTemplate& control = tmpl.controls[index];
  if (control.id == kSymbolPreview) return "Symbool";
  if (control.kind == ControlKind::SymbolCell) return control.text;
  if (control.kind == ControlKind::ComboBox) return "Poort";
  if (control.kind != ControlKind::Edit || index == 0) return "";
  const ControlTemplate& before = tmpl.controls[index - 1];
  const bool names = before.kind == ControlKind::Label || before.kind == ControlKind::CheckBox;
  return names ? before.text : "";
}

int SymbolIconId(std::string_view tableChar, std::string_view symbolChar) {
  if (tableChar.empty() || symbolChar.empty()) return 0;
  return SymbolIconId(tableChar.front(), symbolChar.front());
}

}  // namespace vindrel
