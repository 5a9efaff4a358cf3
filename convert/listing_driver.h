#pragma once

#include <cstdint>

#include "listing/clip_tables.h"
#include "listing/listing_context.h"

namespace morvane {

// Turns one project file into the destination's text: reads the file once, front to back, and
// writes the [Header], every section heading with its section, [Option], "[END]" and four empty
// lines, then the EDL table. The user's SoftwareKind and the file's version decide which
// optional fields and sections exist; the file itself is never asked.
//
// A file that ends early reads as zeros and still converts. Throws ConversionError when a track
// announces more clips than its table holds, when too much is read past the end of the file,
// or on a read or write error of the platform.
//
// Progress: every conversion whose counts lie between 0 and 2^31 - 1 takes exactly 200 steps;
// the driver takes the share of each section that has no items, and empties the status last.
// What one run of the driver learned about the project. Counts are as read (0 when the file
// does not hold them); version, bin items and main clips are set once the header is read, the
// rest when the run ends.
struct ProjectFacts {
  int version = 0;  // 0x0207 for version 02.07
  std::int32_t binItems = 0;
  std::int32_t mainClips = 0;
  std::int32_t insertClips = 0;
  std::int32_t exAudio1Clips = 0;
  std::int32_t exAudio2Clips = 0;
  std::int32_t effects = 0;
  std::int32_t titles = 0;
  // Frames of the main track as the EDL places it: the sum of its clips' lengths, transitions
  // taken off and half-speed clips stretched; wraps modulo 2^32.
  std::int32_t mainLength = 0;
};

class ListingDriver {
 public:
  // facts, when given, receives what the run learned.
  explicit ListingDriver(ListingContext& context, ProjectFacts* facts = nullptr)
      : context_(context), facts_(facts) {}
  void Run();
  // The same with tables the caller keeps, emptied first; afterwards they hold the clips as the
  // EDL table read them (half speed applied). The exports build their timeline from them, and a
  // caller that converts many projects in a row (the fuzz target) spares itself allocating some
  // 700 KB per conversion.
  void Run(ClipTables& tables);

 private:
  ListingContext& context_;
  ProjectFacts* facts_;
};

}  // namespace morvane
