#include "convert/conversion_job.h"

#include <string>
#include <utility>

#include "convert/file_access.h"
#include "convert/messages.h"
#include "listing/conversion_error.h"
#include "convert/listing_driver.h"

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

}  // namespace morvane
