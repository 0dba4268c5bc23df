#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dialog/dialog_view.h"
#include "protocol/tracker_link.h"
#include "serial/port_discovery.h"
#include "settings/backup_history.h"
#include "settings/tracker_settings.h"

namespace vindrel {

// What the dialog takes from outside. The defaults are the machine's own ports.
struct ConfigDialogOptions {
  PortDiscoveryRoots discoveryRoots;     // where the port list is discovered
  std::string deviceDirectory = "/dev";  // where the link opens the selected port
  std::string applicationName;           // the caption of every message box
  // Where every image read from a tracker is kept; where the first file dialog opens.
  std::filesystem::path backupFolder = DefaultBackupFolder();
};

// The configuration dialog without its window: the tracker's settings and every action on the
// tracker. Owns the settings record and the link to the tracker for its whole life. A front end
// creates the controls, calls StartUp once they exist, and passes each user event on; every
// event runs to its end inside one guard that reports an escaping serial error in a stop box.
class ConfigDialog : private TrackerLinkOwner {
 public:
  ConfigDialog(DialogView& view, ConfigDialogOptions options);
  ~ConfigDialog() override;
  ConfigDialog(const ConfigDialog&) = delete;
  ConfigDialog& operator=(const ConfigDialog&) = delete;

  // Fills the port list (saying so when there is none), shows the defaults, the enabling and
  // the symbol preview.
  void StartUp();
  // A push button or check box was clicked (2, "Sluit Af", also stands for Esc and the close box).
  void OnCommand(int id);
  // Control id was double-clicked: on the symbol preview (1031) the symbol picker opens.
  void OnDoubleClick(int id);
  // The user changed the text of edit field id (changes that SetText makes do not count).
  void OnUserEdit(int id);
  // The dialog's timer fired.
  void OnTimer(unsigned timerId);
  // The user is about to open the port list: it is discovered anew, so that an adapter plugged
  // in since shows, and the selection stays on its port while that is present.
  void OnPortListOpening();
  // A command of the window menu (any of the lowest four bits may be set): the About box,
  // opening a settings file into the controls (nothing goes to the tracker until the user
  // writes), saving the controls' values once they pass their checks, examining the selected
  // port and showing why no tracker answers there, or the symbol picker.
  void OnSystemCommand(int command);

  // The record as the last exchange with the controls or the tracker left it.
  const TrackerSettings& Settings() const { return settings; }

 private:
  // TrackerLinkOwner
  int SelectedPortNumber() override;
  void ShowMessage(const std::string& text) override;
  unsigned StartTimer(unsigned timerId, unsigned periodMs) override;
  void StopTimer(unsigned timerId) override;
  void HandshakeAnswered(int portNumber) override;

  // Discovers the ports and shows them sorted as text, then the in-process device; selects the
  // entry named select (the first one when it is absent, and at start-up whenever a real port
  // is there). Returns the number of real ports.
  std::size_t FillPortList(const std::string& select, bool atStartUp);
  // Record -> controls, and controls -> record with the checks. TakeValues stops at the first
  // failing check, after its message, with the focus on that control and its text selected.
  void ShowValues();
  bool TakeValues();
  bool FailCheck(int id, const std::string& message);

  void Guarded(const std::function<void()>& action);
  void Message(const std::string& text, MessageIcon icon);

  void OnReadSettings();
  void OnWriteSettings();
  void OnShowVersion();
  void OnSquelch();
  void OnOpenSettings();
  void OnSaveSettings();
  void OnExamineConnection();
  // The picker opens on the symbol the two fields show; what it chooses goes into them as if
  // typed there.
  void OnChooseSymbol();
  void OnTimerTick();
  void RefreshEnabling();
  void RefreshSymbolPreview();
  void Close();
  // Closes the port and ends a running GPS simulation.
  void EndLink();

  DialogView& view;
  ConfigDialogOptions options;
  TrackerSettings settings;
  TrackerLink link{*this};
  std::vector<int> portNumbers;  // the number of each entry of the port list, in list order
  int gpsTickCount = 0;
  bool exchangingValues = false;  // set while the values are shown: the edits' notices are ignored
  bool tickRunning = false;       // ticks falling due meanwhile are dropped
  bool fileChosen = false;        // a settings file was opened or saved in this run
};

}  // namespace vindrel
