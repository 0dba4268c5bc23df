#include "gui/qt/shell.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vindrel {

QString ApplicationName() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

}  // namespace vindrel
