#include "convert/project_page.h"

#include <span>
#include <utility>
#include <vector>

#include "convert/listing_driver.h"
#include "convert/media_folder.h"
#include "convert/messages.h"
#include "interchange/exports.h"
#include "listing/conversion_error.h"
#include "listing/media_names.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace morvane {

namespace {

class NoProgress final : public ProgressSink {
 public:
  void Step() override {}
  void SetStatus(std::string_view) override {}
};

std::string Count(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The changes of the timeline that concern a format: titles and level points only where it
// keeps them.
bool Concerns(const ExportFormatRow& row, ExportChange change) {
  switch (change) {
    case ExportChange::TitleLeftOut:
    case ExportChange::TitleTextCut:
    case ExportChange::TitlesPastLimit:
      return row.writesTitles;
    case ExportChange::LevelPointsCut:
      return row.writesLevels;
    default:
      return true;
  }
}

// What each export of the timeline would change, in the command line's words: every format is
// written to nowhere and its notes kept.
std::vector<std::string> ExportChanges(const Timeline& timeline, TimecodeMode mode) {
  std::vector<std::string> warnings;
  for (const ExportFormatRow& row : ExportFormats()) {
    if (row.write == nullptr || row.format == ExportFormat::Html) {
      continue;
    }
    ExportNotes notes;
    for (const ExportNote& note : timeline.notes.notes()) {
      if (Concerns(row, note.change)) {
        notes.Add(note);
      }
    }
    std::vector<std::unique_ptr<ListingWriter>> writers;
    std::vector<ListingWriter*> out;
    for (std::size_t i = row.files(timeline, mode).size(); i > 0; --i) {
      writers.push_back(std::make_unique<ListingWriter>(ListingWriter::Discard{}));
      out.push_back(writers.back().get());
    }
    row.write(timeline, mode, out, notes);
    ConversionOutcome outcome;
    outcome.format = row.format;
    outcome.changes = notes.notes();
    const EnglishTexts english;  // the page reads the same in every language
    for (std::string& warning : ExportWarnings(outcome)) {
      warnings.push_back(std::move(warning));
    }
  }
  return warnings;
}

const char* EditorName(SoftwareKind kind) {
  return kind == SoftwareKind::RexEdit ? "RexEdit 2.91" : "EzEdit 2.5 (EZDV II)";
}

std::string RateText(const FrameRate& rate, TimecodeMode mode) {
  if (mode == TimecodeMode::Frames) {
    return "frame numbers (no rate; the picture is drawn at 30000/1001)";
  }
  return rate.Nominal() == 25 ? "25 frames a second (PAL)"
                              : std::string("29.97 frames a second (NTSC, ") +
                                    (rate.dropFrame ? "drop frame)" : "non drop frame)");
}

}  // namespace

PageFacts ProjectPageFacts(const std::string& source, const ProjectProbe& probe, const PageReading& reading,
                           const ProbeOptions& options, const Timeline& timeline, const ClipTables& tables) {
  PageFacts page;
  page.source = source;
  page.tables = &tables;
  const ProjectFacts& facts = probe.facts;
  std::string fits;
  for (const SoftwareKind kind : {SoftwareKind::RexEdit, SoftwareKind::EzEdit}) {
    if (probe.fit.Fits(kind)) {
      fits += (fits.empty() ? "" : ", ") + std::string(EditorName(kind));
    }
  }
  page.facts = {
      {"file", source},
      {"editor", std::string("read as ") + EditorName(reading.software)},
      {"layouts that fit", fits.empty() ? "none" : fits},
      {"version", VersionText(facts.version)},
      {"rate", RateText(timeline.rate, options.timecode)},
      {"picture", std::to_string(timeline.width) + "x" + std::to_string(timeline.height) +
                      (timeline.wide ? ", 16:9" : ", 4:3")},
      {"main track length", LengthText(facts.mainLength, options.timecode) + " (" +
                                Count(facts.mainLength, "frame", "frames") + ")"},
      {"clips", "main " + std::to_string(facts.mainClips) + ", insert " + std::to_string(facts.insertClips) +
                    ", extra audio 1: " + std::to_string(facts.exAudio1Clips) +
                    ", extra audio 2: " + std::to_string(facts.exAudio2Clips)},
      {"effects, titles, bin items", std::to_string(facts.effects) + ", " + std::to_string(facts.titles) + ", " +
                                         std::to_string(facts.binItems)},
  };
  for (ProbedMedia& item : LocateProbedMedia(source, options, probe)) {
    const MediaLocation& location = item.found.location;
    page.media.push_back({std::move(item.name), location.path, location.exists,
                          location.exists ? MatchWord(location.match) : "", std::move(item.found.others)});
  }

  ConversionOutcome outcome;
  outcome.software = reading.software;
  outcome.fits = probe.fit.Fits(reading.software);
  outcome.otherFits = !outcome.fits && probe.fit.Fits(OtherSoftware(reading.software));
  outcome.endedEarly = reading.ending == SourceReader::Ending::PastEnd;
  const EnglishTexts english;  // the page reads the same in every language
  for (const std::string_view warning : {CommandLineWarning(outcome, reading.byFit), NoFitWarning(outcome)}) {
    if (!warning.empty()) {
      page.warnings.emplace_back(warning);
    }
  }
  if (!probe.refusal.empty()) {
    page.warnings.push_back(probe.refusal + " (what was read before is shown)");
  }
  if (options.timecode != TimecodeMode::Frames) {
    for (std::string& warning : ExportChanges(timeline, options.timecode)) {
      page.warnings.push_back(std::move(warning));
    }
  }
  return page;
}

PageProject ReadPageProject(const std::string& source, int fd, const ProbeOptions& options) {
  PageProject project;
  project.probe = ProbeProject(fd, options.software);
  if (!Rewind(fd)) {
    throw ConversionError(ConversionFailure::ReadError, IoFailureReason());
  }
  project.tables = std::make_unique<ClipTables>();
  TimelineFacts recorded;
  SourceReader reader(fd);
  ListingWriter nowhere{ListingWriter::Discard{}};
  NoProgress progress;
  const ConversionSettings settings{project.probe.software, options.timecode};
  ListingContext context{reader, nowhere, progress, settings, &recorded};
  try {
    ListingDriver(context).Run(*project.tables);
  } catch (const ConversionError& error) {
    if (!IsRefusal(error)) {
      throw;
    }
  }
  TimelineSource timelineSource;
  timelineSource.projectName = Utf8Text(Utf8Path(source).stem());
  timelineSource.mediaFolder = MediaFolder(options.mediaDir, source);
  timelineSource.rate = RateOfMode(options.timecode).value_or(FrameRate{30000, 1001, false});
  const std::shared_ptr<MediaTrees> trees = options.trees ? options.trees : std::make_shared<MediaTrees>();
  for (const std::string& folder : options.relinkFolders) {
    timelineSource.relinkTrees.push_back(trees->Tree(folder));
  }
  project.timeline = BuildTimeline(*project.tables, recorded, timelineSource);
  const PageReading reading{project.probe.software, !options.software, reader.HowItEnds()};
  project.facts = ProjectPageFacts(source, project.probe, reading, options, project.timeline, *project.tables);
  return project;
}

}  // namespace morvane
