#include "convert/conversion_job.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "convert/file_access.h"
#include "convert/layout_fit.h"
#include "convert/listing_driver.h"
#include "convert/messages.h"
#include "interchange/exports.h"
#include "interchange/timeline.h"
#include "listing/conversion_error.h"
#include "listing/utf8_path.h"

namespace morvane {

namespace {

using Kind = ConversionOutcome::Kind;

ConversionOutcome Failure(Kind kind, std::string message, std::string reason = {}) {
  ConversionOutcome outcome;
  outcome.kind = kind;
  outcome.message = std::move(message);
  outcome.icon = MessageIcon::Warning;
  outcome.reason = std::move(reason);
  return outcome;
}

ConversionOutcome FailureOf(const ConversionError& error) {
  switch (error.failure()) {
    case ConversionFailure::EndsTooEarly:
      return Failure(Kind::EndsTooEarly, std::string(kEndsTooEarly));
    case ConversionFailure::OverCapacity:
      return Failure(Kind::OverCapacity,
                     OverCapacityMessage(error.heading(), error.count(), error.capacity()));
    case ConversionFailure::ReadError:
      return Failure(Kind::ReadFailed, std::string(kReadFailed));
    case ConversionFailure::WriteError:
      break;
  }
  return Failure(Kind::WriteFailed, std::string(kWriteFailed));
}

// A failure while reading; a refusal also says which layout the project reads with.
ConversionOutcome ReadFailure(const ConversionError& error, std::optional<FitCheck>& fit) {
  ConversionOutcome failure = FailureOf(error);
  if (fit && IsRefusal(error)) {
    fit->Complete(failure, false);
  }
  return failure;
}

// Once every text is written: the source is closed and every destination put in place.
ConversionOutcome Completed(std::string message, FitCheck& fit, bool fits, SourceFile& source,
                            DestinationFiles& destination) {
  ConversionOutcome completed;
  completed.message = std::move(message);
  fit.Complete(completed, fits);
  source.Close();
  if (std::string reason; !destination.Commit(reason)) {
    return Failure(Kind::WriteFailed, std::string(kWriteFailed), reason);
  }
  return completed;
}

// Reads the project once, with the software the fit check picks (it is set first, so that a
// refusal can still name the layout that fits), listing to out and reporting to recorder; the
// tables hold the clips afterwards. True when that layout fitted the file to its last byte.
bool ReadProject(int fd, ConversionSettings settings, bool byFit, std::optional<FitCheck>& fit,
                 ListingWriter& out, ProgressSink& progress, ClipTables& tables,
                 TimelineRecorder* recorder = nullptr) {
  fit.emplace(fd, settings.softwareKind, byFit);
  settings.softwareKind = fit->Software();
  SourceReader reader(fd);
  ListingContext context{reader, out, progress, settings, recorder};
  ListingDriver(context).Run(tables);
  return reader.EndsHere();
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

ConversionOutcome ConversionJob::Run(ProgressSink& progress) const {
  if (export_.format != ExportFormat::Listing) {
    return RunExport(progress);
  }
  std::string reason;
  SourceFile source;
  if (!source.Open(sourcePath_, reason)) {
    return Failure(Kind::SourceOpenFailed, std::string(kSourceOpenFailed), reason);
  }
  DestinationFiles destination(source);
  if (destinationFd_ >= 0) {
    destination.AddDescriptor(destinationFd_);
  } else if (!destination.Add(destinationPath_, reason)) {
    return Failure(Kind::DestinationOpenFailed, std::string(kDestinationOpenFailed), reason);
  }

  std::optional<FitCheck> fit;
  bool fits = false;
  try {
    const auto tables = std::make_unique<ClipTables>();
    ListingWriter writer(destination.Descriptor(0));
    fits = ReadProject(source.Descriptor(), settings_, chooseByFit_, fit, writer, progress, *tables);
    writer.Flush();
  } catch (const ConversionError& error) {
    return ReadFailure(error, fit);  // the destination's destructor puts everything back
  }
  return Completed(CompletionMessage(sourcePath_, destinationPath_), *fit, fits, source, destination);
}

namespace {

// Where the project's media are looked up, as an absolute path: the folder given, else the
// project's own folder.
std::string MediaFolder(const std::string& given, const std::string& sourcePath) {
  std::filesystem::path folder = given.empty() ? Utf8Path(sourcePath).parent_path() : Utf8Path(given);
  if (folder.empty()) {
    folder = ".";
  }
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
  const std::u8string text = (error ? folder : absolute.lexically_normal()).generic_u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

ConversionOutcome ConversionJob::RunExport(ProgressSink& progress) const {
  TimelineSource timelineSource;
  if (const std::optional<FrameRate> rate = RateOfMode(settings_.timecodeMode)) {
    timelineSource.rate = *rate;
  } else {
    return Failure(Kind::NoFrameRate, std::string(kExportNeedsRate));
  }
  timelineSource.projectName = Utf8Text(Utf8Path(sourcePath_).stem());
  timelineSource.mediaFolder = MediaFolder(export_.mediaFolder, sourcePath_);

  std::string reason;
  SourceFile source;
  if (!source.Open(sourcePath_, reason)) {
    return Failure(Kind::SourceOpenFailed, std::string(kSourceOpenFailed), reason);
  }
  std::vector<ExportText> files;
  std::optional<FitCheck> fit;
  bool fits = false;
  try {
    const auto tables = std::make_unique<ClipTables>();
    ListingWriter listing{ListingWriter::Discard{}};
    TimelineFacts facts;
    fits = ReadProject(source.Descriptor(), settings_, chooseByFit_, fit, listing, progress, *tables, &facts);
    files = RenderTimeline(BuildTimeline(*tables, facts, timelineSource), export_.format,
                           settings_.timecodeMode);
  } catch (const ConversionError& error) {
    return ReadFailure(error, fit);
  }

  // Every file is opened before any is written, and all are put in place together.
  DestinationFiles destination(source);
  if (destinationFd_ >= 0) {
    if (files.size() != 1) {
      return Failure(Kind::DestinationOpenFailed, std::string(kDestinationOpenFailed));
    }
    destination.AddDescriptor(destinationFd_);
  } else {
    std::vector<std::string> paths;
    for (const ExportText& file : files) {
      paths.push_back(ExportPath(destinationPath_, file.suffix));
      if (export_.keepExisting && PathExists(paths.back())) {
        return Failure(Kind::DestinationExists, KeptMessage(paths.back()));
      }
    }
    for (const std::string& path : paths) {
      if (!destination.Add(path, reason)) {
        return Failure(Kind::DestinationOpenFailed, std::string(kDestinationOpenFailed), reason);
      }
    }
  }
  try {
    for (std::size_t i = 0; i < files.size(); ++i) {
      ListingWriter writer(destination.Descriptor(i));
      writer.WriteText(files[i].text);
      writer.Flush();
    }
  } catch (const ConversionError& error) {
    return FailureOf(error);
  }

  return Completed(CompletionMessage(sourcePath_, destinationPath_), *fit, fits, source, destination);
}

}  // namespace morvane
