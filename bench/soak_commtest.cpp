// soak-commtest (make soak): the communication test's "Extremely Long Test", 3000000 steps against
// the simulated unit D3, and what the host's process holds in memory before and after. The
// simulator runs in a child process, so the figures are the host's alone. Prints
//   steps:, mismatches:, message_boxes:, seconds:, rss_start_kb:, rss_end_kb:
// and, to stderr, the progress every 30 seconds.
// Usage: soak-commtest [steps (3000000)].
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "core/app/Core.h"
#include "core/serial/BoardProtocol.h"
#include "core/tools/CommTest.h"
#include "support/Figures.h"
#include "support/QuietOperator.h"
#include "support/ScratchSim.h"

using namespace vendra;

namespace {

long RssKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kb;
}

// The child: starts the simulator, tells the parent its device, and runs until the parent closes
// the pipe.
[[noreturn]] void RunSimulator(int toParent, int fromParent) {
    bench::ScratchSim scratch("soak_commtest");
    std::string path;
    if (scratch.Start("D3", 115200)) path = scratch.Sim().LinkPath();
    path += '\n';
    if (::write(toParent, path.data(), path.size()) < 0) std::_Exit(1);
    char byte;
    while (::read(fromParent, &byte, 1) > 0) {
    }
    scratch.Sim().Stop();
    std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t steps = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 3000000;
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return 1;
    const pid_t child = ::fork();
    if (child < 0) return 1;
    if (child == 0) {
        ::close(up[0]);
        ::close(down[1]);
        RunSimulator(up[1], down[0]);
    }
    ::close(up[1]);
    ::close(down[0]);
    char path[512] = {};
    std::FILE* fromChild = ::fdopen(up[0], "r");
    if (fromChild == nullptr || std::fgets(path, sizeof path, fromChild) == nullptr ||
        path[0] == '\n') {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    path[std::strcspn(path, "\n")] = '\0';

    int result = 1;
    {
        QuietOperator op(QuietOperator::Boxes::Print);
        Core core(op);
        core.State.Units.present[static_cast<int>(UnitGroup::DBoard)][3] = 1;
        // Generous: a shared machine may stall a reply now and then, which is no lost step.
        core.State.Config.ReplyTimeout = 1000;
        LineSession line = core.Line.Take(LineUser::CommTest);
        if (line.OpenDevice(path, 115200)) {
            const long rssStart = RssKb();
            CommTest::Outcome outcome;
            const auto start = bench::Clock::now();
            std::atomic<bool> done{false};
            std::thread test([&] {
                outcome = core.CommTestWorker.RunTest(line, 3, family::DBoard, steps);
                done = true;
            });
            const CommTestProgress& progress = core.State.CommTest.Progress;
            for (int tick = 1; !done.load(); ++tick) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (tick % 300 != 0) continue;
                const double seconds = bench::Seconds(bench::Clock::now() - start);
                const double stepsDone = progress.Position.load() / double(progress.Step.load());
                std::fprintf(stderr, "progress: %.0f steps in %.0f s, %.0f steps/s, rss %ld kB\n",
                             stepsDone, seconds, stepsDone / seconds, RssKb());
            }
            test.join();
            const double seconds = bench::Seconds(bench::Clock::now() - start);
            const long rssEnd = RssKb();
            std::printf("steps: %u\n", outcome.stepsCounted);
            std::printf("mismatches: %u\n", outcome.mismatches);
            std::printf("message_boxes: %d\n", op.MessageBoxes());
            std::printf("seconds: %.1f\n", seconds);
            std::printf("rss_start_kb: %ld\n", rssStart);
            std::printf("rss_end_kb: %ld\n", rssEnd);
            result = outcome.stepsCounted == steps && outcome.mismatches == 0 ? 0 : 1;
        } else {
            std::fprintf(stderr, "cannot open %s: %s\n", path, line.LastError().c_str());
        }
    }
    ::close(down[1]);
    ::waitpid(child, nullptr, 0);
    return result;
}
