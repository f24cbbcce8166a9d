// bench-commtest: the communication test's "Quick Test" (16250 steps of "D3A<n>" and "D3m" against
// the simulated unit D3, then the final "D3A0") beside a minimal poll() echo client doing the same
// exchanges over the same pty, in the same run:
//   steps_per_s, echo_steps_per_s  steps per second of each (median over the runs)
//   commtest_vs_echo               time per step of the test over the echo client's, the median
//                                  over pairs of runs (each pair meets one moment of the machine)
//   paced_line_use, paced_echo_line_use
//                                  with the simulator pacing its bytes at 115200 baud: bytes moved
//                                  per second (frames and replies) over the line's 11520; the
//                                  paced steps (a Quick Test's worth a way) go in chunks of about
//                                  a second, the ways alternating; the chunk_median figure is the
//                                  median over the chunk pairs of the test's use over the echo's
// Usage: bench-commtest [pairs of unpaced runs (5)] [steps of a paced run (16250)].
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/app/Core.h"
#include "core/serial/BoardProtocol.h"
#include "core/tools/CommTest.h"
#include "support/EchoClient.h"
#include "support/Figures.h"
#include "support/QuietOperator.h"
#include "support/ScratchSim.h"

using namespace vendra;
using bench::Clock;
using bench::Median;
using bench::Seconds;

namespace {

constexpr uint32_t kBaud = 115200;
constexpr uint32_t kQuickTest = 16250;

// Frames and replies of a test of `steps` steps against D3: "D3A<n>\r" and "D3>\r", "D3m\r" and
// "D3><n>\r" per step, then "D3A0\r" and "D3>\r".
double TestBytes(uint32_t steps) {
    double bytes = 9;
    for (uint32_t n = 0; n < steps; ++n) bytes += 16 + 2 * std::to_string(n).size();
    return bytes;
}

// The echo client's test: the same exchanges, the read-back compared the same way.
bool EchoTest(bench::EchoClient& echo, uint32_t steps) {
    char frame[32], reply[64];
    for (uint32_t n = 0; n < steps; ++n) {
        const int length = std::snprintf(frame, sizeof frame, "D3A%u\r", n);
        if (echo.Exchange(frame, length, reply, sizeof reply) < 0 || std::strcmp(reply, "D3>") != 0)
            return false;
        if (echo.Exchange("D3m\r", 4, reply, sizeof reply) < 3) return false;
        if (std::strtoul(reply + 3, nullptr, 10) != n) return false;
    }
    return echo.Exchange("D3A0\r", "D3>");
}

bool CommTestRun(Core& core, const QuietOperator& op, uint32_t steps) {
    LineSession line = core.Line.Take(LineUser::CommTest);
    const CommTest::Outcome outcome = core.CommTestWorker.RunTest(line, 3, family::DBoard, steps);
    return line && outcome.stepsCounted == steps && outcome.mismatches == 0 &&
           op.MessageBoxes() == 0;
}

template <typename F>
double Timed(bool& ok, F run) {
    const auto start = Clock::now();
    ok = ok && run();
    return Seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const uint32_t pacedSteps = argc > 2 ? std::max(10, std::atoi(argv[2])) : kQuickTest;

    bench::ScratchSim scratch("bench_commtest");
    if (!scratch.Start("D3", kBaud)) return 1;
    QuietOperator op(QuietOperator::Boxes::Print);
    Core core(op);
    core.State.Units.present[static_cast<int>(UnitGroup::DBoard)][3] = 1;
    core.State.Config.ReplyTimeout = 1000;
    // The echo client's descriptor is opened first: the port's exclusive open does not shut out a
    // descriptor already open. The two take turns, never at once.
    bench::EchoClient echo;
    if (!echo.Open(scratch.Sim().LinkPath()) ||
        !core.Line.Take(LineUser::MainWindow).OpenDevice(scratch.Sim().LinkPath(), kBaud)) {
        std::fprintf(stderr, "cannot open the line\n");
        return 1;
    }
    core.State.Serial.CurrentBaud = kBaud;

    bool ok = true;
    std::vector<double> testSeconds, echoSeconds, ratios;
    for (int i = 0; i < pairs && ok; ++i) {
        double t = 0, e = 0;
        if (i % 2 == 0) {
            t = Timed(ok, [&] { return CommTestRun(core, op, kQuickTest); });
            e = Timed(ok, [&] { return EchoTest(echo, kQuickTest); });
        } else {
            e = Timed(ok, [&] { return EchoTest(echo, kQuickTest); });
            t = Timed(ok, [&] { return CommTestRun(core, op, kQuickTest); });
        }
        testSeconds.push_back(t);
        echoSeconds.push_back(e);
        ratios.push_back(t / e);
    }
    if (!ok) {
        std::fprintf(stderr, "an unpaced run failed\n");
        return 1;
    }
    std::printf("quick_test_steps: %u\n", kQuickTest);
    std::printf("runs_per_way: %d\n", pairs);
    std::printf("steps_per_s: %.0f\n", kQuickTest / Median(testSeconds));
    std::printf("echo_steps_per_s: %.0f\n", kQuickTest / Median(echoSeconds));
    std::printf("commtest_vs_echo: %.3f\n", Median(ratios));

    // Paced runs are long (the line's own time is about 2.3 ms a step), and a shared machine
    // drifts within seconds: the paced steps are taken in chunks of about a second, the two ways
    // alternating, so that both meet the same moments. Each chunk of the test is a whole test of
    // its own (with its final frame, counted in its bytes).
    scratch.Sim().SetPacing(true);
    constexpr uint32_t kChunkSteps = 400;
    const int chunks = static_cast<int>(std::max<uint32_t>(1, pacedSteps / kChunkSteps));
    const uint32_t chunk = std::max<uint32_t>(1, pacedSteps / chunks);
    double pacedTest = 0, pacedEcho = 0, bytes = 0;
    std::vector<double> pairUse;  // the test's line use over the echo client's, chunk by chunk
    for (int i = 0; i < chunks && ok; ++i) {
        const bool testFirst = i % 2 == 0;
        double t = 0, e = 0;
        for (int k = 0; k < 2 && ok; ++k) {
            if ((k == 0) == testFirst)
                t = Timed(ok, [&] { return CommTestRun(core, op, chunk); });
            else
                e = Timed(ok, [&] { return EchoTest(echo, chunk); });
        }
        pacedTest += t;
        pacedEcho += e;
        bytes += TestBytes(chunk);
        pairUse.push_back(e / t);  // same bytes: line use goes with the inverse of the time
    }
    if (!ok) {
        std::fprintf(stderr, "a paced run failed\n");
        return 1;
    }
    const double testUse = bench::LineUse(bytes, pacedTest, kBaud);
    const double echoUse = bench::LineUse(bytes, pacedEcho, kBaud);
    std::printf("paced_steps: %u\n", chunk * static_cast<uint32_t>(chunks));
    std::printf("paced_line_use: %.4f\n", testUse);
    std::printf("paced_echo_line_use: %.4f\n", echoUse);
    std::printf("paced_line_use_vs_echo: %.4f\n", testUse / echoUse);
    std::printf("paced_line_use_vs_echo_chunk_median: %.4f\n", Median(pairUse));
    return 0;
}
