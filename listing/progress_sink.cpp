#include "listing/progress_sink.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace morvane {

void TakeSteps(ProgressSink& progress, std::int32_t n) {
  for (std::int32_t i = 0; i < n; ++i) {
    progress.Step();
  }
}

void ReportItem(ProgressSink& progress, std::string_view name, std::int32_t k, std::int32_t n) {
  if (!progress.ShowsStatus()) {
    return;  // a status per item of every section: most of a silent conversion's progress
  }
  // Built with to_chars rather than snprintf: this runs once per item of every section, and
  // parsing the format cost more than reading most items.
  char kText[12];
  char nText[12];
  const std::size_t kSize = static_cast<std::size_t>(std::to_chars(kText, kText + 12, k).ptr - kText);
  const std::size_t nSize = static_cast<std::size_t>(std::to_chars(nText, nText + 12, n).ptr - nText);
  char text[80];
  const std::size_t nameSize = std::min(name.size(), sizeof text - 28);  // room for " %d / %d"
  char* end = text;
  const auto put = [&end](const char* piece, std::size_t size) {
    std::memcpy(end, piece, size);
    end += size;
  };
  put(name.data(), nameSize);
  put(" ", 1);
  put(kText, kSize);
  put(" / ", 3);
  put(nText, nSize);
  progress.SetStatus(std::string_view(text, static_cast<std::size_t>(end - text)));
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
