#include "platform/write_behind.h"

#include <algorithm>

#include "platform/file_io.h"

namespace morvane {

namespace {
constexpr std::size_t kFirstWriteBack = 256 * 1024;
constexpr std::size_t kLargestWriteBack = 4 * 1024 * 1024;
}  // namespace

WriteBehind::WriteBehind(int fd, bool writeBack) : fd_(fd), writeBack_(writeBack), writeBackEvery_(kFirstWriteBack) {}

WriteBehind::~WriteBehind() {
  if (thread_.joinable()) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
}

bool WriteBehind::WritePiece(const char* data, std::size_t size, std::string& reason) {
  if (!WriteAll(fd_, data, size)) {
    reason = IoFailureReason();  // errno is the writing thread's own
    return false;
  }
  unflushed_ += size;
  if (writeBack_ && unflushed_ >= writeBackEvery_) {
    StartWriteBack(fd_);
    unflushed_ = 0;
    writeBackEvery_ = std::min(2 * writeBackEvery_, kLargestWriteBack);
  }
  return true;
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return piece_ != nullptr || ending_; });
    if (piece_ == nullptr) {
      return;
    }
    const char* const data = piece_;
    const std::size_t size = pieceSize_;
    lock.unlock();
    std::string reason;
    const bool written = WritePiece(data, size, reason);
    lock.lock();
    if (!written) {
      failed_ = true;
      reason_ = std::move(reason);
    }
    piece_ = nullptr;
    changed_.notify_all();
  }
}

bool WriteBehind::WaitIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return piece_ == nullptr; });
  return !failed_;
}

bool WriteBehind::Hand(const char* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitIdle(lock)) {
    return false;
  }
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      // No thread to be had: written here, as without one.
      lock.unlock();
      return Write(data, size);
    }
  }
  piece_ = data;
  pieceSize_ = size;
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool WriteBehind::Write(const char* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitIdle(lock)) {
    return false;
  }
  std::string reason;
  if (!WritePiece(data, size, reason)) {
    failed_ = true;
    reason_ = std::move(reason);
    return false;
  }
  return true;
}

std::string WriteBehind::FailureReason() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return reason_;
}

}  // namespace morvane
