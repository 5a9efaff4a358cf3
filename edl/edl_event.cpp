#include "edl/edl_event.h"

#include <cstdio>

#include "edl/timecode.h"

namespace morvane {
namespace {

std::string_view TrackWord(EdlTrack track) {
  switch (track) {
    case EdlTrack::Main:
      return " MAIN";
    case EdlTrack::Insert:
      return " INS ";
    case EdlTrack::ExAudio1:
      return " ExA1";
    case EdlTrack::ExAudio2:
      return " ExA2";
  }
  return " MAIN";
}

}  // namespace

void WriteEdlEvent(ListingWriter& out, const EdlEvent& event, TimecodeMode mode) {
  char number[16];
  const int size = std::snprintf(number, sizeof number, "%03d", event.number);
  out.WriteText(std::string_view(number, static_cast<std::size_t>(size > 0 ? size : 0)));
  out.WriteText(TrackWord(event.track));

  if (event.track == EdlTrack::ExAudio1 || event.track == EdlTrack::ExAudio2) {
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
