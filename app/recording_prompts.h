#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "app/user_prompts.h"

namespace morvane::app {

// Test support: message boxes that record what they would show instead of showing it.
class RecordingMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    QString text;
    MessageIcon icon;
  };

  void Show(QWidget* parent, const QString& text, MessageIcon icon) override;

  std::vector<Shown> shown;
  // Runs while the box would be open, with the box's parent.
  std::function<void(QWidget*)> whileOpen;
};

// Test support: file pickers that return prepared answers (nothing: cancelled) and count calls.
class RecordingFilePickers : public FilePickers {
 public:
  std::optional<QString> PickSource(QWidget* parent) override;
  std::optional<QString> PickDestination(QWidget* parent) override;

  std::optional<QString> sourceAnswer;
  std::optional<QString> destinationAnswer;
  int sourceCalls = 0;
  int destinationCalls = 0;
};

}  // namespace morvane::app
