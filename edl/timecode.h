#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "listing/format_kinds.h"

namespace morvane {

// The text of one time, held by value: each call returns its own, so two results never share
// a buffer. No text is longer than 18 characters.
class TimecodeText {
 public:
  static constexpr std::size_t kCapacity = 32;

  std::string_view View() const { return std::string_view(bytes_.data(), size_); }

 private:
  friend TimecodeText FormatTimecode(std::int32_t count, TimecodeMode mode);
  friend TimecodeText FormatDuration(std::int32_t count, TimecodeMode mode);
  std::array<char, kCapacity> bytes_{};
  std::uint8_t size_ = 0;
};

// The frame count as a point in time, printed with C's printf rules:
//   NtscNonDrop  "%02d:%02d:%02d:%02d" of c / 108000, (c / 1800) % 60, (c / 30) % 60, c % 30;
//   Pal          "%02d:%02d:%02d:%02d" of c / 90000, (c / 1500) % 60, (c / 25) % 60, c % 25;
//   Frames       "%6d" of c;
//   NtscDropFrame "%02d:%02d:%02d;%02d" of the fields of the drop-frame label (DropFrameLabel)
//                 split as in NtscNonDrop.
// Division truncates toward zero, so negative counts give signed fields: -31 prints
// 00:00:-1:-6 in Pal and 00:00:-1:-1 in NtscNonDrop, and -1 prints four spaces and -1 in
// Frames. Hours are not reduced modulo 24: 2592000 prints 24:00:00:00 in NtscNonDrop.
// 1800 prints 00:01:00;02 in NtscDropFrame; every count of 0 or below prints 00:00:00;00.
TimecodeText FormatTimecode(std::int32_t count, TimecodeMode mode);

// The frame count as a short duration: seconds and frames, whole minutes dropped, and no
// drop-frame correction in either NTSC mode:
//   NtscDropFrame, NtscNonDrop "%02d:%02d" of (c / 30) % 60, c % 30 (45 prints 01:15, 1815 prints 00:15);
//   Pal                        "%02d:%02d" of (c / 25) % 60, c % 25 (45 prints 01:20);
//   Frames                     "%5d" of c (45 prints three spaces and 45).
// Counts from 0 upward give five characters (up to 99999 in Frames).
TimecodeText FormatDuration(std::int32_t count, TimecodeMode mode);

// The NTSC drop-frame label of a count of real frames: a position on a 30-frame clock that
// skips the labels 00 and 01 at the start of every minute except minutes 00, 10, 20, 30, 40 and
// 50. Frame 1799 is label 1799, frame 1800 is label 1802, frame 17982 is label 18000 (ten
// minutes), and every count of 0 or below is label 0. Computed in constant time; counts above
// 2145336163 have labels past 2^31 - 1 and get their true value.
std::int64_t DropFrameLabel(std::int32_t count);

// A time of day "HH:MM:SS:FF" as a count of frames on mode's clock, or nothing for any other
// text: hours 00-23, minutes and seconds 00-59, frames below 30 (25 in Pal), ':' or ';' before
// the frames; in NtscDropFrame the labels the clock skips (;00 and ;01 of minutes not divisible
// by ten) are refused. Frames names no clock: nothing.
std::optional<std::int64_t> ParseTimecode(std::string_view text, TimecodeMode mode);

}  // namespace morvane
