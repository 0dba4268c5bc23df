#include "gui/win32/symbol_picker_dlg.h"

#include <commctrl.h>

#include "gui/win32/dialog_builder.h"

namespace vindrel {

CSymbolPickerDlg::CSymbolPickerDlg(HWND owner, const std::string& tableChar,
                                   const std::string& symbolChar)
    : owner(owner), logic(*this, tableChar, symbolChar) {}

std::optional<AprsSymbol> CSymbolPickerDlg::DoModal() {
  const std::vector<WORD> resource = BuildDialogTemplate(kSymbolPickerDialog, kOkButton);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                          reinterpret_cast<const DLGTEMPLATE*>(resource.data()), owner, DialogProc,
                          reinterpret_cast<LPARAM>(this));
  return logic.Chosen();
}

INT_PTR CALLBACK CSymbolPickerDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<CSymbolPickerDlg*>(lParam);
    self->window = dialog;
    self->OnInitDialog();
    return FALSE;  // the focus is on the current cell
  }
  auto* self = reinterpret_cast<CSymbolPickerDlg*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
  if (self && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    self->logic.OnCommand(LOWORD(wParam));  // IDOK and IDCANCEL are OK and Annuleren
    return TRUE;
  }
  return FALSE;
}

void CSymbolPickerDlg::OnInitDialog() {
  HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  for (const ControlTemplate& control : kSymbolPickerDialog.controls) {
    if (control.kind != ControlKind::SymbolCell) continue;
    HWND cell = GetDlgItem(window, control.id);
    SendMessageW(
        cell, BM_SETIMAGE, IMAGE_ICON,
        reinterpret_cast<LPARAM>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(control.id),
                                            IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED)));
    std::wstring name = FromLatin1(control.text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(cell);
    tool.lpszText = name.data();
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SetWindowSubclass(cell, CellProc, 0, reinterpret_cast<DWORD_PTR>(this));
  }
  CentreWindow(window, owner);
  logic.StartUp();
}

LRESULT CALLBACK CSymbolPickerDlg::CellProc(HWND cell, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CSymbolPickerDlg*>(data);
  switch (message) {
    case WM_GETDLGCODE:
      // The arrows move over the grid rather than through the dialog's controls.
      return DefSubclassProc(cell, message, wParam, lParam) | DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      const auto key = wParam == VK_LEFT    ? PickerKey::Left
                       : wParam == VK_RIGHT ? PickerKey::Right
                       : wParam == VK_UP    ? PickerKey::Up
                       : wParam == VK_DOWN  ? PickerKey::Down
                                            : std::optional<PickerKey>();
      if (!key) break;
      self->logic.OnKey(*key);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (self->pointedAt != cell) {
        self->pointedAt = cell;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, cell, 0};
        TrackMouseEvent(&track);
        self->logic.OnPointer(GetDlgCtrlID(cell));
      }
      break;
    case WM_MOUSELEAVE:
      self->pointedAt = nullptr;
      self->logic.OnPointer(0);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(cell, CellProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(cell, message, wParam, lParam);
}

void CSymbolPickerDlg::SetText(int id, const std::string& text) {
  SetDlgItemTextW(window, id, FromLatin1(text).c_str());
}

void CSymbolPickerDlg::FocusCell(int id) {
  // The grid is one tab stop, the current cell, which stays pushed in.
  if (current) {
    SendMessageW(current, BM_SETSTATE, FALSE, 0);
    SetWindowLongPtrW(current, GWL_STYLE, GetWindowLongPtrW(current, GWL_STYLE) & ~WS_TABSTOP);
  }
  current = GetDlgItem(window, id);
  SetWindowLongPtrW(current, GWL_STYLE, GetWindowLongPtrW(current, GWL_STYLE) | WS_TABSTOP);
  SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(current), TRUE);
  SendMessageW(current, BM_SETSTATE, TRUE, 0);
}

void CSymbolPickerDlg::EndDialog() { ::EndDialog(window, logic.Chosen() ? IDOK : IDCANCEL); }

}  // namespace vindrel
