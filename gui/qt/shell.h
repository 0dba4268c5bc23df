#pragma once

#include <QString>

namespace vindrel {

// The caption of every message box: the executable's file name without directory and
// extension, so that a renamed copy shows its own name. Needs the application object.
QString ApplicationName();

}  // namespace vindrel
