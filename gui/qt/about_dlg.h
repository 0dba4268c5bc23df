#pragma once

#include <QDialog>

namespace vindrel {

// The About box: program name and version, the author, an OK button. Closing is its only
// action.
class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vindrel
