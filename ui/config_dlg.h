#pragma once

#include "protocol/tracker_link.h"
#include "serial/port_discovery.h"
#include "settings/tracker_settings.h"
#include "ui/feedback.h"

#include <QBasicTimer>
#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vindrel {

// What the dialog takes from outside. The defaults are the machine's own: its real ports, real
// message boxes.
struct ConfigDlgOptions {
  PortDiscoveryRoots discoveryRoots;     // where the port list is discovered
  std::string deviceDirectory = "/dev";  // where the link opens the selected port
  Feedback* feedback = nullptr;          // null: real message boxes, beep and wait cursor
};

// The main window: the tracker's settings in Dutch, and a button for every action on the
// tracker. Owns the settings record and the link to the tracker for its whole life; closing it
// closes the port.
class CConfigDlg : public QDialog, private TrackerLinkOwner {
 public:
  CConfigDlg();
  explicit CConfigDlg(const ConfigDlgOptions& options);
  ~CConfigDlg() override;

  // The record as the last exchange with the controls or the tracker left it.
  const TrackerSettings& Settings() const { return settings; }

  // Runs a command of the window's menu: 16 (with any of the lowest four bits) opens the About
  // box; other commands do nothing here.
  void SystemCommand(int command);

  static constexpr int kAboutCommand = 0x10;

 protected:
  // Esc, the close box and "Sluit Af" all end up here.
  void reject() override;
  // The GPS simulation's timer is the dialog's only one: its events are the ticks.
  void timerEvent(QTimerEvent* event) override;
  // The window menu of X11 and Wayland belongs to the window manager: the About entry is offered
  // here instead.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // TrackerLinkOwner
  int SelectedPortNumber() override;
  void ShowMessage(const std::string& text) override;
  unsigned StartTimer(unsigned timerId, unsigned periodMs) override;
  void StopTimer(unsigned timerId) override;

  void StartUp(const PortDiscoveryRoots& roots);
  void FillPortList(const PortDiscoveryRoots& roots);
  void ConnectHandlers();

  // Record -> controls, and controls -> record with the checks. TakeValues stops at the first
  // failing check, after its message, with the focus on that control and its text selected.
  void ShowValues();
  bool TakeValues();
  bool FailCheck(int controlId, const QString& message);

  // Runs a user action or a tick; a CException or anything else that escapes it is reported in a
  // stop box and the dialog goes on.
  void Guarded(const std::function<void()>& action);
  void Message(const QString& text, MessageIcon icon);

  void OnReadSettings();
  void OnWriteSettings();
  void OnShowVersion();
  void OnLowTone();
  void OnHighTone();
  void OnSquelch();
  void OnSimulateGps();
  void OnTimerTick();
  void RefreshEnabling();
  void RefreshSymbolPreview();
  void ShowAboutBox();

  QLineEdit* Edit(int id) const;
  QCheckBox* Check(int id) const;
  QComboBox* PortList() const;

  std::unique_ptr<Feedback> ownFeedback;
  Feedback& feedback;
  TrackerSettings settings;
  TrackerLink link{*this};
  QBasicTimer gpsTicker;  // the GPS simulation's tick, every two seconds while it runs
  int gpsTickCount = 0;
  bool exchangingValues = false;  // change notifications are ignored while set
  bool tickRunning = false;       // ticks falling due meanwhile are dropped
};

}  // namespace vindrel
