#pragma once

#include <QString>

#include <optional>

#include "convert/conversion_job.h"

class QWidget;

namespace morvane::app {

// The message boxes the main dialog shows. Each call returns when the user has closed the box.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A box with the caption "morvane", the text as it stands (plain text, no markup), an OK
  // button and, for MessageIcon::Warning, the warning icon.
  virtual void Show(QWidget* parent, const QString& text, MessageIcon icon) = 0;
};

// The file pickers behind the two "..." buttons. Each returns the chosen full path, or nothing
// when the user cancelled.
class FilePickers {
 public:
  virtual ~FilePickers() = default;
  // Open picker: filters "Rex Edit file (*.dvc)" and "all(*.*)", default suffix "dvc", initial
  // name "*.dvc"; a name that does not exist yet in an existing folder is accepted.
  virtual std::optional<QString> PickSource(QWidget* parent) = 0;
  // Save picker: filters "Text file (*.txt)" and "all(*.*)", default suffix "txt", initial name
  // "*.txt"; asks before an existing file is chosen.
  virtual std::optional<QString> PickDestination(QWidget* parent) = 0;
};

}  // namespace morvane::app
