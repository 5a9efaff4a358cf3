#include "platform/write_behind.h"

#include <algorithm>

#include "platform/file_io.h"

namespace morvane {

namespace {
constexpr std::size_t kWriteBackStep = 256 * 1024;
// A scratch file's room is asked for this much at a time, ahead of its writes: each page that
// found its room as it was written cost a sixth more of the writing.
constexpr std::size_t kReserveStep = 4 * 1024 * 1024;
}  // namespace

WriteBehind::WriteBehind(int fd, bool writeBack)
    : fd_(fd),
      writeBack_(writeBack),
      thread_([this](const char* data, std::size_t size, std::string& reason) { return WritePiece(data, size, reason); }) {}

bool WriteBehind::WritePiece(const char* data, std::size_t size, std::string& reason) {
  if (!writeBack_ && written_ + size > reserved_) {
    const std::uint64_t end = std::max<std::uint64_t>(reserved_ + kReserveStep, written_ + size);
    ReserveRoom(fd_, reserved_, end - reserved_);
    reserved_ = end;
  }
  written_ += size;
  if (!WriteAll(fd_, data, size)) {
    reason = IoFailureReason();  // errno is the writing thread's own
    return false;
  }
  unflushed_ += size;
  if (writeBack_ && unflushed_ >= kWriteBackStep) {
    StartWriteBack(fd_);
    unflushed_ = 0;
  }
  return true;
}

}  // namespace morvane
