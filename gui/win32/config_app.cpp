#include "gui/win32/config_app.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/win32/config_dlg.h"
#include "gui/win32/dialog_builder.h"

namespace vindrel {

namespace {

// For the start-up benchmark only (bench/README.md). With VINDREL_BENCH_ROOT set, every message
// box is answered at once (its caption and text go to standard error), and the dialog closes as
// soon as it has painted itself, after printing how long after the process's start that was.
// Dispatched messages pass here before they are handled: the dialog's first WM_PAINT sends a
// marker that comes back once that paint is done.
constexpr WPARAM kPaintedMarker = 0x7A11;
const CConfigDlg* benchDialog = nullptr;
bool benchPainted = false;

long long MillisecondsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return (ticks(now) - ticks(created)) / 10000;  // 100-ns units
}

LRESULT CALLBACK WatchPaint(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  HWND dialog = benchDialog->Window();
  if (code == HC_ACTION && wParam == PM_REMOVE && dialog && message->hwnd == dialog) {
    if (message->message == WM_PAINT && !benchPainted) {
      benchPainted = true;
      PostMessageW(dialog, WM_NULL, kPaintedMarker, 0);
    } else if (message->message == WM_NULL && message->wParam == kPaintedMarker) {
      std::fprintf(stderr, "dialog painted after %lld ms\n", MillisecondsSinceProcessStart());
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

CConfigApp::CConfigApp() {
  // The common controls of the manifest's version 6, so the dialog draws in the system's style.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

int CConfigApp::Run() {
  CConfigDlg dialog;
  HHOOK hook = nullptr;
  if (std::getenv("VINDREL_BENCH_ROOT")) {
    dialog.showMessageBox = [](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
      std::fprintf(stderr, "message box \"%s\": %s\n", ToLatin1(caption).c_str(),
                   ToLatin1(text).c_str());
      return IDOK;
    };
    benchDialog = &dialog;
    hook = SetWindowsHookExW(WH_GETMESSAGE, WatchPaint, nullptr, GetCurrentThreadId());
  }
  dialog.DoModal();
  if (hook) UnhookWindowsHookEx(hook);
  return 0;
}

}  // namespace vindrel
