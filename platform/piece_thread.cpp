#include "platform/piece_thread.h"

#include <utility>

namespace morvane {

PieceThread::PieceThread(Work work) : work_(std::move(work)) {}

PieceThread::~PieceThread() {
  if (thread_.joinable()) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
}

void PieceThread::Run() {
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
    bool done = false;
    std::exception_ptr thrown;
    try {
      done = work_(data, size, reason);
    } catch (...) {
      thrown = std::current_exception();
    }
    lock.lock();
    if (!done) {
      failed_ = true;
      reason_ = std::move(reason);
      thrown_ = thrown;
    }
    piece_ = nullptr;
    changed_.notify_all();
  }
}

bool PieceThread::WaitIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return piece_ == nullptr; });
  if (thrown_) {
    std::rethrow_exception(std::exchange(thrown_, nullptr));
  }
  return !failed_;
}

bool PieceThread::Hand(const char* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitIdle(lock)) {
    return false;
  }
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      // No thread to be had: the work is done here, as without one.
      lock.unlock();
      return Do(data, size);
    }
  }
  piece_ = data;
  pieceSize_ = size;
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool PieceThread::Do(const char* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitIdle(lock)) {
    return false;
  }
  std::string reason;
  if (!work_(data, size, reason)) {  // an exception goes to the caller as it is
    failed_ = true;
    reason_ = std::move(reason);
    return false;
  }
  return true;
}

bool PieceThread::Busy() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return piece_ != nullptr;
}

std::string PieceThread::FailureReason() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return reason_;
}

}  // namespace morvane
