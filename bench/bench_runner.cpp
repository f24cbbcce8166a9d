// bench-runner: the runner's speed on register and jump lines, the CPU a long delay costs, and how
// soon Abort ends a run. Prints
//   lines_per_s:            lines per second of a program of set_temp, inc_temp, compare_temp,
//                           loop and cloop lines (median of several runs)
//   delay_cpu_pct:          process CPU time over wall time while a "delay 5000" line runs
//   abort_wait_ms:          Abort pressed during a motion wait -> run ended (the wait's board
//                           command returns within a poll of the simulated board)
//   abort_between_lines_ms: end of the command that was running when Abort was pressed (a
//                           delay) -> run ended (the stop frame and its 400 ms settle time)
//   abort_ms:               the larger of the two
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/base/Operator.h"
#include "core/program/ProgramFile.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/RunControl.h"
#include "core/runner/RunTables.h"
#include "core/runner/Runner.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "sim/Simulator.h"
#include "support/QuietOperator.h"

using namespace vendra;
using Clock = std::chrono::steady_clock;

namespace {

struct Rig {
    QuietOperator op;
    std::unique_ptr<sim::Simulator> simulator;  // outlives the core: the runner stops first
    Core core{op};
    SystemState& state = core.State;
    SerialLine& line = core.Line;
    Runner& runner = core.RunnerWorker;
    RunControl& control = core.RunControls;

    Rig() { ResetRunTables(RunnerStateOf(state)); }
    bool Load(const std::string& text) {
        std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        LoadReport report;
        bool ok = f && LoadProgram(state, f, report) == 1;
        if (f) std::fclose(f);
        state.App.ProgramLoaded = ok ? 1 : 0;
        return ok;
    }
};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// 2 + outer * (2 * 1000 + 3) lines: an inner cloop block of two lines run 1000 times inside an
// outer loop closed by compare_temp.
double LinesPerSecond(uint32_t outer) {
    Rig rig;
    std::string program =
        "set_temp,1,0\n"
        "set_temp,2,0\n"
        "inc_temp,2,1\n"
        "cloop,999,3\n"
        "set_temp,2,0\n"
        "inc_temp,1,1\n"
        "compare_temp,1," +
        std::to_string(outer) + ",3,0,0\n";
    if (!rig.Load(program)) return 0;
    const double lines = 2.0 + outer * 2003.0;
    auto start = Clock::now();
    rig.control.RunButtonClick();
    rig.runner.Wait(600000);
    double s = Seconds(Clock::now() - start);
    if (rig.state.Run.TempRegisters[1].load() != outer) return 0;
    return lines / s;
}

double DelayCpuPercent() {
    Rig rig;
    if (!rig.Load("delay,5000\nend_program\n")) return -1;
    double cpu0 = ProcessCpuSeconds();
    auto start = Clock::now();
    rig.control.RunButtonClick();
    rig.runner.Wait(20000);
    double wall = Seconds(Clock::now() - start);
    return (ProcessCpuSeconds() - cpu0) / wall * 100.0;
}

bool Connect(Rig& rig, const std::string& folder) {
    sim::Options options;
    options.folder = folder;
    options.port = 9;
    options.units = sim::Simulator::ParseUnits("D3");
    rig.simulator = std::make_unique<sim::Simulator>(options);
    if (!rig.simulator->Start()) return false;
    rig.state.Units.present[static_cast<int>(UnitGroup::DBoard)][3] = 1;
    return rig.line.Take(LineUser::MainWindow)
        .OpenDevice(rig.simulator->SlavePath(), options.boardBaud);
}

double AbortDuringWaitMs(const std::string& folder) {
    Rig rig;
    if (!Connect(rig, folder)) return -1;
    if (!rig.Load("DBoard,3,\"M10000000\"\nwait_DBoard_done,3,\"\"\nend_program\n")) return -1;
    rig.control.RunButtonClick();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto pressed = Clock::now();
    rig.control.AbortButtonClick();
    rig.runner.Wait(10000);
    return Seconds(Clock::now() - pressed) * 1000.0;
}

double AbortBetweenLinesMs() {
    Rig rig;
    if (!rig.Load("delay,300\nset_temp,1,1\nend_program\n")) return -1;
    auto start = Clock::now();
    rig.control.RunButtonClick();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    rig.control.AbortButtonClick();
    rig.runner.Wait(10000);
    // The delay line lasts 301 ms from the start of the run.
    return Seconds(Clock::now() - start) * 1000.0 - 301.0;
}

}  // namespace

int main() {
    std::vector<double> rates;
    for (int i = 0; i < 5; ++i) rates.push_back(LinesPerSecond(1000));
    std::sort(rates.begin(), rates.end());
    std::printf("lines_per_s: %.0f\n", rates[rates.size() / 2]);
    std::fflush(stdout);

    std::printf("delay_cpu_pct: %.3f\n", DelayCpuPercent());
    std::fflush(stdout);

    const std::string folder =
        (std::filesystem::temp_directory_path() / ("bench-runner-" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(folder);
    double wait = AbortDuringWaitMs(folder);
    double between = AbortBetweenLinesMs();
    std::filesystem::remove_all(folder);
    std::printf("abort_wait_ms: %.1f\n", wait);
    std::printf("abort_between_lines_ms: %.1f\n", between);
    std::printf("abort_ms: %.1f\n", std::max(wait, between));
    return 0;
}
