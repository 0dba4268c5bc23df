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
inline constexpr char kAboutEntryText[] = "&About VINDrel...";
inline constexpr char kOpenSettingsEntryText[] = "Instellingen openen...";
inline constexpr char kSaveSettingsEntryText[] = "Instellingen opslaan...";
inline constexpr char kExamineConnectionEntryText[] = "Verbinding onderzoeken...";

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

// The name a screen reader gives control index of tmpl: for an edit field the text of the label
// or check box just before it in the template (labels precede the fields they name), "Poort"
// for the port list, "Symbool" for the symbol picture; empty for every other control.
std::string AccessibleName(const DialogTemplate& tmpl, std::size_t index);

// Identifier of the icon that pictures an APRS symbol: 2000 + the symbol's byte (0..255) for
// table "/", 2200 + the byte for a backslash, 0 for any other table character or when either
// text is empty. Only the first character of each text counts. The identifier is returned even
// when no icon has it (a backslash with "K", say): the picture then shows nothing.
int SymbolIconId(std::string_view tableChar, std::string_view symbolChar);

}  // namespace vindrel
