#include "convert/conversion_job.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "convert/messages.h"
#include "listing/conversion_error.h"
#include "convert/listing_driver.h"

namespace morvane {

namespace {

using Kind = ConversionOutcome::Kind;

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~FileDescriptor() { Close(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // False when the platform reports an error on closing (a delayed write error).
  bool Close() {
    if (fd_ < 0) {
      return true;
    }
    return ::close(std::exchange(fd_, -1)) == 0;
  }

 private:
  int fd_ = -1;
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool LockExclusively(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

ConversionOutcome Failure(Kind kind, std::string message) {
  return ConversionOutcome{kind, std::move(message), MessageIcon::Warning, {}};
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

std::optional<FileDescriptor> OpenSource(const std::string& path) {
  if (path.empty()) {
    return std::nullopt;
  }
  FileDescriptor fd(OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode) || !LockExclusively(fd.get())) {
    return std::nullopt;
  }
  return fd;
}

// Where the text of one conversion goes. A regular destination is locked and kept as it is
// while the text goes to a temporary file beside it; Commit() renames the temporary file over
// it. Anything else (a device, a pipe, standard output) is written directly.
class Destination {
 public:
  Destination() = default;
  Destination(Destination&& other) noexcept
      : locked_(std::move(other.locked_)),
        temporary_(std::move(other.temporary_)),
        target_(std::move(other.target_)),
        temporaryPath_(std::move(other.temporaryPath_)),
        borrowedFd_(other.borrowedFd_),
        created_(other.created_),
        committed_(std::exchange(other.committed_, true)) {}
  Destination& operator=(Destination&&) = delete;
  ~Destination() { Discard(); }

  static std::optional<Destination> Open(const std::string& path);
  static Destination Descriptor(int fd) {
    Destination destination;
    destination.borrowedFd_ = fd;
    return destination;
  }

  int WriteFd() const {
    if (borrowedFd_ >= 0) {
      return borrowedFd_;
    }
    return temporary_.valid() ? temporary_.get() : locked_.get();
  }

  // Puts the text in place; false when the platform fails to.
  bool Commit() {
    committed_ = true;
    if (!temporary_.valid()) {
      return locked_.Close();
    }
    if (!temporary_.Close() || ::rename(temporaryPath_.c_str(), target_.c_str()) != 0) {
      committed_ = false;
      Discard();
      return false;
    }
    locked_.Close();
    return true;
  }

 private:
  // Leaves the destination as it was: the temporary file goes, and so does a destination that
  // this conversion created.
  void Discard() {
    if (committed_) {
      return;
    }
    committed_ = true;
    if (!temporaryPath_.empty()) {
      temporary_.Close();
      ::unlink(temporaryPath_.c_str());
    }
    if (created_) {
      ::unlink(target_.c_str());
    }
    locked_.Close();
  }

  FileDescriptor locked_;
  FileDescriptor temporary_;
  std::string target_;
  std::string temporaryPath_;
  int borrowedFd_ = -1;
  bool created_ = false;
  bool committed_ = false;
};

std::optional<Destination> Destination::Open(const std::string& path) {
  if (path.empty()) {
    return std::nullopt;
  }
  Destination destination;
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      return std::nullopt;
    }
    destination.locked_ = FileDescriptor(OpenRetrying(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (!destination.locked_.valid()) {
      return std::nullopt;
    }
    return destination;
  }

  // Replace the file a symbolic link points to, not the link.
  destination.target_ = path;
  if (exists) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      destination.target_ = real;
      std::free(real);
    }
  }
  const char* target = destination.target_.c_str();
  destination.locked_ = FileDescriptor(OpenRetrying(target, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  destination.created_ = destination.locked_.valid();
  if (!destination.locked_.valid() && errno == EEXIST) {
    destination.locked_ = FileDescriptor(OpenRetrying(target, O_WRONLY | O_CLOEXEC | O_NOCTTY));
  }
  if (!destination.locked_.valid()) {
    return std::nullopt;
  }
  if (!LockExclusively(destination.locked_.get()) || ::fstat(destination.locked_.get(), &st) != 0) {
    return std::nullopt;  // Discard removes the file if this open created it
  }

  const std::string::size_type slash = destination.target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : destination.target_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination.target_ : destination.target_.substr(slash + 1);
  std::string temporaryPath = folder + "." + name + ".morvane-XXXXXX";
  FileDescriptor temporary(::mkostemp(temporaryPath.data(), O_CLOEXEC));
  if (!temporary.valid()) {
    // A folder that takes no new file: writing the destination in place could lose its old
    // text if the conversion then failed, so it is refused instead.
    return std::nullopt;
  }
  destination.temporaryPath_ = std::move(temporaryPath);
  destination.temporary_ = std::move(temporary);
  // The new file keeps the old one's permissions (and owner, where the platform lets us).
  ::fchmod(destination.temporary_.get(), st.st_mode & 07777);
  if (::geteuid() == 0 && ::fchown(destination.temporary_.get(), st.st_uid, st.st_gid) != 0) {
    // Not fatal: the text is still right, only its owner differs.
  }
  return destination;
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
  std::optional<FileDescriptor> source = OpenSource(sourcePath_);
  if (!source) {
    return Failure(Kind::SourceOpenFailed, std::string(kSourceOpenFailed));
  }
  std::optional<Destination> destination =
      destinationFd_ >= 0 ? Destination::Descriptor(destinationFd_) : Destination::Open(destinationPath_);
  if (!destination) {
    return Failure(Kind::DestinationOpenFailed, std::string(kDestinationOpenFailed));
  }

  try {
    SourceReader reader(source->get());
    ListingWriter writer(destination->WriteFd());
    ListingContext context{reader, writer, progress, settings_};
    ListingDriver(context).Run();
    writer.Flush();
  } catch (const ConversionError& error) {
    return FailureOf(error);  // the destination's destructor puts everything back
  }

  source->Close();
  if (!destination->Commit()) {
    return Failure(Kind::WriteFailed, std::string(kWriteFailed));
  }
  return ConversionOutcome{Kind::Completed, CompletionMessage(sourcePath_, destinationPath_), MessageIcon::None, {}};
}

}  // namespace morvane
