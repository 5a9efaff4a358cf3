#include "testing/doubles/recording_progress.h"

namespace morvane::testing {

std::vector<std::string> RecordingProgress::Texts() const {
  std::vector<std::string> texts;
  for (const auto& status : statuses) {
    texts.push_back(status.text);
  }
  return texts;
}

}  // namespace morvane::testing
