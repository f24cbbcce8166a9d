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

std::optional<std::string> HostLine::ReadLine(int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto cr = pending_.find('\r');
        if (cr != std::string::npos) {
            std::string line = pending_.substr(0, cr + 1);
            pending_.erase(0, cr + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left < 0 || fd_ < 0) return std::nullopt;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
        if (!(p.revents & POLLIN)) return std::nullopt;
        char buf[256];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        pending_.append(buf, static_cast<size_t>(n));
    }
}

std::string HostLine::ReadCount(size_t count, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pending_.size() < count && fd_ >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        if (!(p.revents & POLLIN)) break;
        char buf[256];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;
        pending_.append(buf, static_cast<size_t>(n));
    }
    std::string all;
    all.swap(pending_);
    return all;
}

std::string HostLine::ReadFor(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0 || fd_ < 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        if (!(p.revents & POLLIN)) break;
        char buf[256];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;
        pending_.append(buf, static_cast<size_t>(n));
    }
    std::string all;
    all.swap(pending_);
    return all;
}

std::optional<std::string> HostLine::Exchange(const std::string& frame, int timeoutMs) {
    if (!Write(frame)) return std::nullopt;
    return ReadLine(timeoutMs);
}

}  // namespace vendra::sim::test
