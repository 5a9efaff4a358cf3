#include "convert/conversion_job.h"

#include <filesystem>
#include <string>
#include <utility>

#include "convert/file_access.h"
#include "convert/messages.h"
#include "convert/listing_driver.h"
#include "listing/conversion_error.h"
#include "listing/utf8_path.h"
#include "interchange/exports.h"
#include "interchange/timeline.h"

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

  try {
    SourceReader reader(source.Descriptor());
    ListingWriter writer(destination.Descriptor(0));
    ListingContext context{reader, writer, progress, settings_};
    ListingDriver(context).Run();
    writer.Flush();
  } catch (const ConversionError& error) {
    return FailureOf(error);  // the destination's destructor puts everything back
  }

  source.Close();
  if (!destination.Commit(reason)) {
    return Failure(Kind::WriteFailed, std::string(kWriteFailed), reason);
  }
  ConversionOutcome completed;
  completed.message = CompletionMessage(sourcePath_, destinationPath_);
  return completed;
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
  timelineSource.mode = settings_.timecodeMode;
  if (FrameRate rate; !RateOfMode(settings_.timecodeMode, rate)) {
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
  try {
    SourceReader reader(source.Descriptor());
    ListingWriter listing{ListingWriter::Discard{}};
    TimelineFacts facts;
    ListingContext context{reader, listing, progress, settings_, &facts};
    ListingDriver driver(context);
    driver.Run();
    files = RenderTimeline(BuildTimeline(driver.tables(), facts, timelineSource), export_.format,
                           settings_.timecodeMode);
  } catch (const ConversionError& error) {
    return FailureOf(error);
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

  source.Close();
  if (!destination.Commit(reason)) {
    return Failure(Kind::WriteFailed, std::string(kWriteFailed), reason);
  }
  ConversionOutcome completed;
  completed.message = CompletionMessage(sourcePath_, destinationPath_);
  return completed;
}

}  // namespace morvane
