#include "convert/conversion_job.h"

#include <future>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "convert/layout_fit.h"
#include "convert/listing_driver.h"
#include "convert/media_folder.h"
#include "convert/project_page.h"
#include "interchange/exports.h"
#include "interchange/timeline.h"
#include "listing/conversion_error.h"
#include "platform/file_access.h"
#include "platform/file_system.h"
#include "platform/pages.h"
#include "platform/utf8_path.h"

namespace morvane {

namespace {

using Kind = ConversionOutcome::Kind;

// The outcome of a failure that concerns file (empty: none) for the operating system's reason.
ConversionOutcome Failure(const ConversionOutcome& facts, Kind kind, std::string file = {}, std::string reason = {}) {
  ConversionOutcome outcome;
  outcome.source = facts.source;
  outcome.destination = facts.destination;
  outcome.kind = kind;
  outcome.file = std::move(file);
  outcome.reason = std::move(reason);
  outcome.format = facts.format;
  outcome.changes = facts.changes;
  return outcome;
}

ConversionOutcome FailureOf(const ConversionOutcome& facts, const ConversionError& error) {
  switch (error.failure()) {
    case ConversionFailure::EndsTooEarly:
      return Failure(facts, Kind::EndsTooEarly);
    case ConversionFailure::OverCapacity: {
      ConversionOutcome outcome = Failure(facts, Kind::OverCapacity);
      outcome.heading = error.heading();
      outcome.count = error.count();
      outcome.capacity = error.capacity();
      return outcome;
    }
    case ConversionFailure::ReadError:
      return Failure(facts, Kind::ReadFailed, {}, error.reason());
    case ConversionFailure::WriteError:
      break;
  }
  return Failure(facts, Kind::WriteFailed, {}, error.reason());
}

// A failure while reading; a refusal also says which layouts fit.
ConversionOutcome ReadFailure(const ConversionOutcome& facts, const ConversionError& error,
                              std::optional<FitCheck>& fit) {
  ConversionOutcome failure = FailureOf(facts, error);
  if (fit && IsRefusal(error)) {
    fit->Complete(failure, false);
  }
  return failure;
}

// Once every text is written: the source is closed and every destination put in place, unless
// confirm, asked when only the other layout fits, declines.
ConversionOutcome Completed(ConversionOutcome completed, FitCheck& fit, SourceReader::Ending ending,
                            const ConversionJob::Confirm& confirm, SourceFile& source,
                            DestinationFiles& destination, std::vector<std::string> written) {
  fit.Complete(completed, ending == SourceReader::Ending::Exact);
  completed.endedEarly = ending == SourceReader::Ending::PastEnd;
  if (confirm && completed.OnlyOtherFits() && !confirm(completed)) {
    completed.kind = Kind::Withdrawn;
    return completed;  // the destination's destructor discards what was written
  }
  source.Close();
  ConversionOutcome outcome = std::move(completed);
  if (std::string reason; !destination.Commit(reason)) {
    // A file to keep that appeared while this one was written is kept.
    const std::optional<std::size_t> taken = destination.TakenMeanwhile();
    outcome = taken ? Failure(outcome, Kind::DestinationExists, written.at(*taken))
                    : Failure(outcome, Kind::WriteFailed, {}, reason);
  } else {
    outcome.written = std::move(written);
  }
  outcome.staleTemporaries = destination.StaleTemporaries();
  return outcome;
}

// Reads the project once, with the software the fit check picks (it is set first, so that a
// refusal can still name the layout that fits), listing to out and reporting to recorder; the
// tables hold the clips afterwards. Says how the reads met the end of the file.
SourceReader::Ending ReadProject(int fd, ConversionSettings settings, bool byFit, std::optional<FitCheck>& fit,
                 ListingWriter& out, ProgressSink& progress, ClipTables& tables,
                 TimelineRecorder* recorder = nullptr) {
  fit.emplace(fd, settings.softwareKind, byFit);
  settings.softwareKind = fit->Software();
  SourceReader reader(fd);
  ListingContext context{reader, out, progress, settings, recorder};
  ListingDriver(context).Run(tables);
  return reader.HowItEnds();
}

}  // namespace

ConversionJob::ConversionJob(std::string sourcePath, std::string destinationPath, ConversionSettings settings)
    : sourcePath_(std::move(sourcePath)), destinationPath_(std::move(destinationPath)), settings_(settings) {}

ConversionJob ConversionJob::ToDescriptor(std::string sourcePath, int fd, std::string displayName,
                                          ConversionSettings settings) {
  ConversionJob job(std::move(sourcePath), std::move(displayName), settings);
  job.destinationFd_ = fd;
  return job;
}

ConversionOutcome ConversionJob::Facts() const {
  ConversionOutcome facts;
  facts.source = sourcePath_;
  facts.destination = destinationPath_;
  return facts;
}

bool ConversionJob::KeepsExisting(const std::string& path) const {
  return export_.keepExisting && destinationFd_ < 0 && PathExists(path);
}

ConversionOutcome ConversionJob::Run(ProgressSink& progress) const {
  try {
    return RunListing(progress);
  } catch (const std::bad_alloc&) {
    // Unwound: every temporary is gone, the memory they took is free again.
    return Failure(Facts(), Kind::OutOfMemory);
  }
}

ConversionOutcome ConversionJob::RunListing(ProgressSink& progress) const {
  // An export checks every file of its set at once, once it knows them.
  if (export_.format == ExportFormat::Listing && KeepsExisting(destinationPath_)) {
    ConversionOutcome outcome = Failure(Facts(), Kind::DestinationExists, destinationPath_);
    outcome.kept = {destinationPath_};
    return outcome;
  }
  if (export_.format != ExportFormat::Listing) {
    return RunExport(progress);
  }
  std::string reason;
  SourceFile source;
  if (!source.Open(sourcePath_, reason)) {
    return Failure(Facts(), Kind::SourceOpenFailed, sourcePath_, reason);
  }
  DestinationFiles destination(source);
  if (destinationFd_ >= 0 ? !destination.AddDescriptor(destinationFd_, reason)
                          : !destination.Add(destinationPath_, reason, export_.keepExisting)) {
    return Failure(Facts(), Kind::DestinationOpenFailed, destinationPath_, reason);
  }

  std::optional<FitCheck> fit;
  SourceReader::Ending ending{};
  try {
    const auto tables = MakeOnPages<ClipTables>();
    ListingWriter writer(destination.Descriptor(0));
    ending = ReadProject(source.Descriptor(), settings_, chooseByFit_, fit, writer, progress, *tables);
    writer.Flush();
  } catch (const ConversionError& error) {
    return ReadFailure(Facts(), error, fit);  // the destination's destructor puts everything back
  }
  return Completed(Facts(), *fit, ending, confirm_, source, destination, {destinationPath_});
}

ConversionOutcome ConversionJob::RunExport(ProgressSink& progress) const {
  TimelineSource timelineSource;
  if (const std::optional<FrameRate> rate = RateOfMode(settings_.timecodeMode)) {
    timelineSource.rate = *rate;
  } else {
    return Failure(Facts(), Kind::NoFrameRate);
  }
  timelineSource.projectName = Utf8Text(Utf8Path(sourcePath_).stem());
  timelineSource.mediaFolder = AbsoluteMediaFolder(export_.mediaFolder, sourcePath_);
  // The relinking folders are read on a thread of their own while the project is read, the
  // timeline built and the destinations opened: a large tree takes as long as a large project.
  // Trees that the job's trees already hold cost nothing.
  const std::shared_ptr<MediaTrees> trees = export_.trees ? export_.trees : std::make_shared<MediaTrees>();
  std::future<std::vector<std::shared_ptr<const MediaTree>>> relinkTrees;
  if (!export_.relinkFolders.empty()) {
    std::vector<std::string> folders;
    for (const std::string& folder : export_.relinkFolders) {
      folders.push_back(AbsoluteMediaFolder(folder, sourcePath_));
    }
    relinkTrees = std::async(std::launch::async, [trees, folders = std::move(folders)] {
      std::vector<std::shared_ptr<const MediaTree>> read;
      for (const std::string& folder : folders) {
        read.push_back(trees->Tree(folder));
      }
      return read;
    });
  }
  timelineSource.start = export_.start;
  ConversionOutcome facts = Facts();
  facts.format = export_.format;

  std::string reason;
  SourceFile source;
  if (!source.Open(sourcePath_, reason)) {
    return Failure(Facts(), Kind::SourceOpenFailed, sourcePath_, reason);
  }
  const ExportFormatRow& row = FormatRow(export_.format);
  std::optional<FitCheck> fit;
  SourceReader::Ending ending{};
  std::optional<Timeline> timeline;
  std::vector<std::string> suffixes;
  const auto tables = MakeOnPages<ClipTables>();
  PageFacts page;
  try {
    ListingWriter listing{ListingWriter::Discard{}};
    TimelineFacts recorded(row.writesTitles, row.writesLevels);
    ending = ReadProject(source.Descriptor(), settings_, chooseByFit_, fit, listing, progress, *tables, &recorded);
    timeline = BuildTimeline(*tables, recorded, timelineSource);  // the trees come below
    suffixes = row.files(*timeline, settings_.timecodeMode);
  } catch (const ConversionError& error) {
    return ReadFailure(facts, error, fit);
  }

  // Every file is opened before any is written, and all are put in place together.
  DestinationFiles destination(source);
  std::vector<std::string> paths;
  if (destinationFd_ >= 0) {
    if (suffixes.size() != 1) {
      return Failure(facts, Kind::DestinationOpenFailed, destinationPath_);
    }
    if (!destination.AddDescriptor(destinationFd_, reason)) {
      return Failure(facts, Kind::DestinationOpenFailed, destinationPath_, reason);
    }
    paths.push_back(destinationPath_);
  } else {
    std::vector<std::string> kept;
    for (const std::string& suffix : suffixes) {
      paths.push_back(ExportPath(destinationPath_, suffix));
      const bool further = paths.size() > 1;
      if (KeepsExisting(paths.back()) || (further && !export_.replaceFurther && PathExists(paths.back()))) {
        kept.push_back(paths.back());
      }
    }
    if (!kept.empty()) {
      ConversionOutcome outcome = Failure(facts, Kind::DestinationExists, kept.front());
      outcome.kept = std::move(kept);
      return outcome;
    }
    for (const std::string& path : paths) {
      const bool further = &path != &paths.front();
      if (!destination.Add(path, reason, export_.keepExisting || (further && !export_.replaceFurther))) {
        return Failure(facts, Kind::DestinationOpenFailed, path, reason);
      }
    }
  }
  try {
    if (relinkTrees.valid()) {
      RelinkTimeline(*timeline, relinkTrees.get());
    }
    if (export_.format == ExportFormat::Html) {  // the page tells what the probe knows too
      ProbeOptions where{false, timelineSource.mediaFolder, settings_.timecodeMode, fit->Software(), {}, trees};
      for (const std::string& folder : export_.relinkFolders) {
        where.relinkFolders.push_back(AbsoluteMediaFolder(folder, sourcePath_));
      }
      page = ProjectPageFacts(sourcePath_, ProbeProject(source.Descriptor(), fit->Software()),
                              {fit->Software(), chooseByFit_, ending}, where, *timeline, *tables);
      timeline->page = &page;
    }
  } catch (const ConversionError& error) {
    return ReadFailure(facts, error, fit);  // the destination's destructor puts everything back
  }
  try {
    std::vector<std::unique_ptr<ListingWriter>> writers;
    std::vector<ListingWriter*> out;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      writers.push_back(std::make_unique<ListingWriter>(destination.Descriptor(i)));
      out.push_back(writers.back().get());
    }
    ExportNotes notes;
    notes.Add(timeline->notes);
    row.write(*timeline, settings_.timecodeMode, out, notes);
    for (const auto& writer : writers) {
      writer->Flush();
    }
    facts.changes = notes.notes();
  } catch (const ConversionError& error) {
    return FailureOf(facts, error);
  }

  return Completed(std::move(facts), *fit, ending, confirm_, source, destination, std::move(paths));
}

}  // namespace morvane
