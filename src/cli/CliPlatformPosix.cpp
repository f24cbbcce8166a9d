// vendra-run on POSIX systems: poll() on the terminal and a wake pipe; the stop signals blocked in
// every thread and taken by the main thread with sigtimedwait().
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "cli/CliPlatform.h"

namespace vendra {

namespace {

// Reading a terminal whose foreground is another job would stop the whole process (SIGTTIN): such
// a terminal is nobody to ask. One that is not the controlling terminal has no foreground.
bool InForeground(int fd) {
    const pid_t group = ::tcgetpgrp(fd);
    return group < 0 || group == ::getpgrp();
}

}  // namespace

bool StdinIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0 && InForeground(STDIN_FILENO);
}

bool StderrShowsProgress() {
    return ::isatty(STDERR_FILENO) != 0;
}

struct TerminalInput::Impl {
    int fd = -1;
    int wake[2] = {-1, -1};
};

TerminalInput::TerminalInput(int fd) : impl_(std::make_unique<Impl>()) {
    impl_->fd = fd;
    if (::pipe2(impl_->wake, O_CLOEXEC | O_NONBLOCK) != 0) impl_->wake[0] = impl_->wake[1] = -1;
}

TerminalInput::~TerminalInput() {
    for (int fd : impl_->wake)
        if (fd >= 0) ::close(fd);
}

TerminalInput::Got TerminalInput::Next(char& c) {
    if (impl_->fd < 0) return Got::End;
    for (;;) {
        // Put in the background meanwhile: the question has no answer source any more.
        if (::isatty(impl_->fd) && !InForeground(impl_->fd)) return Got::End;
        // The wake byte is never read: once written, every later call sees it.
        pollfd fds[2] = {{impl_->fd, POLLIN, 0}, {impl_->wake[0], POLLIN, 0}};
        const int n = ::poll(fds, impl_->wake[0] >= 0 ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Got::End;
        }
        if (fds[1].revents & POLLIN) return Got::Woken;
        const ssize_t got = ::read(impl_->fd, &c, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return got == 1 ? Got::Byte : Got::End;
    }
}

void TerminalInput::Wake() {
    if (impl_->wake[1] < 0) return;
    const char byte = 1;
    const ssize_t n = ::write(impl_->wake[1], &byte, 1);
    (void)n;  // a full pipe is already awake
}

namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    // SIGINT is the Abort button. The others end a session or a job (a closed terminal, a
    // supervisor, a user's kill) and act as SIGTERM: the motors must be stopped first.
    for (int stop : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2}) sigaddset(&signals, stop);
    return signals;
}

}  // namespace

StopRequests::StopRequests() {
    // The signals are taken by this thread alone; every thread started from here on inherits the
    // mask.
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // A run in the background of a terminal is never stopped by it: a read fails instead (the
    // question finds no answer) and writes go through.
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGTTOU, SIG_IGN);
}

StopRequests::~StopRequests() = default;

StopRequest StopRequests::Take(uint32_t ms) {
    const sigset_t signals = StopSignals();
    const timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    const int sig = sigtimedwait(&signals, nullptr, &wait);
    if (sig == SIGINT) return StopRequest::Abort;
    return sig > 0 ? StopRequest::AbortNow : StopRequest::None;
}

const RunPlatformHelp& PlatformHelp() {
    static const RunPlatformHelp help = {
        "port number instead of Config.cfg's: COM<N> in the working folder when\n"
        "it exists (a link to the device), else the device Ports.cfg there binds N\n"
        "to (a line \"N PATH\"), otherwise /dev/ttyS<N-1>",

        "SIGINT and SIGTERM act as the Abort button: a running delay ends at once, the stop frame\n"
        "\"GG!\" is sent and the run ends after its current command. vendra-run says whether the\n"
        "stop frame went out (while the line is lost it cannot). SIGHUP (a closed session),\n"
        "SIGQUIT, SIGUSR1 and SIGUSR2 act as SIGTERM. In the background of a terminal, questions\n"
        "are not asked there.\n"
        "\n"
        "Exit status: 0 the program ended (end_program or its last line); 1 a board error, a\n"
        "time-out rule or a lost line stopped it; 2 a signal stopped it; 3 usage, file or port\n"
        "error, a program not loaded whole or with no line, or a question nobody could answer.\n",

        "Example, against the simulator:\n"
        "  vendra-sim --dir /tmp/bench --network examples/demo-network.txt &\n"
        "  cd /tmp/bench && vendra-run --json .../examples/three_motors.def\n",
    };
    return help;
}

}  // namespace vendra
