#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vindrel {

// Identifiers of the configuration dialog's controls, and of the small dialogs' OK buttons (1).
enum : int {
  kOkButton = 1,
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
  kCancelButton = 2,   // the symbol picker's "Annuleren", which Esc and the close box stand for
  kSymbolName = 1040,  // the picker's line naming the cell under the pointer or with the focus
};

// Icons by identifier: the application's, the squelch dialog's, and the APRS symbols (see
// SymbolIconId).
inline constexpr int kApplicationIconId = 128;
inline constexpr int kSquelchIconId = 130;

// The window menu's commands (multiples of 16, as window menus want them) and their entries.
inline constexpr int kAboutCommand = 0x10;
inline constexpr int kOpenSettingsCommand = 0x20;
inline constexpr int kSaveSettingsCommand = 0x30;
inline constexpr int kExamineConnectionCommand = 0x40;
inline constexpr int kChooseSymbolCommand = 0x50;
inline constexpr char kAboutEntryText[] = "&About VINDrel...";
inline constexpr char kOpenSettingsEntryText[] = "Instellingen openen...";
inline constexpr char kSaveSettingsEntryText[] = "Instellingen opslaan...";
inline constexpr char kExamineConnectionEntryText[] = "Verbinding onderzoeken...";
inline constexpr char kChooseSymbolEntryText[] = "Symbool kiezen...";

// What a control of a dialog template is.
enum class ControlKind {
  GroupBox,       // a titled frame drawn beneath the controls inside it, not their parent
  Label,          // static text, left-aligned; "\n" breaks the line
  CenteredLabel,  // static text, centred in its rectangle
  Edit,           // single-line edit field with a border, scrolling horizontally
  CheckBox,       // ticks itself when clicked
  PushButton,
  ComboBox,  // sorted drop-down list; height is the height of the list when it drops down
  Picture,   // an icon; the identifier of a small dialog's picture is the icon's
  // A button of the symbol picker: the icon of its own identifier, no visible text; its text is
  // its tooltip and what a screen reader says. Only the cell with the focus is a tab stop.
  SymbolCell,
};

// One control: identifier (-1 for texts and frames nobody refers to), kind, text (Latin-1), and
// its rectangle in dialog units.
struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, width, height;
};

// A fixed-size dialog in "MS Sans Serif" 8 point: title, client area in dialog units, its
// controls in creation order (group boxes first, so they lie beneath the rest; a label just
// before the field it names), and the order in which Tab visits them.
struct DialogTemplate {
  const char* title;
  int width, height;
  std::span<const ControlTemplate> controls;
  std::span<const int> tabOrder;  // empty: creation order
  int initialFocus;
};

extern const DialogTemplate kConfigDialog;   // the main window
extern const DialogTemplate kAboutDialog;    // program, version, author; OK
extern const DialogTemplate kSquelchDialog;  // what to adjust while the tracker is in squelch mode
// Both symbol tables as grids of 16 columns, a row for each 16 codes from 0x20, a cell for each
// defined symbol, its identifier its icon's (SymbolIconId); under them the name line, OK and
// Annuleren.
extern const DialogTemplate kSymbolPickerDialog;

// The name a screen reader gives control index of tmpl: for an edit field the text of the label
// or check box just before it in the template (labels precede the fields they name), "Poort"
// for the port list, "Symbool" for the symbol picture, a symbol cell's text; empty for every
// other control.
std::string AccessibleName(const DialogTemplate& tmpl, std::size_t index);

// Identifier of the icon that pictures an APRS symbol: 2000 + the symbol's byte (0..255) for
// table "/", 2200 + the byte for a backslash, 0 for any other table character or when either
// text is empty. Only the first character of each text counts. The identifier is returned even
// when no icon has it (a backslash with "K", say): the picture then shows nothing.
int SymbolIconId(std::string_view tableChar, std::string_view symbolChar);
constexpr int SymbolIconId(char table, char symbol) {
  const int code = static_cast<unsigned char>(symbol);
  return table == '/' ? 2000 + code : table == '\\' ? 2200 + code : 0;
}

}  // namespace vindrel
