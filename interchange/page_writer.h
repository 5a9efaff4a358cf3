#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "interchange/export_notes.h"
#include "interchange/timeline.h"
#include "listing/clip_tables.h"
#include "listing/format_kinds.h"
#include "listing/listing_writer.h"

namespace morvane {

// Web pages about projects: one self-contained XHTML page per project (--format html) and one
// for a whole archive (--probe --html). Nothing beside the page, no network and no script: the
// style is in the page, the pictures are SVG inside it. What a page tells beyond the edit (the
// probe's facts, where each media file was found, the warnings in the program's words) comes
// from the layer that reads the project, as PageFacts.

// One media file of a project: where it was found and how, or that it is missing.
struct PageMedia {
  std::string name;   // as the project names it, decoded
  std::string path;   // where it was found, or where it was looked for first
  bool found = false;
  std::string match;  // "exact", "case", "extension" (found only)
  std::vector<std::string> others;  // other files that match as well
};

struct PageFacts {
  std::string source;  // the project file as the user named it
  std::vector<std::pair<std::string, std::string>> facts;  // what the probe knows: label, value
  std::vector<PageMedia> media;
  std::vector<std::string> warnings;
  const ClipTables* tables = nullptr;  // the clips of the EDL table (half speed applied), or none
};

// The page of one project: its facts, its picture, its media, its warnings and its EDL table.
// Texts with characters XML 1.0 forbids are written with U+FFFD and counted in notes.
void WriteProjectPage(const Timeline& timeline, TimecodeMode mode, const PageFacts& facts, ExportNotes& notes,
                      ListingWriter& out);

// The parts of a page about many projects, written in this order: the head, the summary, then
// each project's section (which an archive keeps aside until the summary is known), the end.
void WritePageHead(const std::string& title, ListingWriter& out);
// One project's section, its ids starting with id ("p12").
void WriteProjectSection(const Timeline& timeline, TimecodeMode mode, const PageFacts& facts, const std::string& id,
                         ExportNotes& notes, ListingWriter& out);
void WritePageEnd(ListingWriter& out);

// A row of the archive's summary.
struct SummaryRow {
  std::string id;  // the section's
  std::string name;
  std::string editor;
  std::string length;
  std::int64_t clips = 0;
  std::int64_t media = 0;
  std::int64_t missing = 0;
  std::string picture;  // the small picture, an <svg> element (SvgOptions::thumbnail)
  std::string refusal;  // why the project could not be read whole, or empty
};
struct SummaryTotals {
  std::int64_t projects = 0;
  std::string length;  // of every edit together
  std::int64_t media = 0;
  std::int64_t found = 0;
  std::int64_t missing = 0;
  std::vector<std::string> unread;  // the sources that could not be read, with why
};
void WriteSummary(const std::vector<SummaryRow>& rows, const SummaryTotals& totals, ExportNotes& notes,
                  ListingWriter& out);

}  // namespace morvane
