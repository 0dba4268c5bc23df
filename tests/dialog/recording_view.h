#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialog/config_dialog.h"
#include "dialog/dialog_view.h"
#include "dialog/symbol_picker.h"

namespace vindrel::testing {

// The symbol picker's window, remembering the name line, the focused cell and its end.
struct RecordingPickerView : SymbolPickerView {
  void SetText(int, const std::string& text) override { name = text; }
  void FocusCell(int id) override { focus = id; }
  void EndDialog() override { ended = true; }
  std::string name;
  int focus = 0;
  bool ended = false;
};

// A window that only remembers: the controls' state by identifier, and everything the dialog
// said or asked for. Like a native edit field, SetText reports a change, so that the logic's
// own writes are seen to be ignored.
struct RecordingView : DialogView {
  std::string GetText(int id) override { return texts[id]; }
  void SetText(int id, const std::string& text) override {
    texts[id] = text;
    if (logic) logic->OnUserEdit(id);
  }
  void SetTextLimit(int id, int limit) override { limits[id] = limit; }
  bool GetCheck(int id) override { return checks[id]; }
  void SetCheck(int id, bool checked) override { checks[id] = checked; }
  void Enable(int id, bool enabled) override { disabled[id] = !enabled; }
  void FocusAndSelect(int id) override { focus = id; }
  void SetPortList(const std::vector<PortEntry>& entries, int selected) override {
    ports.clear();
    descriptions.clear();
    for (const PortEntry& entry : entries) {
      ports.push_back(entry.text);
      descriptions.push_back(entry.description);
    }
    selectedPort = selected;
  }
  int SelectedPortEntry() override { return selectedPort; }
  std::string RememberedPort() override { return remembered; }
  void RememberPort(const std::string& entry) override { remembered = entry; }
  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
    caption = title;
    messages.push_back(text);
    icons.push_back(icon);
    if (onMessage) onMessage();
  }
  void Beep() override { ++beeps; }
  void BeginWaitCursor() override { ++waitBegins; }
  void EndWaitCursor() override { ++waitEnds; }
  void ShowPicture(int, int iconId) override { picture = iconId; }
  unsigned StartTimer(unsigned id, unsigned periodMs) override {
    timerPeriod = periodMs;
    return timer = id;
  }
  void StopTimer(unsigned id) override { timer = id == timer ? 0 : timer; }
  std::string ChooseSettingsFile(bool save, const std::filesystem::path& folder) override {
    modal.push_back(save ? "save" : "open");
    startFolder = folder;
    return chosenFile;
  }
  void RunAboutDialog() override { modal.push_back("about"); }
  void RunSquelchDialog() override {
    modal.push_back("squelch");
    if (onModal) onModal();
  }
  // A real picker on a recording window, driven by onPicker.
  std::optional<AprsSymbol> RunSymbolPicker(const std::string& tableChar,
                                            const std::string& symbolChar) override {
    modal.push_back("symbol");
    SymbolPicker picker(pickerView, tableChar, symbolChar);
    picker.StartUp();
    if (onPicker) onPicker(picker);
    return picker.Chosen();
  }
  void EndDialog() override { ended = true; }

  ConfigDialog* logic = nullptr;
  RecordingPickerView pickerView;
  std::function<void(SymbolPicker&)> onPicker;
  std::filesystem::path startFolder;  // where the last file dialog started
  std::map<int, std::string> texts;
  std::map<int, int> limits;
  std::map<int, bool> checks, disabled;
  std::vector<std::string> ports, descriptions;
  std::string caption, remembered,
      chosenFile;  // chosenFile: the file dialog's answer; empty: cancelled
  int selectedPort = -1, focus = 0, picture = -1, beeps = 0, waitBegins = 0, waitEnds = 0;
  unsigned timer = 0, timerPeriod = 0;
  std::vector<std::string> messages, modal;  // message texts; modal dialogs run
  std::vector<MessageIcon> icons;            // of each message
  bool ended = false;
  std::function<void()> onMessage, onModal;
};

}  // namespace vindrel::testing
