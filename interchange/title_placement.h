#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "interchange/export_notes.h"
#include "interchange/timeline.h"

namespace morvane {

// A title as a titles track shows it: the titles of the placement's order [first, first +
// count), which begin together.
struct PlacedTitle {
  std::int64_t begin = 0;
  std::int64_t frames = 0;
  std::size_t first = 0;
  std::size_t count = 1;
};

// Each title from its begin until the next title, for five seconds at most; titles that begin
// together become one, their texts one line after another. With cutAtZero, a title before frame
// 0 is cut there, and left out when it ends by then.
class TitlePlacement {
 public:
  TitlePlacement(const TimelineTitles& titles, int framesPerSecond, bool cutAtZero);

  const std::vector<PlacedTitle>& Titles() const { return placed_; }
  // The text of a placed title, its titles' texts one line after another, no longer than one
  // title's text may be: a cut is counted in notes. Its own line ends (CR LF, CR) are kept: a
  // writer makes them line feeds in its own pass (SafeXmlLines; LineFeeds).
  std::string Joined(const PlacedTitle& title, ExportNotes& notes) const;
  // The same without a copy of a title's text alone: in the store's memory until its next read,
  // or in kept.
  std::string_view Joined(const PlacedTitle& title, ExportNotes& notes, std::string& kept) const;

 private:
  const TimelineTitles& titles_;
  std::vector<std::uint32_t> order_;  // the titles by begin
  std::vector<PlacedTitle> placed_;
};

}  // namespace morvane
