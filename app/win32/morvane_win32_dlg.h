#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/win32/win32_prompts.h"
#include "dialog/dialog_core.h"

namespace morvane::win32 {

// The main dialog on Windows: dialog template 102 of the program's resources, a thin view on
// DialogCore, centred on the screen and owning its message boxes and pickers. Clicks, typed paths and keys go to the core; the radio buttons show the settings
// in force (RexEdit and NTSC(drop frame) at start), and the bar (0 to 200) and the status line
// repaint when the core says.
//
// Enter in a path field does nothing (a typed path stays), Escape and the close box end the
// dialog. The system menu's "morvane version information(&A)...", F1 and the context menu open
// the about box. Files dropped on the dialog are offered to the core as the source
// (DialogCore::OfferSource).
class CMorvaneDlg : public DialogView {
 public:
  // With the system's message boxes and pickers, modal to the dialog.
  CMorvaneDlg();
  // With the given ones, which must outlive the dialog (tests).
  CMorvaneDlg(MessageBoxes& messages, FilePickers& pickers);
  ~CMorvaneDlg() override;
  CMorvaneDlg(const CMorvaneDlg&) = delete;
  CMorvaneDlg& operator=(const CMorvaneDlg&) = delete;

  // Runs the dialog modally and returns when it has closed.
  void DoModal(HWND parent = nullptr);
  // Creates and shows the dialog without a loop of its own; the caller's loop (or messages sent
  // to it) drives it. Returns its window, or nullptr. Closing destroys the window.
  HWND Create(HWND parent = nullptr);

  // Files named when the program started, offered as the source once the dialog shows (call
  // before DoModal or Create).
  void OfferAtStart(std::vector<std::string> paths) { startFiles_ = std::move(paths); }

  HWND window() const { return window_; }
  const DialogCore& core() const { return core_; }

  // DialogView: the bar's position and the status text, repainted at once.
  void ShowProgress(int position, std::string_view status) override;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnCommand(int id, int code);
  void OnContextMenu(LPARAM where);
  void OfferSource(const std::vector<std::string>& paths);
  void PaintMinimized();
  void ShowRadios();
  void ShowPickedPath(int id, const std::string& path);
  void Close();

  HWND window_ = nullptr;
  bool modal_ = false;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  Win32MessageBoxes systemMessages_{window_};
  Win32FilePickers systemPickers_{window_};
  DialogCore core_;
  std::vector<std::string> startFiles_;
};

// The about box (template 100), modal to owner.
void ShowAboutBox(HWND owner);

// Widens each one-line label and radio button of a dialog whose text does not fit its rectangle
// in the font at hand, to the right, until the whole text shows.
void FitTexts(HWND dialog);

}  // namespace morvane::win32
