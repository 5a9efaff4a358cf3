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
// a time, in the order handed, with up to depth pieces handed and not yet done (one by default);
// the thread starts with the first piece handed, so that work that fits in one piece starts none. The work returns false with a reason when it fails, and from
// then on no piece is worked on; an exception it throws is thrown again by the caller's next call.
class PieceThread {
 public:
  using Work = std::function<bool(const char* data, std::size_t size, std::string& reason)>;

  static constexpr std::size_t kMaxDepth = 4;

  explicit PieceThread(Work work, std::size_t depth = 1);  // depth 1 to kMaxDepth
  ~PieceThread();  // waits for the piece being worked on
  PieceThread(const PieceThread&) = delete;
  PieceThread& operator=(const PieceThread&) = delete;

  // Has data[0, size) worked on after what was handed before, and returns as soon as fewer than
  // depth pieces are left to do with it (with depth 1, the piece before it is done): data must
  // stay as it is until depth more calls return. False when the work has failed:
  // FailureReason() says why.
  bool Hand(const char* data, std::size_t size);
  // Works on data[0, size) on the calling thread, after what was handed before; returns when it
  // is done. For the last piece, which another thread would only wait for.
  bool Do(const char* data, std::size_t size);
  std::string FailureReason() const;
  // Whether the next Hand would wait (depth pieces still to do): the caller may then do other
  // work first.
  bool Busy() const;

 private:
  struct Piece {
    const char* data = nullptr;
    std::size_t size = 0;
  };

  // Waits until fewer than most pieces are left to do; false when the work failed. Needs lock
  // on mutex_.
  bool WaitFewer(std::unique_lock<std::mutex>& lock, std::size_t most);
  void Run();

  Work work_;
  std::size_t depth_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;  // a piece handed, done, or the end
  Piece pieces_[kMaxDepth];          // the pieces handed and not yet done, from first_ on, as a ring
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  bool failed_ = false;
  bool ending_ = false;
  std::string reason_;
  std::exception_ptr thrown_;  // what the work threw, for the caller
  std::thread thread_;
};

}  // namespace morvane
