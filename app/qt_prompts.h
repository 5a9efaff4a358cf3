#pragma once

#include <QFileDialog>
#include <QMessageBox>

#include <memory>

#include "app/user_prompts.h"

namespace morvane::app {

// QMessageBox, run modally.
class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(QWidget* parent, const QString& text, MessageIcon icon) override;

  // The box Show runs, set up but not shown.
  static std::unique_ptr<QMessageBox> MakeBox(QWidget* parent, const QString& text, MessageIcon icon);
};

// QFileDialog, built by hand because the static helpers cannot set a default suffix.
class QtFilePickers : public FilePickers {
 public:
  std::optional<QString> PickSource(QWidget* parent) override;
  std::optional<QString> PickDestination(QWidget* parent) override;

  // The pickers the two calls run, set up but not shown.
  static std::unique_ptr<QFileDialog> MakeSourcePicker(QWidget* parent);
  static std::unique_ptr<QFileDialog> MakeDestinationPicker(QWidget* parent);
};

}  // namespace morvane::app
