#include "gui/win32/dialog_builder.h"

#include <algorithm>

namespace vindrel {

namespace {

// The predefined window classes of a dialog template, by atom.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboBoxClass = 0x0085;

constexpr wchar_t kFontName[] = L"MS Sans Serif";
constexpr WORD kFontPoints = 8;

void PutText(std::vector<WORD>& out, const std::wstring& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void PutDword(std::vector<WORD>& out, DWORD value) {
  out.push_back(LOWORD(value));
  out.push_back(HIWORD(value));
}

struct ItemClass {
  WORD atom;
  DWORD style;
};

ItemClass ClassOf(const ControlTemplate& control, int defaultButton) {
  switch (control.kind) {
    case ControlKind::GroupBox:
      return {kButtonClass, BS_GROUPBOX};
    case ControlKind::Label:
      return {kStaticClass, SS_LEFT | SS_NOPREFIX};
    case ControlKind::CenteredLabel:
      return {kStaticClass, SS_CENTER | SS_NOPREFIX};
    case ControlKind::Edit:
      return {kEditClass, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP};
    case ControlKind::CheckBox:
      return {kButtonClass, BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::PushButton:
      return {kButtonClass,
              static_cast<DWORD>(control.id == defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                  WS_TABSTOP};
    case ControlKind::ComboBox:
      // No CBS_SORT: the dialog's logic hands the entries over in their order. The list drops
      // down to the template's height, not to a whole number of entries.
      return {kComboBoxClass, CBS_DROPDOWNLIST | CBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP};
    case ControlKind::Picture:
      // Centred, not resized to the icon: the control keeps the rectangle of its template. It
      // tells of double clicks (the symbol preview opens the picker).
      return {kStaticClass, SS_ICON | SS_CENTERIMAGE | SS_NOTIFY};
    case ControlKind::SymbolCell:
      // Not a tab stop until it is the current cell.
      return {kButtonClass, BS_PUSHBUTTON | BS_ICON};
  }
  return {kStaticClass, 0};
}

bool IsTabStop(const ControlTemplate& control) {
  switch (control.kind) {
    case ControlKind::GroupBox:
    case ControlKind::Label:
    case ControlKind::CenteredLabel:
    case ControlKind::Picture:
    case ControlKind::SymbolCell:
      return false;
    default:
      return true;
  }
}

INT_PTR CALLBACK SmallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // A small dialog's picture shows the icon of the picture's own identifier.
      for (const ControlTemplate& control : reinterpret_cast<const DialogTemplate*>(lParam)->controls) {
        if (control.kind == ControlKind::Picture) ShowIcon(GetDlgItem(dialog, control.id), control.id);
      }
      CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::wstring FromLatin1(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (char byte : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
  return text;
}

std::string ToLatin1(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t c : text) bytes.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return bytes;
}

std::vector<const ControlTemplate*> CreationOrder(const DialogTemplate& tmpl) {
  std::vector<const ControlTemplate*> order;
  if (tmpl.tabOrder.empty()) {
    for (const ControlTemplate& control : tmpl.controls) order.push_back(&control);
    return order;
  }
  for (int id : tmpl.tabOrder) {
    const auto at = std::find_if(tmpl.controls.begin(), tmpl.controls.end(),
                                 [id](const ControlTemplate& c) { return c.id == id; });
    auto first = at;
    while (first != tmpl.controls.begin() && !IsTabStop(*(first - 1))) --first;
    for (auto it = first; it != at + 1; ++it) order.push_back(&*it);
  }
  // Whatever stands behind the last tab stop of the table.
  auto rest = tmpl.controls.end();
  while (rest != tmpl.controls.begin() && !IsTabStop(*(rest - 1))) --rest;
  for (; rest != tmpl.controls.end(); ++rest) order.push_back(&*rest);
  return order;
}

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& tmpl, int defaultButton,
                                      DWORD extendedStyle) {
  const std::vector<const ControlTemplate*> controls = CreationOrder(tmpl);
  std::vector<WORD> out;
  PutDword(out, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
  PutDword(out, extendedStyle);
  out.push_back(static_cast<WORD>(controls.size()));
  out.insert(out.end(), {0, 0, static_cast<WORD>(tmpl.width), static_cast<WORD>(tmpl.height)});
  out.push_back(0);  // no menu
  out.push_back(0);  // the standard dialog class
  PutText(out, FromLatin1(tmpl.title));
  out.push_back(kFontPoints);
  PutText(out, kFontName);

  for (const ControlTemplate* control : controls) {
    if (out.size() % 2 != 0) out.push_back(0);  // each item starts on a DWORD boundary
    const ItemClass item = ClassOf(*control, defaultButton);
    PutDword(out, WS_CHILD | WS_VISIBLE | item.style);
    PutDword(out, 0);
    out.insert(out.end(), {static_cast<WORD>(control->x), static_cast<WORD>(control->y),
                           static_cast<WORD>(control->width), static_cast<WORD>(control->height),
                           static_cast<WORD>(control->id)});
    out.insert(out.end(), {0xFFFF, item.atom});
    PutText(out, FromLatin1(control->text));
    out.push_back(0);  // no creation data
  }
  return out;
}

void ShowIcon(HWND picture, int iconId) {
  // Shared icons stay loaded with the program: nothing to free when the picture changes.
  HANDLE icon = iconId > 0 && iconId <= 0xFFFF
                    ? LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                 0, 0, LR_DEFAULTSIZE | LR_SHARED)
                    : nullptr;
  SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  // The old picture may lie outside the new one, or there may be no new one at all.
  InvalidateRect(picture, nullptr, TRUE);
}

void CentreWindow(HWND dialog, HWND owner) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcWork;
  RECT over = area;
  if (owner) GetWindowRect(owner, &over);
  RECT rect;
  GetWindowRect(dialog, &rect);
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  LONG x = over.left + (over.right - over.left - width) / 2;
  LONG y = over.top + (over.bottom - over.top - height) / 2;
  x = std::max(area.left, std::min(x, area.right - width));
  y = std::max(area.top, std::min(y, area.bottom - height));
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunSmallDialog(HWND owner, const DialogTemplate& tmpl) {
  const std::vector<WORD> resource = BuildDialogTemplate(tmpl, kOkButton);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                          reinterpret_cast<const DLGTEMPLATE*>(resource.data()), owner,
                          SmallDialogProc, reinterpret_cast<LPARAM>(&tmpl));
}

}  // namespace vindrel
