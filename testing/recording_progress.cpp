#include "testing/recording_progress.h"

namespace morvane::testing {

std::vector<int> RecordingProgress::StepsAfter(std::string_view prefix) const {
  // The steps after status k are those recorded when the next status was set (or all of them).
  std::vector<int> totals;
  for (std::size_t i = 0; i < statuses.size(); ++i) {
    if (statuses[i].text.starts_with(prefix)) {
      totals.push_back(i + 1 < statuses.size() ? statuses[i + 1].steps : steps);
    }
  }
  return totals;
}

std::vector<std::string> RecordingProgress::Texts() const {
  std::vector<std::string> texts;
  for (const auto& status : statuses) {
    texts.push_back(status.text);
  }
  return texts;
}

}  // namespace morvane::testing
