#include "gui/qt/squelch_dlg.h"

#include "gui/qt/dialog_builder.h"

namespace vindrel {

CSquelchDlg::CSquelchDlg(QWidget* parent) : QDialog(parent) {
  BuildSmallDialog(*this, kSquelchDialog);
}

}  // namespace vindrel
