#include <gtest/gtest.h>

#include <QApplication>

// The tests drive real widgets, so they need the application object before the first test, and
// a platform that works without a screen: CTest lists the tests by running this binary without
// any environment of its own.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
