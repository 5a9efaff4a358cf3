#pragma once

#include <QApplication>

namespace morvane::app {

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
};

}  // namespace morvane::app
