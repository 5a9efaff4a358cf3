#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/dialog_core.h"

namespace morvane::testing {

// Message boxes that record what they would show; whileOpen runs while the box would be open.
struct RecordingMessageBoxes : MessageBoxes {
  void Show(std::string_view text, MessageIcon icon) override {
    shown.push_back({std::string(text), icon});
    if (whileOpen) {
      whileOpen();
    }
  }
  std::vector<DialogOutcome> shown;
  std::function<void()> whileOpen;
};

// File pickers that return prepared answers (nothing: cancelled) and keep what they were asked.
struct RecordingFilePickers : FilePickers {
  std::optional<PickedFile> PickSource(const PickerDescription& description) override {
    asked.push_back(description);
    return sourceAnswer;
  }
  std::optional<PickedFile> PickDestination(const PickerDescription& description) override {
    asked.push_back(description);
    return destinationAnswer;
  }
  std::optional<PickedFile> sourceAnswer, destinationAnswer;
  std::vector<PickerDescription> asked;
};

}  // namespace morvane::testing
