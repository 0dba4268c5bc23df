#pragma once

#include <QApplication>

namespace vindrel {

// The application: runs the configuration dialog as its one main window and ends when it
// closes. The command line is not read beyond the options Qt itself takes.
class CConfigApp : public QApplication {
 public:
  CConfigApp(int& argc, char** argv);

  // Shows the configuration dialog modally and returns once it has closed, in whatever way.
  // The result carries no meaning.
  int Run();
};

// Makes Qt's own texts (the file dialogs, the standard buttons) Dutch like the program's, from
// Debian's Qt translations (qt6-translations-l10n); without them they stay English.
void InstallQtTranslations();

}  // namespace vindrel
