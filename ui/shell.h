#pragma once

#include <QIcon>
#include <QString>

namespace vindrel {

// The caption of every message box: the executable's file name without directory and
// extension, so that a renamed copy shows its own name. Needs the application object.
QString ApplicationName();

inline constexpr int kApplicationIconId = 128;
inline constexpr int kSquelchIconId = 130;

// One of the icons above; a null icon when the build carries no icon resources.
QIcon ShellIcon(int id);

}  // namespace vindrel
