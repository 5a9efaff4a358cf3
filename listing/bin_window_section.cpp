#include "listing/bin_window_section.h"

#include "listing/clip_kind.h"

namespace morvane {

void ReadBinWindowSection(ListingContext& context, std::int32_t binCount) {
  SourceReader& source = context.source;
  ListingWriter& listing = context.out;
  for (std::int32_t i = 0; i < binCount; ++i) {
    if (listing.Discards()) {  // an export reads the six fields only
      source.DropShortString();
      source.DropShortString();
      source.Drop(4 * 4);
      ReportItem(context.progress, "[BinWindow]", i + 1, binCount);
      continue;
    }
    // Every item has the same six fields; only the file name's kind shapes its line.
    const ShortString itemName = source.ReadShortString();
    const ShortString fileName = source.ReadShortString();
    const std::int32_t in = source.ReadU32();
    const std::int32_t out = source.ReadU32();
    const std::int32_t audioRate = source.ReadU32();
    const std::int32_t audioBits = source.ReadU32();

    switch (ClassifyClip(fileName.Text())) {
      case ClipKind::Movie:
      case ClipKind::Other:
        listing.Write(itemName, ',', fileName, ",in=", in, ",out=", out, ",audio=", audioRate, "Hz",
                      audioBits, "bit\r\n");
        break;
      case ClipKind::Still:
        listing.Write(itemName, ',', fileName, ",in=", in, ",out=", out, "\r\n");
        break;
      case ClipKind::Color:
        WriteColorClipName(listing, fileName.Text());
        listing.Write(",in=", in, ",out=", out, "\r\n");
        break;
    }
    ReportItem(context.progress, "[BinWindow]", i + 1, binCount);
  }
}

}  // namespace morvane
