#include "edl/edl_table.h"

#include <array>
#include <string_view>

#include "edl/edl_event.h"
#include "listing/wrap32.h"

namespace morvane {
namespace {

// The transition names that print as a dissolve, as the editors store them (Shift-JIS):
// full-width katakana "dissolve", the half-width "Basic - " variant, and the two ASCII names.
// Compared byte for byte, so "dissolve" in lower case is a wipe.
constexpr std::array<std::string_view, 4> kDissolveNames = {
    "\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75",
    "Basic - \xC3\xDE\xA8\xBF\xDE\xD9\xCC\xDE",
    "Dissolve",
    "Basic - Dissolve",
};

char TransitionCode(const ShortString& transition) {
  if (transition.Empty()) {
    return 'C';
  }
  for (std::string_view name : kDissolveNames) {
    if (transition.Text() == name) {
      return 'D';
    }
  }
  return 'W';
}

// A half-speed clip's source out point is the one it had before ApplyHalfSpeed doubled its
// source span, so the EDL shows the real source frames against the stretched recorder span.
std::int32_t MainSourceOut(const MainClipEntry& clip) {
  if (clip.slow == 0) {
    return WrapAdd(clip.sourceIn, clip.length);
  }
  const std::int32_t span = WrapSub(clip.sourceOut, clip.sourceIn);
  const std::int32_t overlap = WrapSub(span, clip.length);
  return WrapSub(WrapAdd(clip.sourceIn, WrapDiv(span, 2)), overlap);
}

std::int32_t SideSourceOut(const InsertClipEntry& clip) {
  if (clip.slow == 0) {
    return clip.sourceOut;
  }
  return WrapAdd(clip.sourceIn, WrapDiv(WrapSub(clip.sourceOut, clip.sourceIn), 2));
}

std::int32_t SideSourceOut(const AudioClipEntry& clip) { return clip.sourceOut; }

std::int32_t RecorderOut(std::int32_t begin, std::int32_t sourceIn, std::int32_t sourceOut) {
  return WrapAdd(begin, WrapSub(sourceOut, sourceIn));
}

bool HasAudio(const InsertClipEntry& clip) { return clip.hasAudio == 1; }
bool HasAudio(const AudioClipEntry&) { return false; }
bool IsSlow(const InsertClipEntry& clip) { return clip.slow != 0; }
bool IsSlow(const AudioClipEntry&) { return false; }

class EdlDecider {
 public:
  EdlDecider(const ClipTables& tables, EdlEventSink& sink) : tables_(tables), sink_(sink) {}

  void Run() {
    const MainClipTable& main = tables_.mainClips;
    for (std::int32_t i = 0; i < main.count; ++i) {
      const MainClipEntry* clip = main.At(i);
      if (clip == nullptr) {
        break;
      }
      // Past the table's last entry there is no next clip, and so no transition into it.
      const MainClipEntry* next = main.At(i + 1);
      const bool nextHasTransition = next != nullptr && !next->transition.Empty();
      const bool hasTransition = !clip->transition.Empty();

      // The incoming clip of a transition shares the number of the line before it.
      if (!hasTransition) {
        ++eventNumber_;
      }
      const std::int32_t recorderIn = recorderPosition_;
      recorderPosition_ = WrapAdd(recorderPosition_, clip->length);
      sink_.Event(MainEvent(*clip, i, recorderIn));

      if (hasTransition && nextHasTransition) {
        ++eventNumber_;
        sink_.Event(FromEvent(*clip));
      }
      pendingDuration_ = WrapSub(WrapSub(clip->sourceOut, clip->sourceIn), clip->length);

      // Nothing is listed between the two lines of a transition.
      if (!nextHasTransition) {
        ListEnded(tables_.insertClips, TimelineTrack::InsertAv, nextInsert_);
        ListEnded(tables_.exAudio1Clips, TimelineTrack::ExAudio1, nextAudio1_);
        ListEnded(tables_.exAudio2Clips, TimelineTrack::ExAudio2, nextAudio2_);
      }
      sink_.MainClipDone(i + 1, main.count);
    }
    ListRest(tables_.insertClips, TimelineTrack::InsertAv, nextInsert_);
    ListRest(tables_.exAudio1Clips, TimelineTrack::ExAudio1, nextAudio1_);
    ListRest(tables_.exAudio2Clips, TimelineTrack::ExAudio2, nextAudio2_);
  }

 private:
  EdlEvent MainEvent(const MainClipEntry& clip, std::int32_t index, std::int32_t recorderIn) const {
    EdlEvent event;
    event.number = eventNumber_;
    event.track = TimelineTrack::MainAv;
    event.clipIndex = index;
    event.hasAudio = clip.hasAudio == 1;
    event.slow = clip.slow != 0;
    event.transition = TransitionCode(clip.transition);
    event.duration = pendingDuration_;
    event.sourceIn = clip.sourceIn;
    event.sourceOut = MainSourceOut(clip);
    event.recorderIn = recorderIn;
    event.recorderOut = recorderPosition_;
    event.name = clip.name.Text();
    return event;
  }

  // A zero-length cut where the clip just listed stops, opening the transition out of it.
  EdlEvent FromEvent(const MainClipEntry& clip) const {
    EdlEvent event;
    event.number = eventNumber_;
    event.track = TimelineTrack::MainAv;
    event.hasAudio = clip.hasAudio == 1;
    event.slow = clip.slow != 0;
    event.sourceIn = WrapAdd(clip.sourceIn, clip.length);
    event.sourceOut = event.sourceIn;
    event.recorderIn = recorderPosition_;
    event.recorderOut = recorderPosition_;
    event.hasName = false;
    return event;
  }

  template <class Entry>
  EdlEvent SideEvent(const Entry& clip, TimelineTrack track, std::int32_t index) const {
    EdlEvent event;
    event.number = eventNumber_;
    event.track = track;
    event.clipIndex = index;
    event.hasAudio = HasAudio(clip);
    event.slow = IsSlow(clip);
    event.sourceIn = clip.sourceIn;
    event.sourceOut = SideSourceOut(clip);
    event.recorderIn = clip.begin;
    event.recorderOut = RecorderOut(clip.begin, clip.sourceIn, clip.sourceOut);
    event.name = clip.name.Text();
    return event;
  }

  // Lists the clips of one track that have ended by the current recorder position, in table
  // order; the first clip still running holds back all later ones.
  template <class Table>
  void ListEnded(const Table& table, TimelineTrack track, std::int32_t& next) {
    while (next < table.count) {
      const auto* clip = table.At(next);
      if (clip == nullptr ||
          RecorderOut(clip->begin, clip->sourceIn, clip->sourceOut) > recorderPosition_) {
        return;
      }
      ++eventNumber_;
      sink_.Event(SideEvent(*clip, track, next));
      ++next;
    }
  }

  template <class Table>
  void ListRest(const Table& table, TimelineTrack track, std::int32_t& next) {
    for (; next < table.count; ++next) {
      const auto* clip = table.At(next);
      if (clip == nullptr) {
        return;
      }
      ++eventNumber_;
      sink_.Event(SideEvent(*clip, track, next));
    }
  }

  const ClipTables& tables_;
  EdlEventSink& sink_;
  std::int32_t eventNumber_ = 0;
  std::int32_t recorderPosition_ = 0;
  std::int32_t pendingDuration_ = 0;
  std::int32_t nextInsert_ = 0;
  std::int32_t nextAudio1_ = 0;
  std::int32_t nextAudio2_ = 0;
};

// Writes each event as its line and spends the EDL's share of the steps per main clip.
class EdlWriter final : public EdlEventSink {
 public:
  EdlWriter(ListingContext& context, std::int32_t mainCount)
      : out_(context.out), mode_(context.settings.timecodeMode),
        share_(context.progress, "[EDL]", kEdlShare, mainCount) {}

  void Event(const EdlEvent& event) override {
    if (!out_.Discards()) {  // an export takes the events from DecideEdlEvents itself
      WriteEdlEvent(out_, event, mode_);
    }
  }
  void MainClipDone(std::int32_t k, std::int32_t) override { share_.ItemDone(k); }

 private:
  ListingWriter& out_;
  TimecodeMode mode_;
  ProgressShare share_;
};

void WriteHeader(ListingWriter& out, TimecodeMode mode) {
  if (mode == TimecodeMode::Frames) {
    out.WriteText(
        "Event                        Source            Recorder\r\n"
        "                             IN      OUT       IN      OUT\r\n");
  } else {
    out.WriteText(
        "Event                    Source                      Recorder\r\n"
        "                         IN            OUT           IN            OUT\r\n");
  }
}

}  // namespace

void ApplyHalfSpeed(ClipTables& tables) {
  MainClipTable& main = tables.mainClips;
  for (std::int32_t i = 0; i < main.count; ++i) {
    MainClipEntry* clip = main.At(i);
    if (clip == nullptr) {
      break;
    }
    if (clip->slow != 0) {
      const std::int32_t span = WrapSub(clip->sourceOut, clip->sourceIn);
      clip->length = WrapAdd(clip->length, span);
      clip->sourceOut = WrapAdd(clip->sourceOut, span);
      clip->hasAudio = 0;
    }
  }
  InsertClipTable& inserts = tables.insertClips;
  for (std::int32_t i = 0; i < inserts.count; ++i) {
    InsertClipEntry* clip = inserts.At(i);
    if (clip == nullptr) {
      break;
    }
    if (clip->slow != 0) {
      clip->sourceOut = WrapAdd(clip->sourceOut, WrapSub(clip->sourceOut, clip->sourceIn));
      clip->hasAudio = 0;
    }
  }
}

void DecideEdlEvents(const ClipTables& tables, EdlEventSink& sink) { EdlDecider(tables, sink).Run(); }

void WriteEdl(ListingContext& context, const ClipTables& tables) {
  WriteHeader(context.out, context.settings.timecodeMode);
  EdlWriter writer(context, tables.mainClips.count);
  DecideEdlEvents(tables, writer);
}

}  // namespace morvane
