#pragma once

// For tests: a full disk, as a limit on the size of any file this process writes, past which a
// write fails (EFBIG), for as long as the object lives. None on Windows: active() is false.

#include <cstdint>
#if !defined(_WIN32)
#include <sys/resource.h>

#include <csignal>
#endif

namespace morvane::testing {

class FileSizeLimit {
 public:
#if !defined(_WIN32)
  explicit FileSizeLimit(std::uint64_t bytes) : oldSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
    if (getrlimit(RLIMIT_FSIZE, &old_) == 0) {
      rlimit limit = old_;
      limit.rlim_cur = static_cast<rlim_t>(bytes);
      active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
  }
  ~FileSizeLimit() {
    if (active_) setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldSignal_);
  }
#else
  explicit FileSizeLimit(std::uint64_t) {}
#endif
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool active() const { return active_; }

 private:
  bool active_ = false;
#if !defined(_WIN32)
  rlimit old_{};
  void (*oldSignal_)(int);
#endif
};

}  // namespace morvane::testing
