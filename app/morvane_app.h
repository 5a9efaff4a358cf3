#pragma once

#include <QApplication>

namespace morvane::app {

// The application: owns the QApplication, runs the main dialog modally and ends the program
// when it closes. The program takes no arguments of its own (Qt's own, such as -platform, still
// work), reads no configuration and saves nothing.
class CMorvaneApp {
 public:
  CMorvaneApp(int& argc, char** argv);

  // Shows the main dialog and returns the exit status, 0, once it has closed.
  int Run();

 private:
  QApplication application_;
};

}  // namespace morvane::app
