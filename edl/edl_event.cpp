#include "edl/edl_event.h"

#include <charconv>

#include "edl/timecode.h"

namespace morvane {
namespace {

std::string_view TrackWord(TimelineTrack track) {
  switch (track) {
    case TimelineTrack::MainAv:
      return " MAIN";
    case TimelineTrack::InsertAv:
      return " INS ";
    case TimelineTrack::ExAudio1:
      return " ExA1";
    case TimelineTrack::ExAudio2:
      return " ExA2";
  }
  return " MAIN";
}

}  // namespace

void WriteEdlEvent(ListingWriter& out, const EdlEvent& event, TimecodeMode mode) {
  // "%03d" without snprintf, whose format parsing cost as much as the rest of the line: the
  // sign, zeros up to three characters, the digits.
  char digits[12];
  const char* const end = std::to_chars(digits, digits + sizeof digits, event.number).ptr;
  const char* first = digits;
  if (*first == '-') {
    out.WriteChar('-');
    ++first;
  }
  for (auto length = end - digits; length < 3; ++length) {
    out.WriteChar('0');
  }
  out.WriteText(std::string_view(first, static_cast<std::size_t>(end - first)));
  out.WriteText(TrackWord(event.track));

  if (event.track == TimelineTrack::ExAudio1 || event.track == TimelineTrack::ExAudio2) {
    out.WriteText("  A  ");
  } else {
    out.WriteText(event.hasAudio ? "  VA" : "  V ");
    out.WriteChar(event.slow ? 'S' : ' ');
  }

  out.WriteText("  ");
  out.WriteChar(event.transition);

  if (event.duration == 0) {
    out.WriteText("       ");
  } else {
    out.Write("  ", FormatDuration(event.duration, mode).View());
  }

  out.Write("  ", FormatTimecode(event.sourceIn, mode).View());
  out.Write("   ", FormatTimecode(event.sourceOut, mode).View());
  out.Write("   ", FormatTimecode(event.recorderIn, mode).View());
  out.Write("   ", FormatTimecode(event.recorderOut, mode).View());
  if (event.hasName) {
    out.Write("   ", event.name);
  }
  out.WriteText("\r\n");
}

}  // namespace morvane
