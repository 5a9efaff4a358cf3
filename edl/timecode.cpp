#include "edl/timecode.h"

#include <cstring>

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

// The fields are formatted by hand: snprintf's format parsing cost more than the rest of the
// EDL together. Each piece gives exactly what the printf conversion named beside it gives.
namespace {

// "%0<width>d" (pad '0': the sign first, then zeros) or "%<width>d" (pad ' ': spaces first).
char* PutInt(char* out, std::int32_t value, int width, char pad) {
  char digits[10];
  char* first = digits + sizeof digits;
  // The magnitude in unsigned arithmetic, so that -2^31 has one too.
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  do {
    *--first = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int length = static_cast<int>(digits + sizeof digits - first) + (value < 0 ? 1 : 0);
  if (pad == ' ') {
    for (int i = length; i < width; ++i) {
      *out++ = ' ';
    }
  }
  if (value < 0) {
    *out++ = '-';
  }
  if (pad == '0') {
    for (int i = length; i < width; ++i) {
      *out++ = '0';
    }
  }
  while (first != digits + sizeof digits) {
    *out++ = *first++;
  }
  return out;
}

// "%02d:%02d:%02d<last>%02d"
char* PutClock(char* out, std::int32_t hours, std::int32_t minutes, std::int32_t seconds, char last,
               std::int32_t frames) {
  const auto twoDigits = [](std::int32_t value) { return value >= 0 && value < 100; };
  if (twoDigits(hours) && twoDigits(minutes) && twoDigits(seconds) && twoDigits(frames)) {
    // Every field of a time within 100 hours: two digits each, written at once (the loops of
    // PutInt were most of a CMX export's events).
    const char clock[11] = {static_cast<char>('0' + hours / 10),   static_cast<char>('0' + hours % 10),   ':',
                            static_cast<char>('0' + minutes / 10), static_cast<char>('0' + minutes % 10), ':',
                            static_cast<char>('0' + seconds / 10), static_cast<char>('0' + seconds % 10), last,
                            static_cast<char>('0' + frames / 10),  static_cast<char>('0' + frames % 10)};
    std::memcpy(out, clock, sizeof clock);
    return out + sizeof clock;
  }
  out = PutInt(out, hours, 2, '0');
  *out++ = ':';
  out = PutInt(out, minutes, 2, '0');
  *out++ = ':';
  out = PutInt(out, seconds, 2, '0');
  *out++ = last;
  return PutInt(out, frames, 2, '0');
}

}  // namespace

TimecodeText FormatTimecode(std::int32_t count, TimecodeMode mode) {
  TimecodeText text;
  char* const buffer = text.bytes_.data();
  char* end = buffer;
  switch (mode) {
    case TimecodeMode::NtscDropFrame: {
      const std::int64_t label = DropFrameLabel(count);
      // The label is at most about 2.15e9, so every field fits an int.
      end = PutClock(buffer, static_cast<std::int32_t>(label / 108000),
                     static_cast<std::int32_t>(label / 1800 % 60),
                     static_cast<std::int32_t>(label / 30 % 60), ';',
                     static_cast<std::int32_t>(label % 30));
      break;
    }
    case TimecodeMode::Pal:
      end = PutClock(buffer, count / 90000, count / 1500 % 60, count / 25 % 60, ':', count % 25);
      break;
    case TimecodeMode::Frames:
      end = PutInt(buffer, count, 6, ' ');
      break;
    case TimecodeMode::NtscNonDrop:
      end = PutClock(buffer, count / 108000, count / 1800 % 60, count / 30 % 60, ':', count % 30);
      break;
  }
  text.size_ = static_cast<std::uint8_t>(end - buffer);
  return text;
}

TimecodeText FormatDuration(std::int32_t count, TimecodeMode mode) {
  TimecodeText text;
  char* const buffer = text.bytes_.data();
  char* end = buffer;
  switch (mode) {
    case TimecodeMode::NtscDropFrame:
    case TimecodeMode::NtscNonDrop:
      end = PutInt(buffer, count / 30 % 60, 2, '0');
      *end++ = ':';
      end = PutInt(end, count % 30, 2, '0');
      break;
    case TimecodeMode::Pal:
      end = PutInt(buffer, count / 25 % 60, 2, '0');
      *end++ = ':';
      end = PutInt(end, count % 25, 2, '0');
      break;
    case TimecodeMode::Frames:
      end = PutInt(buffer, count, 5, ' ');
      break;
  }
  text.size_ = static_cast<std::uint8_t>(end - buffer);
  return text;
}

std::optional<std::int64_t> ParseTimecode(std::string_view text, TimecodeMode mode) {
  const int nominal = mode == TimecodeMode::Pal ? 25 : 30;
  if (mode == TimecodeMode::Frames || text.size() != 11) {
    return std::nullopt;
  }
  int fields[4] = {};
  for (int i = 0; i < 4; ++i) {
    const char high = text[static_cast<std::size_t>(3 * i)];
    const char low = text[static_cast<std::size_t>(3 * i + 1)];
    if (high < '0' || high > '9' || low < '0' || low > '9') {
      return std::nullopt;
    }
    fields[i] = (high - '0') * 10 + (low - '0');
    const char separator = i < 3 ? text[static_cast<std::size_t>(3 * i + 2)] : ':';
    if (separator != ':' && !(i == 2 && separator == ';')) {
      return std::nullopt;
    }
  }
  const auto [hours, minutes, seconds, frames] = fields;
  if (hours > 23 || minutes > 59 || seconds > 59 || frames >= nominal) {
    return std::nullopt;
  }
  const std::int64_t totalMinutes = std::int64_t{hours} * 60 + minutes;
  const std::int64_t label = ((totalMinutes * 60) + seconds) * nominal + frames;
  if (mode != TimecodeMode::NtscDropFrame) {
    return label;
  }
  if (seconds == 0 && frames < 2 && minutes % 10 != 0) {
    return std::nullopt;  // a label the drop-frame clock skips
  }
  return label - 2 * (totalMinutes - totalMinutes / 10);
}

}  // namespace morvane
