#pragma once

#include <QApplication>
#include <QTranslator>

#include "platform/ui_language.h"

namespace morvane::app {

// Qt's own texts (the file pickers, the standard buttons of its boxes) in the person's language:
// for Japanese, qtbase_ja.qm from Qt's translations folder, loaded into translator and installed.
// False where the language is English or the pseudo-language (Qt's English stays), or where the
// file is missing (Qt's texts then stay English too).
bool InstallQtTranslations(UiLanguage language, QTranslator& translator);

// The application: owns the QApplication, runs the main dialog modally and ends the program
// when it closes. Its arguments (but Qt's own, such as -platform) are files offered as the
// source, as a drop on the dialog is: `morvane PROJECT.dvc` starts with step 3 filled. It reads
// no configuration and saves nothing.
class CMorvaneApp {
 public:
  CMorvaneApp(int& argc, char** argv);

  // Shows the main dialog and returns the exit status, 0, once it has closed.
  int Run();

 private:
  QApplication application_;
  QTranslator qtTranslations_;
};

}  // namespace morvane::app
