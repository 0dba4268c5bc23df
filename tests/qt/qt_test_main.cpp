#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

// The tests drive real widgets, so they need the application object before the first test, and
// a platform that works without a screen: CTest lists the tests by running this binary without
// any environment of its own.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  // What the dialog keeps between runs goes to a folder of the run's own, not the user's.
  const QTemporaryDir store;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
