#pragma once

// For tests: a full disk, as the limit on the size of any file this process writes past which
// a write fails (EFBIG), for as long as the object lives. Where the system has no such limit
// (Windows), active() is false and nothing changes.

#include <cstdint>

#if !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#endif

namespace morvane::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes) {
#if !defined(_WIN32)
    if (getrlimit(RLIMIT_FSIZE, &old_) != 0) {
      return;
    }
    oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not the end of the process
    rlimit limit = old_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
    (void)bytes;
#endif
  }
  ~FileSizeLimit() {
#if !defined(_WIN32)
    if (active_) {
      setrlimit(RLIMIT_FSIZE, &old_);
    }
    if (oldSignal_ != SIG_ERR) {
      std::signal(SIGXFSZ, oldSignal_);
    }
#endif
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool active() const { return active_; }

 private:
  bool active_ = false;
#if !defined(_WIN32)
  rlimit old_{};
  void (*oldSignal_)(int) = SIG_ERR;
#endif
};

}  // namespace morvane::testing
