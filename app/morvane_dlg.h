#pragma once

#include <QDialog>
#include <QIcon>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "app/user_prompts.h"
#include "listing/format_kinds.h"
#include "listing/progress_sink.h"

class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QButtonGroup;

namespace morvane::app {

// The program's only window (dialog template 102, 167 x 165 dialog units): five numbered steps,
// software, EDL timecode mode, source file, destination file and "convert", with a progress bar
// and a status line below.
//
// The six radio buttons form two groups (software; timecode mode) with no button checked at
// start; a click checks one, clears the others of its group and sets one field of settings()
// (which starts at RexEdit and NTSC drop frame). Tab moves through the two path fields, the two
// "..." buttons, "convert" and the status line; the radio buttons are not tab stops.
//
// Keys: Escape and the window's close button end the dialog. Enter never ends it: on a focused
// push button it presses that button and elsewhere it does nothing, so a typed path stays.
// F1 and the context menu (a right click anywhere) open the about box.
//
// "convert" runs the conversion on the dialog's thread with the dialog as its progress sink,
// then shows the outcome: the completion message without an icon while the bar stands at 200,
// or the failure's message with the warning icon and the status line emptied; the bar returns
// to 0 once the box is closed.
class CMorvaneDlg : public QDialog, public ProgressSink {
  Q_OBJECT

 public:
  // messages and pickers must outlive the dialog.
  CMorvaneDlg(MessageBoxes& messages, FilePickers& pickers, QWidget* parent = nullptr);
  ~CMorvaneDlg() override;

  const ConversionSettings& settings() const { return settings_; }

  // ProgressSink. Step moves the bar by one of its 200 steps; SetStatus shows the text in the
  // status line. Both repaint at once, unless the last repaint was less than 15 ms ago: then
  // the new position or text waits for the next repaint (a large project sets thousands of
  // texts, which would otherwise cost more than the conversion). The empty text always shows at
  // once, with the bar's position, and so does the end of a conversion.
  void Step() override;
  void SetStatus(std::string_view text) override;

  // The actions behind the buttons, the keys and the menu.
  void BrowseForSource();
  void BrowseForDestination();
  void Convert();
  void ShowAbout();

  // The context menu: "morvane version information(&A)...", which opens the about box.
  std::unique_ptr<QMenu> MakeContextMenu();

  static constexpr std::chrono::milliseconds kRepaintInterval{15};

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildControls();
  void ShowPathMenu(QLineEdit* edit, const QPoint& position);
  void ShowProgressNow();
  void ShowProgressWhenDue();

  MessageBoxes& messages_;
  FilePickers& pickers_;
  ConversionSettings settings_;
  QIcon icon_;

  QButtonGroup* softwareGroup_ = nullptr;
  QButtonGroup* timecodeGroup_ = nullptr;
  QLineEdit* sourcePath_ = nullptr;
  QLineEdit* destinationPath_ = nullptr;
  QPushButton* convert_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLineEdit* status_ = nullptr;

  int position_ = 0;
  std::string pendingStatus_;
  std::chrono::steady_clock::time_point lastRepaint_{};
};

}  // namespace morvane::app
