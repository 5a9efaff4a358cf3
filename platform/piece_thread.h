#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace morvane {

// Works on pieces of bytes on a thread of its own while the caller makes the next: one piece at
// a time, in the order handed; the thread starts with the first piece handed, so that work that
// fits in one piece starts none. The work returns false with a reason when it fails, and from
// then on no piece is worked on; an exception it throws is thrown again by the caller's next call.
class PieceThread {
 public:
  using Work = std::function<bool(const char* data, std::size_t size, std::string& reason)>;

  explicit PieceThread(Work work);
  ~PieceThread();  // waits for the piece being worked on
  PieceThread(const PieceThread&) = delete;
  PieceThread& operator=(const PieceThread&) = delete;

  // Has data[0, size) worked on after what was handed before, and returns as soon as the piece
  // before it is done: data must stay as it is until the next call returns. False when the work
  // has failed: FailureReason() says why.
  bool Hand(const char* data, std::size_t size);
  // Works on data[0, size) on the calling thread, after what was handed before; returns when it
  // is done. For the last piece, which another thread would only wait for.
  bool Do(const char* data, std::size_t size);
  std::string FailureReason() const;
  // Whether a piece handed is still being worked on: the caller may then do other work first.
  bool Busy() const;

 private:
  // Waits for the piece being worked on; false when the work failed. Needs lock on mutex_.
  bool WaitIdle(std::unique_lock<std::mutex>& lock);
  void Run();

  Work work_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;  // a piece handed, done, or the end
  const char* piece_ = nullptr;      // the piece handed and not yet done
  std::size_t pieceSize_ = 0;
  bool failed_ = false;
  bool ending_ = false;
  std::string reason_;
  std::exception_ptr thrown_;  // what the work threw, for the caller
  std::thread thread_;
};

}  // namespace morvane
