#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialog/dialog_core.h"

namespace morvane::testing {

// Message boxes that record what they would show and ask, answering questions with answer;
// whileOpen runs while a box would be open.
struct RecordingMessageBoxes : MessageBoxes {
  void Show(std::string_view text, MessageIcon icon) override {
    shown.push_back({std::string(text), icon});
    if (whileOpen) whileOpen();
  }
  Answer Ask(std::string_view text) override {
    asked.emplace_back(text);
    if (whileOpen) whileOpen();
    return answer;
  }
  std::vector<DialogOutcome> shown;
  std::vector<std::string> asked;
  Answer answer = Answer::Cancel;
  std::function<void()> whileOpen;
};

// File pickers that give prepared answers (nothing: cancelled).
struct RecordingFilePickers : FilePickers {
  std::optional<PickedFile> PickSource(const PickerDescription&) override { return sourceAnswer; }
  std::optional<PickedFile> PickDestination(const PickerDescription&) override { return destinationAnswer; }
  std::optional<std::string> PickFolder(const std::string&) override { return folderAnswer; }
  std::optional<PickedFile> sourceAnswer, destinationAnswer;
  std::optional<std::string> folderAnswer;
};

}  // namespace morvane::testing
