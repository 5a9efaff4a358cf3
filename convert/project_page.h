#pragma once

// What a web page about a project tells beyond its edit (interchange/page_writer.h's PageFacts):
// what --probe knows, where each media file is, and the warnings in the program's words. The
// page writer lives with the other writers and cannot know these words; this layer fills them in.

#include <memory>
#include <string>

#include "convert/layout_fit.h"
#include "convert/probe_report.h"
#include "interchange/page_writer.h"
#include "interchange/timeline.h"
#include "listing/clip_tables.h"
#include "listing/source_reader.h"

namespace morvane {

// How the project was read for its page: with which layout, whether that layout was picked by
// fit (--software auto), and how the reads met the end of the file.
struct PageReading {
  SoftwareKind software = SoftwareKind::RexEdit;
  bool byFit = false;
  SourceReader::Ending ending = SourceReader::Ending::Exact;
};

// The facts of the page of source: the probe's (version, layouts that fit, editor, rate, picture,
// length, counts), its media as options look for them (the ProbeOptions' media folder and
// relinking folders), the warnings (the layout that fits, a file that ends early or has bytes
// after its end, a refusal, and for every export format what it would change, in the words of
// the command line), and tables for the EDL table, which must outlive the facts.
PageFacts ProjectPageFacts(const std::string& source, const ProjectProbe& probe, const PageReading& reading,
                           const ProbeOptions& options, const Timeline& timeline, const ClipTables& tables);

// A project read once for a page: its probe, its clip tables and its timeline (titles kept), read
// with the probe's layout from the open file fd. Throws ConversionError when it cannot be read.
struct PageProject {
  ProjectProbe probe;
  std::unique_ptr<ClipTables> tables;
  Timeline timeline;
  PageFacts facts;
};
PageProject ReadPageProject(const std::string& source, int fd, const ProbeOptions& options);

}  // namespace morvane
