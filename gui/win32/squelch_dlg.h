#pragma once

#include <windows.h>

#include "dialog/dialog_layout.h"
#include "gui/win32/dialog_builder.h"

namespace vindrel {

// What to adjust while the tracker is in squelch mode, over the configuration dialog.
class CSquelchDlg {
 public:
  explicit CSquelchDlg(HWND owner) : owner(owner) {}
  // Returns once the user has closed it ("Klaar", Escape or the close box).
  void DoModal() { RunSmallDialog(owner, kSquelchDialog); }

 private:
  HWND owner;
};

}  // namespace vindrel
