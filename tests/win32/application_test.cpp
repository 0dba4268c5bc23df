// vindrel-config.exe as a user runs it, against the native virtual tracker on the COM port that
// the test session mapped: choose the port, write, read, ask the version, close; the next start
// offers the port that answered.

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialog/dialog_layout.h"

namespace vindrel {
namespace {

constexpr DWORD kPatienceMs = 15000;

// The text of a window (WM_GETTEXT also reaches another process's controls).
std::wstring Text(HWND window) {
  wchar_t text[512] = L"";
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

HWND WaitFor(const std::function<HWND()>& find) {
  HWND found = nullptr;
  for (DWORD waited = 0; !(found = find()) && waited < kPatienceMs; waited += 50) Sleep(50);
  return found;
}

class RunningProgram {
 public:
  RunningProgram() {
    // The build gives the path on the build machine; wine shows its root as drive Z:.
    std::wstring path = L"Z:";
    for (const char* c = VINDREL_CONFIG_EXE; *c; ++c) path.push_back(*c == '/' ? L'\\' : *c);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
      dialog = WaitFor([this] { return OwnedWindow(nullptr); });
    }
  }
  ~RunningProgram() {
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 1);  // when it is still running
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  HWND Dialog() const { return dialog; }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  void Type(int id, const wchar_t* text) {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  // Presses a button and returns once its action has ended; false when it did not end in time.
  bool Press(int id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                               reinterpret_cast<LPARAM>(Item(id)), SMTO_NORMAL, kPatienceMs,
                               &result) != 0;
  }
  // Presses a button whose action shows a message box and answers it: "caption: text".
  std::wstring PressAndAnswer(int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    HWND box = WaitFor([this] { return OwnedWindow(dialog); });
    if (!box) return L"(no box)";
    const std::wstring said = Text(box) + L": " + Text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return said;
  }
  bool Close() {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitForSingleObject(process.hProcess, kPatienceMs) == WAIT_OBJECT_0;
  }

 private:
  // A visible top-level window of the program whose owner is owner.
  HWND OwnedWindow(HWND owner) const {
    struct Search {
      DWORD processId;
      HWND owner, found;
    } search{process.dwProcessId, owner, nullptr};
    EnumWindows(
        [](HWND window, LPARAM lParam) {
          auto* s = reinterpret_cast<Search*>(lParam);
          DWORD processId = 0;
          GetWindowThreadProcessId(window, &processId);
          const bool match = processId == s->processId && IsWindowVisible(window) &&
                             GetWindow(window, GW_OWNER) == s->owner;
          if (match) s->found = window;
          return match ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  PROCESS_INFORMATION process{};
  HWND dialog = nullptr;
};

std::wstring Entry(HWND list, LRESULT index) {
  wchar_t entry[32] = L"";
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry));
  return entry;
}

TEST(Application, ReadsWritesAndAsksTheVersionThroughTheMappedPort) {
  const std::wstring port = L"COM" + std::to_wstring(VINDREL_WINE_COM_GUI);
  // What an earlier run remembered goes: this run has to remember the port itself.
  wchar_t appData[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  DeleteFileW((std::wstring(appData) + L"\\vindrel\\vindrel-config.ini").c_str());
  {
    RunningProgram program;
    ASSERT_NE(program.Dialog(), nullptr) << "no dialog appeared";
    EXPECT_EQ(Text(program.Dialog()), L"VINDrel Configuratie Programma");
    EXPECT_EQ(Text(program.Item(kCallsign)), L"NOCALL");
    HWND list = program.Item(kPortList);
    // Only the mapped port may be opened: wine gives the machine's real ports low numbers.
    const LRESULT at = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(port.c_str()));
    ASSERT_NE(at, CB_ERR);
    ASSERT_EQ(SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0), at);

    program.Type(kCallsign, L"PD0TST-7");
    program.Type(kBeaconText, L"Proef \u00e9\u00e9n");
    ASSERT_TRUE(program.Press(kWriteSettings));
    program.Type(kCallsign, L"XX0XX");
    program.Type(kBeaconText, L"");
    ASSERT_TRUE(program.Press(kReadSettings));
    EXPECT_EQ(Text(program.Item(kCallsign)), L"PD0TST-7");
    EXPECT_EQ(Text(program.Item(kBeaconText)), L"Proef \u00e9\u00e9n");

    EXPECT_EQ(program.PressAndAnswer(kShowVersion), L"vindrel-config: VinDrel versie 1.7");
    EXPECT_TRUE(program.Close()) << "the process did not end with its dialog";
  }
  RunningProgram again;
  ASSERT_NE(again.Dialog(), nullptr);
  HWND list = again.Item(kPortList);
  EXPECT_EQ(Entry(list, SendMessageW(list, CB_GETCURSEL, 0, 0)), port);  // the one that answered
  EXPECT_TRUE(again.Close());
}

}  // namespace
}  // namespace vindrel
