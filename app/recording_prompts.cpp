#include "app/recording_prompts.h"

namespace morvane::app {

void RecordingMessageBoxes::Show(QWidget* parent, const QString& text, MessageIcon icon) {
  shown.push_back({text, icon});
  if (whileOpen) {
    whileOpen(parent);
  }
}

std::optional<QString> RecordingFilePickers::PickSource(QWidget*) {
  ++sourceCalls;
  return sourceAnswer;
}

std::optional<QString> RecordingFilePickers::PickDestination(QWidget*) {
  ++destinationCalls;
  return destinationAnswer;
}

}  // namespace morvane::app
