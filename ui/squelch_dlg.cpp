#include "ui/squelch_dlg.h"

#include "ui/dialog_layout.h"
#include "ui/icons/icon_resources.h"
#include "ui/shell.h"

#include <QLabel>
#include <QPushButton>

namespace vindrel {

namespace {

constexpr int kIcon = kSquelchIconId;  // the picture is named after the icon it shows

constexpr ControlTemplate kControls[] = {
    {kIcon, ControlKind::Picture, "", 5, 5, 20, 20},
    {-1, ControlKind::Label,
     "Stel het niveau dusdanig in dat bij een\naudio signaal de LED continue oplicht.", 40, 5, 140,
     20},
    {1, ControlKind::PushButton, "Klaar", 67, 35, 50, 14},
};

constexpr DialogTemplate kTemplate = {"Instellen squelch niveau", 186, 55, kControls};

}  // namespace

CSquelchDlg::CSquelchDlg(QWidget* parent) : QDialog(parent) {
  BuildDialog(*this, kTemplate);
  const QIcon icon = SquelchIcon();
  setWindowIcon(ApplicationIcon());
  findChild<QLabel*>(ControlName(kIcon))->setPixmap(icon.pixmap(32, 32));
  auto* done = findChild<QPushButton*>(ControlName(1));
  done->setDefault(true);
  done->setFocus();
  connect(done, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vindrel
