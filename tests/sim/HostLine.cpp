#include "HostLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace vendra::sim::test {

namespace {

speed_t Speed(uint32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        default:
            return B0;
    }
}

}  // namespace

bool HostLine::Open(const std::string& path, uint32_t baud) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&t, Speed(baud));
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    tcflush(fd_, TCIOFLUSH);
    pending_.clear();
    return true;
}

void HostLine::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool HostLine::SetBaud(uint32_t baud) {
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0) return false;
    cfsetspeed(&t, Speed(baud));
    return tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool HostLine::Write(const std::string& bytes) {
    return fd_ >= 0 &&
           ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

template <typename Enough>
void HostLine::ReadUntil(int timeoutMs, Enough enough) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + milliseconds(timeoutMs);
    while (!enough(pending_) && fd_ >= 0) {
        auto left = duration_cast<microseconds>(end - steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        // Rounded up, so the last part of a millisecond is slept, not polled at zero.
        if (poll(&p, 1, static_cast<int>((left + 999) / 1000)) <= 0) continue;
        if (!(p.revents & POLLIN)) break;
        char buf[256];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;
        pending_.append(buf, static_cast<size_t>(n));
    }
}

std::optional<std::string> HostLine::ReadLine(int timeoutMs) {
    ReadUntil(timeoutMs, [](const std::string& s) { return s.find('\r') != std::string::npos; });
    auto cr = pending_.find('\r');
    if (cr == std::string::npos) return std::nullopt;
    std::string line = pending_.substr(0, cr + 1);
    pending_.erase(0, cr + 1);
    return line;
}

std::string HostLine::ReadCount(size_t count, int timeoutMs) {
    ReadUntil(timeoutMs, [count](const std::string& s) { return s.size() >= count; });
    std::string all;
    all.swap(pending_);
    return all;
}

std::string HostLine::ReadFor(int ms) {
    return ReadCount(std::string::npos, ms);
}

std::optional<std::string> HostLine::Exchange(const std::string& frame, int timeoutMs) {
    if (!Write(frame)) return std::nullopt;
    return ReadLine(timeoutMs);
}

}  // namespace vendra::sim::test
