#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dialog/aprs_symbols.h"

namespace vindrel {

enum class MessageIcon {
  Exclamation,  // the utility's own messages and the checks of the values
  Stop,         // errors the system reported
};

// What the configuration dialog's logic asks of the window that shows it. A front end makes the
// controls from the dialog's template, passes the user's events to ConfigDialog and carries out
// these requests; it decides nothing itself. Controls are addressed by identifier; texts are
// Latin-1 bytes, one per character.
class DialogView {
 public:
  virtual ~DialogView() = default;

  virtual std::string GetText(int id) = 0;
  // Sets the text without counting as the user's edit.
  virtual void SetText(int id, const std::string& text) = 0;
  // The most characters the user may type into edit field id.
  virtual void SetTextLimit(int id, int limit) = 0;
  virtual bool GetCheck(int id) = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  // Moves the focus to edit field id and selects its whole text.
  virtual void FocusAndSelect(int id) = 0;

  // Replaces the port list's entries by these, in this order, and selects entry selected (-1:
  // none). The description tells what the port is (shown when the pointer rests on the entry).
  struct PortEntry {
    std::string text, description;
    bool operator==(const PortEntry&) const = default;
  };
  virtual void SetPortList(const std::vector<PortEntry>& entries, int selected) = 0;
  // The selected entry's position in the list, -1 when none is selected.
  virtual int SelectedPortEntry() = 0;
  // The port list entry that last answered the handshake, kept between runs of the program
  // (empty when none was kept), and keeping a new one.
  virtual std::string RememberedPort() = 0;
  virtual void RememberPort(const std::string& entry) = 0;

  // A modal box over the dialog with an OK button.
  virtual void ShowMessage(const std::string& caption, const std::string& text,
                           MessageIcon icon) = 0;
  virtual void Beep() = 0;
  // Calls nest; the normal cursor returns when every Begin has had its End.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Shows icon iconId in picture control id; an identifier that no icon has clears it.
  virtual void ShowPicture(int id, int iconId) = 0;

  // Starts (or restarts, replacing the running one) the dialog's timer with this identifier and
  // period; its ticks come back as ConfigDialog::OnTimer. Returns the running timer's
  // identifier, 0 when none could be started.
  virtual unsigned StartTimer(unsigned timerId, unsigned periodMs) = 0;
  virtual void StopTimer(unsigned timerId) = 0;

  // Asks the user for a settings file to open (save false) or to save to (save true), with the
  // window system's own file dialog, starting in startFolder (empty: where the window system
  // likes); empty when the user cancelled.
  virtual std::string ChooseSettingsFile(bool save, const std::filesystem::path& startFolder) = 0;
  // Run the About box or the squelch dialog modally; return once the user has closed it.
  virtual void RunAboutDialog() = 0;
  virtual void RunSquelchDialog() = 0;
  // Runs the symbol picker (kSymbolPickerDialog with a SymbolPicker made from the two texts)
  // modally and returns what it chose: nullopt when the user cancelled.
  virtual std::optional<AprsSymbol> RunSymbolPicker(const std::string& tableChar,
                                                    const std::string& symbolChar) = 0;
  // Ends the dialog (the window closes; the application ends with it).
  virtual void EndDialog() = 0;
};

}  // namespace vindrel
