// Reads and writes of open files on POSIX systems.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <climits>
#include <cstdio>

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

std::string IoFailureReason() { return std::strerror(errno); }

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

bool OpenPipe(int (&fds)[2]) { return ::pipe(fds) == 0; }

bool CloseDescriptor(int fd) { return ::close(fd) == 0; }

}  // namespace morvane
