#include "interchange/title_placement.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "interchange/title_store.h"

namespace morvane {

TitlePlacement::TitlePlacement(const TimelineTitles& titles, int framesPerSecond, bool cutAtZero) : titles_(titles) {
  order_.resize(titles.size());
  std::iota(order_.begin(), order_.end(), std::uint32_t{0});
  std::stable_sort(order_.begin(), order_.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return titles.Begin(a) < titles.Begin(b); });
  const std::int64_t longest = 5 * std::int64_t{framesPerSecond};
  std::vector<PlacedTitle> joined;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    const std::int64_t begin = titles.Begin(order_[i]);
    if (!joined.empty() && joined.back().begin == begin) {
      ++joined.back().count;
      continue;
    }
    joined.push_back({begin, longest, i, 1});
  }
  for (std::size_t i = 0; i < joined.size(); ++i) {
    PlacedTitle& title = joined[i];
    if (i + 1 < joined.size()) {
      title.frames = std::min(title.frames, joined[i + 1].begin - title.begin);
    }
    if (cutAtZero && title.begin < 0) {
      title.frames += title.begin;
      title.begin = 0;
    }
    if (title.frames > 0) {
      placed_.push_back(title);
    }
  }
}

std::string TitlePlacement::Joined(const PlacedTitle& title, ExportNotes& notes) const {
  std::string kept;
  const std::string_view text = Joined(title, notes, kept);
  return title.count == 1 ? std::string(text) : std::move(kept);
}

std::string_view TitlePlacement::Joined(const PlacedTitle& title, ExportNotes& notes, std::string& kept) const {
  if (title.count == 1) {
    return titles_.TextView(order_[title.first]);
  }
  std::string& text = kept;
  text = titles_.Text(order_[title.first]);
  for (std::size_t i = title.first + 1; i < title.first + title.count; ++i) {
    if (!AppendWithin(text, "\n" + titles_.Text(order_[i]), kTitleTextLimit)) {
      notes.Add(ExportChange::TitleTextCut);
      break;
    }
  }
  return kept;
}

}  // namespace morvane
