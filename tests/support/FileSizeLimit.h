// For the scope of one object, a file cannot grow past `bytes`: a write beyond it fails part-way,
// as on a full disk (the signal such a write raises is ignored meanwhile). POSIX only.
#pragma once
#include <sys/resource.h>

#include <csignal>

namespace vendra::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &oldAction_);
        ::getrlimit(RLIMIT_FSIZE, &oldLimit_);
        struct rlimit small = oldLimit_;
        small.rlim_cur = bytes;
        set_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &oldLimit_);
        ::sigaction(SIGXFSZ, &oldAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return set_; }

  private:
    struct sigaction oldAction_ {};
    struct rlimit oldLimit_ {};
    bool set_ = false;
};

}  // namespace vendra::test
