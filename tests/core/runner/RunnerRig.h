// A whole runner with its line, log and logger, for scenario tests: programs are loaded from .def
// text, run on the real runner thread, and answered by the scripted Operator. Once connected the
// line is a real pty to a simulated network (SimNetwork); until then the port stays closed and
// every unit counts as absent.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/ProgramFile.h"
#include "core/runner/QeDataLogger.h"
#include "core/runner/RunControl.h"
#include "core/runner/RunTables.h"
#include "core/runner/Runner.h"
#include "core/runner/StatusDisplay.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "sim/Simulator.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra::test {

// Polls `done` every millisecond until it holds or `timeoutMs` pass.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct RunnerRig {
    ScriptedOperator op;
    SimNetwork net;  // outlives the core: the runner stops before the line goes away
    sim::Simulator* simulator = nullptr;
    Core core{op};  // the program's own wiring
    SystemState& state = core.State;
    SerialLine& line = core.Line;
    CommDebugLog& log = core.CommLog;
    QeDataLogger& logger = core.QeLogger;
    Runner& runner = core.RunnerWorker;
    RunControl& control = core.RunControls;

    RunnerRig() { ResetRunTables(RunnerStateOf(state)); }

    // Starts a simulated network ("D3,X1,Q0" ...) and opens the line to it, marking every unit
    // present as the network initialisation would.
    bool Connect(const std::string& units, const std::function<void(sim::Options&)>& adjust = {}) {
        sim::Options options;
        if (adjust) adjust(options);
        if (!net.Start(units, options, kPort)) return false;
        return Opened();
    }
    // Path of a file in the rig's scratch folder.
    std::string File(const std::string& name) const { return net.File(name); }

    // Loads .def text as "Load Define File" would; true when it loaded.
    bool Load(const std::string& text) {
        std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        if (file == nullptr) return false;
        LoadReport report;
        int ok = LoadProgram(state, file, report);
        std::fclose(file);
        state.App.ProgramLoaded = ok;
        return ok == 1;
    }

    // "Run Program", then waits until the runner thread has finished.
    bool RunToEnd(uint32_t timeoutMs = 10000) {
        control.RunButtonClick();
        return runner.Wait(timeoutMs);
    }

    uint32_t Reg(int n) const { return state.Run.TempRegisters[n].load(); }
    int32_t Pointer() const { return state.Run.ProgramPointer.load(); }
    std::string LastBoxText() const {
        auto boxes = op.Boxes();
        return boxes.empty() ? std::string() : boxes.back().text;
    }

  private:
    static constexpr int kPort = 7;
    bool Opened() {
        simulator = &net.Sim();
        net.MarkPresent(state.Units);
        return net.Open(line);
    }
};

}  // namespace vendra::test
