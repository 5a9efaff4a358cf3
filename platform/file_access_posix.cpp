// The file layer's calls on POSIX systems (Linux, the BSDs, macOS).

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/error_text.h"
#include "platform/file_primitives.h"

namespace morvane {

namespace {

std::string Reason(int error) { return ErrorText(error); }

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

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}

// Created, or after a failed call Exists when the name was taken, else Failed; with the reason.
Creation CreationOf(bool made, std::string& reason) {
  if (made) {
    return Creation::Created;
  }
  const int error = errno;
  reason = Reason(error);
  return error == EEXIST ? Creation::Exists : Creation::Failed;
}

// The folder of a path, "." for a bare name.
std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The name through which an unnamed file can be linked into its folder.
std::string ProcName(const OwnedFile& file) { return "/proc/self/fd/" + std::to_string(file.get()); }

MissingCalls gMissing;

// A call the tests take as missing fails as on a file system without it.
bool Missing(bool missing, int error) {
  if (missing) {
    errno = error;
  }
  return missing;
}

#ifdef RENAME_EXCHANGE
int RenameAt2(const char* from, const char* to, unsigned flags) {
  if (Missing((flags & RENAME_EXCHANGE) ? gMissing.exchange : gMissing.noReplace, EINVAL)) {
    return -1;
  }
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}
#endif

// The system has no such call, or the file system does not take it.
bool IsUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// A new file is locked at once, so that a later run can tell it from an abandoned one.
Creation Locked(OwnedFile& file, std::string& reason) {
  if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
    reason = Reason(errno);
    file.Close();
    return Creation::Failed;
  }
  return Creation::Created;
}

}  // namespace

std::string CloseFailureReason() { return Reason(errno); }

void SetMissingCallsForTesting(MissingCalls calls) { gMissing = calls; }

FileIdentity IdentityOfDescriptor(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? IdentityOf(st) : FileIdentity{};
}

FileIdentity IdentityOfPath(const NativePath& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? IdentityOf(st) : FileIdentity{};
}

bool OpenSource(const std::string& path, SourceFile::State& state, std::string& reason) {
  if (path.empty()) {
    reason = Reason(ENOENT);
    return false;
  }
  state.file = OwnedFile(OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (!state.file.valid() || ::fstat(state.file.get(), &st) != 0) {
    reason = Reason(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = Reason(EISDIR);
    return false;
  }
  state.identity = IdentityOf(st);
  return LockExclusively(state.file.get(), reason);
}

bool OpenDestination(const std::string& path, const FileIdentity& source, DestinationFiles::Entry& entry,
                     std::string& reason) {
  if (path.empty()) {
    reason = Reason(ENOENT);
    return false;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int error = errno;
    struct stat link {};
    if (error != ENOENT || ::lstat(path.c_str(), &link) == 0) {
      reason = Reason(error);  // a dangling symbolic link is refused as missing
      return false;
    }
    entry.target = path;  // nothing to lock: the file appears when it is put in place
    entry.folder = FolderOf(entry.target);
    return true;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = Reason(EISDIR);
    return false;
  }
  if (IdentityOf(st) == source) {
    reason = kReasonSameFile;
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    // Without waiting: a pipe that nobody reads is refused (ENXIO), not waited for.
    entry.direct = OwnedFile(OpenRetrying(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    const int flags = entry.direct.valid() ? ::fcntl(entry.direct.get(), F_GETFL) : -1;
    if (flags < 0 || ::fcntl(entry.direct.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
      reason = Reason(errno);
      return false;
    }
    return true;
  }
  // Replace the file a symbolic link points to, not the link.
  entry.target = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    entry.target = real;
    std::free(real);
  }
  entry.folder = FolderOf(entry.target);
  entry.locked = OwnedFile(OpenRetrying(entry.target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
  if (!entry.locked.valid() || ::fstat(entry.locked.get(), &st) != 0) {
    reason = Reason(errno);
    return false;
  }
  if (IdentityOf(st) == source) {  // it became the source since the first look
    reason = kReasonSameFile;
    return false;
  }
  if (!LockExclusively(entry.locked.get(), reason)) {
    return false;
  }
  entry.existed = true;
  return true;
}

Creation CreateUnnamedFile(const NativePath& folder, OwnedFile& file, std::string& reason) {
#ifdef O_TMPFILE
  if (!Missing(gMissing.unnamedFiles, EOPNOTSUPP)) {
    file = OwnedFile(OpenRetrying(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  }
  if (file.valid()) {
    // The name is given through /proc at the end; without /proc the file could not get one.
    if (::access(ProcName(file).c_str(), F_OK) == 0) {
      return Locked(file, reason);
    }
    file.Close();
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    reason = Reason(errno);  // a missing folder, or one that takes no new file
    return Creation::Failed;
  }
#else
  (void)folder, (void)file, (void)reason;
#endif
  return Creation::Unsupported;
}

Creation CreateNewFile(const NativePath& path, OwnedFile& file, std::string& reason) {
  file = OwnedFile(OpenRetrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  const Creation made = CreationOf(file.valid(), reason);
  if (made == Creation::Created && Locked(file, reason) != Creation::Created) {
    ::unlink(path.c_str());
    return Creation::Failed;
  }
  return made;
}

Creation NameUnnamedFile(const OwnedFile& file, const NativePath& path, std::string& reason) {
  return CreationOf(
      ::linkat(AT_FDCWD, ProcName(file).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0, reason);
}

void TakeOverPermissions(DestinationFiles::Entry& entry) {
  struct stat st {};
  if (::fstat(entry.locked.get(), &st) != 0) {
    return;
  }
  if (::fchmod(entry.temporary.get(), st.st_mode & 07777) != 0) {
    // Not fatal: a file system without permissions.
  }
  if (::geteuid() == 0 && ::fchown(entry.temporary.get(), st.st_uid, st.st_gid) != 0) {
    // Not fatal: the text is still right, only its owner differs.
  }
#ifdef __linux__
  // Extended attributes, the access lists (system.posix_acl_access) among them.
  std::string names(4096, '\0');
  ssize_t size = ::flistxattr(entry.locked.get(), names.data(), names.size());
  if (size < 0 && errno == ERANGE) {
    size = ::flistxattr(entry.locked.get(), nullptr, 0);
    names.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    size = ::flistxattr(entry.locked.get(), names.data(), names.size());
  }
  std::string value;
  for (std::size_t at = 0; size > 0 && at < static_cast<std::size_t>(size); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
    const ssize_t length = ::fgetxattr(entry.locked.get(), name, nullptr, 0);
    value.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    if (length >= 0 && ::fgetxattr(entry.locked.get(), name, value.data(), value.size()) == length &&
        ::fsetxattr(entry.temporary.get(), name, value.data(), value.size(), 0) != 0) {
      // Not fatal: a file system or a security module that does not take this one.
    }
  }
#endif
}

bool FlushFile(const OwnedFile& file, std::string& reason) {
  if (::fdatasync(file.get()) == 0) {
    return true;
  }
  reason = Reason(errno);
  return false;
}

bool MoveOver(const NativePath& from, const NativePath& to, std::string& reason) {
  if (::rename(from.c_str(), to.c_str()) == 0) {
    return true;
  }
  reason = Reason(errno);
  return false;
}

Creation MoveIfFree(const NativePath& from, const NativePath& to, std::string& reason) {
#ifdef RENAME_NOREPLACE
  if (RenameAt2(from.c_str(), to.c_str(), RENAME_NOREPLACE) == 0) {
    return Creation::Created;
  }
  if (!IsUnsupported(errno)) {
    return CreationOf(false, reason);
  }
#else
  (void)from, (void)to, (void)reason;
#endif
  return Creation::Unsupported;
}

Creation LinkFile(const NativePath& from, const NativePath& to, std::string& reason) {
  if (!Missing(gMissing.hardLinks, EPERM) && ::link(from.c_str(), to.c_str()) == 0) {
    return Creation::Created;
  }
  // EPERM: a file system without hard links (FAT, some network file systems).
  return errno == EPERM || errno == EMLINK || IsUnsupported(errno) ? Creation::Unsupported
                                                                     : CreationOf(false, reason);
}

Creation ReplaceKeepingOld(DestinationFiles::Entry& entry, std::string& reason) {
#ifdef RENAME_EXCHANGE
  // Exchanged with its destination, the old text stays under the temporary's name.
  if (RenameAt2(entry.temporaryPath.c_str(), entry.target.c_str(), RENAME_EXCHANGE) == 0) {
    entry.oldPath = entry.temporaryPath;
    return Creation::Created;
  }
  if (!IsUnsupported(errno)) {
    reason = Reason(errno);
    return Creation::Failed;
  }
#else
  (void)entry, (void)reason;
#endif
  return Creation::Unsupported;
}

bool Replace(DestinationFiles::Entry& entry, std::string& reason) {
  return MoveOver(entry.temporaryPath, entry.target, reason);
}

bool RemoveIfAbandoned(const NativePath& path) {
  const OwnedFile file(OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  struct stat st {};
  return file.valid() && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_mtime < ::time(nullptr) - 24 * 60 * 60 && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 &&
         ::unlink(path.c_str()) == 0;
}

void RemoveFile(const NativePath& path) { ::unlink(path.c_str()); }

void FlushFolder(const NativePath& folder) {
  const OwnedFile opened(OpenRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (opened.valid()) {
    ::fsync(opened.get());
  }
}

}  // namespace morvane
