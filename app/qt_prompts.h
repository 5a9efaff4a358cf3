#pragma once

#include <QPointer>
#include <QWidget>

#include "dialog/dialog_core.h"

namespace morvane::app {

// The dialog's message boxes as QMessageBox, run modally over parent (none: a window of its own).
class QtMessageBoxes : public MessageBoxes {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Show(std::string_view text, MessageIcon icon) override;
  Answer Ask(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;  // Escape and the close box answer No

 private:
  QPointer<QWidget> parent_;
};

// The pickers as QFileDialog, built by hand because the static helpers cannot set a default
// suffix. Each filter's label is shown as it stands while its own patterns decide what is
// listed. Qt has no "open as read-only" box; a description's read-only box is not shown.
class QtFilePickers : public FilePickers {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  std::optional<PickedFile> PickSource(const PickerDescription& description) override;
  std::optional<PickedFile> PickDestination(const PickerDescription& description) override;
  std::optional<std::string> PickFolder(const std::string& title) override;

 private:
  std::optional<PickedFile> Pick(const PickerDescription& description);

  QPointer<QWidget> parent_;
};

}  // namespace morvane::app
