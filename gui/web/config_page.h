#pragma once

#include <string>

#include "dialog/config_dialog.h"
#include "dialog/dialog_layout.h"
#include "dialog/dialog_view.h"

namespace vindrel {

// The main window in the browser: the page (page.js) makes the configuration dialog's controls
// from its template and queues the user's events; Run hands them to the dialog's logic one at a
// time and carries out what it asks. Whatever blocks on the desktop (a message box, a serial
// read) awaits the page here, which goes on drawing meanwhile.
class CConfigPage : private DialogView {
 public:
  explicit CConfigPage(ConfigDialogOptions options);

  // Shows the dialog and runs it until "Sluit Af".
  void Run();

 private:
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

  // Hands the files the last event saved to the browser as downloads.
  void OfferDownloads();

  bool ended = false;
  ConfigDialog logic;
};

// A dialog's controls as the page places them, in pixels: dialog units through the base units
// of the desktop dialog's font ("MS Sans Serif" 8 point: 6 wide, 13 high), a quarter of the
// width and an eighth of the height for each unit, as Windows converts them.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// Makes tmpl's controls in the page, in the dialog called scope ("" for the main window). The
// tab order goes into the controls' tab indexes.
void BuildPageDialog(const char* scope, const DialogTemplate& tmpl);

}  // namespace vindrel
