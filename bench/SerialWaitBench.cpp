// What waiting on the serial line costs: process CPU time while a reply wait runs out its
// time-out and while DelayMs sleeps, and the request/reply round trip over a pty against a peer
// that answers at once. Prints "name: value" lines.
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/SerialPort.h"
#include "support/QuietOperator.h"

namespace {

using namespace vendra;

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// CPU time as a percentage of one core over the wall time `action` took.
template <typename F>
double CpuPercent(F action) {
    double cpu0 = ProcessCpuMs();
    uint64_t wall0 = TickUs();
    action();
    double wallMs = (TickUs() - wall0) / 1e3;
    return 100.0 * (ProcessCpuMs() - cpu0) / wallMs;
}

}  // namespace

int main() {
    int master = -1, slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios tio{};
    tcgetattr(master, &tio);
    cfmakeraw(&tio);
    tcsetattr(master, TCSANOW, &tio);

    SystemState state;
    QuietOperator op;
    SerialPort port(state.Serial, op);
    if (!port.OpenDevice(name, 57600)) {
        std::fprintf(stderr, "open failed: %s\n", port.LastError().c_str());
        return 1;
    }
    state.Serial.QuietWait = 1;

    double waitCpu = CpuPercent([&] { port.WaitForReply(2000); });
    double delayCpu = CpuPercent([&] { DelayMs(op, 2000); });
    std::printf("cpu_wait_for_reply_timeout_2s_percent_of_core: %.3f\n", waitCpu);
    std::printf("cpu_delay_ms_2s_percent_of_core: %.3f\n", delayCpu);

    // Round trip: frame out, the peer answers at once, reply in.
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        char buf[64];
        while (!stop.load()) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0 && buf[n - 1] == '\r') (void)!write(master, "d0>\r", 4);
        }
    });
    constexpr int kExchanges = 2000;
    char reply[20];
    int ok = 0;
    uint64_t start = TickUs();
    for (int i = 0; i < kExchanges; ++i) {
        port.WriteFrame("D0\r");
        if (port.WaitForReply(200) && port.ReadReply(reply, sizeof reply)) ++ok;
    }
    double perExchangeUs = double(TickUs() - start) / kExchanges;
    stop = true;
    peer.join();
    std::printf("serial_round_trip_us: %.1f\n", perExchangeUs);
    std::printf("serial_round_trip_replies_ok: %d/%d\n", ok, kExchanges);
    port.ClosePort();
    close(slave);
    close(master);
    return 0;
}
