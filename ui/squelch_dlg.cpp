#include "ui/squelch_dlg.h"

#include "ui/dialog_layout.h"
#include "ui/icons/icon_resources.h"

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
  BuildSmallDialog(*this, kTemplate, kIcon, SquelchIcon());
}

}  // namespace vindrel
