// vendra-run [options] PROGRAM.def: see RunOptions.h (--help) and RunSession.h.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/RunOptions.h"
#include "cli/RunSession.h"

namespace {

// Takes a signal that is waiting, or waits up to `ms` for one; 0 when none came.
int TakeSignal(const sigset_t& signals, long ms) {
    timespec wait{ms / 1000, (ms % 1000) * 1000000};
    const int sig = sigtimedwait(&signals, nullptr, &wait);
    return sig > 0 ? sig : 0;
}

}  // namespace

int main(int argc, char** argv) {
    vendra::RunOptions options;
    std::string error;
    if (!vendra::ParseRunOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "vendra-run: " << error << "\n";
        return vendra::kRunUsage;
    }
    if (options.help) {
        std::cout << vendra::RunHelpText();
        return vendra::kRunEnded;
    }

    // The signals are taken by this thread alone, between its looks at the run; every thread
    // started from here on inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    vendra::RunSession::Terminal terminal;
    terminal.inputFd = isatty(STDIN_FILENO) ? STDIN_FILENO : -1;
    terminal.progress = isatty(STDERR_FILENO) != 0;
    vendra::RunSession session(options, std::cout, std::cerr, terminal);

    const int prepared = session.Prepare([&] { return TakeSignal(signals, 0) == 0; });
    if (prepared != 0) return prepared;
    if (TakeSignal(signals, 0) != 0) {
        std::cerr << "vendra-run: stopped before the run\n";
        return vendra::kRunSignalled;
    }
    session.Start();
    // Ten looks a second: the progress line, and the signals as they come.
    while (!session.WaitFinished(0)) {
        const int sig = TakeSignal(signals, 100);
        if (sig == SIGINT) session.Abort(false);
        if (sig == SIGTERM) session.Abort(true);
        session.ShowProgress();
    }
    return session.Finish();
}
