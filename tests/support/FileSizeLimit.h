#pragma once
// Makes writes past a size fail as on a full disk (EFBIG instead of ENOSPC),
// for as long as the object lives. Process-wide: tests using it run alone.

#include <signal.h>
#include <sys/resource.h>

namespace salvonix::test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : previousSignal_(::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    struct rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previousSignal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  struct rlimit previous_ {};
  sighandler_t previousSignal_;
};

}  // namespace salvonix::test
