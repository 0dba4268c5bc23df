#include "ui/about_dlg.h"

#include "ui/dialog_layout.h"
#include "ui/icons/icon_resources.h"
#include "ui/shell.h"

#include <QLabel>
#include <QPushButton>

namespace vindrel {

namespace {

constexpr int kIcon = kApplicationIconId;  // the picture is named after the icon it shows

constexpr ControlTemplate kControls[] = {
    {kIcon, ControlKind::Picture, "", 10, 10, 20, 20},
    {-1, ControlKind::Label, "VinDrel Configuratie programma 1.0.0.7", 40, 10, 150, 8},
    {-1, ControlKind::Label, "Door de ontwikkelaars van vindrel-config", 40, 25, 150, 8},
    {-1, ControlKind::CenteredLabel, "GPL-3.0+", 71, 40, 55, 8},
    {1, ControlKind::PushButton, "OK", 73, 60, 50, 14},
};

constexpr DialogTemplate kTemplate = {"About VinDrel config", 197, 81, kControls};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  BuildDialog(*this, kTemplate);
  const QIcon icon = ApplicationIcon();
  setWindowIcon(icon);
  findChild<QLabel*>(ControlName(kIcon))->setPixmap(icon.pixmap(32, 32));
  auto* ok = findChild<QPushButton*>(ControlName(1));
  ok->setDefault(true);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vindrel
