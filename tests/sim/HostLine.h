// The host's end of the line for simulator tests, in plain termios (independent of the core's
// serial layer, so a fault in one cannot hide in the other).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vendra::sim::test {

class HostLine {
  public:
    HostLine() = default;
    ~HostLine() { Close(); }
    HostLine(const HostLine&) = delete;
    HostLine& operator=(const HostLine&) = delete;

    bool Open(const std::string& path, uint32_t baud = 57600);
    void Close();
    bool SetBaud(uint32_t baud);
    bool Write(const std::string& bytes);
    // Reads up to and including CR; nullopt when no CR came in time (what came is in Pending()).
    std::optional<std::string> ReadLine(int timeoutMs = 500);
    // Reads until `count` bytes came or the time is up; returns what came.
    std::string ReadCount(size_t count, int timeoutMs = 500);
    // Everything that arrives within `ms`.
    std::string ReadFor(int ms);
    // Writes `frame` and reads one line.
    std::optional<std::string> Exchange(const std::string& frame, int timeoutMs = 500);
    const std::string& Pending() const { return pending_; }
    int fd() const { return fd_; }

  private:
    // Appends what arrives to pending_ until `enough` holds, the time is up or the line fails.
    template <typename Enough>
    void ReadUntil(int timeoutMs, Enough enough);

    int fd_ = -1;
    std::string pending_;
};

}  // namespace vendra::sim::test
