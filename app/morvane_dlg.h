#pragma once

#include <QDialog>
#include <QIcon>
#include <memory>
#include <string_view>

#include "dialog/dialog_core.h"

class QLineEdit;
class QMenu;
class QProgressBar;

namespace morvane::app {

// The program's only window (dialog template 102, 167 x 165 dialog units), a view on
// DialogCore: it draws the five steps, forwards clicks, typed paths and keys to the core and
// repaints the bar and the status line when the core says so. Every rule lives in the core.
//
// The six radio buttons form two exclusive groups (software; timecode mode) showing the settings
// in force. Tab visits the checked radio button of each group, the two path fields, the two
// "..." buttons, "convert" and the status line; the arrow keys move and check within a group.
// F1 and the context menu (a right click anywhere) open the about box; the context menu's
// "Media folders..." adds a folder where the exports look for media. Files dropped on the
// dialog are offered to the core as the source (DialogCore::OfferSource).
class CMorvaneDlg : public QDialog, private DialogView {
  Q_OBJECT

 public:
  // messages and pickers must outlive the dialog.
  CMorvaneDlg(MessageBoxes& messages, FilePickers& pickers, QWidget* parent = nullptr);
  ~CMorvaneDlg() override;

  const DialogCore& core() const { return core_; }

  void ShowAbout();
  // The context menu: "morvane version information(&A)...", which opens the about box, and
  // "Media folders...", which adds a folder where the exports look for media.
  std::unique_ptr<QMenu> MakeContextMenu();
  // Offers the files (dropped, or named when the program started) as the source; a path taken
  // is shown in step 3.
  void OfferSource(const QStringList& paths);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildControls();
  void ShowPathMenu(QLineEdit* edit, const QPoint& position);
  void AddMediaFoldersItem(QMenu& menu);
  bool TakeDrop(QDropEvent* event);
  void ShowProgress(int position, std::string_view status) override;

  DialogCore core_;
  QIcon icon_;
  QLineEdit* sourcePath_ = nullptr;
  QLineEdit* destinationPath_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLineEdit* status_ = nullptr;
};

}  // namespace morvane::app
