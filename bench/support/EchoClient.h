// The floor the benchmarks measure the host against: a minimal client of the simulator's pty that
// opens the device raw and does one exchange as write, then poll() and read up to CR.
// Thread rule: one thread at a time; used in turn with the host's port, never at once.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace vendra::bench {

class EchoClient {
  public:
    EchoClient() = default;
    EchoClient(const EchoClient&) = delete;
    EchoClient& operator=(const EchoClient&) = delete;
    ~EchoClient() {
        if (fd_ >= 0) ::close(fd_);
    }

    // Opens `path` raw at 115200 baud (the simulator reads the host's rate from the pty).
    bool Open(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return false;
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(fd_, TCSANOW, &tio);
        tcflush(fd_, TCIOFLUSH);
        return true;
    }

    // Writes `frame` (length `length`) and reads the reply up to its CR into `reply` (at most
    // capacity - 1 bytes, terminated, CR dropped). The reply's length, or -1 when it did not come
    // within a second.
    int Exchange(const char* frame, size_t length, char* reply, size_t capacity) {
        if (::write(fd_, frame, length) != static_cast<ssize_t>(length)) return -1;
        size_t got = 0;
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) return -1;
            ssize_t n = ::read(fd_, reply + got, capacity - 1 - got);
            if (n <= 0) continue;
            got += static_cast<size_t>(n);
            if (reply[got - 1] == '\r' || got >= capacity - 1) break;
        }
        if (reply[got - 1] == '\r') --got;
        reply[got] = '\0';
        return static_cast<int>(got);
    }
    // An exchange whose reply must be exactly `expected` (without CR).
    bool Exchange(const char* frame, const char* expected) {
        char reply[64];
        const int got = Exchange(frame, std::strlen(frame), reply, sizeof reply);
        return got >= 0 && std::strcmp(reply, expected) == 0;
    }

  private:
    int fd_ = -1;
};

}  // namespace vendra::bench
