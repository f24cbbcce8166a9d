// vendra-sim: plays a network of controller boards on a pseudo-terminal until SIGINT or SIGTERM.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "sim/CommandLine.h"
#include "sim/Simulator.h"

using namespace vendra::sim;

int main(int argc, char** argv) {
    CommandLine line;
    std::string error;
    if (!ParseCommandLine(argc, argv, line, error)) {
        std::fprintf(stderr, "vendra-sim: %s\n", error.c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    const Options& options = line.options;
    long vanishAfterMs = line.vanishAfterMs;

    // The signals are taken synchronously by this thread; the simulator thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "vendra-sim: %s\n", sim.Error().c_str());
        return 1;
    }
    std::string names;
    for (const auto& name : sim.UnitNames()) names += " " + name;
    std::printf("vendra-sim: %s -> %s; units:%s; boards at %u baud%s\n", sim.LinkPath().c_str(),
                sim.SlavePath().c_str(), names.empty() ? " none" : names.c_str(), sim.BoardBaud(),
                options.pace ? ", paced" : "");
    std::fflush(stdout);

    for (;;) {
        int sig = 0;
        if (vanishAfterMs >= 0 && !sim.LineVanished()) {
            timespec wait{vanishAfterMs / 1000, (vanishAfterMs % 1000) * 1000000};
            sig = sigtimedwait(&signals, nullptr, &wait);
            if (sig < 0 && errno == EAGAIN) {
                sim.VanishLine();
                std::printf("vendra-sim: the line vanished\n");
                std::fflush(stdout);
                vanishAfterMs = -1;
                continue;
            }
        } else {
            sig = sigwaitinfo(&signals, nullptr);
        }
        if (sig > 0) break;
    }
    sim.Stop();
    return 0;
}
