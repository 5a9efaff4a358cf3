#include "platform/piece_thread.h"

#include <algorithm>
#include <utility>

namespace morvane {

PieceThread::PieceThread(Work work, std::size_t depth)
    : work_(std::move(work)), depth_(std::clamp<std::size_t>(depth, 1, kMaxDepth)) {}

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
    changed_.wait(lock, [this] { return count_ > 0 || ending_; });
    if (count_ == 0) {
      return;
    }
    const Piece piece = pieces_[first_];  // left in place until done: Busy and the waits count it
    lock.unlock();
    std::string reason;
    bool done = false;
    std::exception_ptr thrown;
    try {
      done = work_(piece.data, piece.size, reason);
    } catch (...) {
      thrown = std::current_exception();
    }
    lock.lock();
    if (!done) {
      failed_ = true;
      reason_ = std::move(reason);
      thrown_ = thrown;
      count_ = 0;  // nothing more is worked on
    } else {
      first_ = (first_ + 1) % kMaxDepth;
      --count_;
    }
    changed_.notify_all();
  }
}

bool PieceThread::WaitFewer(std::unique_lock<std::mutex>& lock, std::size_t most) {
  changed_.wait(lock, [&] { return count_ < most; });
  if (thrown_) {
    std::rethrow_exception(std::exchange(thrown_, nullptr));
  }
  return !failed_;
}

bool PieceThread::Hand(const char* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitFewer(lock, depth_)) {
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
  pieces_[(first_ + count_) % kMaxDepth] = {data, size};
  ++count_;
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool PieceThread::Do(const char* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!WaitFewer(lock, 1)) {
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
  return count_ >= depth_;
}

std::string PieceThread::FailureReason() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return reason_;
}

}  // namespace morvane
