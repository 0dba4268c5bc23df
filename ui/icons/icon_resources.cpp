#include "icon_resources.h"

#include <QString>

namespace vindrel {
namespace {

constexpr int kPrimaryTableBase = 2000;
constexpr int kAlternateTableBase = 2200;

QString IconPath(int id) { return QStringLiteral(":/icons/%1.png").arg(id); }

}  // namespace

int SymbolIconId(const std::string& tableChar, const std::string& symbolChar) {
  if (tableChar.empty() || symbolChar.empty()) return 0;
  const int code = static_cast<unsigned char>(symbolChar[0]);
  switch (tableChar[0]) {
    case '/':
      return kPrimaryTableBase + code;
    case '\\':
      return kAlternateTableBase + code;
    default:
      return 0;
  }
}

QPixmap LoadIconPixmap(int id) {
  if (id <= 0) return {};
  return QPixmap(IconPath(id));
}

QIcon ApplicationIcon() { return QIcon(IconPath(kApplicationIconId)); }

QIcon SquelchIcon() { return QIcon(IconPath(kSquelchIconId)); }

}  // namespace vindrel
