#pragma once

#include "listing/format_kinds.h"
#include "listing/listing_writer.h"
#include "listing/progress_sink.h"
#include "listing/source_reader.h"
#include "listing/timeline_recorder.h"

namespace morvane {

// The three services and the settings that every section reader works with, for one conversion.
struct ListingContext {
  SourceReader& source;
  ListingWriter& out;
  ProgressSink& progress;
  const ConversionSettings& settings;
  // Set only when the conversion exports the timeline; the sections then report to it.
  TimelineRecorder* recorder = nullptr;
};

}  // namespace morvane
