#include "ui/config_app.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "ui/config_dlg.h"
#include "ui/shell.h"

namespace vindrel {

namespace {

// For the start-up benchmark only (bench/README.md): with VINDREL_BENCH_QUIT_WHEN_SHOWN set,
// message boxes are answered at once and the configuration dialog closes as soon as it has
// painted itself, after printing how long that took.
class QuitWhenShown : public QObject {
 public:
  QuitWhenShown() { clock.start(); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(watched)) {
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

CConfigApp::CConfigApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(ApplicationName());
  setWindowIcon(ShellIcon(kApplicationIconId));
}

int CConfigApp::Run() {
  // Installed before the dialog exists: its start-up may already show a message box.
  QuitWhenShown benchmarkHook;
  if (std::getenv("VINDREL_BENCH_QUIT_WHEN_SHOWN")) installEventFilter(&benchmarkHook);

  CConfigDlg dialog;
  dialog.exec();
  return 0;
}

}  // namespace vindrel
