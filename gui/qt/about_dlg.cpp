#include "gui/qt/about_dlg.h"

#include "gui/qt/dialog_builder.h"

namespace vindrel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) { BuildSmallDialog(*this, kAboutDialog); }

}  // namespace vindrel
