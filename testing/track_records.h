#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testing/project_writer.h"

namespace morvane::testing {

// Records of the four track sections, appended to a ProjectWriter in file order:
//
//   MainMovie(file, "clip.avi", 0, 299, {100, 100, {{150, 50}, {200, 100}}});
//   MainStill(file, "photo.jpg", -5, 94);
//   InsertMovie(file, "ins.avi", 10, 59, 300);
//   AudioClip(file, "music.wav", 0, 899, 120, {200, 0, {{450, 100}}});

// An audio level block: point count (u32), level in and out (u16), then per point its position
// (u32) and value (u16).
struct Levels {
  using Points = std::vector<std::pair<std::int32_t, std::uint16_t>>;
  Levels(std::uint16_t in = 0, std::uint16_t out = 0, Points points = {})
      : levelIn(in), levelOut(out), points(std::move(points)) {}
  std::uint16_t levelIn;
  std::uint16_t levelOut;
  Points points;
};

// Movies: name, in and out (u32), [begin (u32)], levels. Stills and colour clips: name, in and
// out (SignedFrame24), [begin (u32)], text, levels. The begin field is the insert track's.
ProjectWriter& MainMovie(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                         const Levels& levels = {});
ProjectWriter& MainStill(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                         std::string_view text = "", const Levels& levels = {});
ProjectWriter& InsertMovie(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                           std::int32_t begin, const Levels& levels = {});
ProjectWriter& InsertStill(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                           std::int32_t begin, std::string_view text = "", const Levels& levels = {});
// A main or insert clip of kind Other (say "clip.mov"): its name and nothing after it.
ProjectWriter& OtherClip(ProjectWriter& file, std::string_view name);
// [ExAudio1] / [ExAudio2]: name, in, out and begin (u32), levels.
ProjectWriter& AudioClip(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                         std::int32_t begin, const Levels& levels = {});

// A colour clip name: "C" + count + direction + "__" + the four 6-character colour texts
// separated by "__" + ".clr", so the colours stand at positions 5, 13, 21 and 29.
std::string ColorName(char count, char direction, std::string_view first, std::string_view second,
                      std::string_view third, std::string_view fourth);

}  // namespace morvane::testing
