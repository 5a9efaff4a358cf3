#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "listing/progress_sink.h"

namespace morvane::testing {

// A ProgressSink that remembers every call: how many steps, and each status text with the
// number of steps taken when it was set.
class RecordingProgress : public ProgressSink {
 public:
  struct Status {
    int steps;  // steps taken before this text was set
    std::string text;
  };

  void Step() override { ++steps; }
  void SetStatus(std::string_view text) override { statuses.push_back({steps, std::string(text)}); }

  std::vector<std::string> Texts() const;

  int steps = 0;
  std::vector<Status> statuses;
};

}  // namespace morvane::testing
