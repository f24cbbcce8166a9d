// What vendra-run does differently on each system, in one place: whether the standard streams are
// a terminal, reading typed answers so that another thread can cut the reading short, taking the
// stop requests (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1/2 here, Ctrl-C, Ctrl-Break and closing
// the console on Windows),
// and the lines of --help that name them. One source file per system implements it
// (CliPlatformPosix.cpp, CliPlatformWin32.cpp); the build picks one.
//
// Error rule: nothing throws; a terminal that fails reads as one that has closed.
// Thread rule: TerminalInput is read by one thread at a time and woken from any; StopRequests is
// made once, on the main thread, before any other thread starts, and taken from that thread.
#pragma once
#include <cstdint>
#include <memory>

namespace vendra {

// The descriptor of standard input.
inline constexpr int kStdinFd = 0;

// True when stdin is a terminal someone can type answers on (in the foreground where the system
// has jobs).
bool StdinIsTerminal();
// True when stderr is a terminal that can show the progress line (a line rewritten in place with
// "\r\033[K"); turns that on where the system needs it.
bool StderrShowsProgress();

// Typed input, a byte at a time, that Wake() ends from another thread.
class TerminalInput {
  public:
    enum class Got { Byte, End, Woken };
    explicit TerminalInput(int fd);  // fd: the terminal's descriptor; -1: none (always End)
    ~TerminalInput();
    TerminalInput(const TerminalInput&) = delete;
    TerminalInput& operator=(const TerminalInput&) = delete;

    // Waits for the next byte. End when the terminal closed or the process went to its
    // background (nobody to ask any more); Woken once Wake() was called, then and on every later
    // call.
    Got Next(char& c);
    // Ends a Next() under way, and every later one.
    void Wake();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

enum class StopRequest {
    None,
    Abort,     // the Abort button (SIGINT, Ctrl-C)
    AbortNow,  // the Abort button, and a running delay cut short (SIGTERM and the other stop
               // signals, Ctrl-Break, closing)
};

// The system's stop requests, taken by the main thread between its looks at the run.
class StopRequests {
  public:
    StopRequests();
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

    // Takes a request that is waiting, or waits up to `ms` for one.
    StopRequest Take(uint32_t ms);
};

// The lines of vendra-run's --help that name the system's devices and stop requests.
struct RunPlatformHelp {
    const char* portRule;  // the --port option's rule
    const char* stops;     // what the stop requests do, and the exit statuses
    const char* example;   // the closing example
};
const RunPlatformHelp& PlatformHelp();

}  // namespace vendra
