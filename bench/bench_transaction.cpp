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

double Us(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

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

const char* kPythonPeer = R"(import sys, time, serial
port = serial.Serial(sys.argv[1], 115200, timeout=1)
frame = b'D3A1000\r'
times = []
for i in range(int(sys.argv[2])):
    t0 = time.perf_counter_ns()
    port.write(frame)
    reply = port.read_until(b'\r')
    times.append(time.perf_counter_ns() - t0)
    if reply != b'D3>\r':
        print('bad reply', reply, file=sys.stderr)
        sys.exit(1)
port.close()
print(' '.join(str(t) for t in times))
)";

bool PyserialRound(const std::string& script, const std::string& path, int count,
                   std::vector<double>& samples) {
    std::string cmd = "/usr/bin/python3 " + script + " " + path + " " + std::to_string(count);
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return false;
    long long ns = 0;
    int read = 0;
    while (std::fscanf(p, "%lld", &ns) == 1) {
        samples.push_back(ns / 1000.0);
        ++read;
    }
    return ::pclose(p) == 0 && read == count;
}

}  // namespace

int main(int argc, char** argv) {
    int perRound = 2000, rounds = 5, paced = 10000;
    if (argc > 1) perRound = std::max(10, std::atoi(argv[1]));
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

    std::vector<double> echo, transaction, pyserial;
    bool ok = true;
    for (int r = 0; r < rounds && ok; ++r) {
        ok = EchoRound(path, perRound, echo) && TransactionRound(port, link, perRound, transaction) &&
             PyserialRound(script, path, perRound, pyserial);
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

    // Paced at 115200 baud: 10 bits a byte, frame and reply one after the other.
    simulator.SetPacing(true);
    std::vector<double> pacedEcho;
    if (!EchoRound(path, 1000, pacedEcho)) return 1;
    std::printf("paced_echo_us: %.1f\n", Median(pacedEcho));
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
    double bytes = static_cast<double>(paced) * (std::strlen(kFrame) + std::strlen(kReply) + 1);
    double limit = kBaud / 10.0;  // bytes per second
    std::printf("paced_transactions: %d\n", paced);
    std::printf("paced_transaction_us: %.1f\n", seconds * 1e6 / paced);
    std::printf("paced_line_limit_us: %.1f\n", 1e6 * bytes / paced / limit);
    std::printf("paced_115200_line_use: %.3f\n", bytes / seconds / limit);
    return 0;
}
