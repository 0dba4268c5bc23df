#include "ui/shell.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifdef VINDREL_HAVE_ICONS
#include "ui/icons/icon_resources.h"
#endif

namespace vindrel {

QString ApplicationName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QIcon ShellIcon(int id) {
#ifdef VINDREL_HAVE_ICONS
  return QIcon(LoadIconPixmap(id));
#else
  static_cast<void>(id);
  return QIcon();
#endif
}

}  // namespace vindrel
