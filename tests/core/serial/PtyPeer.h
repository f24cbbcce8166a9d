// The far end of a pseudo-terminal, played by the test itself: what the host writes arrives here
// and what the test writes here reaches the host. Keeps its own slave descriptor open, as the
// simulator does, so the host can close and reopen the device.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace vendra::test {

class PtyPeer {
  public:
    PtyPeer() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        termios tio{};
        ::tcgetattr(master_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
        path_ = name;
    }
    ~PtyPeer() { Vanish(); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ok() const { return master_ >= 0 && !path_.empty(); }
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }

    void Send(const std::string& bytes) {
        if (master_ >= 0) (void)!::write(master_, bytes.data(), bytes.size());
    }
    // Collects what arrives until `count` bytes came or `ms` passed.
    std::string Receive(size_t count, int ms = 1000) {
        std::string got;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < count) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[256];
            ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - got.size()));
            if (n > 0) got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    // Everything that arrives within `ms`.
    std::string ReceiveFor(int ms) { return Receive(1 << 16, ms); }
    // The line goes away: both ends of the pair are closed.
    void Vanish() {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
        slave_ = master_ = -1;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace vendra::test
