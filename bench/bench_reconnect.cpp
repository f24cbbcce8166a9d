// bench-reconnect: how soon a run held on a lost line goes on once the device is back. A program
// sends to D3 in a loop over the demo's five units at 57600 baud, paced at line speed; the line
// vanishes, comes back after a random time, the units are asked again and the operator's answer
// (yes, at once) resumes the run. Prints, over the rounds (median and largest):
//   return_to_reopen_ms:       the device back -> the port open again (the 500 ms look)
//   reopen_to_first_frame_ms:  port open -> the held line's first frame (the five units' answers)
//   return_to_first_frame_ms:  the device back -> the held line's first frame
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/base/Clock.h"
#include "core/program/ProgramFile.h"
#include "core/runner/RunTables.h"
#include "sim/Simulator.h"
#include "support/Figures.h"
#include "support/QuietOperator.h"

using namespace vendra;

namespace {

// Says yes to resuming; everything else as the quiet operator.
class ResumingOperator : public QuietOperator {
  public:
    bool AskResumeAfterLineLoss(const std::string&, bool) override { return true; }
};

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = bench::Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (bench::Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The simulator's time of the first frame `text` since its log was cleared; -1 when none.
int64_t FirstFrameUs(const sim::Simulator& sim, const std::string& text) {
    for (const auto& f : sim.Frames())
        if (!f.ignored && f.text == text) return f.timeUs;
    return -1;
}

}  // namespace

int main() {
    constexpr int kRounds = 12;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_reconnect_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    int status = 0;
    {
        sim::Options options;
        options.folder = folder.string();
        options.units = sim::Simulator::ParseUnits("D3,U2,H1,X1,Q0");
        options.defaultSpeed = 0;
        options.pace = true;
        sim::Simulator simulator(options);
        ResumingOperator op;
        Core core(op);
        if (!simulator.Start()) {
            std::fprintf(stderr, "simulator: %s\n", simulator.Error().c_str());
            return 1;
        }
        ResetRunTables(RunnerStateOf(core.State));
        core.Line.SetDeviceFolder(folder.string());
        core.State.Serial.CurrentBaud = 57600;
        if (!core.Line.Take(LineUser::MainWindow).Open(1, 57600)) return 1;
        for (auto [g, a] : {std::pair{UnitGroup::DBoard, 3},
                            {UnitGroup::UBoard, 2},
                            {UnitGroup::HBoard, 1},
                            {UnitGroup::AxisBoard, 1},
                            {UnitGroup::QBoard, 0}})
            core.State.Units.present[int(g)][a] = 1;
        const std::string program = "label,\"top\"\nDBoard,3,\"A5\"\nloop,top\n";
        std::FILE* f = fmemopen(const_cast<char*>(program.data()), program.size(), "r");
        LoadReport report;
        core.State.App.ProgramLoaded = LoadProgram(core.State, f, report);
        std::fclose(f);
        core.RunControls.RunButtonClick();

        std::mt19937 random(12345);
        std::uniform_int_distribution<int> downMs(100, 900);
        std::vector<double> toReopen, reopenToFrame, toFrame;
        for (int round = 0; round < kRounds; ++round) {
            if (!simulator.WaitForFrames(20, 3000)) break;
            simulator.VanishLine();
            if (!WaitUntil([&] { return core.State.Run.LineHold.load() != 0; }, 3000)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(downMs(random)));
            simulator.ClearLog();
            if (!simulator.ReturnLine()) break;
            const auto returnedUs = static_cast<int64_t>(TickUs());
            if (!WaitUntil([&] { return FirstFrameUs(simulator, "D3A5\r") > 0; }, 3000)) break;
            const int64_t frameUs = FirstFrameUs(simulator, "D3A5\r");
            const auto reopenedUs = static_cast<int64_t>(core.Reconnect.ReopenedAtUs());
            toReopen.push_back((reopenedUs - returnedUs) / 1000.0);
            reopenToFrame.push_back((frameUs - reopenedUs) / 1000.0);
            toFrame.push_back((frameUs - returnedUs) / 1000.0);
        }
        core.RunControls.AbortButtonClick();
        core.RunnerWorker.Wait(3000);
        if (toFrame.size() != kRounds) {
            std::fprintf(stderr, "only %zu of %d rounds completed\n", toFrame.size(), kRounds);
            status = 1;
        }
        auto print = [](const char* name, const std::vector<double>& v) {
            std::printf("%s: %.1f (largest %.1f)\n", name, bench::Median(v),
                        v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()));
        };
        print("return_to_reopen_ms", toReopen);
        print("reopen_to_first_frame_ms", reopenToFrame);
        print("return_to_first_frame_ms", toFrame);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
