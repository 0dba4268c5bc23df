#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "dialog/config_dialog.h"
#include "dialog/dialog_view.h"

namespace vindrel {

// How a message box is shown: MessageBoxW's arguments (owner, text, caption, MB_ flags). Tests
// put a recorder here, since a real box waits for a user.
using MessageBoxFunction = std::function<int(HWND, const std::wstring&, const std::wstring&, UINT)>;

// The main window on Win32: a dialog built in memory from the configuration dialog's template,
// whose controls carry their identifiers. Every event goes to the dialog's logic, which answers
// through the view. Closing it closes the port.
class CConfigDlg : private DialogView {
 public:
  // An empty applicationName stands for the executable's base name.
  explicit CConfigDlg(ConfigDialogOptions options = {});
  ~CConfigDlg() override;
  CConfigDlg(const CConfigDlg&) = delete;
  CConfigDlg& operator=(const CConfigDlg&) = delete;

  // Shows the dialog modally, without owner, and returns once it has closed in whatever way.
  void DoModal();
  // Creates the dialog without a message loop of its own (the caller's runs it); "Sluit Af"
  // destroys the window. Returns null when the window could not be made.
  HWND Create();
  HWND Window() const { return window; }

  // The record as the last exchange with the controls or the tracker left it.
  const TrackerSettings& Settings() const { return logic.Settings(); }

  MessageBoxFunction showMessageBox = [](HWND owner, const std::wstring& text,
                                         const std::wstring& caption, UINT flags) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
  };

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnControlCommand(int id, int code);
  bool PaintMinimised();

  // DialogView
  std::string GetText(int id) override;
  void SetText(int id, const std::string& text) override;
  void SetTextLimit(int id, int limit) override;
  bool GetCheck(int id) override;
  void SetCheck(int id, bool checked) override;
  void Enable(int id, bool enabled) override;
  void FocusAndSelect(int id) override;
  void SetPortList(const std::vector<PortEntry>& entries, int selected) override;
  int SelectedPortEntry() override;
  std::string RememberedPort() override;
  void RememberPort(const std::string& entry) override;
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
  void Beep() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void ShowPicture(int id, int iconId) override;
  unsigned StartTimer(unsigned timerId, unsigned periodMs) override;
  void StopTimer(unsigned timerId) override;
  std::string ChooseSettingsFile(bool save, const std::filesystem::path& startFolder) override;
  void RunAboutDialog() override;
  void RunSquelchDialog() override;
  std::optional<AprsSymbol> RunSymbolPicker(const std::string& tableChar,
                                            const std::string& symbolChar) override;
  void EndDialog() override;

  HWND Item(int id) const { return GetDlgItem(window, id); }

  HWND window = nullptr;
  bool modal = false;
  bool settingText = false;  // EN_CHANGE that SetText causes is no user edit
  int waitDepth = 0;
  HCURSOR cursorBeforeWait = nullptr;
  HICON applicationIcon = nullptr;
  ConfigDialog logic;
};

}  // namespace vindrel
