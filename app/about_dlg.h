#pragma once

#include <QDialog>

namespace morvane::app {

// The about box (dialog template 100, 235 x 143 dialog units): the icon, what the program does,
// its version, the editor versions it reads, the notice, the home page and contact lines (each
// only when the build sets it: MORVANE_HOMEPAGE, MORVANE_CONTACT) and a line of thanks. "OK"
// (the default button), Enter, Escape and the close button end it.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace morvane::app
