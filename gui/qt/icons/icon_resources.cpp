#include "icon_resources.h"

#include <QString>

namespace vindrel {
namespace {

QString IconPath(int id) { return QStringLiteral(":/icons/%1.png").arg(id); }

}  // namespace

QPixmap LoadIconPixmap(int id) {
  if (id <= 0) return {};
  return QPixmap(IconPath(id));
}

QIcon ApplicationIcon() { return QIcon(IconPath(kApplicationIconId)); }


}  // namespace vindrel
