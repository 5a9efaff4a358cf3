#include "testing/track_records.h"

#include <stdexcept>

namespace morvane::testing {

namespace {

ProjectWriter& AppendLevels(ProjectWriter& file, const Levels& levels) {
  file.U32(static_cast<std::uint32_t>(levels.points.size())).U16(levels.levelIn).U16(levels.levelOut);
  for (const auto& [position, value] : levels.points) file.I32(position).U16(value);
  return file;
}

}  // namespace

ProjectWriter& MainMovie(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                         const Levels& levels) {
  return AppendLevels(file.ShortString(name).I32(in).I32(out), levels);
}

ProjectWriter& MainStill(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                         std::string_view text, const Levels& levels) {
  return AppendLevels(file.ShortString(name).SignedFrame24(in).SignedFrame24(out).ShortString(text), levels);
}

ProjectWriter& InsertMovie(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                           std::int32_t begin, const Levels& levels) {
  return AppendLevels(file.ShortString(name).I32(in).I32(out).I32(begin), levels);
}

ProjectWriter& InsertStill(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                           std::int32_t begin, std::string_view text, const Levels& levels) {
  file.ShortString(name).SignedFrame24(in).SignedFrame24(out).I32(begin).ShortString(text);
  return AppendLevels(file, levels);
}

ProjectWriter& OtherClip(ProjectWriter& file, std::string_view name) { return file.ShortString(name); }

ProjectWriter& AudioClip(ProjectWriter& file, std::string_view name, std::int32_t in, std::int32_t out,
                         std::int32_t begin, const Levels& levels) {
  return InsertMovie(file, name, in, out, begin, levels);
}

std::string ColorName(char count, char direction, std::string_view first, std::string_view second,
                      std::string_view third, std::string_view fourth) {
  std::string name = {'C', count, direction};
  for (std::string_view colour : {first, second, third, fourth}) {
    if (colour.size() != 6) throw std::invalid_argument("a colour text has 6 characters");
    name.append("__").append(colour);
  }
  return name + ".clr";
}

}  // namespace morvane::testing
