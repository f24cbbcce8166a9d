// bench-onboard: writes a 2000-line on-board program into a simulated DBoard unit and reads it
// back, with the simulator pacing its bytes at 115200 baud (10 bits a byte, 11520 bytes a second)
// and TXDdelay 0. The write is paced by the board's ':' prompt before every line; the read is one
// long listing.
// Figures: write_s and read_s are the operations' times (star and erase commands, size query
// and the closing ESC included); *_line_use is the bytes that crossed the line in either
// direction (as the simulator logged them) over 11520 bytes a second for that time. 1.0 would be
// a line never idle; the write cannot reach it, as the line idles while the host turns each
// prompt into the next line.
// Usage: bench-onboard [lines (2000)] [TXDdelay ms (0)]. Prints "name: value" lines.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/Core.h"
#include "core/onboard/OnboardTransfer.h"
#include "sim/Simulator.h"
#include "support/QuietOperator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kBaud = 115200;
constexpr double kBytesPerSecond = kBaud / 10.0;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

size_t LineBytes(const vendra::sim::Simulator& sim) {
    size_t bytes = 0;
    for (const auto& e : sim.ByteLogEntries())
        if (e.kind == vendra::sim::LogKind::Received || e.kind == vendra::sim::LogKind::Sent)
            bytes += e.bytes.size();
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vendra;
    const int lineCount = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int txdDelay = argc > 2 ? std::atoi(argv[2]) : 0;

    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("bench-onboard-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    int status = 1;
    {
        sim::Options options;
        options.folder = folder.string();
        options.boardBaud = kBaud;
        options.pace = true;
        std::string error;
        options.units = sim::Simulator::ParseUnits("D5:vF=200000", &error);
        sim::Simulator sim(options);
        if (!sim.Start()) {
            std::fprintf(stderr, "bench-onboard: simulator: %s\n", sim.Error().c_str());
            return 1;
        }
        QuietOperator op(QuietOperator::Boxes::Print);
        Core core(op);
        SystemState& state = core.State;
        LineSession line = core.Line.Take(LineUser::OnboardTransfer);
        core.Onboard.UseSession(&line);
        if (!line.OpenDevice(sim.SlavePath(), kBaud)) {
            std::fprintf(stderr, "bench-onboard: cannot open %s\n", sim.SlavePath().c_str());
            return 1;
        }
        state.Serial.CurrentBaud = kBaud;
        state.Units.present[static_cast<int>(UnitGroup::DBoard)][5] = 1;
        state.Units.unitCount[static_cast<int>(UnitGroup::DBoard)] = 1;
        state.Units.totalUnits = 1;
        state.Config.TXDdelay = txdDelay;

        std::vector<std::string> lines;
        for (int i = 0; i < lineCount; ++i)
            lines.push_back("A" + std::to_string(i * 25) + ",W" + std::to_string(i % 50));
        state.Onboard.ReplaceLines(lines);

        sim.ClearLog();
        auto t0 = Clock::now();
        OnboardOutcome wrote = core.Onboard.WriteOnboardProgram();
        double writeS = Seconds(Clock::now() - t0);
        sim.WaitForFrames(static_cast<size_t>(lineCount) + 6, 2000);
        size_t writeBytes = LineBytes(sim);

        state.Onboard.ReplaceLines({});
        sim.ClearLog();
        t0 = Clock::now();
        OnboardOutcome read = core.Onboard.ReadOnboardProgram();
        double readS = Seconds(Clock::now() - t0);
        size_t readBytes = LineBytes(sim);

        bool same = state.Onboard.Lines() == lines;
        std::printf("lines: %d\n", lineCount);
        std::printf("txd_delay_ms: %d\n", txdDelay);
        std::printf("write_s: %.3f\n", writeS);
        std::printf("read_s: %.3f\n", readS);
        std::printf("write_bytes: %zu\n", writeBytes);
        std::printf("read_bytes: %zu\n", readBytes);
        std::printf("write_line_use: %.3f\n", writeBytes / (kBytesPerSecond * writeS));
        std::printf("read_line_use: %.3f\n", readBytes / (kBytesPerSecond * readS));
        std::printf("read_back_equal: %s\n", same ? "yes" : "no");
        status =
            wrote == OnboardOutcome::Complete && read == OnboardOutcome::Complete && same ? 0 : 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return status;
}
