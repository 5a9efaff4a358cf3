#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/export_notes.h"
#include "interchange/timeline.h"
#include "listing/listing_writer.h"

namespace morvane {

// What a conversion writes: the listing with its EDL table, or the timeline for another editor.
enum class ExportFormat { Listing, Otio, Cmx3600, Mlt, Fcpxml, Fcp7Xml, Kdenlive, Svg, Html };

// One file of an export: the part added to the destination's name (empty for the file the user
// named) and its bytes.
struct ExportText {
  std::string suffix;
  std::string text;
};

// Everything the program knows about one format. The command line's --format and its help, the
// dialog's file types and the rule that picks a format by extension all read this table; a new
// format is its writer and one row.
struct ExportFormatRow {
  ExportFormat format;
  std::string_view name;         // --format's value: "listing", "otio", "cmx3600", "mlt"
  std::string_view extension;    // ".txt", ".otio", ".edl", ".mlt"
  // The two texts a person reads are the catalog's English keys: show them through Tr.
  std::string_view pickerLabel;  // the save picker's file type: "Text file (*.txt)"
  std::string_view description;  // for --format's help: "OpenTimelineIO"
  bool severalFiles;             // one file per track, beside the one named
  bool writesTitles;             // the titles are kept for it
  bool writesLevels;             // the clips' audio level points are kept for it
  // The files of a timeline by their suffixes, in order (nullptr for the listing, which the
  // listing driver writes).
  std::vector<std::string> (*files)(const Timeline& timeline, TimecodeMode mode);
  // Writes the files that files() names, each to its writer in the same order, as it makes them,
  // counting in notes what the format made it change or leave out.
  void (*write)(const Timeline& timeline, TimecodeMode mode, std::span<ListingWriter* const> out, ExportNotes& notes);
};

// Every format, the listing first: the order of --format's help and of the picker's types.
std::span<const ExportFormatRow> ExportFormats();
const ExportFormatRow& FormatRow(ExportFormat format);

// The files of a timeline in format (not Listing) as texts: one for .otio and .mlt, one per
// track with clips for CMX 3600 (the main track's first). notes receives what building the
// timeline and writing the format changed or left out. For tests; a conversion writes the files
// as they are made.
std::vector<ExportText> RenderTimeline(const Timeline& timeline, ExportFormat format, TimecodeMode mode,
                                       ExportNotes& notes);

// The path of a file of the export beside the one the user named: "out/cut.edl" with suffix
// "-insert" is "out/cut-insert.edl"; a name without extension gets the suffix at its end.
std::string ExportPath(const std::string& mainPath, const std::string& suffix);

}  // namespace morvane
