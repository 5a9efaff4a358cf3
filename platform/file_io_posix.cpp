// Reads and writes of open files on POSIX systems.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/error_text.h"
#include "platform/file_io.h"

namespace morvane {

std::ptrdiff_t ReadSome(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(fd, buffer, std::min<std::size_t>(size, SSIZE_MAX));
  } while (n < 0 && errno == EINTR);
  return n;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, next, std::min<std::size_t>(size, SSIZE_MAX));
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    next += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void StartWriteBack(int fd) {
#ifdef __linux__
  const int saved = errno;
  ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  errno = saved;
#else
  static_cast<void>(fd);
#endif
}

void ReserveRoom(int fd, std::uint64_t offset, std::uint64_t size) {
#ifdef __linux__
  const int saved = errno;
  if (offset <= static_cast<std::uint64_t>(INT64_MAX) && size <= static_cast<std::uint64_t>(INT64_MAX) - offset) {
    ::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(size));
  }
  errno = saved;
#else
  static_cast<void>(fd), static_cast<void>(offset), static_cast<void>(size);
#endif
}

std::string IoFailureReason() { return ErrorText(errno); }

bool SeekForward(int fd, std::uint64_t n) {
  return n <= static_cast<std::uint64_t>(INT64_MAX) &&
         ::lseek(fd, static_cast<off_t>(n), SEEK_CUR) != off_t{-1};
}

bool Rewind(int fd) { return ::lseek(fd, 0, SEEK_SET) == 0; }

bool AtStart(int fd) { return ::lseek(fd, 0, SEEK_CUR) == 0; }

std::optional<std::uint64_t> RegularFileSize(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

bool SeekTo(int fd, std::uint64_t offset) {
  return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
         ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int OpenScratchFile() {
  const char* given = std::getenv("TMPDIR");
  const std::string folder = given != nullptr && given[0] != '\0' ? given : "/tmp";
  int fd = -1;
#ifdef O_TMPFILE
  do {
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    return fd;
  }
#endif
  // Without unnamed files: a named one, unlinked at once.
  std::string name = folder + "/morvane-scratch-XXXXXX";
  fd = ::mkstemp(name.data());
  if (fd >= 0) {
    ::unlink(name.c_str());
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return fd;
}

bool OpenPipe(int (&fds)[2]) { return ::pipe(fds) == 0; }

bool CloseDescriptor(int fd) { return ::close(fd) == 0; }

}  // namespace morvane
