#pragma once

#include <QDialog>

namespace vindrel {

// Shown while the tracker is in squelch adjustment: tells the user what to turn the knob to and
// waits for "Klaar". Closing is its only action.
class CSquelchDlg : public QDialog {
 public:
  explicit CSquelchDlg(QWidget* parent = nullptr);
};

}  // namespace vindrel
