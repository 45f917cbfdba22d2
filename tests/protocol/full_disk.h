// A disk that fills up, for the tests of the protocol writers: while a TFullDiskAfter lives, no
// file of the process may grow past `bytes`. The process's file size limit does it, with the
// signal that limit raises ignored, so that the write fails with EFBIG as a full disk's does with
// ENOSPC. The product holds no hook for it. Windows has no such limit: there kAvailable is false
// and the tests that need a full disk are skipped.
#pragma once

#include <cstdint>

#ifdef _WIN32

class TFullDiskAfter {
 public:
  static constexpr bool kAvailable = false;
  explicit TFullDiskAfter(std::uint64_t) {}
  TFullDiskAfter(const TFullDiskAfter&) = delete;
  TFullDiskAfter& operator=(const TFullDiskAfter&) = delete;
};

#else

#include <sys/resource.h>

#include <csignal>

class TFullDiskAfter {
 public:
  static constexpr bool kAvailable = true;
  explicit TFullDiskAfter(std::uint64_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  TFullDiskAfter(const TFullDiskAfter&) = delete;
  TFullDiskAfter& operator=(const TFullDiskAfter&) = delete;
  ~TFullDiskAfter() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = SIG_DFL;
};

#endif
