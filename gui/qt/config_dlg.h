#pragma once

#include "dialog/config_dialog.h"
#include "dialog/dialog_view.h"
#include "gui/qt/feedback.h"

#include <QBasicTimer>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vindrel {

// The main window on Qt: the controls of the configuration dialog's template, whose objectName
// is their identifier. Every event goes to the dialog's logic, which answers through the view.
// Closing it closes the port.
class CConfigDlg : public QDialog, private DialogView {
 public:
  CConfigDlg();
  // An empty applicationName stands for the executable's own.
  explicit CConfigDlg(ConfigDialogOptions options);
  ~CConfigDlg() override;

  // The record as the last exchange with the controls or the tracker left it.
  const TrackerSettings& Settings() const { return logic.Settings(); }

  // Runs a command of the window's menu (the About box is 16).
  void SystemCommand(int command) { logic.OnSystemCommand(command); }

 protected:
  // Esc, the close box and "Sluit Af" all end up here.
  void reject() override;
  // The GPS simulation's timer is the dialog's only one: its events are the ticks.
  void timerEvent(QTimerEvent* event) override;
  // The window menu of X11 and Wayland belongs to the window manager: the About entry is offered
  // here instead.
  void contextMenuEvent(QContextMenuEvent* event) override;
  // A double click on the symbol preview opens the symbol picker.
  bool eventFilter(QObject* watched, QEvent* event) override;

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

  QLineEdit* Edit(int id) const;
  QCheckBox* Check(int id) const;
  QComboBox* PortList() const;

  QtFeedback feedback;
  QBasicTimer gpsTicker;  // the GPS simulation's tick, every two seconds while it runs
  ConfigDialog logic;
};

}  // namespace vindrel
