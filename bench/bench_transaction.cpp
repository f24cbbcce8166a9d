// bench-transaction: one board exchange (frame "D3A1000\r", reply "D3>\r", the same simulated
// unit on the same pty) done three ways, side by side in one run:
//   echo         a minimal C++ client: write the frame, poll() and read to CR (the floor)
//   transaction  BoardTransaction with all its bookkeeping
//   pyserial     a plain Python pyserial script (what a user would otherwise write)
// Rounds alternate the three so that a noisy shared machine hurts them alike. Then, with the
// simulator pacing its bytes at 115200 baud, a run of transactions shows how much of the line's
// byte rate the host can use.
// Prints "name: value" lines.
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Simulator.h"
#include "app/Operator.h"
#include "app/SystemState.h"
#include "serial/BoardTransaction.h"
#include "serial/CommDebugLog.h"
#include "serial/QeDataLogger.h"
#include "serial/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kFrame = "D3A1000\r";
constexpr const char* kReply = "D3>";
constexpr uint32_t kBaud = 115200;

double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Answers nothing and shows nothing: the bench has no operator.
class SilentOperator : public vendra::Operator {
  public:
    int ShowMessageBox(const std::string& text, const std::string& title, unsigned) override {
        std::fprintf(stderr, "message: %s / %s\n", title.c_str(), text.c_str());
        ++boxes;
        return vendra::mb::IdOk;
    }
    bool AskBoardType(uint8_t&) override { return false; }
    bool AskBoardAddress(uint8_t&) override { return false; }
    bool AskUserValue(const std::string&, uint32_t&) override { return false; }
    void SetSystemMessage(const std::string&) override {}
    void SetUnitIndicator(vendra::UnitGroup, int, vendra::UnitIndicator) override {}
    void SetUnitCount(vendra::UnitGroup, const std::string&) override {}
    void SetMenuEnabled(vendra::MenuItem, bool) override {}
    void SetCheckBox(vendra::CheckBox, bool) override {}
    void SetProgress(int) override {}
    void Beep(unsigned) override {}
    void StateChanged() override {}
    void ProcessEvents() override {}
    int boxes = 0;
};

// The floor: open the device raw, write, poll() and read up to CR.
bool EchoRound(const std::string& path, int count, std::vector<double>& samples) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(fd, TCSANOW, &tio);
    tcflush(fd, TCIOFLUSH);
    const size_t frameLen = std::strlen(kFrame);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        auto t0 = Clock::now();
        ok = ::write(fd, kFrame, frameLen) == static_cast<ssize_t>(frameLen);
        char line[64];
        size_t got = 0;
        while (ok) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) {
                ok = false;
                break;
            }
            ssize_t n = ::read(fd, line + got, sizeof line - 1 - got);
            if (n <= 0) continue;
            got += static_cast<size_t>(n);
            if (line[got - 1] == '\r' || got >= sizeof line - 1) break;
        }
        samples.push_back(Us(Clock::now() - t0));
        ok = ok && got == std::strlen(kReply) + 1 && std::memcmp(line, kReply, got - 1) == 0;
    }
    ::close(fd);
    return ok;
}

bool TransactionRound(vendra::SerialPort& port, vendra::BoardLink& link, int count,
                      std::vector<double>& samples) {
    if (!port.OpenPort(1, kBaud)) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        auto t0 = Clock::now();
        ok = link.BoardTransaction(3, vendra::family::DBoard, "A1000") == 1;
        samples.push_back(Us(Clock::now() - t0));
    }
    ok = ok && link.LastReply(vendra::family::DBoard) == kReply;
    port.ClosePort();
    return ok;
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
    // Short rounds, many of them, the three ways in turn: each way sees the same load.
    int perRound = 100, rounds = 100, paced = 10000;
    if (argc > 1) rounds = std::max(1, std::atoi(argv[1]));
    if (argc > 2) paced = std::max(10, std::atoi(argv[2]));
    // Threads started from here (the simulator's) wake at the time they ask for, not up to 50 us
    // later: paced bytes leave on time.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("bench_transaction_" + std::to_string(getpid()));
    fs::create_directories(folder);
    vendra::sim::Options options;
    options.folder = folder.string();
    options.port = 1;
    options.units = vendra::sim::Simulator::ParseUnits("D3");
    options.boardBaud = kBaud;
    options.defaultSpeed = 0;
    options.keepMemoryLog = false;
    vendra::sim::Simulator simulator(options);
    if (!simulator.Start()) {
        std::fprintf(stderr, "simulator: %s\n", simulator.Error().c_str());
        return 1;
    }
    std::string path = simulator.LinkPath();
    std::string script = (folder / "peer.py").string();
    std::ofstream(script) << kPythonPeer;

    vendra::SystemState state;
    SilentOperator op;
    vendra::SerialPort port(state, op);
    port.SetDeviceFolder(folder.string());
    vendra::CommDebugLog log(state);
    vendra::QeDataLogger logger(state);
    vendra::BoardLink link(state, op, port, log, logger);
    state.Units.present[static_cast<int>(vendra::UnitGroup::DBoard)][3] = 1;
    state.Config.ReplyTimeout = 1000;
    state.Serial.CurrentBaud = kBaud;

    PythonPeer peer;
    bool ok = peer.Start(script, path);
    std::vector<double> echo, transaction, pyserial;
    // The order of the three ways changes from round to round (all six orders in turn), so that
    // none of them always follows the same one.
    int order[3] = {0, 1, 2};
    for (int r = 0; r < rounds && ok; ++r) {
        for (int way : order) {
            if (!ok) break;
            if (way == 0) ok = EchoRound(path, perRound, echo);
            if (way == 1) ok = TransactionRound(port, link, perRound, transaction);
            if (way == 2) ok = peer.Round(perRound, pyserial);
        }
        std::next_permutation(order, order + 3);
    }
    if (!ok || op.boxes) {
        std::fprintf(stderr, "an exchange failed\n");
        fs::remove_all(folder);
        return 1;
    }
    double e = Median(echo), t = Median(transaction), p = Median(pyserial);
    std::printf("exchanges_per_way: %d\n", perRound * rounds);
    std::printf("echo_us: %.1f\n", e);
    std::printf("transaction_us: %.1f\n", t);
    std::printf("pyserial_us: %.1f\n", p);
    std::printf("transaction_vs_echo: %.3f\n", t / e);
    std::printf("transaction_vs_pyserial: %.3f\n", t / p);

    // Paced at 115200 baud: 10 bits a byte, frame and reply one after the other, so the line's
    // limit is (frame + reply bytes) x 10 bits per exchange. The echo client gives this machine's
    // floor under the same pacing.
    simulator.SetPacing(true);
    const double bytesPerExchange = std::strlen(kFrame) + std::strlen(kReply) + 1;
    const double limit = kBaud / 10.0;  // bytes per second
    std::vector<double> pacedEcho;
    auto e0 = Clock::now();
    if (!EchoRound(path, paced, pacedEcho)) return 1;
    double echoSeconds = std::chrono::duration<double>(Clock::now() - e0).count();
    if (!port.OpenPort(1, kBaud)) return 1;
    auto t0 = Clock::now();
    for (int i = 0; i < paced && ok; ++i)
        ok = link.BoardTransaction(3, vendra::family::DBoard, "A1000") == 1;
    double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    port.ClosePort();
    simulator.Stop();
    fs::remove_all(folder);
    if (!ok) {
        std::fprintf(stderr, "a paced exchange failed\n");
        return 1;
    }
    std::printf("paced_transactions: %d\n", paced);
    std::printf("paced_line_limit_us: %.1f\n", 1e6 * bytesPerExchange / limit);
    std::printf("paced_echo_us: %.1f\n", echoSeconds * 1e6 / paced);
    std::printf("paced_transaction_us: %.1f\n", seconds * 1e6 / paced);
    std::printf("paced_echo_line_use: %.3f\n", bytesPerExchange * paced / echoSeconds / limit);
    std::printf("paced_115200_line_use: %.3f\n", bytesPerExchange * paced / seconds / limit);
    return 0;
}
