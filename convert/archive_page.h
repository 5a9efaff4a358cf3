#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "convert/probe_report.h"
#include "interchange/export_notes.h"
#include "interchange/page_writer.h"
#include "listing/listing_writer.h"

namespace morvane {

// One web page about a whole archive (--probe --html): a summary row per project (name, editor,
// length, clips, media and how many are missing, a small picture) linking to its section, the
// totals (projects, the length of every edit together, the media files needed, found and
// missing), then each project's section as its own page shows it. The projects are added one by
// one; their sections wait in a scratch file (platform/file_io.h) until the summary is written,
// so that the memory taken grows with the rows only.
class ArchivePage {
 public:
  explicit ArchivePage(ProbeOptions options);
  ~ArchivePage();
  ArchivePage(const ArchivePage&) = delete;
  ArchivePage& operator=(const ArchivePage&) = delete;

  // Reads the project open at fd and keeps its row and section. Throws ConversionError when it
  // cannot be read.
  void Add(const std::string& source, int fd);
  // A source that could not be read: listed under the totals with why.
  void AddUnread(const std::string& source, const std::string& why);
  // Writes the whole page. Throws ConversionError when out or the scratch file fails.
  void Write(ListingWriter& out);
  // What the page had to change (texts with characters XML forbids).
  const ExportNotes& notes() const { return notes_; }

 private:
  ProbeOptions options_;
  std::vector<SummaryRow> rows_;
  SummaryTotals totals_;
  std::int64_t seconds_ = 0;            // of every edit, in thousandths
  std::map<std::string, bool> media_;   // each media name (as the colours compare them): found everywhere
  ExportNotes notes_;
  int scratch_ = -1;
  std::string memory_;                  // the sections, without a scratch file
  std::unique_ptr<ListingWriter> sections_;
};

}  // namespace morvane
