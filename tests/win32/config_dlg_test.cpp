// The Win32 front end on real windows under wine (null graphics driver): the controls made from
// the layout tables in tab order, the system menu with the About box, the squelch dialog over the
// COM port that the test session mapped to a virtual tracker, the user's edits crossing as
// Latin-1, the enabling and the message boxes through the dialog's seam reaching the real
// controls; and the real vindrel-config.exe run as a user runs it against that tracker and its
// own. The dialog's logic itself is tested in tests/dialog.

#include "gui/win32/config_dlg.h"

#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dialog/dialog_layout.h"
#include "gui/win32/dialog_builder.h"

namespace vindrel {
namespace {

constexpr DWORD kPatienceMs = 15000;

// The text of a window (WM_GETTEXT also reaches another process's controls).
std::wstring Text(HWND window) {
  wchar_t text[512] = L"";
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

// Sets a window's text as the user's typing does (WM_SETTEXT also reaches another process).
void SetText(HWND window, const wchar_t* text) {
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Chooses the port that the test session mapped. Wine gives the machine's real ports low numbers:
// no other entry may be selected when a command runs.
void ChooseTestPort(HWND list) {
  const std::wstring name = L"COM" + std::to_wstring(VINDREL_WINE_COM_GUI);
  const LRESULT at = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(name.c_str()));
  ASSERT_NE(SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0), CB_ERR);  // -1 too
}

// Runs action; the first window of this process but dialog that shows meanwhile (a modal window
// of the code under test, whoever owns it) is given to inspect, then closed with its OK button, by
// a thread timer that the modal loop itself dispatches. False when no window opened.
bool AnswerModal(HWND dialog, const std::function<void()>& action,
                 const std::function<void(HWND)>& inspect) {
  static std::function<BOOL(HWND)> answer;  // FALSE: answered, the search ends
  bool answered = false;
  answer = [&](HWND window) -> BOOL {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (answered || window == dialog || process != GetCurrentProcessId() ||
        !IsWindowVisible(window)) {
      return TRUE;
    }
    answered = true;
    inspect(window);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return FALSE;
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
    EnumWindows([](HWND w, LPARAM) { return answer(w); }, 0);
  });
  action();
  KillTimer(nullptr, timer);
  return answered;
}

// A control as the user meets it: window class, the style bits under mask, its text (not of an edit
// field or a list) and its rectangle in dialog units.
struct Control {
  int id;
  const wchar_t* windowClass;
  DWORD mask, style;
  const wchar_t* text;
  RECT units;  // left, top, width, height
};
constexpr DWORD kButtonType = (BS_TYPEMASK & ~BS_DEFPUSHBUTTON) | WS_TABSTOP;

// The dialog's title, and each control given at the pixel rectangle that the dialog's own font
// makes of its dialog units.
void CheckControls(HWND dialog, const wchar_t* title, const std::vector<Control>& controls) {
  EXPECT_EQ(Text(dialog), title);
  for (const Control& control : controls) {
    SCOPED_TRACE(control.id);
    HWND child = GetDlgItem(dialog, control.id);
    ASSERT_NE(child, nullptr);
    wchar_t windowClass[32] = L"";
    GetClassNameW(child, windowClass, 32);
    EXPECT_EQ(CompareStringOrdinal(windowClass, -1, control.windowClass, -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & control.mask, control.style);
    EXPECT_EQ(Text(child), control.text ? control.text : Text(child));
    RECT units = control.units, actual;
    MapDialogRect(dialog, &units);
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    // A combo box's height is that of its dropped-down list, which wine measures in a way of its
    // own (without the closed box, less the borders): only the rest is compared.
    if (control.units.bottom == 0) actual.bottom = actual.top;
    EXPECT_EQ((std::vector<LONG>{actual.left, actual.top, actual.right - actual.left,
                                 actual.bottom - actual.top}),
              (std::vector<LONG>{units.left, units.top, units.right, units.bottom}));
  }
}

class Win32Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.showMessageBox = [this](HWND owner, const std::wstring& text, const std::wstring&,
                                   UINT flags) {
      boxes.emplace_back(owner, text, flags);
      return IDOK;
    };
    window = dialog.Create();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
  }

  HWND Item(int id) const { return GetDlgItem(window, id); }
  // As the user does it: the control reports the click or the change to the dialog.
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }

  std::vector<std::tuple<HWND, std::wstring, UINT>> boxes;  // owner, text, flags
  CConfigDlg dialog;
  HWND window = nullptr;
};

// The controls from the table in tab order, labels just before their fields; the window menu's
// entries; the About box (from that menu, any low bits) and the squelch dialog (over the mapped
// port) each modal over the dialog and built from its own table.
TEST_F(Win32Dialog, ControlsWindowMenuAndSmallDialogsFollowTheTables) {
  // clang-format off
  CheckControls(window, L"VINDrel Configuratie Programma", {
      {1000, L"Edit", ES_MULTILINE | ES_AUTOHSCROLL | WS_TABSTOP, ES_AUTOHSCROLL | WS_TABSTOP,
       nullptr, {65, 20, 70, 14}},
      {1031, L"Static", SS_TYPEMASK, SS_ICON, nullptr, {170, 23, 20, 20}},
      {1013, L"Button", BS_TYPEMASK | WS_TABSTOP, BS_AUTOCHECKBOX | WS_TABSTOP,
       L"Verstuur bakentekst", {10, 80, 120, 10}},
      {1025, L"ComboBox", CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP, CBS_DROPDOWNLIST | WS_TABSTOP,
       nullptr, {206, 110, 60, 0}},
      {2, L"Button", kButtonType, BS_PUSHBUTTON | WS_TABSTOP, L"Sluit Af", {205, 265, 60, 14}}});
  // clang-format on
  EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), kCloseButton);

  std::vector<int> tabStops;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) tabStops.push_back(GetDlgCtrlID(c));
  }
  EXPECT_EQ(tabStops, (std::vector<int>{1000, 1029, 1030, 1001, 1006, 1013, 1014, 1016, 1018,
                                        1019, 1015, 1021, 1024, 1022, 1003, 1004, 1026, 1005,
                                        1025, 1010, 1008, 1009, 2,    1023, 1033, 1017, 1020}));
  EXPECT_EQ(GetFocus(), Item(1000));
  // Screen readers name a field after the static text just before it.
  for (const auto& [id, label] : {std::pair{1000, L"Roepnaam"},
                                  {1001, L"Digipeater pad"},
                                  {1014, L"Baken interval (N transmissies)"}}) {
    EXPECT_EQ(Text(GetWindow(Item(id), GW_HWNDPREV)), label);
  }
  HMENU menu = GetSystemMenu(window, FALSE);
  std::vector<std::pair<UINT, std::wstring>> entries;  // the last seven; a separator: 0, ""
  for (int i = GetMenuItemCount(menu) - 7; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = L"";
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    entries.emplace_back(GetMenuItemID(menu, i), text);
  }
  EXPECT_EQ(entries, (decltype(entries){{0, L""},
                                        {kOpenSettingsCommand, L"Instellingen openen..."},
                                        {kSaveSettingsCommand, L"Instellingen opslaan..."},
                                        {kChooseSymbolCommand, L"Symbool kiezen..."},
                                        {kExamineConnectionCommand, L"Verbinding onderzoeken..."},
                                        {0, L""},
                                        {kAboutCommand, L"&About VINDrel..."}}));
  ASSERT_NO_FATAL_FAILURE(ChooseTestPort(Item(kPortList)));
  constexpr DWORD kOk = BS_PUSHBUTTON | WS_TABSTOP;
  // clang-format off
  const std::tuple<std::function<void()>, const wchar_t*, std::vector<Control>> kModals[] = {
      {[&] { SendMessageW(window, WM_SYSCOMMAND, kAboutCommand | 0x3, 0); }, L"About VinDrel config",
       {{128, L"Static", SS_TYPEMASK, SS_ICON, nullptr, {10, 10, 20, 20}},
        {1, L"Button", kButtonType, kOk, L"OK", {73, 60, 50, 14}}}},
      {[&] { Click(kSquelch); }, L"Instellen squelch niveau",
       {{130, L"Static", SS_TYPEMASK, SS_ICON, nullptr, {5, 5, 20, 20}},
        {1, L"Button", kButtonType, kOk, L"Klaar", {67, 35, 50, 14}}}}};
  // clang-format on
  for (const auto& [open, title, controls] : kModals) {
    EXPECT_TRUE(AnswerModal(window, open, [&](HWND modal) {
      CheckControls(modal, title, controls);
      EXPECT_FALSE(IsWindowEnabled(window));
      EXPECT_NE(SendDlgItemMessageW(modal, controls[0].id, STM_GETICON, 0, 0), 0);
    }));
    EXPECT_TRUE(IsWindowEnabled(window));
  }
}

TEST_F(Win32Dialog, EditsEnablingAndMessagesReachTheRealControls) {
  // A character beyond Latin-1 has no byte on the line: it is dropped as it is typed.
  SetText(Item(kBeaconText), L"caf\u00e9 \u20ac!");
  EXPECT_EQ(Text(Item(kBeaconText)), L"caf\u00e9 !");
  for (int click = 0; click < 2; ++click) {  // a check box's click reads the fields back
    Click(kSendBeaconText);
    EXPECT_EQ(IsWindowEnabled(Item(kBeaconText)) != FALSE,
              IsDlgButtonChecked(window, kSendBeaconText) == BST_CHECKED);
  }
  EXPECT_EQ(dialog.Settings().beaconText, "caf\xe9 !");
  EXPECT_EQ(SendMessageW(Item(kCallsign), EM_GETLIMITTEXT, 0, 0), 9);  // typing stops there

  SetText(Item(kTransmissionInterval), L"300");
  Click(kSpeedRelatedInterval);
  EXPECT_EQ(boxes, (decltype(boxes){{window, L"Please enter an integer between 5 and 255.",
                                     MB_OK | MB_ICONEXCLAMATION}}));
  EXPECT_EQ(GetFocus(), Item(kTransmissionInterval));
  EXPECT_EQ(SendMessageW(Item(kTransmissionInterval), EM_GETSEL, 0, 0), MAKELRESULT(0, 3));
}

// The program's icon with this identifier, as LR_SHARED loads it: one handle for every load.
LRESULT Icon(int id) {
  return reinterpret_cast<LRESULT>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                              IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

// The picker from its table under the real dialog manager, opened by a double click on the
// preview on the fields' symbol: the arrows move the pushed-in cell, the grid's one tab stop; the
// pointer names a cell; Enter chooses the current cell into the fields and the preview. The
// window menu opens it too.
TEST_F(Win32Dialog, SymbolPickerFollowsItsTableAndItsChoiceGoesIntoTheFields) {
  SetText(Item(kSymbolChar), L">");
  std::vector<std::wstring> seen;  // focused cell, its state and the name line at each step
  const auto key = [](HWND picker, WPARAM key) {
    MSG message{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
    if (!IsDialogMessageW(picker, &message)) DispatchMessageW(&message);
  };
  EXPECT_TRUE(AnswerModal(
      window, [&] { SendMessageW(Item(kSymbolPreview), WM_LBUTTONDBLCLK, MK_LBUTTON, 0); },
      [&](HWND picker) {
        const auto see = [&] {
          HWND cell = GetFocus();
          seen.push_back(std::to_wstring(GetDlgCtrlID(cell)) +
                         (SendMessageW(cell, BM_GETSTATE, 0, 0) & BST_PUSHED ? L" pushed" : L"") +
                         (GetWindowLongW(cell, GWL_STYLE) & WS_TABSTOP ? L" tab " : L" ") +
                         Text(GetDlgItem(picker, kSymbolName)));
        };
        see();
        constexpr DWORD kCell = (BS_TYPEMASK & ~BS_DEFPUSHBUTTON) | BS_ICON;
        CheckControls(
            picker, L"Symbool kiezen",
            {{2062, L"Button", kCell, BS_PUSHBUTTON | BS_ICON, L"Auto", {345, 37, 24, 22}},
             {2098, L"Button", kCell, BS_PUSHBUTTON | BS_ICON, L"Fiets", {57, 103, 24, 22}},
             {1, L"Button", kButtonType, BS_PUSHBUTTON | WS_TABSTOP, L"OK", {290, 303, 50, 14}}});
        EXPECT_EQ(SendDlgItemMessageW(picker, 2282, BM_GETIMAGE, IMAGE_ICON, 0), Icon(2282));
        key(picker, VK_DOWN);
        see();
        SendMessageW(GetDlgItem(picker, 2098), WM_MOUSEMOVE, 0, 0);
        see();
        EXPECT_EQ(GetWindowLongW(GetDlgItem(picker, 2062), GWL_STYLE) & WS_TABSTOP, 0);
        key(picker, VK_RETURN);
      }));
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"2062 pushed tab Auto (/>)",
                                             L"2078 pushed tab NTS-station (/N)",
                                             L"2078 pushed tab Fiets (/b)"}));
  EXPECT_EQ(Text(Item(kTableChar)) + Text(Item(kSymbolChar)), L"/N");
  EXPECT_EQ(SendMessageW(Item(kSymbolPreview), STM_GETICON, 0, 0), Icon(2078));
  EXPECT_TRUE(AnswerModal(
      window, [&] { SendMessageW(window, WM_SYSCOMMAND, kChooseSymbolCommand, 0); }, [](HWND) {}));
}

// Names beyond the ANSI code page, saved and opened through the system's own file dialogs, each
// under exactly its name (a best-fit "Omega.json" would be another file).
TEST_F(Win32Dialog, SettingsFilesKeepNamesBeyondTheCodePage) {
  wchar_t folder[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, folder);
  for (const wchar_t* name : {L"\u20acuro.json", L"\u0160koda.bin", L"\u03a9mega.json"}) {
    const std::wstring path = std::wstring(folder) + name;
    DeleteFileW(path.c_str());
    // Types the path into the file dialog's name field; AnswerModal then presses its OK.
    const auto choose = [&](HWND fileDialog) {
      HWND field = GetDlgItem(fileDialog, cmb13);
      SetText(field ? field : GetDlgItem(fileDialog, edt1), path.c_str());
    };
    const auto command = [&](int entry) {
      return [this, entry] { SendMessageW(window, WM_SYSCOMMAND, entry, 0); };
    };
    SetText(Item(kBeaconText), name + 1);
    ASSERT_TRUE(AnswerModal(window, command(kSaveSettingsCommand), choose));
    ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    SetText(Item(kBeaconText), L"");
    ASSERT_TRUE(AnswerModal(window, command(kOpenSettingsCommand), choose));
    EXPECT_EQ(Text(Item(kBeaconText)), name + 1);
    DeleteFileW(path.c_str());
  }
  EXPECT_TRUE(boxes.empty());
}

// A dialog by its title, once it shows (its controls are filled by then).
HWND WaitForDialog(const wchar_t* title) {
  for (DWORD waited = 0; waited < kPatienceMs; waited += 50, Sleep(50)) {
    HWND found = FindWindowW(L"#32770", title);
    if (found && IsWindowVisible(found)) return found;
  }
  return nullptr;
}

// vindrel-config.exe in a process of its own, under the path the build gave it (wine shows the
// build machine's root as drive Z:).
struct RunningProgram {
  RunningProgram() {
    std::wstring path = L"Z:";
    for (const char* c = VINDREL_CONFIG_EXE; *c; ++c) path.push_back(*c == '/' ? L'\\' : *c);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
      dialog = WaitForDialog(L"VINDrel Configuratie Programma");
    }
  }
  ~RunningProgram() {
    if (process.hProcess) TerminateProcess(process.hProcess, 1);  // when it is still running
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  // Presses a button; true once its action has ended in time.
  bool Press(int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, SMTO_NORMAL,
                               kPatienceMs, &result) != 0;
  }
  // Presses a button whose action shows a message box captioned with the program's name, answers
  // the box and returns its text.
  std::wstring PressAndAnswer(int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    HWND box = WaitForDialog(L"vindrel-config");
    const std::wstring said = Text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return said;
  }

  PROCESS_INFORMATION process{};
  HWND dialog = nullptr;
};

// Through the built-in tracker, which ends the list and is not the entry chosen at start-up while
// wine offers real ports, and through the mapped port, which the next run chooses at start-up.
TEST(Application, WritesReadsAndAsksTheVersionOnTheMappedPortAndTheVirtualTracker) {
  wchar_t store[MAX_PATH] = L"";  // where the program keeps the port that answered last
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, store);
  DeleteFileW((std::wstring(store) + L"\\vindrel\\vindrel-config.ini").c_str());
  RunningProgram program;
  ASSERT_NE(program.dialog, nullptr) << "no dialog appeared";
  HWND list = program.Item(kPortList);
  const LRESULT last = SendMessageW(list, CB_GETCOUNT, 0, 0) - 1;
  ASSERT_EQ(SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(L"Virtuele tracker")),
            last);
  EXPECT_NE(SendMessageW(list, CB_GETCURSEL, 0, 0), last);
  for (const wchar_t* text : {L"Virtueel", L"Proef \u00e9\u00e9n"}) {
    if (text[0] == L'P') {
      ASSERT_NO_FATAL_FAILURE(ChooseTestPort(list));
    } else {
      SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(last), 0);
    }
    SetText(program.Item(kBeaconText), text);
    ASSERT_TRUE(program.Press(kWriteSettings));
    SetText(program.Item(kBeaconText), L"");
    ASSERT_TRUE(program.Press(kReadSettings));
    EXPECT_EQ(Text(program.Item(kBeaconText)), text);
  }
  EXPECT_EQ(program.PressAndAnswer(kShowVersion), L"VinDrel versie 1.7");
  PostMessageW(program.dialog, WM_COMMAND, IDCANCEL, 0);  // the process ends with its dialog
  EXPECT_EQ(WaitForSingleObject(program.process.hProcess, kPatienceMs), WAIT_OBJECT_0);
  RunningProgram next;
  ASSERT_NE(next.dialog, nullptr) << "no dialog appeared";
  EXPECT_EQ(Text(next.Item(kPortList)), L"COM" + std::to_wstring(VINDREL_WINE_COM_GUI));
}

}  // namespace
}  // namespace vindrel
