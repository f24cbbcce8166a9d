// bench-transaction: one board exchange (frame "D3A1000\r", reply "D3>\r", the same simulated
// unit on the same pty) done three ways, side by side in one run:
//   echo         a minimal C++ client: write the frame, poll() and read to CR (the floor)
//   transaction  BoardTransaction with all its bookkeeping
//   pyserial     a plain Python pyserial script (what a user would otherwise write)
// The echo and transaction exchanges are done in pairs (in alternating order) and the pyserial
// ones in rounds between them, so that the wake-up times of a shared machine, which drift by tens
// of microseconds, hurt all three alike. Then, with the simulator pacing its bytes at 115200
// baud, one run of transactions shows how much of the line's byte rate the host uses, beside
// the echo client's figure under the same pacing (this machine's floor), and the same figures
// once more with the CPUs held awake, to show what the machine's idle wake-ups cost.
// Figures: *_us are medians of single exchanges; transaction_vs_echo is the median, over the
// pairs, of transaction time / echo time (the machine's wake-up times are bimodal, so a ratio of
// two medians, also printed, can land between modes); line use is bytes moved per second over
// the line's 11520 bytes per second, frame and reply counted.
// Usage: bench-transaction [rounds of 100 exchanges (100)] [paced transactions (10000)].
// Prints "name: value" lines.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/runner/BoardStep.h"
#include "core/runner/QeDataLogger.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "sim/Simulator.h"
#include "support/EchoClient.h"
#include "support/Figures.h"
#include "support/QuietOperator.h"
#include "support/ScratchSim.h"

namespace {

using vendra::bench::Clock;
using vendra::bench::EchoClient;
using vendra::bench::Median;
using vendra::bench::Us;
constexpr const char* kFrame = "D3A1000\r";
constexpr const char* kReply = "D3>";
constexpr uint32_t kBaud = 115200;

bool Transaction(vendra::BoardStep& step) {
    return step.Command(3, vendra::family::DBoard, "A1000") == 1 &&
           step.LastAnswer().reply == kReply;
}

// `count` pairs of one echo and one transaction exchange, the pair's order alternating.
bool PairedRound(EchoClient& echo, vendra::BoardStep& link, int count, std::vector<double>& e,
                 std::vector<double>& t) {
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < 2; ++k) {
            bool echoNow = (k == 0) == (i % 2 == 0);
            auto t0 = Clock::now();
            bool ok = echoNow ? echo.Exchange(kFrame, kReply) : Transaction(link);
            (echoNow ? e : t).push_back(Us(Clock::now() - t0));
            if (!ok) return false;
        }
    }
    return true;
}

// The Python peer stays up for the whole run: for every line "<count>" on its input it opens the
// port, does `count` exchanges, closes it and prints their times in ns on one line.
const char* kPythonPeer = R"(import sys, time, serial
path = sys.argv[1]
frame = b'D3A1000\r'
for request in sys.stdin:
    count = int(request)
    port = serial.Serial(path, 115200, timeout=1)
    times = []
    for i in range(count):
        t0 = time.perf_counter_ns()
        port.write(frame)
        reply = port.read_until(b'\r')
        times.append(time.perf_counter_ns() - t0)
        if reply != b'D3>\r':
            print('bad reply', reply, file=sys.stderr)
            sys.exit(1)
    port.close()
    print(' '.join(str(t) for t in times), flush=True)
)";

class PythonPeer {
  public:
    bool Start(const std::string& script, const std::string& path) {
        int toPeer[2], fromPeer[2];
        if (::pipe(toPeer) != 0 || ::pipe(fromPeer) != 0) return false;
        pid_ = ::fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            ::dup2(toPeer[0], 0);
            ::dup2(fromPeer[1], 1);
            ::close(toPeer[1]);
            ::close(fromPeer[0]);
            ::execl("/usr/bin/python3", "python3", script.c_str(), path.c_str(), (char*)nullptr);
            ::_exit(127);
        }
        ::close(toPeer[0]);
        ::close(fromPeer[1]);
        in_ = ::fdopen(toPeer[1], "w");
        out_ = ::fdopen(fromPeer[0], "r");
        return in_ && out_;
    }
    bool Round(int count, std::vector<double>& samples) {
        std::fprintf(in_, "%d\n", count);
        std::fflush(in_);
        long long ns = 0;
        for (int i = 0; i < count; ++i) {
            if (std::fscanf(out_, "%lld", &ns) != 1) return false;
            samples.push_back(ns / 1000.0);
        }
        return true;
    }
    ~PythonPeer() {
        if (in_) std::fclose(in_);
        if (out_) std::fclose(out_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }

  private:
    pid_t pid_ = -1;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    int perRound = 100, rounds = 100, paced = 10000;
    if (argc > 1) rounds = std::max(1, std::atoi(argv[1]));
    if (argc > 2) paced = std::max(10, std::atoi(argv[2]));
    vendra::bench::ScratchSim scratch("bench_transaction");
    if (!scratch.Start("D3", kBaud)) return 1;
    vendra::sim::Simulator& simulator = scratch.Sim();
    const std::string path = simulator.LinkPath();
    const std::string folder = scratch.Folder();
    const std::string script = scratch.File("peer.py");
    std::ofstream(script) << kPythonPeer;

    vendra::SystemState state;
    vendra::QuietOperator op(vendra::QuietOperator::Boxes::Print);
    vendra::CommDebugLog log(vendra::CommDebugLogStateOf(state));
    vendra::SerialLine line(state.Serial, op, log, state.Run.ProgramPointer,
                            state.Config.ReplyTimeout);
    line.SetDeviceFolder(folder);
    vendra::LineSession port = line.Take(vendra::LineUser::Runner);
    vendra::QeDataLogger logger(state.Run);
    vendra::BoardStep link({state.Boards, state.Units, state.Run}, op, &logger);
    link.UseSession(&port);
    state.Units.present[static_cast<int>(vendra::UnitGroup::DBoard)][3] = 1;
    state.Config.ReplyTimeout = 1000;
    state.Serial.CurrentBaud = kBaud;

    auto fail = [&](const char* what) {
        std::fprintf(stderr, "%s\n", what);
        return 1;
    };
    // The echo client's descriptor is opened first: the port's exclusive open does not shut out a
    // descriptor already open. The two are used in turn, never at once; the port is closed while
    // the Python peer has the line.
    EchoClient echoClient;
    PythonPeer peer;
    if (!echoClient.Open(path) || !peer.Start(script, path))
        return fail("cannot start the clients");
    std::vector<double> echo, transaction, pyserial;
    bool ok = true;
    for (int r = 0; r < rounds && ok; ++r) {
        ok = port.Open(1, kBaud) && PairedRound(echoClient, link, perRound, echo, transaction);
        port.Close();
        ok = ok && peer.Round(perRound, pyserial);
    }
    if (!ok || op.MessageBoxes()) return fail("an exchange failed");
    const double e = Median(echo), t = Median(transaction), p = Median(pyserial);
    std::printf("exchanges_per_way: %zu\n", echo.size());
    std::printf("echo_us: %.1f\n", e);
    std::printf("transaction_us: %.1f\n", t);
    std::printf("pyserial_us: %.1f\n", p);
    // Each pair meets one moment of the machine: the ratio is taken pair by pair, then its median.
    std::vector<double> pairRatio;
    for (size_t i = 0; i < echo.size(); ++i) pairRatio.push_back(transaction[i] / echo[i]);
    std::printf("transaction_vs_echo: %.3f\n", Median(pairRatio));
    std::printf("transaction_vs_echo_medians: %.3f\n", t / e);
    std::printf("transaction_vs_pyserial: %.3f\n", t / p);

    // Paced at 115200 baud: 10 bits a byte, frame and reply one after the other, so the line's
    // limit is (frame + reply bytes) x 10 bits per exchange.
    simulator.SetPacing(true);
    const double bytesPerExchange = std::strlen(kFrame) + std::strlen(kReply) + 1;
    const double limit = kBaud / 10.0;  // bytes per second
    auto lineUse = [&](double seconds, size_t count) {
        return vendra::bench::LineUse(bytesPerExchange * static_cast<double>(count), seconds,
                                      kBaud);
    };
    auto seconds = [](const std::vector<double>& v) {
        double total = 0;
        for (double x : v) total += x;
        return total / 1e6;
    };
    // One run of `paced` transactions on one open port (the headline), then, beside it, this
    // machine's floor under the same pacing: echo and transaction in pairs.
    struct PacedFigures {
        double runSeconds = 0, echo = 0, pairedTransaction = 0;
    };
    auto pacedRun = [&](PacedFigures& f) {
        if (!port.Open(1, kBaud)) return false;
        bool good = true;
        auto t0 = Clock::now();
        for (int i = 0; i < paced && good; ++i) good = Transaction(link);
        f.runSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
        std::vector<double> e, t;
        good = good && PairedRound(echoClient, link, 2000, e, t);
        port.Close();
        f.echo = lineUse(seconds(e), e.size());
        f.pairedTransaction = lineUse(seconds(t), t.size());
        return good && !op.MessageBoxes();
    };
    PacedFigures asIs;
    if (!pacedRun(asIs)) return fail("a paced exchange failed");
    std::printf("paced_transactions: %d\n", paced);
    std::printf("paced_line_limit_us: %.1f\n", 1e6 * bytesPerExchange / limit);
    std::printf("paced_transaction_us: %.1f\n", asIs.runSeconds * 1e6 / paced);
    std::printf("paced_115200_line_use: %.3f\n", lineUse(asIs.runSeconds, paced));
    std::printf("paced_echo_line_use: %.3f\n", asIs.echo);
    std::printf("paced_paired_transaction_line_use: %.3f\n", asIs.pairedTransaction);

    // Where the rest goes: the same again with the CPUs kept out of their idle state (the
    // kernel's PM QoS request, as latency benchmarks make; needs root). On a virtual machine
    // every wake-up of an idle CPU is an exit to the hypervisor, and each exchange has two on
    // its critical path, whoever the client is. Not the program's condition: a diagnosis only.
    int qos = ::open("/dev/cpu_dma_latency", O_WRONLY);
    const int32_t zeroLatency = 0;
    if (qos >= 0 && ::write(qos, &zeroLatency, sizeof zeroLatency) == sizeof zeroLatency) {
        PacedFigures awake;
        if (!pacedRun(awake)) return fail("a paced exchange failed");
        std::printf("cpus_awake_paced_line_use: %.3f\n", lineUse(awake.runSeconds, paced));
        std::printf("cpus_awake_paced_echo_line_use: %.3f\n", awake.echo);
    } else {
        std::printf("cpus_awake_paced_line_use: unavailable (no PM QoS request without root)\n");
    }
    if (qos >= 0) ::close(qos);
    return 0;
}
