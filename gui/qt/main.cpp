#include "gui/qt/config_app.h"

int main(int argc, char** argv) {
  vindrel::CConfigApp app(argc, argv);
  return app.Run();
}
