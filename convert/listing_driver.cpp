#include "convert/listing_driver.h"

#include <algorithm>
#include <memory>
#include <string>

#include "edl/edl_table.h"
#include "listing/bin_window_section.h"
#include "listing/clip_tables.h"
#include "listing/conversion_error.h"
#include "listing/effect_section.h"
#include "listing/filter_sections.h"
#include "listing/title_section.h"
#include "listing/track_sections.h"
#include "listing/wrap32.h"

namespace morvane {

namespace {

constexpr int kVersionEffects = 0x0200;  // [Effect] and [Title] exist
constexpr int kVersionAspect = 0x0205;   // the aspect ratio exists
constexpr int kVersionFilters = 0x0207;  // RexEdit: title track, filters, reserved option field

// "%02x" of one byte.
void WriteHexByte(ListingWriter& out, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out.WriteChar(kDigits[byte >> 4]);
  out.WriteChar(kDigits[byte & 0x0f]);
}

void WriteFrequency(ListingWriter& out, std::int32_t code) {
  out.WriteText("Frequency=");
  switch (code) {
    case 48000: out.WriteText("48kHz16bit"); break;
    case 44100: out.WriteText("44.1kHz16bit"); break;
    case 32016: out.WriteText("32kHz16bit"); break;
    case 32012: out.WriteText("32kHz12bit"); break;
    case 0: break;
    default: out.WriteDecimal(code); break;
  }
  out.WriteText("\r\n");
}

// A track's count is refused as soon as it is read when its table cannot hold it. Negative
// counts list nothing and pass.
template <class Table>
std::int32_t CheckedCount(std::int32_t count, const char* heading) {
  if (count > Table::kCapacity) {
    throw ConversionError(heading, count, Table::kCapacity);
  }
  return count;
}

// The insert and extra audio tracks: the heading, then (only when the main track has clips) the
// track's count and its section, also when the count is 0. A track that lists no clips leaves its
// share of the steps to the driver.
template <class Table, class ReadSection>
void ListTrack(ListingContext& context, bool hasClips, const char* heading, Table& table,
               std::int32_t share, ReadSection readSection) {
  context.out.Write(heading, "\r\n");
  if (hasClips) {
    table.count = CheckedCount<Table>(context.source.ReadU32(), heading);
    readSection(context, table.count, table);
  }
  if (table.count == 0) {
    TakeSteps(context.progress, share);
  }
}

void FillFacts(ProjectFacts& facts, const ClipTables& tables) {
  facts.insertClips = tables.insertClips.count;
  facts.exAudio1Clips = tables.exAudio1Clips.count;
  facts.exAudio2Clips = tables.exAudio2Clips.count;
  facts.mainLength = 0;
  for (std::int32_t i = 0; i < tables.mainClips.count && i < MainClipTable::kCapacity; ++i) {
    facts.mainLength = WrapAdd(facts.mainLength, tables.mainClips.At(i)->length);
  }
}

}  // namespace

void ListingDriver::Run() {
  Run(*std::make_unique<ClipTables>());
}

void ListingDriver::Run(ClipTables& emptied) {
  std::destroy_at(&emptied);
  ClipTables* const tables = std::construct_at(&emptied);  // every entry empty: the reset
  SourceReader& source = context_.source;
  ListingWriter& out = context_.out;
  ProgressSink& progress = context_.progress;

  const std::uint8_t versionLow = source.ReadU8();
  const std::uint8_t versionHigh = source.ReadU8();
  const int version = versionLow + 256 * versionHigh;
  source.ReadU16();  // reserved
  const std::int32_t binCount = source.ReadU32();
  const std::int32_t mainCountRead = source.ReadU32();
  if (facts_ != nullptr) {
    facts_->version = version;
    facts_->binItems = binCount;
    facts_->mainClips = mainCountRead;
  }
  const std::int32_t mainCount = CheckedCount<MainClipTable>(mainCountRead, "[MainAV]");
  const std::int32_t frequency = source.ReadU32();
  const bool hasClips = mainCount != 0;
  const bool rexEditFilters =
      version >= kVersionFilters && context_.settings.softwareKind == SoftwareKind::RexEdit;
  tables->mainClips.count = mainCount;

  out.WriteText("[Header]\r\nVersion=");
  WriteHexByte(out, versionHigh);
  out.WriteChar('.');
  WriteHexByte(out, versionLow);
  out.WriteText("\r\n");
  WriteFrequency(out, frequency);
  if (version >= kVersionAspect) {
    const std::int32_t aspectRatio = source.ReadU32();
    out.WriteText(aspectRatio == 0 ? "AspectRatio=4:3\r\n" : "AspectRatio=16:9\r\n");
    if (context_.recorder != nullptr) {
      context_.recorder->RecordAspectRatio(aspectRatio);
    }
  }
  if (rexEditFilters) {
    const std::int32_t titleTrack = source.ReadU32();
    out.Write("TitleTrack=", titleTrack, "\r\n");
  }

  // Tracks. Without main clips no other count is in the file.
  out.WriteText("[MainAV]\r\n");
  if (hasClips) {
    ReadMainAvSection(context_, mainCount, tables->mainClips);
  } else {
    TakeSteps(progress, kMainAvShare);
  }

  ListTrack(context_, hasClips, "[InsertAV]", tables->insertClips, kInsertAvShare, ReadInsertAvSection);
  ListTrack(context_, hasClips, "[ExAudio1]", tables->exAudio1Clips, kExAudioShare,
            [](ListingContext& c, std::int32_t n, AudioClipTable& t) {
              ReadExAudioSection(c, n, t, TimelineTrack::ExAudio1);
            });
  ListTrack(context_, hasClips, "[ExAudio2]", tables->exAudio2Clips, kExAudioShare,
            [](ListingContext& c, std::int32_t n, AudioClipTable& t) {
              ReadExAudioSection(c, n, t, TimelineTrack::ExAudio2);
            });

  // Effects and titles.
  std::int32_t effectCount = 0;
  std::int32_t titleCount = 0;
  if (version < kVersionEffects) {
    TakeSteps(progress, kEffectShare + kTitleShare);
  } else {
    out.WriteText("[Effect]\r\n");
    if (hasClips) {
      effectCount = source.ReadU32();
      ReadEffectSection(context_, effectCount, tables->mainClips);
    }
    if (effectCount == 0) {
      TakeSteps(progress, kEffectShare);
    }

    out.WriteText("[Title]\r\n");
    if (hasClips) {
      titleCount = source.ReadU32();
      ReadTitleSection(context_, titleCount, version);
    }
    if (titleCount == 0) {
      TakeSteps(progress, kTitleShare);
    }
  }

  // Filters: one record per clip of each track, with no count of their own.
  if (rexEditFilters) {
    out.WriteText("[FilterMainAV]\r\n");
    ReadVisualFilterSection(context_, mainCount, tables->mainClips);
    out.WriteText("[FilterInsertAV]\r\n");
    ReadVisualFilterSection(context_, tables->insertClips.count, tables->insertClips);
    out.WriteText("[FilterExAudio1]\r\n");
    ReadAudioFilterSection(context_, tables->exAudio1Clips.count);
    out.WriteText("[FilterExAudio2]\r\n");
    ReadAudioFilterSection(context_, tables->exAudio2Clips.count);
  }

  out.WriteText("[BinWindow]\r\n");
  ReadBinWindowSection(context_, binCount);

  out.WriteText("[Option]\r\n");
  const std::int32_t viewPosition = source.ReadU32();
  out.Write("ViewPosition=", viewPosition, "\r\n");
  const std::int32_t timeScale = source.ReadU32();
  out.Write("TimeScale=", timeScale, "\r\n");
  const std::int32_t cursorPosition = source.ReadU32();
  out.Write("CursorPosition=", cursorPosition, "\r\n");
  if (rexEditFilters) {
    source.ReadU32();  // reserved
  }
  const ShortString outFile = source.ReadShortString();
  out.Write("OutFile=", outFile, "\r\n");

  out.WriteText("[END]\r\n\r\n\r\n\r\n\r\n");

  ApplyHalfSpeed(*tables);
  if (facts_ != nullptr) {
    facts_->effects = effectCount;
    facts_->titles = titleCount;
    FillFacts(*facts_, *tables);
  }
  WriteEdl(context_, *tables);
  if (!hasClips) {
    TakeSteps(progress, kEdlShare);
  }
  progress.SetStatus("");
}

}  // namespace morvane
