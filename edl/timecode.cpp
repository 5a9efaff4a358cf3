#include "edl/timecode.h"

#include <cstdio>

namespace morvane {
namespace {

constexpr std::int64_t kFramesPerTenMinutes = 17982;  // one full minute, then nine of 1798
constexpr std::int64_t kLabelsPerTenMinutes = 18000;
constexpr std::int64_t kFramesInFirstMinute = 1800;
constexpr std::int64_t kFramesInDropMinute = 1798;

// Each ten-minute block of 17982 frames covers exactly 18000 labels; inside a block the first
// minute drops nothing and each later one drops two labels at its start.
std::int64_t LabelOf(std::int64_t frames) {
  const std::int64_t block = frames / kFramesPerTenMinutes;
  const std::int64_t inBlock = frames % kFramesPerTenMinutes;
  const std::int64_t droppedMinutes =
      inBlock < kFramesInFirstMinute ? 0 : (inBlock - kFramesInFirstMinute) / kFramesInDropMinute + 1;
  return frames + block * (kLabelsPerTenMinutes - kFramesPerTenMinutes) + 2 * droppedMinutes;
}

}  // namespace

std::int64_t DropFrameLabel(std::int32_t count) { return count <= 0 ? 0 : LabelOf(count); }

// Formatting goes through snprintf so that widths and signs are exactly C's.
TimecodeText FormatTimecode(std::int32_t count, TimecodeMode mode) {
  TimecodeText text;
  int size = 0;
  char* buffer = text.bytes_.data();
  switch (mode) {
    case TimecodeMode::NtscDropFrame: {
      const std::int64_t label = DropFrameLabel(count);
      // The label is at most about 2.15e9, so every field fits an int.
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%02d:%02d:%02d;%02d",
                           static_cast<int>(label / 108000), static_cast<int>(label / 1800 % 60),
                           static_cast<int>(label / 30 % 60), static_cast<int>(label % 30));
      break;
    }
    case TimecodeMode::Pal:
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%02d:%02d:%02d:%02d", count / 90000,
                           count / 1500 % 60, count / 25 % 60, count % 25);
      break;
    case TimecodeMode::Frames:
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%6d", count);
      break;
    case TimecodeMode::NtscNonDrop:
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%02d:%02d:%02d:%02d", count / 108000,
                           count / 1800 % 60, count / 30 % 60, count % 30);
      break;
  }
  text.size_ = static_cast<std::uint8_t>(size > 0 ? size : 0);
  return text;
}

TimecodeText FormatDuration(std::int32_t count, TimecodeMode mode) {
  TimecodeText text;
  int size = 0;
  char* buffer = text.bytes_.data();
  switch (mode) {
    case TimecodeMode::NtscDropFrame:
    case TimecodeMode::NtscNonDrop:
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%02d:%02d", count / 30 % 60, count % 30);
      break;
    case TimecodeMode::Pal:
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%02d:%02d", count / 25 % 60, count % 25);
      break;
    case TimecodeMode::Frames:
      size = std::snprintf(buffer, TimecodeText::kCapacity, "%5d", count);
      break;
  }
  text.size_ = static_cast<std::uint8_t>(size > 0 ? size : 0);
  return text;
}

}  // namespace morvane
