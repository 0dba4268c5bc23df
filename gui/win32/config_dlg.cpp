#include "gui/win32/config_dlg.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>

#include "gui/win32/about_dlg.h"
#include "gui/win32/dialog_builder.h"
#include "gui/win32/squelch_dlg.h"
#include "gui/win32/symbol_picker_dlg.h"
#include "settings/file_path.h"

namespace vindrel {

namespace {

// Messages, captions and file names are UTF-8 inside, as on Linux, unlike the record's texts,
// which are Latin-1 bytes on the line: the settings library's file-name conversion does both ways.
std::wstring FromUtf8(const std::string& text) { return FilePath(text).wstring(); }

std::string ToUtf8(const std::wstring& text) { return PathText(text); }

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The executable's file name without directory and extension: a renamed copy shows its new name.
std::string ExecutableBaseName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t start = path.find_last_of(L"\\/:") + 1;  // npos + 1 == 0
  std::wstring name = path.substr(start);
  if (const std::size_t dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0) {
    name.resize(dot);
  }
  return ToUtf8(name);
}

ConfigDialogOptions WithApplicationName(ConfigDialogOptions options) {
  if (options.applicationName.empty()) options.applicationName = ExecutableBaseName();
  return options;
}

// Where the last port that answered is kept: %APPDATA%\vindrel\vindrel-config.ini, [port] entry.
std::wstring StorePath(bool create) {
  wchar_t appData[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    return {};
  }
  const std::wstring folder = std::wstring(appData) + L"\\vindrel";
  if (create) CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\vindrel-config.ini";
}
constexpr std::size_t kLongestPath = 32767;
constexpr wchar_t kStoreSection[] = L"vindrel-config";
constexpr wchar_t kPortKey[] = L"port";

}  // namespace

CConfigDlg::CConfigDlg(ConfigDialogOptions options)
    : applicationIcon(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                                    MAKEINTRESOURCEW(kApplicationIconId),
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED))),
      logic(*this, WithApplicationName(std::move(options))) {}

CConfigDlg::~CConfigDlg() {
  if (window) DestroyWindow(window);
}

void CConfigDlg::DoModal() {
  modal = true;
  const std::vector<WORD> resource =
      BuildDialogTemplate(kConfigDialog, kCloseButton, WS_EX_APPWINDOW);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                          reinterpret_cast<const DLGTEMPLATE*>(resource.data()), nullptr,
                          DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CConfigDlg::Create() {
  modal = false;
  const std::vector<WORD> resource =
      BuildDialogTemplate(kConfigDialog, kCloseButton, WS_EX_APPWINDOW);
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                    reinterpret_cast<const DLGTEMPLATE*>(resource.data()), nullptr,
                                    DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CConfigDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<CConfigDlg*>(lParam);
    self->window = dialog;
    self->OnInitDialog();
    return FALSE;  // the focus is set
  }
  auto* self = reinterpret_cast<CConfigDlg*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
  return self ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CConfigDlg::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_COMMAND:
      OnControlCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case kAboutCommand:
        case kOpenSettingsCommand:
        case kSaveSettingsCommand:
        case kChooseSymbolCommand:
        case kExamineConnectionCommand:
          logic.OnSystemCommand(static_cast<int>(wParam));
          return TRUE;
        default:
          return FALSE;  // move, close...: the default handling
      }
    case WM_TIMER:
      logic.OnTimer(static_cast<unsigned>(wParam));
      return TRUE;
    case WM_PAINT:
      return PaintMinimised();
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(applicationIcon);
    case WM_DESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void CConfigDlg::OnInitDialog() {
  // The settings files, the examination of the connection and the About box, in the window menu
  // as Windows users expect; it still ends with a separator and the About entry.
  if (HMENU menu = GetSystemMenu(window, FALSE)) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kOpenSettingsCommand, FromLatin1(kOpenSettingsEntryText).c_str());
    AppendMenuW(menu, MF_STRING, kSaveSettingsCommand, FromLatin1(kSaveSettingsEntryText).c_str());
    AppendMenuW(menu, MF_STRING, kChooseSymbolCommand, FromLatin1(kChooseSymbolEntryText).c_str());
    AppendMenuW(menu, MF_STRING, kExamineConnectionCommand,
                FromLatin1(kExamineConnectionEntryText).c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, FromLatin1(kAboutEntryText).c_str());
  }
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(applicationIcon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(applicationIcon));
  CentreWindow(window, nullptr);
  logic.StartUp();
  SetFocus(Item(kConfigDialog.initialFocus));
}

void CConfigDlg::OnControlCommand(int id, int code) {
  switch (code) {
    case BN_CLICKED:  // also Escape, the close box and Enter on the default button
      logic.OnCommand(id);
      break;
    case EN_CHANGE: {
      if (settingText) break;
      // The tracker keeps one byte per character: a typed or pasted character outside Latin-1
      // is dropped at once rather than sent as something else.
      HWND edit = Item(id);
      std::wstring text = WindowText(edit);
      DWORD caret = 0;
      SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
      const auto outside = [](wchar_t c) { return c > 0xFF; };
      if (std::any_of(text.begin(), text.end(), outside)) {
        caret -= static_cast<DWORD>(std::count_if(
            text.begin(), text.begin() + std::min<std::size_t>(caret, text.size()), outside));
        std::erase_if(text, outside);
        settingText = true;
        SetWindowTextW(edit, text.c_str());
        settingText = false;
        SendMessageW(edit, EM_SETSEL, caret, caret);
        MessageBeep(MB_OK);
      }
      logic.OnUserEdit(id);
      break;
    }
    case STN_DBLCLK:  // also CBN_SELCHANGE, of the port list, for which the logic does nothing
      logic.OnDoubleClick(id);
      break;
    case CBN_DROPDOWN:
      logic.OnPortListOpening();
      break;
    default:
      break;
  }
}

bool CConfigDlg::PaintMinimised() {
  if (!IsIconic(window)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, applicationIcon);
  EndPaint(window, &paint);
  return true;
}

std::string CConfigDlg::GetText(int id) { return ToLatin1(WindowText(Item(id))); }

void CConfigDlg::SetText(int id, const std::string& text) {
  // The limit only stops typing: an overlong value from the tracker shows whole, and its check
  // reports it.
  settingText = true;
  SetWindowTextW(Item(id), FromLatin1(text).c_str());
  settingText = false;
}

void CConfigDlg::SetTextLimit(int id, int limit) {
  SendMessageW(Item(id), EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
}

bool CConfigDlg::GetCheck(int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

void CConfigDlg::SetCheck(int id, bool checked) {
  CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void CConfigDlg::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }

void CConfigDlg::FocusAndSelect(int id) {
  // The dialog manager's way of moving the focus: the default button follows, and an edit
  // field's whole text is selected.
  SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void CConfigDlg::SetPortList(const std::vector<PortEntry>& entries, int selected) {
  // A drop-down list has no tooltips for its entries: the descriptions are not shown here.
  HWND list = Item(kPortList);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const PortEntry& entry : entries) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromLatin1(entry.text).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int CConfigDlg::SelectedPortEntry() {
  return static_cast<int>(SendMessageW(Item(kPortList), CB_GETCURSEL, 0, 0));  // CB_ERR is -1
}

std::string CConfigDlg::RememberedPort() {
  const std::wstring path = StorePath(false);
  if (path.empty()) return {};
  wchar_t entry[64];
  GetPrivateProfileStringW(kStoreSection, kPortKey, L"", entry, 64, path.c_str());
  return ToLatin1(entry);
}

void CConfigDlg::RememberPort(const std::string& entry) {
  const std::wstring path = StorePath(true);
  if (!path.empty()) {
    WritePrivateProfileStringW(kStoreSection, kPortKey, FromLatin1(entry).c_str(), path.c_str());
  }
}

void CConfigDlg::ShowMessage(const std::string& caption, const std::string& text,
                             MessageIcon icon) {
  const UINT flags = MB_OK | (icon == MessageIcon::Stop ? MB_ICONSTOP : MB_ICONEXCLAMATION);
  showMessageBox(window, FromUtf8(text), FromUtf8(caption), flags);
}

void CConfigDlg::Beep() { MessageBeep(MB_OK); }

void CConfigDlg::BeginWaitCursor() {
  if (waitDepth++ == 0) cursorBeforeWait = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void CConfigDlg::EndWaitCursor() {
  if (waitDepth > 0 && --waitDepth == 0) SetCursor(cursorBeforeWait);
}

void CConfigDlg::ShowPicture(int id, int iconId) { ShowIcon(Item(id), iconId); }

unsigned CConfigDlg::StartTimer(unsigned timerId, unsigned periodMs) {
  // SetTimer with a running timer's identifier restarts it: one timer, never two.
  return static_cast<unsigned>(SetTimer(window, timerId, periodMs, nullptr));
}

void CConfigDlg::StopTimer(unsigned timerId) { KillTimer(window, timerId); }

std::string CConfigDlg::ChooseSettingsFile(bool save, const std::filesystem::path& startFolder) {
  // Room for the longest path Windows has, so that a long one is not taken for Cancel.
  std::wstring path(kLongestPath, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter = L"Instellingen (*.json, *.bin)\0*.json;*.bin\0";
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = L"json";
  dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  dialog.Flags =
      OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  path.resize(path.find(L'\0'));
  return chosen ? ToUtf8(path) : std::string();
}

void CConfigDlg::RunAboutDialog() { CAboutDlg(window).DoModal(); }

void CConfigDlg::RunSquelchDialog() { CSquelchDlg(window).DoModal(); }

std::optional<AprsSymbol> CConfigDlg::RunSymbolPicker(const std::string& tableChar,
                                                      const std::string& symbolChar) {
  return CSymbolPickerDlg(window, tableChar, symbolChar).DoModal();
}

void CConfigDlg::EndDialog() {
  if (modal) {
    ::EndDialog(window, IDCANCEL);
  } else {
    DestroyWindow(window);
  }
}

}  // namespace vindrel
