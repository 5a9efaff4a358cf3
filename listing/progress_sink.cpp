#include "listing/progress_sink.h"

#include <cstdio>

namespace morvane {

void TakeSteps(ProgressSink& progress, std::int32_t n) {
  for (std::int32_t i = 0; i < n; ++i) {
    progress.Step();
  }
}

void ReportItem(ProgressSink& progress, std::string_view name, std::int32_t k, std::int32_t n) {
  char text[80];
  const int size = std::snprintf(text, sizeof text, "%.*s %d / %d", static_cast<int>(name.size()),
                                 name.data(), k, n);
  progress.SetStatus(std::string_view(text, static_cast<std::size_t>(size)));
}

void ProgressShare::ItemDone(std::int32_t k) {
  ReportItem(progress_, name_, k, count_);
  // Computed in 64 bits: k * 60 would wrap for counts above 35 million and stall the bar.
  const std::int64_t due = std::int64_t{k} * share_ / count_;
  while (taken_ < due) {
    progress_.Step();
    ++taken_;
  }
}

}  // namespace morvane
