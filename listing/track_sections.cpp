#include "listing/track_sections.h"

#include <vector>

#include "listing/clip_kind.h"
#include "listing/timeline_recorder.h"
#include "listing/wrap32.h"

namespace morvane {

namespace {

// What the table entry of a main or insert clip is made from.
struct AvClip {
  ClipKind kind = ClipKind::Other;
  std::int32_t in = 0;
  std::int32_t out = 0;
  std::int32_t begin = 0;     // insert clips only
  std::int32_t hasAudio = 0;  // movies only
  LevelHead level;
};

// An insert record carries the timeline frame it begins at right after its out point; a main
// record has no such field. Everything else about the two tracks' records is the same.
enum class BeginField { Absent, Present };

// Lists the level block whose head was just read, reading its points as it goes:
// "levelpoint(in=%d,out=%d", then ",%d=%d" per point, then ")\r\n". Returns 1 when any level
// value is nonzero. The points are kept in points when it is given.
std::int32_t ListLevelBlock(ListingContext& context, const LevelHead& level, std::vector<LevelPoint>* points) {
  if (!context.out.Discards()) {
    context.out.Write(",levelpoint(in=", std::int32_t{level.levelIn}, ",out=", std::int32_t{level.levelOut});
  }
  const bool anyPoint = ListLevelPoints(context.source, context.out, level.pointCount, points);
  if (!context.out.Discards()) {
    context.out.WriteText(")\r\n");
  }
  return level.levelIn != 0 || level.levelOut != 0 || anyPoint ? 1 : 0;
}

// Reads the body of a main or insert record whose name was just read, and lists its line. An
// Other clip has no body: nothing is read or listed, so the next byte is the next clip's name.
AvClip ReadAvClip(ListingContext& context, const ShortString& name, BeginField beginField,
                  std::vector<LevelPoint>* points) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  const bool listing = !out.Discards();  // an export reads the fields only
  AvClip clip;
  clip.kind = ClassifyClip(name.Text());
  switch (clip.kind) {
    case ClipKind::Movie: {
      clip.in = source.ReadU32();
      clip.out = source.ReadU32();
      if (beginField == BeginField::Present) {
        clip.begin = source.ReadU32();
      }
      clip.level = ReadLevelHead(source);
      if (listing) {
        out.Write(name, ",in=", clip.in, ",out=", clip.out);
        if (beginField == BeginField::Present) {
          out.Write(",begin=", clip.begin);
        }
      }
      clip.hasAudio = ListLevelBlock(context, clip.level, points);
      break;
    }
    case ClipKind::Still:
    case ClipKind::Color: {
      clip.in = ReadSignedFrame24(source);
      clip.out = ReadSignedFrame24(source);
      if (beginField == BeginField::Present) {
        clip.begin = source.ReadU32();  // a plain u32, not a frame field
      }
      if (!listing) {
        source.DropShortString();
        clip.level = ReadLevelHead(source);
        ListLevelBlock(context, clip.level, points);
        break;
      }
      const ShortString text = source.ReadShortString();
      clip.level = ReadLevelHead(source);
      if (clip.kind == ClipKind::Color) {
        WriteColorClipName(out, name.Text());
      } else {
        out.Write(name);
      }
      out.Write(",in=", clip.in, ",out=", clip.out);
      if (beginField == BeginField::Present) {
        out.Write(",begin=", clip.begin);
      }
      out.Write(',', text);
      // Stills and colour clips list their levels but never count as having audio.
      ListLevelBlock(context, clip.level, points);
      break;
    }
    case ClipKind::Other:
      break;
  }
  return clip;
}

// A colour clip is stored as "color clip", any other clip under its own name.
void StoreName(ShortString& entryName, const ShortString& name, ClipKind kind) {
  if (kind == ClipKind::Color) {
    entryName.Assign("color clip");
  } else {
    entryName.Assign(name.Text());
  }
}

void StoreMainClip(MainClipEntry& entry, const ShortString& name, const AvClip& clip) {
  StoreName(entry.name, name, clip.kind);
  entry.length = WrapAdd(WrapSub(clip.out, clip.in), 1);
  if (clip.kind == ClipKind::Movie) {
    entry.sourceIn = clip.in;
    entry.sourceOut = WrapAdd(clip.out, 1);
    entry.hasAudio = clip.hasAudio;
  } else {
    // A still or colour clip is generated from its first frame on.
    entry.sourceIn = 0;
    entry.sourceOut = entry.length;
    entry.hasAudio = 0;
  }
}

void StoreInsertClip(InsertClipEntry& entry, const ShortString& name, const AvClip& clip) {
  StoreName(entry.name, name, clip.kind);
  entry.sourceIn = clip.in;
  entry.sourceOut = WrapAdd(clip.out, 1);
  entry.begin = clip.begin;
  entry.hasAudio = clip.hasAudio;
}

// Hands one clip to the timeline recorder, when there is one; points holds its level points.
void RecordClip(ListingContext& context, TimelineTrack track, std::int32_t index, ClipKind kind,
                const ShortString& name, const LevelHead& level, std::vector<LevelPoint>& points) {
  if (context.recorder != nullptr) {
    context.recorder->RecordClip(track, index, {kind, name.Text(), level.levelIn, level.levelOut, points});
    points.clear();
  }
}

// The main and insert readers differ only in the begin field, their progress share and how an
// entry is stored.
template <class Table, class Store>
void ReadAvSection(ListingContext& context, std::int32_t count, Table& table, BeginField beginField,
                   TimelineTrack track, std::string_view statusName, std::int32_t share, Store store) {
  ProgressShare progress(context.progress, statusName, share, count);
  std::vector<LevelPoint> points;
  std::vector<LevelPoint>* const keptPoints = context.recorder != nullptr ? &points : nullptr;
  for (std::int32_t j = 0; j < count; ++j) {
    const ShortString name = context.source.ReadShortString();
    const AvClip clip = ReadAvClip(context, name, beginField, keptPoints);
    RecordClip(context, track, j, clip.kind, name, clip.level, points);
    if (clip.kind != ClipKind::Other) {
      if (auto* entry = table.At(j)) {
        store(*entry, name, clip);
      }
    }
    progress.ItemDone(j + 1);
  }
}

}  // namespace

void ReadMainAvSection(ListingContext& context, std::int32_t count, MainClipTable& mainClips) {
  ReadAvSection(context, count, mainClips, BeginField::Absent, TimelineTrack::MainAv, "[MainAV]", kMainAvShare, StoreMainClip);
}

void ReadInsertAvSection(ListingContext& context, std::int32_t count, InsertClipTable& insertClips) {
  ReadAvSection(context, count, insertClips, BeginField::Present, TimelineTrack::InsertAv, "[InsertAV]", kInsertAvShare,
                StoreInsertClip);
}

void ReadExAudioSection(ListingContext& context, std::int32_t count, AudioClipTable& clips,
                        TimelineTrack track) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  ProgressShare progress(context.progress, "[ExAudio]", kExAudioShare, count);
  std::vector<LevelPoint> points;
  std::vector<LevelPoint>* const keptPoints = context.recorder != nullptr ? &points : nullptr;
  for (std::int32_t j = 0; j < count; ++j) {
    // Audio records have one layout whatever the name says.
    const ShortString name = source.ReadShortString();
    const std::int32_t in = source.ReadU32();
    const std::int32_t clipOut = source.ReadU32();
    const std::int32_t begin = source.ReadU32();
    const LevelHead level = ReadLevelHead(source);
    if (!out.Discards()) {
      out.Write(name, ",in=", in, ",out=", clipOut, ",begin=", begin);
    }
    ListLevelBlock(context, level, keptPoints);
    RecordClip(context, track, j, ClipKind::Other, name, level, points);
    if (AudioClipEntry* entry = clips.At(j)) {
      entry->name.Assign(name.Text());
      entry->sourceIn = in;
      entry->sourceOut = WrapAdd(clipOut, 1);
      entry->begin = begin;
    }
    progress.ItemDone(j + 1);
  }
}

}  // namespace morvane
