#include "gui/win32/config_app.h"

int main() {
  vindrel::CConfigApp app;
  return app.Run();
}
