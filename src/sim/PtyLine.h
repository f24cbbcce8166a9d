// The simulator's end of the line: a pseudo-terminal whose slave the host opens, linked as
// COM<n> in a folder. The master is raw and non-blocking; the simulator keeps its own slave fd
// open so that the host can close and reopen the port without the master seeing a hang-up.
// The host's baud rate is read from the shared terminal settings (tcgetattr on the master).
// Errors are returned as false with a text; nothing throws. Used by the simulator thread only
// (Open and MakeLink before it starts, Close after it ends or on that thread).
#pragma once
#include <termios.h>

#include <cstdint>
#include <string>

namespace vendra::sim {

uint32_t BaudFromSpeed(speed_t speed);  // 0 for B0 or an unknown constant
speed_t SpeedFromBaud(uint32_t baud);   // B0 when the rate has no constant

class PtyLine {
  public:
    PtyLine() = default;
    ~PtyLine() { Close(); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool Open(uint32_t initialBaud, std::string& error);
    // Links the slave as `linkPath`. An existing symbolic link that dangles or points to a
    // pseudo-terminal (left by an earlier run) is replaced; anything else there is left alone and
    // reported.
    bool MakeLink(const std::string& linkPath, std::string& error);
    // Removes the link if it still points to this line's slave.
    void RemoveLink();
    // Closes both fds and removes the link.
    void Close();

    bool IsOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& linkPath() const { return linkPath_; }
    // The rate the host set (0 when it cannot be read).
    uint32_t HostBaud() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace vendra::sim
