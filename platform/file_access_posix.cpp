// The files of a conversion on POSIX systems (Linux, the BSDs, macOS).

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include "platform/file_access.h"

namespace morvane {

namespace {

std::string Reason(int error) { return std::strerror(error); }

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

// Locks the whole file against other conversions without waiting; sets reason when it cannot.
bool LockExclusively(int fd, std::string& reason) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    return true;
  }
  reason = errno == EWOULDBLOCK ? std::string(kReasonInUse) : Reason(errno);
  return false;
}

// ---- Named temporary files that a request to stop removes ------------------------------------
//
// The signal handler reads this table, so it holds plain characters and lock-free flags only.

constexpr int kTemporarySlots = 16;

struct TemporarySlot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};  // path holds a name to remove
  char path[PATH_MAX];
};

TemporarySlot gTemporaries[kTemporarySlots];
char gInterruptNote[512];
std::atomic<std::size_t> gInterruptNoteSize{0};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free);

// The slot that now names path, or -1 when the table is full or the path too long (the file is
// then left to the platform should the process be stopped).
int RegisterTemporary(const std::string& path) {
  if (path.size() >= PATH_MAX) {
    return -1;
  }
  for (int i = 0; i < kTemporarySlots; ++i) {
    bool expected = false;
    if (gTemporaries[i].claimed.compare_exchange_strong(expected, true)) {
      std::memcpy(gTemporaries[i].path, path.c_str(), path.size() + 1);
      gTemporaries[i].ready.store(true);
      return i;
    }
  }
  return -1;
}

void UnregisterTemporary(int& slot) {
  if (slot >= 0) {
    gTemporaries[slot].ready.store(false);
    gTemporaries[slot].claimed.store(false);
    slot = -1;
  }
}

extern "C" void EndAfterInterrupt(int signal) {
  for (TemporarySlot& slot : gTemporaries) {
    if (slot.ready.load()) {
      ::unlink(slot.path);
    }
  }
  const std::size_t size = gInterruptNoteSize.load();
  if (size != 0 && ::write(STDERR_FILENO, gInterruptNote, size) < 0) {
    // Nothing more can be done about a closed standard error.
  }
  ::_exit(128 + signal);
}

// Holds back the requests to stop while a group of files is put in place, so that a request
// lands before or after it, never in the middle.
class InterruptsHeld {
 public:
  InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~InterruptsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  sigset_t previous_;
};

// ".NAME.morvane-XXXXXX" in folder, with six random letters and digits.
std::string TemporaryName(const std::string& folder, const std::string& name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static thread_local std::minstd_rand random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
  std::string path = folder + "/." + name + ".morvane-";
  for (int i = 0; i < 6; ++i) {
    path += kLetters[random() % (sizeof kLetters - 1)];
  }
  return path;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

// ---- Source ----------------------------------------------------------------------------------

struct SourceFile::State {
  FileDescriptor fd;
  struct stat identity {};
};

SourceFile::SourceFile() = default;
SourceFile::SourceFile(SourceFile&&) noexcept = default;
SourceFile& SourceFile::operator=(SourceFile&&) noexcept = default;
SourceFile::~SourceFile() = default;

bool SourceFile::Open(const std::string& path, std::string& reason) {
  state_.reset();
  if (path.empty()) {
    reason = Reason(ENOENT);
    return false;
  }
  auto state = std::make_unique<State>();
  state->fd = FileDescriptor(OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (!state->fd.valid() || ::fstat(state->fd.get(), &state->identity) != 0) {
    reason = Reason(errno);
    return false;
  }
  if (S_ISDIR(state->identity.st_mode)) {
    reason = Reason(EISDIR);
    return false;
  }
  if (!LockExclusively(state->fd.get(), reason)) {
    return false;
  }
  state_ = std::move(state);
  return true;
}

int SourceFile::Descriptor() const { return state_ ? state_->fd.get() : -1; }

void SourceFile::Close() { state_.reset(); }

// ---- Destinations ----------------------------------------------------------------------------

struct DestinationFiles::Entry {
  int borrowed = -1;          // an open descriptor given by the caller, written directly
  FileDescriptor direct;      // a destination that is not a regular file, written directly
  FileDescriptor locked;      // the existing regular destination, locked while it is replaced
  FileDescriptor temporary;   // where the text of a regular destination goes
  std::string target;         // the file to replace (symbolic links followed)
  std::string folder;         // its folder
  std::string temporaryPath;  // the temporary's name, once it has one
  int slot = -1;              // its place in the table of names a request to stop removes
  bool existed = false;       // the destination existed before
  bool placed = false;        // the temporary replaced the destination
  bool exchanged = false;     // ... and temporaryPath now names the old text

  // Removes the temporary's name and forgets it.
  void RemoveTemporaryName() {
    if (!temporaryPath.empty()) {
      ::unlink(temporaryPath.c_str());
      temporaryPath.clear();
    }
    UnregisterTemporary(slot);
  }

  // Gives the temporary a new unused name in the folder: creates it (unnamed == false) or links
  // the unnamed file there. False with errno set when it cannot.
  bool NameTemporary(bool create) {
    const std::string::size_type slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
      temporaryPath = TemporaryName(folder, name);
      slot = RegisterTemporary(temporaryPath);
      bool made;
      if (create) {
        temporary = FileDescriptor(OpenRetrying(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        made = temporary.valid();
      } else {
        const std::string self = "/proc/self/fd/" + std::to_string(temporary.get());
        made = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporaryPath.c_str(), AT_SYMLINK_FOLLOW) == 0;
      }
      if (made) {
        return true;
      }
      const int error = errno;
      UnregisterTemporary(slot);
      temporaryPath.clear();
      if (error != EEXIST) {
        errno = error;
        return false;
      }
    }
    errno = EEXIST;
    return false;
  }
};

DestinationFiles::DestinationFiles(const SourceFile& source) : source_(source) {}

DestinationFiles::~DestinationFiles() { Discard(); }

std::size_t DestinationFiles::size() const { return entries_.size(); }

void DestinationFiles::AddDescriptor(int fd) {
  auto entry = std::make_unique<Entry>();
  entry->borrowed = fd;
  entries_.push_back(std::move(entry));
}

int DestinationFiles::Descriptor(std::size_t index) const {
  const Entry& entry = *entries_.at(index);
  if (entry.borrowed >= 0) {
    return entry.borrowed;
  }
  return entry.direct.valid() ? entry.direct.get() : entry.temporary.get();
}

bool DestinationFiles::Add(const std::string& path, std::string& reason) {
  if (path.empty()) {
    reason = Reason(ENOENT);
    return false;
  }
  const struct stat* source = source_.state_ ? &source_.state_->identity : nullptr;
  auto entry = std::make_unique<Entry>();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      reason = Reason(EISDIR);
      return false;
    }
    if (source && SameFile(st, *source)) {
      reason = kReasonSameFile;
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      entry->direct = FileDescriptor(OpenRetrying(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
      if (!entry->direct.valid()) {
        reason = Reason(errno);
        return false;
      }
      entries_.push_back(std::move(entry));
      return true;
    }
    // Replace the file a symbolic link points to, not the link.
    entry->target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      entry->target = real;
      std::free(real);
    }
    entry->locked = FileDescriptor(OpenRetrying(entry->target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (!entry->locked.valid() || ::fstat(entry->locked.get(), &st) != 0) {
      reason = Reason(errno);
      return false;
    }
    if (source && SameFile(st, *source)) {  // it became the source since the first look
      reason = kReasonSameFile;
      return false;
    }
    if (!LockExclusively(entry->locked.get(), reason)) {
      return false;
    }
    entry->existed = true;
  } else {
    const int error = errno;
    struct stat link {};
    if (error != ENOENT || ::lstat(path.c_str(), &link) == 0) {
      reason = Reason(error);  // a dangling symbolic link is refused as missing
      return false;
    }
    entry->target = path;  // nothing to lock: the file appears when it is put in place
  }

  const std::string::size_type slash = entry->target.rfind('/');
  entry->folder = slash == std::string::npos ? "." : slash == 0 ? "/" : entry->target.substr(0, slash);
  bool unnamed = false;
#ifdef O_TMPFILE
  entry->temporary = FileDescriptor(OpenRetrying(entry->folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (entry->temporary.valid()) {
    // The name is given through /proc at the end; without /proc the file could not get one.
    const std::string self = "/proc/self/fd/" + std::to_string(entry->temporary.get());
    unnamed = ::access(self.c_str(), F_OK) == 0;
    if (!unnamed) {
      entry->temporary.Close();
    }
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    reason = Reason(errno);  // a missing folder, or one that takes no new file
    return false;
  }
#endif
  if (!unnamed && !entry->NameTemporary(true)) {
    // A folder that takes no new file: writing the destination in place could lose its old
    // text if the conversion then failed, so it is refused instead.
    reason = Reason(errno);
    return false;
  }
  if (entry->existed) {
    // The new file keeps the old one's permissions (and owner, where the platform lets us).
    if (::fchmod(entry->temporary.get(), st.st_mode & 07777) != 0) {
      // Not fatal: a file system without permissions.
    }
    if (::geteuid() == 0 && ::fchown(entry->temporary.get(), st.st_uid, st.st_gid) != 0) {
      // Not fatal: the text is still right, only its owner differs.
    }
  }
  entries_.push_back(std::move(entry));
  return true;
}

bool DestinationFiles::Commit(std::string& reason) {
  if (std::exchange(finished_, true)) {
    reason = Reason(EINVAL);  // the files were put in place or discarded already
    return false;
  }
  std::size_t replacements = 0;
  // 1. Every text on the disk before any destination changes.
  for (auto& entry : entries_) {
    if (entry->direct.valid() && !entry->direct.Close()) {
      reason = Reason(errno);
      Discard();
      return false;
    }
    if (entry->temporary.valid()) {
      ++replacements;
      if (::fdatasync(entry->temporary.get()) != 0) {
        reason = Reason(errno);
        Discard();
        return false;
      }
    }
  }

  // 2. Every temporary named and put in place, with no request to stop in between.
  InterruptsHeld held;
  const bool several = replacements > 1;
  int error = 0;
  for (auto& entry : entries_) {
    if (!entry->temporary.valid()) {
      continue;
    }
    if (entry->temporaryPath.empty() && !entry->NameTemporary(false)) {
      error = errno;
      break;
    }
    if (!entry->temporary.Close()) {
      error = errno;
      break;
    }
  }
  for (std::size_t i = 0; error == 0 && i < entries_.size(); ++i) {
    Entry& entry = *entries_[i];
    if (entry.temporaryPath.empty()) {
      continue;
    }
#ifdef RENAME_EXCHANGE
    // Several files: exchange each with its destination, so that a later failure can put the
    // earlier ones back.
    if (several && entry.existed &&
        ::renameat2(AT_FDCWD, entry.temporaryPath.c_str(), AT_FDCWD, entry.target.c_str(), RENAME_EXCHANGE) == 0) {
      entry.placed = entry.exchanged = true;
      continue;
    }
#endif
    if (::rename(entry.temporaryPath.c_str(), entry.target.c_str()) != 0) {
      error = errno;
      break;
    }
    entry.placed = true;
    entry.temporaryPath.clear();
    UnregisterTemporary(entry.slot);
  }
  if (error != 0) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      Entry& entry = **it;
      if (!entry.placed) {
        continue;
      }
#ifdef RENAME_EXCHANGE
      if (entry.exchanged) {
        ::renameat2(AT_FDCWD, entry.temporaryPath.c_str(), AT_FDCWD, entry.target.c_str(), RENAME_EXCHANGE);
      }
#endif
      if (!entry.existed) {
        ::unlink(entry.target.c_str());
      }
      entry.placed = entry.exchanged = false;
    }
    reason = Reason(error);
    Discard();
    return false;
  }

  // 3. The old texts go, the folders are flushed so that the renames last, the locks go.
  for (auto& entry : entries_) {
    if (entry->exchanged) {
      entry->RemoveTemporaryName();
    }
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i]->placed) {
      continue;
    }
    bool flushed = false;
    for (std::size_t j = 0; j < i; ++j) {
      flushed = flushed || (entries_[j]->placed && entries_[j]->folder == entries_[i]->folder);
    }
    if (!flushed) {
      // Best effort: the new text is in place either way, so a folder that cannot be flushed
      // is no failure to report.
      FileDescriptor folder(OpenRetrying(entries_[i]->folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (folder.valid()) {
        ::fsync(folder.get());
      }
    }
  }
  for (auto& entry : entries_) {
    entry->locked.Close();
  }
  return true;
}

void DestinationFiles::Discard() {
  for (auto& entry : entries_) {
    entry->temporary.Close();
    if (!entry->placed) {
      entry->RemoveTemporaryName();
    }
    entry->direct.Close();
    entry->locked.Close();
  }
  entries_.clear();
}

// ---- Requests to stop ------------------------------------------------------------------------

void EndOnInterrupt(InterruptRequests requests) {
  struct sigaction action {};
  action.sa_handler = EndAfterInterrupt;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGHUP);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    if (signal == SIGINT && requests != InterruptRequests::Terminal) {
      continue;
    }
    // A signal ignored when the program started (nohup, a background job) stays ignored.
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(signal, &action, nullptr);
  }
}

void SetInterruptNote(std::string_view note) {
  InterruptsHeld held;
  const std::size_t size = std::min(note.size(), sizeof gInterruptNote);
  std::memcpy(gInterruptNote, note.data(), size);
  if (size < note.size() && note.back() == '\n') {
    gInterruptNote[size - 1] = '\n';  // a shortened line still ends
  }
  gInterruptNoteSize.store(size);
}

}  // namespace morvane
