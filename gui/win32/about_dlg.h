#pragma once

#include <windows.h>

#include "dialog/dialog_layout.h"
#include "gui/win32/dialog_builder.h"

namespace vindrel {

// The About box: the program, its version and its authors, over the configuration dialog.
class CAboutDlg {
 public:
  explicit CAboutDlg(HWND owner) : owner(owner) {}
  // Returns once the user has closed it (OK, Escape or the close box).
  void DoModal() { RunSmallDialog(owner, kAboutDialog); }

 private:
  HWND owner;
};

}  // namespace vindrel
