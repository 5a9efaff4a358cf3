// Reads and writes of open files on Windows, through the C runtime's descriptors.

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/error_text.h"
#include "platform/file_io.h"

namespace morvane {

namespace {
// The runtime's calls take an unsigned int count: long texts go in pieces of at most 1 GiB.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
}  // namespace

std::ptrdiff_t ReadSome(int fd, void* buffer, std::size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(std::min(size, kMaxPiece)));
}

void StartWriteBack(int) {}  // Windows writes back on its own schedule; the flush waits

void ReserveRoom(int, std::uint64_t, std::uint64_t) {}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const int n = _write(fd, next, static_cast<unsigned>(std::min(size, kMaxPiece)));
    if (n < 0) {
      return false;
    }
    next += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string IoFailureReason() { return ErrorText(errno); }

bool SeekForward(int fd, std::uint64_t n) {
  return n <= static_cast<std::uint64_t>(INT64_MAX) && _lseeki64(fd, static_cast<__int64>(n), SEEK_CUR) != -1;
}

bool Rewind(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }

bool AtStart(int fd) { return _lseeki64(fd, 0, SEEK_CUR) == 0; }

std::optional<std::uint64_t> RegularFileSize(int fd) {
  struct _stat64 st {};
  if (_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

bool SeekTo(int fd, std::uint64_t offset) {
  return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
         _lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) == static_cast<__int64>(offset);
}

int OpenScratchFile() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  wchar_t name[MAX_PATH + 1];
  if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"mvn", 0, name) == 0) {
    return -1;
  }
  // GetTempFileNameW made the file; it goes when its last handle closes.
  const HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_RDWR);
  if (fd < 0) {
    CloseHandle(handle);
  }
  return fd;
}

bool OpenPipe(int (&fds)[2]) { return _pipe(fds, 1 << 16, _O_BINARY) == 0; }

bool CloseDescriptor(int fd) { return _close(fd) == 0; }

}  // namespace morvane
