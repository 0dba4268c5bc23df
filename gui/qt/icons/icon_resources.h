#pragma once

#include "dialog/dialog_layout.h"

#include <QIcon>
#include <QPixmap>

namespace vindrel {

// The 32x32 icon with numeric identifier `id` (128, 130, 2032..2127, 2233..2326), loaded from
// the program's resources each time; a null pixmap when no icon has that identifier. Needs a
// QGuiApplication.
QPixmap LoadIconPixmap(int id);

QIcon ApplicationIcon();  // icon 128: window, About box, minimised window

}  // namespace vindrel
