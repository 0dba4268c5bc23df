// The Win32 front end on real windows under wine (null graphics driver): the controls made from
// the layout tables, the tab order, the enabling, the system menu with the About box, the
// symbol preview, the texts, and the message boxes through the dialog's seam; the squelch
// dialog against the virtual tracker on the COM port that the test session mapped.

#include "gui/win32/config_dlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dialog/dialog_layout.h"
#include "gui/win32/dialog_builder.h"

namespace vindrel {
namespace {

// The text of a window (WM_GETTEXT also reaches another process's controls).
std::wstring Text(HWND window) {
  wchar_t text[512] = L"";
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

// Runs action; the first window that opens over owner meanwhile (a modal dialog of the code under
// test) is given to inspect, then closed with its OK button. A thread timer does it, which the
// modal loop itself dispatches. False when no window opened.
bool AnswerModal(HWND owner, const std::function<void()>& action,
                 const std::function<void(HWND)>& inspect) {
  static HWND modalOwner;
  static const std::function<void(HWND)>* modalInspect;
  static bool answered;
  modalOwner = owner;
  modalInspect = &inspect;
  answered = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
    if (answered) return;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM) -> BOOL {
      if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != modalOwner) return TRUE;
      answered = true;
      (*modalInspect)(window);
      PostMessageW(window, WM_COMMAND, IDOK, 0);
      return FALSE;
    }, 0);
  });
  action();
  KillTimer(nullptr, timer);
  return answered;
}

struct KindClass {
  ControlKind kind;
  const wchar_t* windowClass;
  DWORD styleMask, style;
};
constexpr KindClass kClasses[] = {
    {ControlKind::GroupBox, L"Button", BS_TYPEMASK, BS_GROUPBOX},
    {ControlKind::Label, L"Static", SS_TYPEMASK, SS_LEFT},
    {ControlKind::CenteredLabel, L"Static", SS_TYPEMASK, SS_CENTER},
    {ControlKind::Edit, L"Edit", ES_MULTILINE | ES_AUTOHSCROLL | WS_TABSTOP,
     ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::CheckBox, L"Button", BS_TYPEMASK | WS_TABSTOP, BS_AUTOCHECKBOX | WS_TABSTOP},
    {ControlKind::PushButton, L"Button", (BS_TYPEMASK & ~BS_DEFPUSHBUTTON) | WS_TABSTOP,
     BS_PUSHBUTTON | WS_TABSTOP},
    {ControlKind::ComboBox, L"ComboBox", CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP,
     CBS_DROPDOWNLIST | WS_TABSTOP},
    {ControlKind::Picture, L"Static", SS_TYPEMASK, SS_ICON},
};

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
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    for (const KindClass& k : kClasses) {
      if (k.kind != control.kind) continue;
      EXPECT_EQ(CompareStringOrdinal(windowClass, -1, k.windowClass, -1, TRUE), CSTR_EQUAL)
          << windowClass;
      EXPECT_EQ(style & k.styleMask, k.style);
    }
    if (control.kind == ControlKind::Edit) {  // dialogs draw WS_BORDER as a sunken edge
      EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    }
    // Position and size each converted, as the dialog manager does.
    RECT units{control.x, control.y, control.width, control.height};
    MapDialogRect(dialog, &units);
    const RECT expected{units.left, units.top, units.left + units.right, units.top + units.bottom};
    RECT actual;
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    // A combo box's template height is that of its dropped-down list, which wine measures in a
    // way of its own (without the closed box, less the borders): only the rest is compared.
    if (control.kind == ControlKind::ComboBox) actual.bottom = expected.bottom;
    EXPECT_TRUE(EqualRect(&actual, &expected))
        << actual.left << "," << actual.top << "," << actual.right << "," << actual.bottom
        << " instead of " << expected.left << "," << expected.top << "," << expected.right << ","
        << expected.bottom;
  }
}

// An icon of the program by identifier, as a picture shows it.
HANDLE Icon(int id) {
  return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0,
                    LR_DEFAULTSIZE | LR_SHARED);
}

struct Box {
  HWND owner;
  std::wstring text, caption;
  UINT flags;
};

class Win32Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.showMessageBox = [this](HWND owner, const std::wstring& text,
                                   const std::wstring& caption, UINT flags) {
      boxes.push_back({owner, text, caption, flags});
      return IDOK;
    };
    window = dialog.Create();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
  }

  HWND Item(int id) const { return GetDlgItem(window, id); }
  // As the user does it: the control reports the click or the change to the dialog.
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  void Type(int id, const wchar_t* text) {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  HANDLE ShownIcon() { return reinterpret_cast<HANDLE>(SendMessageW(Item(kSymbolPreview), STM_GETICON, 0, 0)); }
  // The port of the test's own tracker. Wine gives low numbers to the machine's real ports:
  // no other entry may be selected when a command runs.
  void SelectTestPort() {
    const std::wstring name = L"COM" + std::to_wstring(VINDREL_WINE_COM_GUI);
    const LRESULT at = SendMessageW(Item(kPortList), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(name.c_str()));
    ASSERT_NE(at, CB_ERR);
    ASSERT_EQ(SendMessageW(Item(kPortList), CB_SETCURSEL, static_cast<WPARAM>(at), 0), at);
  }

  std::vector<Box> boxes;
  CConfigDlg dialog;
  HWND window = nullptr;
};

TEST_F(Win32Dialog, ControlsFollowTheTableWithTabOrderAndLabelsBeforeTheirFields) {
  CheckControls(window, kConfigDialog);
  EXPECT_EQ(Text(window), L"VINDrel Configuratie Programma");
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), kCloseButton);

  std::vector<int> tabStops;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) tabStops.push_back(GetDlgCtrlID(c));
  }
  EXPECT_EQ(tabStops, std::vector<int>(kConfigDialog.tabOrder.begin(), kConfigDialog.tabOrder.end()));
  EXPECT_EQ(GetFocus(), Item(kConfigDialog.initialFocus));
  // Screen readers name a field after the static text just before it.
  const auto& controls = kConfigDialog.controls;
  for (std::size_t i = 0; i + 1 < controls.size(); ++i) {
    if (controls[i].kind != ControlKind::Label) continue;
    EXPECT_EQ(Text(GetWindow(Item(controls[i + 1].id), GW_HWNDPREV)), FromLatin1(controls[i].text));
  }
}

TEST_F(Win32Dialog, EnablingFollowsTheCheckBoxes) {
  const struct {
    int checkBox;
    std::vector<int> followers;
  } kRules[] = {
      {kSendBeaconText, {kBeaconInterval, kBeaconText}},
      {kSendStatusText, {kStatusInterval, kStatusText}},
      {kSwitchTransmitter, {kSwitchDelay}},
      {kSpeedRelatedInterval, {}},
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& clicked : kRules) {
      Click(clicked.checkBox);
      std::map<int, bool> expected;
      for (const auto& rule : kRules) {
        for (int id : rule.followers) expected[id] = IsDlgButtonChecked(window, rule.checkBox);
      }
      for (const ControlTemplate& control : kConfigDialog.controls) {
        if (control.id == -1) continue;
        const bool enabled = !expected.contains(control.id) || expected[control.id];
        EXPECT_EQ(IsWindowEnabled(Item(control.id)) != FALSE, enabled)
            << control.id << " after clicking " << clicked.checkBox;
      }
    }
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Win32Dialog, ApplicationIconAndSystemMenuWithTheAboutEntryThatOpensTheAboutBoxModally) {
  const auto application = reinterpret_cast<LRESULT>(Icon(kApplicationIconId));
  EXPECT_NE(application, 0);
  for (WPARAM size : {ICON_BIG, ICON_SMALL}) {
    EXPECT_EQ(SendMessageW(window, WM_GETICON, size, 0), application);
  }
  EXPECT_EQ(SendMessageW(window, WM_QUERYDRAGICON, 0, 0), application);  // minimised, dragged

  // The window menu ends with the settings files and, after a separator, the About entry.
  const struct {
    int command;
    const char* text;  // null: a separator
  } kEntries[] = {{0, nullptr},
                  {kOpenSettingsCommand, kOpenSettingsEntryText},
                  {kSaveSettingsCommand, kSaveSettingsEntryText},
                  {0, nullptr},
                  {kAboutCommand, kAboutEntryText}};
  HMENU menu = GetSystemMenu(window, FALSE);
  const int first = GetMenuItemCount(menu) - 5;
  ASSERT_GE(first, 0);
  for (int i = 0; i < 5; ++i) {
    wchar_t text[64] = L"";
    GetMenuStringW(menu, first + i, text, 64, MF_BYPOSITION);
    const bool separator = GetMenuState(menu, first + i, MF_BYPOSITION) & MF_SEPARATOR;
    EXPECT_EQ(separator, kEntries[i].text == nullptr) << i;
    if (separator) continue;
    EXPECT_EQ(std::wstring(text), FromLatin1(kEntries[i].text));
    EXPECT_EQ(GetMenuItemID(menu, first + i), static_cast<UINT>(kEntries[i].command));
  }

  bool ownerDisabled = false;
  HANDLE icon = nullptr;
  EXPECT_TRUE(AnswerModal(
      window,
      [&] { SendMessageW(window, WM_SYSCOMMAND, kAboutCommand | 0x3, 0); },  // low bits: any
      [&](HWND about) {
        EXPECT_EQ(Text(about), L"About VinDrel config");
        CheckControls(about, kAboutDialog);
        ownerDisabled = !IsWindowEnabled(window);
        icon = reinterpret_cast<HANDLE>(
            SendDlgItemMessageW(about, kApplicationIconId, STM_GETICON, 0, 0));
      }));
  EXPECT_TRUE(ownerDisabled);
  EXPECT_NE(icon, nullptr);
  EXPECT_TRUE(IsWindowEnabled(window));
}

TEST_F(Win32Dialog, PreviewShowsTheSymbolIconOrNothing) {
  ASSERT_NE(Icon(2045), nullptr);
  EXPECT_EQ(ShownIcon(), Icon(2045));  // the defaults, at start
  const struct {
    const wchar_t *table, *symbol;
    int icon;
  } kCases[] = {{L"\\", L"J", 2274}, {L"\\", L"K", 0}, {L"/", L" ", 2032}, {L"/", L"", 0}};
  for (const auto& c : kCases) {
    Type(kTableChar, c.table);
    Type(kSymbolChar, c.symbol);
    EXPECT_EQ(ShownIcon(), c.icon ? Icon(c.icon) : nullptr) << c.icon;
  }
}

TEST_F(Win32Dialog, MessagesGoOverTheDialogWithItsIconAndCaptionAndTextsCrossAsLatin1) {
  Type(kTransmissionInterval, L"300");
  Click(kSpeedRelatedInterval);
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_EQ(boxes[0].text, L"Please enter an integer between 5 and 255.");
  EXPECT_EQ(boxes[0].caption, L"win32_tests");  // the executable's base name
  EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(GetFocus(), Item(kTransmissionInterval));
  DWORD from = 1, to = 0;
  SendMessageW(Item(kTransmissionInterval), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0U);
  EXPECT_EQ(to, 3U);

  // A character beyond Latin-1 has no byte on the line: it is dropped as it is typed.
  Type(kBeaconText, L"caf\u00e9 \u20ac!");
  EXPECT_EQ(Text(Item(kBeaconText)), L"caf\u00e9 !");
  Type(kTransmissionInterval, L"60");
  Click(kSpeedRelatedInterval);
  EXPECT_EQ(boxes.size(), 1U);
  EXPECT_EQ(dialog.Settings().beaconText, "caf\xe9 !");
  EXPECT_EQ(SendMessageW(Item(kCallsign), EM_GETLIMITTEXT, 0, 0), 9);  // typing stops there
}

TEST_F(Win32Dialog, PortListIsFoundAnewAsItDropsDownAndSquelchDialogOpensOverTheDialog) {
  SendMessageW(Item(kPortList), CB_RESETCONTENT, 0, 0);
  SendMessageW(Item(kPortList), CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(Item(kPortList), CB_SHOWDROPDOWN, FALSE, 0);
  ASSERT_NO_FATAL_FAILURE(SelectTestPort());
  EXPECT_TRUE(AnswerModal(window, [&] { Click(kSquelch); }, [&](HWND squelch) {
    EXPECT_EQ(Text(squelch), L"Instellen squelch niveau");
    CheckControls(squelch, kSquelchDialog);
  }));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Win32Dialog, GpsSimulationTicksOnTheDialogsTimerUntilTheNextCommand) {
  ASSERT_NO_FATAL_FAILURE(SelectTestPort());
  Click(kSimulateGps);
  // A tick takes the values as every action does: a value that fails its check shows the tick.
  Type(kTransmissionInterval, L"300");
  MSG message;
  for (DWORD start = GetTickCount(); boxes.empty() && GetTickCount() - start < 5000;) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    } else {
      Sleep(10);
    }
  }
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].text, L"Please enter an integer between 5 and 255.");
  Type(kTransmissionInterval, L"60");
  Click(kLowTone);
  EXPECT_FALSE(KillTimer(window, 1));  // the tone's connect has ended the simulation's timer
}

}  // namespace
}  // namespace vindrel
