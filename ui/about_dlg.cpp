#include "ui/about_dlg.h"

#include "ui/dialog_layout.h"
#include "ui/icons/icon_resources.h"

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
  BuildSmallDialog(*this, kTemplate, kIcon, ApplicationIcon());
}

}  // namespace vindrel
