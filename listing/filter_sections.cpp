#include "listing/filter_sections.h"

#include <string_view>

namespace morvane {

namespace {

// Counts and sizes of the filter records are unsigned: a size with its top bit set skips far
// past the end of the file, and a huge count is followed until the reader refuses to read on.
std::uint32_t ReadUnsigned(SourceReader& source) {
  return static_cast<std::uint32_t>(source.ReadU32());
}

// One filter list: count N, then N times { name, settings size S, S bytes }. Listed after the
// text before as the name followed by "," per filter.
void ListVisualFilters(SourceReader& source, ListingWriter& out, std::string_view before) {
  if (!out.Discards()) {
    out.WriteText(before);
  }
  const std::uint32_t count = ReadUnsigned(source);
  for (std::uint32_t k = 0; k < count; ++k) {
    if (out.Discards()) {
      source.DropShortString();
    } else {
      const ShortString name = source.ReadShortString();
      out.WriteText(name.Text());
      out.WriteChar(',');
    }
    source.Skip(ReadUnsigned(source));
  }
}

// Shared by [FilterMainAV] and [FilterInsertAV]: they differ only in the table whose entries
// receive the slow value.
template <class Table>
void ReadVisualFilterRecords(ListingContext& context, std::int32_t clipCount, Table& clips) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  for (std::int32_t i = 0; i < clipCount; ++i) {
    const std::uint32_t firstFlag = ReadUnsigned(source);
    const std::uint32_t secondFlag = ReadUnsigned(source);
    const std::uint32_t thirdFlag = ReadUnsigned(source);
    const std::uint32_t slow = ReadUnsigned(source);
    const std::uint32_t fifth = ReadUnsigned(source);
    const std::uint32_t sixth = ReadUnsigned(source);
    // A record beyond the table is still listed; its slow value has nowhere to go.
    if (auto* entry = clips.At(i)) {
      entry->slow = static_cast<std::int32_t>(slow);
    }
    if (!out.Discards()) {
      out.Write(firstFlag, ',', secondFlag, ',', thirdFlag, ',', slow, ',', fifth, ',', sixth);
    }

    if (firstFlag == 1) {
      const std::uint32_t totalSize = ReadUnsigned(source);  // counts its own 4 bytes
      if (totalSize > 4) {
        source.Skip(totalSize - 4);
      }
    }
    if (secondFlag == 1) {
      source.ReadU32();  // not used
      source.Skip(ReadUnsigned(source));
    }
    if (thirdFlag == 1) {
      source.Skip(ReadUnsigned(source));
    }

    ListVisualFilters(source, out, "\r\n,");
    ListVisualFilters(source, out, "\r\n,");
    if (!out.Discards()) {
      out.WriteText("\r\n");
    }
    ReportItem(context.progress, "[FilterVisual]", i + 1, clipCount);
  }
}

}  // namespace

void ReadVisualFilterSection(ListingContext& context, std::int32_t clipCount, MainClipTable& clips) {
  ReadVisualFilterRecords(context, clipCount, clips);
}

void ReadVisualFilterSection(ListingContext& context, std::int32_t clipCount, InsertClipTable& clips) {
  ReadVisualFilterRecords(context, clipCount, clips);
}

void ReadAudioFilterSection(ListingContext& context, std::int32_t clipCount) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  for (std::int32_t i = 0; i < clipCount; ++i) {
    const std::int32_t count = source.ReadU32();
    if (out.Discards()) {
      for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(count); ++k) {
        source.DropShortString();
        source.Skip(ReadUnsigned(source));
      }
      ReportItem(context.progress, "[FilterAudio]", i + 1, clipCount);
      continue;
    }
    out.WriteDecimal(count);  // listed signed, followed as unsigned
    for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(count); ++k) {
      out.WriteChar(',');
      const ShortString name = source.ReadShortString();
      out.WriteText(name.Text());
      source.Skip(ReadUnsigned(source));
    }
    out.WriteText("\r\n");
    ReportItem(context.progress, "[FilterAudio]", i + 1, clipCount);
  }
}

}  // namespace morvane
