// The Win32 front end on real windows under wine (null graphics driver): the controls made from
// the layout tables in tab order, the enabling, the system menu with the About box, the user's
// edits crossing as Latin-1, the message boxes through the dialog's seam, the squelch dialog over
// the COM port that the test session mapped to a virtual tracker; and the real vindrel-config.exe
// run as a user runs it against that tracker. The dialog's logic itself is tested in tests/dialog.

#include "gui/win32/config_dlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
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
  ASSERT_NE(at, CB_ERR);
  ASSERT_EQ(SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0), at);
}

// Runs action; the first window that opens over owner meanwhile (a modal dialog of the code under
// test) is given to inspect, then closed with its OK button, by a thread timer that the modal
// loop itself dispatches. False when no window opened.
bool AnswerModal(HWND owner, const std::function<void()>& action,
                 const std::function<void(HWND)>& inspect) {
  static std::function<BOOL(HWND)> answer;  // FALSE: answered, the search ends
  bool answered = false;
  answer = [&](HWND window) -> BOOL {
    if (answered || !IsWindowVisible(window) || GetWindow(window, GW_OWNER) != owner) return TRUE;
    answered = true;
    inspect(window);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    return FALSE;
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(), [](HWND window, LPARAM) { return answer(window); }, 0);
  });
  action();
  KillTimer(nullptr, timer);
  return answered;
}

// clang-format off
constexpr std::tuple<ControlKind, const wchar_t*, DWORD, DWORD> kClasses[] = {  // mask, style
    {ControlKind::GroupBox, L"Button", BS_TYPEMASK, BS_GROUPBOX},
    {ControlKind::Label, L"Static", SS_TYPEMASK, SS_LEFT},
    {ControlKind::CenteredLabel, L"Static", SS_TYPEMASK, SS_CENTER},
    {ControlKind::Edit, L"Edit", ES_MULTILINE | ES_AUTOHSCROLL | WS_TABSTOP, ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::CheckBox, L"Button", BS_TYPEMASK | WS_TABSTOP, BS_AUTOCHECKBOX | WS_TABSTOP},
    {ControlKind::PushButton, L"Button", (BS_TYPEMASK & ~BS_DEFPUSHBUTTON) | WS_TABSTOP, BS_PUSHBUTTON | WS_TABSTOP},
    {ControlKind::ComboBox, L"ComboBox", CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP, CBS_DROPDOWNLIST | WS_TABSTOP},
    {ControlKind::Picture, L"Static", SS_TYPEMASK, SS_ICON},
};
// clang-format on

// Every control of tmpl exists once, with its identifier, text, window class and style, at the
// pixel rectangle that the dialog's own font makes of its dialog units.
void CheckControls(HWND dialog, const DialogTemplate& tmpl) {
  std::map<std::pair<WORD, std::wstring>, HWND> children;  // frames and labels share -1
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const auto id = static_cast<WORD>(GetDlgCtrlID(c));
    children[{id, id == 0xFFFF ? Text(c) : L""}] = c;
  }
  EXPECT_EQ(children.size(), tmpl.controls.size());
  for (const ControlTemplate& control : tmpl.controls) {
    SCOPED_TRACE(std::to_string(control.id) + " " + control.text);
    const auto id = static_cast<WORD>(control.id);
    const auto found = children.find({id, id == 0xFFFF ? FromLatin1(control.text) : L""});
    ASSERT_NE(found, children.end());
    HWND child = found->second;
    if (control.kind != ControlKind::Edit && control.kind != ControlKind::ComboBox) {
      EXPECT_EQ(Text(child), FromLatin1(control.text));
    }
    wchar_t windowClass[32] = L"";
    GetClassNameW(child, windowClass, 32);
    const auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    for (const auto& [kind, expectedClass, mask, expectedStyle] : kClasses) {
      if (kind != control.kind) continue;
      EXPECT_EQ(CompareStringOrdinal(windowClass, -1, expectedClass, -1, TRUE), CSTR_EQUAL);
      EXPECT_EQ(style & mask, expectedStyle);
    }
    RECT units{control.x, control.y, control.width, control.height}, actual;
    MapDialogRect(dialog, &units);
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    // A combo box's template height is that of its dropped-down list, which wine measures in a
    // way of its own (without the closed box, less the borders): only the rest is compared.
    if (control.kind == ControlKind::ComboBox) actual.bottom = units.top + units.bottom;
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

TEST_F(Win32Dialog, ControlsFollowTheTableInTabOrderWithLabelsBeforeTheirFields) {
  CheckControls(window, kConfigDialog);
  EXPECT_EQ(Text(window), L"VINDrel Configuratie Programma");
  EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), kCloseButton);

  std::vector<int> tabStops;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) tabStops.push_back(GetDlgCtrlID(c));
  }
  EXPECT_EQ(tabStops,
            std::vector<int>(kConfigDialog.tabOrder.begin(), kConfigDialog.tabOrder.end()));
  EXPECT_EQ(GetFocus(), Item(kConfigDialog.initialFocus));
  // Screen readers name a field after the static text just before it.
  const auto& controls = kConfigDialog.controls;
  for (std::size_t i = 0; i + 1 < controls.size(); ++i) {
    if (controls[i].kind != ControlKind::Label) continue;
    EXPECT_EQ(Text(GetWindow(Item(controls[i + 1].id), GW_HWNDPREV)), FromLatin1(controls[i].text));
  }
}

TEST_F(Win32Dialog, EnablingFollowsTheCheckBoxes) {
  const std::pair<int, std::vector<int>> kRules[] = {
      {kSendBeaconText, {kBeaconInterval, kBeaconText}},
      {kSendStatusText, {kStatusInterval, kStatusText}},
      {kSwitchTransmitter, {kSwitchDelay}}};
  for (const auto& [box, followers] : kRules) {
    for (int click = 0; click < 2; ++click) {
      Click(box);
      const bool checked = IsDlgButtonChecked(window, box) == BST_CHECKED;
      for (int id : followers) EXPECT_EQ(IsWindowEnabled(Item(id)) != FALSE, checked) << id;
    }
  }
}

TEST_F(Win32Dialog, SystemMenuEndsWithTheAboutEntryThatOpensTheAboutBoxModally) {
  HMENU menu = GetSystemMenu(window, FALSE);
  std::vector<std::pair<UINT, std::wstring>> entries;  // the last five; a separator: 0, ""
  for (int i = GetMenuItemCount(menu) - 5; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = L"";
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    entries.emplace_back(GetMenuItemID(menu, i), text);
  }
  EXPECT_EQ(entries, (decltype(entries){{0, L""},
                                        {kOpenSettingsCommand, FromLatin1(kOpenSettingsEntryText)},
                                        {kSaveSettingsCommand, FromLatin1(kSaveSettingsEntryText)},
                                        {0, L""},
                                        {kAboutCommand, FromLatin1(kAboutEntryText)}}));

  EXPECT_TRUE(AnswerModal(
      window,
      [&] { SendMessageW(window, WM_SYSCOMMAND, kAboutCommand | 0x3, 0); },  // low bits: any
      [&](HWND about) {
        EXPECT_EQ(Text(about), L"About VinDrel config");
        CheckControls(about, kAboutDialog);
        EXPECT_FALSE(IsWindowEnabled(window));  // modal
        EXPECT_NE(SendDlgItemMessageW(about, kApplicationIconId, STM_GETICON, 0, 0), 0);
      }));
  EXPECT_TRUE(IsWindowEnabled(window));
}

TEST_F(Win32Dialog, UserEditsCrossAsLatin1AndMessagesGoOverTheDialog) {
  // A character beyond Latin-1 has no byte on the line: it is dropped as it is typed.
  SetText(Item(kBeaconText), L"caf\u00e9 \u20ac!");
  EXPECT_EQ(Text(Item(kBeaconText)), L"caf\u00e9 !");
  Click(kSpeedRelatedInterval);
  EXPECT_EQ(dialog.Settings().beaconText, "caf\xe9 !");
  EXPECT_EQ(SendMessageW(Item(kCallsign), EM_GETLIMITTEXT, 0, 0), 9);  // typing stops there

  SetText(Item(kTransmissionInterval), L"300");
  Click(kSpeedRelatedInterval);
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0],
            std::make_tuple(window, std::wstring(L"Please enter an integer between 5 and 255."),
                            UINT{MB_OK | MB_ICONEXCLAMATION}));
  EXPECT_EQ(GetFocus(), Item(kTransmissionInterval));
  DWORD from = 1, to = 0;
  SendMessageW(Item(kTransmissionInterval), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(std::make_pair(from, to), std::make_pair(DWORD{0}, DWORD{3}));
}

TEST_F(Win32Dialog, SquelchDialogOpensOverTheDialogOnTheMappedPort) {
  ASSERT_NO_FATAL_FAILURE(ChooseTestPort(Item(kPortList)));
  EXPECT_TRUE(AnswerModal(
      window, [&] { Click(kSquelch); },
      [&](HWND squelch) {
        EXPECT_EQ(Text(squelch), L"Instellen squelch niveau");
        CheckControls(squelch, kSquelchDialog);
      }));
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
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 1);  // when it is still running
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  // Presses a button; true once its action has ended in time.
  bool Press(int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(Item(id)), SMTO_NORMAL, kPatienceMs,
                               &result) != 0;
  }
  // Presses a button whose action shows a message box captioned with the program's name, answers
  // the box and returns its text.
  std::wstring PressAndAnswer(int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Item(id)));
    HWND box = WaitForDialog(L"vindrel-config");
    if (!box) return L"(no box)";
    const std::wstring said = Text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return said;
  }
  bool Close() {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitForSingleObject(process.hProcess, kPatienceMs) == WAIT_OBJECT_0;
  }

  PROCESS_INFORMATION process{};
  HWND dialog = nullptr;
};

TEST(Application, WritesReadsAndAsksTheVersionOnTheMappedPort) {
  RunningProgram program;
  ASSERT_NE(program.dialog, nullptr) << "no dialog appeared";
  EXPECT_EQ(Text(program.Item(kCallsign)), L"NOCALL");
  ASSERT_NO_FATAL_FAILURE(ChooseTestPort(program.Item(kPortList)));
  SetText(program.Item(kCallsign), L"PD0TST-7");
  SetText(program.Item(kBeaconText), L"Proef \u00e9\u00e9n");
  ASSERT_TRUE(program.Press(kWriteSettings));
  SetText(program.Item(kCallsign), L"XX0XX");
  SetText(program.Item(kBeaconText), L"");
  ASSERT_TRUE(program.Press(kReadSettings));
  EXPECT_EQ(Text(program.Item(kCallsign)), L"PD0TST-7");
  EXPECT_EQ(Text(program.Item(kBeaconText)), L"Proef \u00e9\u00e9n");
  EXPECT_EQ(program.PressAndAnswer(kShowVersion), L"VinDrel versie 1.7");
  EXPECT_TRUE(program.Close()) << "the process did not end with its dialog";
}

}  // namespace
}  // namespace vindrel
