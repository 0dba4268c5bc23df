#pragma once

#include <windows.h>

#include <string>

namespace vindrel {

// The text of a window, also of another process's control (WM_GETTEXT is carried across).
inline std::wstring Text(HWND window) {
  wchar_t text[512] = L"";
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace vindrel
