#include "gui/qt/config_app.h"

#include "gui/qt/config_dlg.h"
#include "gui/qt/icons/icon_resources.h"
#include "gui/qt/shell.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace vindrel {

namespace {

// For the start-up benchmark only (bench/README.md). With VINDREL_BENCH_ROOT=<dir> the dialog
// finds its ports in <dir>/dev and <dir>/sys instead of the machine's, every message box is
// answered at once (its caption and text go to standard error), and the dialog closes as soon as
// it has painted itself, after printing how long that took.
class QuitWhenShown : public QObject {
 public:
  QuitWhenShown() { clock.start(); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(watched)) {
        std::fprintf(stderr, "message box \"%s\": %s\n", qPrintable(box->windowTitle()),
                     qPrintable(box->text()));
        QTimer::singleShot(0, box, &QMessageBox::accept);
      }
    } else if (event->type() == QEvent::Paint && !done) {
      if (auto* dialog = dynamic_cast<CConfigDlg*>(watched)) {
        done = true;
        std::fprintf(stderr, "dialog painted after %lld ms\n",
                     static_cast<long long>(clock.elapsed()));
        QTimer::singleShot(0, dialog, &QDialog::reject);
      }
    }
    return false;
  }

 private:
  QElapsedTimer clock;
  bool done = false;
};

}  // namespace

void InstallQtTranslations() {
  static QTranslator translator;
  if (translator.load(QLocale(QLocale::Dutch), "qtbase", "_",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&translator);
  }
}

CConfigApp::CConfigApp(int& argc, char** argv) : QApplication(argc, argv) {
  InstallQtTranslations();
  setApplicationName(ApplicationName());
  setWindowIcon(ApplicationIcon());
}

int CConfigApp::Run() {
  ConfigDialogOptions options;
  QuitWhenShown benchmarkHook;
  if (const char* root = std::getenv("VINDREL_BENCH_ROOT")) {
    options.discoveryRoots = {std::string(root) + "/dev", std::string(root) + "/sys"};
    options.deviceDirectory = options.discoveryRoots.deviceDirectory;
    // Before the dialog exists: its start-up may already show a message box.
    installEventFilter(&benchmarkHook);
  }
  CConfigDlg dialog(options);
  dialog.exec();
  return 0;
}

}  // namespace vindrel
