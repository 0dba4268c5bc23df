#include "gui/web/config_page.h"

#include <emscripten.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "dialog/symbol_picker.h"
#include "serial/port_names.h"

// The page's side is page.js (vindrelPage). Texts of controls cross as Latin-1, one byte per
// character, as the tracker holds them; messages, captions and file names as UTF-8.

// clang-format off
EM_JS(void, PageBegin, (const char* scope, const char* title, int width, int height), {
  vindrelPage.begin(UTF8ToString(scope), vindrelLatin1(title), width, height);
});
EM_JS(void, PageAdd, (const char* scope, int id, int kind, const char* text, int x, int y,
                      int width, int height, int tabIndex), {
  vindrelPage.add(UTF8ToString(scope), id, kind, vindrelLatin1(text), x, y, width, height,
                  tabIndex);
});
EM_JS(void, PageAddMenuEntry, (int command, const char* text), {
  vindrelPage.addMenuEntry(command, vindrelLatin1(text));
});
EM_JS(void, PageStarted, (int focusId), { vindrelPage.started(focusId); });
EM_JS(void, PageEnded, (), { vindrelPage.ended(); });
EM_JS(void, PageShow, (const char* scope, int focusId), {
  vindrelPage.show(UTF8ToString(scope), focusId);
});
EM_JS(void, PageEnd, (const char* scope), { vindrelPage.end(UTF8ToString(scope)); });
EM_ASYNC_JS(int, PageNextEvent, (int modal, int* id), {
  const [kind, value] = await vindrelPage.next(modal ? "modal" : "main");
  HEAP32[id >> 2] = value;
  return kind;
});
EM_JS(char*, PageGetText, (int id), { return vindrelToHeap(vindrelPage.getText(id), false); });
EM_JS(void, PageSetText, (const char* scope, int id, const char* text), {
  vindrelPage.setText(id, vindrelLatin1(text), UTF8ToString(scope));
});
EM_JS(void, PageSetLimit, (int id, int limit), { vindrelPage.setLimit(id, limit); });
EM_JS(int, PageGetCheck, (int id), { return vindrelPage.getCheck(id) ? 1 : 0; });
EM_JS(void, PageSetCheck, (int id, int checked), { vindrelPage.setCheck(id, !!checked); });
EM_JS(void, PageEnable, (int id, int enabled), { vindrelPage.enable(id, !!enabled); });
EM_JS(void, PageFocus, (const char* scope, int id), {
  vindrelPage.focusAndSelect(id, UTF8ToString(scope));
});
EM_JS(void, PageAddPortEntry, (const char* text, const char* description), {
  vindrelPage.pendingPorts.push([vindrelLatin1(text), UTF8ToString(description)]);
});
EM_JS(void, PageSetPortList, (int selected), {
  vindrelPage.setPortList(vindrelPage.pendingPorts.splice(0), selected);
});
EM_JS(int, PageSelectedPort, (), { return vindrelPage.selectedPort(); });
EM_JS(void, PageSelectPortNamed, (const char* text), {
  vindrelPage.selectPortNamed(vindrelLatin1(text));
});
EM_JS(char*, PageRemembered, (), { return vindrelToHeap(vindrelPage.remembered(), false); });
EM_JS(void, PageRemember, (const char* entry), { vindrelPage.remember(vindrelLatin1(entry)); });
EM_ASYNC_JS(void, PageMessage, (const char* caption, const char* text, int stop), {
  await vindrelPage.message(UTF8ToString(caption), UTF8ToString(text),
                            stop ? "stop" : "exclamation");
});
EM_JS(void, PageBeep, (), { vindrelPage.beep(); });
EM_JS(void, PageBeginWait, (), { vindrelPage.beginWait(); });
EM_JS(void, PageEndWait, (), { vindrelPage.endWait(); });
EM_JS(void, PageShowPicture, (int id, int iconId), { vindrelPage.showPicture(id, iconId); });
EM_JS(int, PageStartTimer, (int timerId, int periodMs), {
  return vindrelPage.startTimer(timerId, periodMs);
});
EM_JS(void, PageStopTimer, (int timerId), { vindrelPage.stopTimer(timerId); });
EM_ASYNC_JS(char*, PageChooseFile, (const char* folder), {
  return vindrelToHeap(await vindrelPage.chooseFile(UTF8ToString(folder)), true);
});
EM_ASYNC_JS(char*, PageChooseSaveName, (const char* suggested), {
  return vindrelToHeap(await vindrelPage.chooseSaveName(UTF8ToString(suggested)), true);
});
EM_JS(void, PageDownload, (const char* path, const char* name), {
  vindrelPage.download(UTF8ToString(path), UTF8ToString(name));
});
// clang-format on

namespace vindrel {

namespace {

// What the page reports, as page.js numbers it.
enum PageEvent : int {
  kCommandEvent = 1,
  kDoubleClickEvent = 2,
  kUserEditEvent = 3,
  kTimerEvent = 4,
  kPortListOpeningEvent = 5,
  kSystemCommandEvent = 6,
  kPortAddedEvent = 7,  // the user granted a port in the browser's chooser; id is its number
  kKeyEvent = 8,        // an arrow key on a symbol cell; id is a PickerKey
  kPointerEvent = 9,    // the pointer came to a symbol cell (its id) or left the cells (0)
};

constexpr char kMainScope[] = "";
constexpr char kUploadFolder[] = "/uploads";      // files the user opened, copied in
constexpr char kDownloadFolder[] = "/downloads";  // files saved here go to the browser

std::string Taken(char* text) {
  std::string result(text);
  std::free(text);
  return result;
}

std::pair<int, int> NextEvent(bool modal) {
  int id = 0;
  const int kind = PageNextEvent(modal ? 1 : 0, &id);
  return {kind, id};
}

// Runs a small dialog that only shows its template until OK, Esc or the close box.
void RunSmallDialog(const char* scope, const DialogTemplate& tmpl) {
  BuildPageDialog(scope, tmpl);
  PageShow(scope, tmpl.initialFocus);
  for (;;) {
    const auto [kind, id] = NextEvent(true);
    if (kind == kCommandEvent && (id == kOkButton || id == kCloseButton)) break;
  }
  PageEnd(scope);
}

class PickerPage : public SymbolPickerView {
 public:
  static constexpr char kScope[] = "picker";
  void SetText(int id, const std::string& text) override { PageSetText(kScope, id, text.c_str()); }
  void FocusCell(int id) override { PageFocus(kScope, id); }
  void EndDialog() override { ended = true; }
  bool ended = false;
};

}  // namespace

int DialogUnitsToPixelsX(int units) { return (units * 6 + 2) / 4; }
int DialogUnitsToPixelsY(int units) { return (units * 13 + 4) / 8; }

void BuildPageDialog(const char* scope, const DialogTemplate& tmpl) {
  PageBegin(scope, tmpl.title, DialogUnitsToPixelsX(tmpl.width), DialogUnitsToPixelsY(tmpl.height));
  int creation = 0;
  for (const ControlTemplate& c : tmpl.controls) {
    int tabIndex = 0;
    if (tmpl.tabOrder.empty()) {
      const bool stop = c.kind != ControlKind::GroupBox && c.kind != ControlKind::Label &&
                        c.kind != ControlKind::CenteredLabel && c.kind != ControlKind::Picture;
      if (stop) tabIndex = ++creation;
    } else {
      for (std::size_t i = 0; i < tmpl.tabOrder.size(); ++i) {
        if (tmpl.tabOrder[i] == c.id) tabIndex = static_cast<int>(i) + 1;
      }
    }
    PageAdd(scope, c.id, static_cast<int>(c.kind), c.text, DialogUnitsToPixelsX(c.x),
            DialogUnitsToPixelsY(c.y), DialogUnitsToPixelsX(c.width),
            DialogUnitsToPixelsY(c.height), tabIndex);
  }
}

CConfigPage::CConfigPage(ConfigDialogOptions options) : logic(*this, std::move(options)) {}

void CConfigPage::Run() {
  BuildPageDialog(kMainScope, kConfigDialog);
  PageAddMenuEntry(kOpenSettingsCommand, kOpenSettingsEntryText);
  PageAddMenuEntry(kSaveSettingsCommand, kSaveSettingsEntryText);
  PageAddMenuEntry(kChooseSymbolCommand, kChooseSymbolEntryText);
  PageAddMenuEntry(kExamineConnectionCommand, kExamineConnectionEntryText);
  PageAddMenuEntry(kAboutCommand, kAboutEntryText);
  logic.StartUp();
  PageStarted(kConfigDialog.initialFocus);
  while (!ended) {
    const auto [kind, id] = NextEvent(false);
    switch (kind) {
      case kCommandEvent:
        logic.OnCommand(id);
        break;
      case kDoubleClickEvent:
        logic.OnDoubleClick(id);
        break;
      case kUserEditEvent:
        logic.OnUserEdit(id);
        break;
      case kTimerEvent:
        logic.OnTimer(static_cast<unsigned>(id));
        break;
      case kPortListOpeningEvent:
        logic.OnPortListOpening();
        break;
      case kSystemCommandEvent:
        logic.OnSystemCommand(id);
        break;
      case kPortAddedEvent:
        // The user's choice in the browser's chooser is the user's choice of port.
        logic.OnPortListOpening();
        PageSelectPortNamed(PortDisplayName(id).c_str());
        break;
      default:
        break;
    }
    OfferDownloads();
  }
  PageEnded();
}

void CConfigPage::OfferDownloads() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(kDownloadFolder, error)) {
    if (!entry.is_regular_file(error)) continue;
    PageDownload(entry.path().c_str(), entry.path().filename().c_str());
    std::filesystem::remove(entry.path(), error);
  }
}

std::string CConfigPage::GetText(int id) { return Taken(PageGetText(id)); }

void CConfigPage::SetText(int id, const std::string& text) {
  PageSetText(kMainScope, id, text.c_str());
}

void CConfigPage::SetTextLimit(int id, int limit) { PageSetLimit(id, limit); }

bool CConfigPage::GetCheck(int id) { return PageGetCheck(id) != 0; }

void CConfigPage::SetCheck(int id, bool checked) { PageSetCheck(id, checked ? 1 : 0); }

void CConfigPage::Enable(int id, bool enabled) { PageEnable(id, enabled ? 1 : 0); }

void CConfigPage::FocusAndSelect(int id) { PageFocus(kMainScope, id); }

void CConfigPage::SetPortList(const std::vector<PortEntry>& entries, int selected) {
  for (const PortEntry& entry : entries) {
    PageAddPortEntry(entry.text.c_str(), entry.description.c_str());
  }
  PageSetPortList(selected);
}

int CConfigPage::SelectedPortEntry() { return PageSelectedPort(); }

std::string CConfigPage::RememberedPort() { return Taken(PageRemembered()); }

void CConfigPage::RememberPort(const std::string& entry) { PageRemember(entry.c_str()); }

void CConfigPage::ShowMessage(const std::string& caption, const std::string& text,
                              MessageIcon icon) {
  PageMessage(caption.c_str(), text.c_str(), icon == MessageIcon::Stop ? 1 : 0);
}

void CConfigPage::Beep() { PageBeep(); }

void CConfigPage::BeginWaitCursor() { PageBeginWait(); }

void CConfigPage::EndWaitCursor() { PageEndWait(); }

void CConfigPage::ShowPicture(int id, int iconId) { PageShowPicture(id, iconId); }

unsigned CConfigPage::StartTimer(unsigned timerId, unsigned periodMs) {
  return static_cast<unsigned>(
      PageStartTimer(static_cast<int>(timerId), static_cast<int>(periodMs)));
}

void CConfigPage::StopTimer(unsigned timerId) { PageStopTimer(static_cast<int>(timerId)); }

std::string CConfigPage::ChooseSettingsFile(bool save, const std::filesystem::path&) {
  // The browser keeps its own folders: a file to open comes in a copy, and one saved leaves as a
  // download under the name the user gives.
  std::error_code error;
  if (!save) {
    const std::string name = Taken(PageChooseFile(kUploadFolder));
    // The file goes by its own name, as the user knows it, not by the folder it was copied to.
    std::filesystem::current_path(kUploadFolder, error);
    return name;
  }
  const std::string name = Taken(PageChooseSaveName("vindrel-instellingen.json"));
  if (name.empty()) return {};
  std::filesystem::create_directories(kDownloadFolder, error);
  return std::string(kDownloadFolder) + "/" + name;
}

void CConfigPage::RunAboutDialog() { RunSmallDialog("about", kAboutDialog); }

void CConfigPage::RunSquelchDialog() { RunSmallDialog("squelch", kSquelchDialog); }

std::optional<AprsSymbol> CConfigPage::RunSymbolPicker(const std::string& tableChar,
                                                       const std::string& symbolChar) {
  PickerPage page;
  SymbolPicker picker(page, tableChar, symbolChar);
  BuildPageDialog(PickerPage::kScope, kSymbolPickerDialog);
  PageShow(PickerPage::kScope, kOkButton);
  picker.StartUp();
  while (!page.ended) {
    const auto [kind, id] = NextEvent(true);
    if (kind == kCommandEvent) picker.OnCommand(id);
    if (kind == kKeyEvent) picker.OnKey(static_cast<PickerKey>(id));
    if (kind == kPointerEvent) picker.OnPointer(id);
  }
  PageEnd(PickerPage::kScope);
  return picker.Chosen();
}

void CConfigPage::EndDialog() { ended = true; }

}  // namespace vindrel
