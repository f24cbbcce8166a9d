// A board network on a real pty for the board-step tests: the simulated network (SimNetwork), the
// line opened on it and held by a session, and a board step with its log and logger over a fresh
// SystemState. `link` drives the step as a program line would (Tx, PollReply, LastReply).
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app/SystemState.h"
#include "core/runner/BoardStep.h"
#include "core/runner/QeDataLogger.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra::test {

// The step, with the names the tests use for it.
struct StepDriver {
    BoardStep& step;
    int BoardTransaction(unsigned unit, uint8_t family, const std::string& text) {
        return step.Command(unit, family, text);
    }
    int PollReply(unsigned unit, uint8_t family) { return step.Poll(unit, family); }
    bool PollGotNoReply() const { return step.PollGotNoReply(); }
    // The last reply read (the family is the one it was read for).
    std::string LastReply(uint8_t) const { return step.LastAnswer().reply; }
};

class TransactionRig : public ::testing::Test {
  protected:
    // Starts the simulator with `units` ("D3,U2,..."); every unit is marked present in the
    // UnitMap (SetAbsent takes one out again).
    void Start(const std::string& units, sim::Options options = {}) {
        if (options.defaultSpeed == 10000.0) options.defaultSpeed = 0;  // moves end at once
        ASSERT_TRUE(net.Start(units, options));
        simulator = &net.Sim();
        session = line.Take(LineUser::Runner);
        ASSERT_TRUE(net.Open(session));
        step.UseSession(&session);
        net.MarkPresent(state.Units);
    }
    void TearDown() override {
        step.UseSession(nullptr);
        session.Close();
        session.Release();
    }
    std::vector<std::string> Frames() const { return simulator->ReceivedFrames(); }
    // The last frame the simulator received, once it has every frame the host sent.
    std::string LastFrame() const {
        simulator->WaitForFrames(state.Run.Stats.FramesSent.load(), 2000);
        auto f = Frames();
        return f.empty() ? std::string() : f.back();
    }
    int Tx(unsigned unit, uint8_t family, const std::string& text) {
        return step.Command(unit, family, text);
    }
    void SetAbsent(UnitGroup g, unsigned unit) { state.Units.present[int(g)][unit] = 0; }

    SimNetwork net;  // declared first: the line and the step go before the simulator
    sim::Simulator* simulator = nullptr;
    const std::filesystem::path& folder = net.Folder();
    SystemState state;
    ScriptedOperator op;
    CommDebugLog log{CommDebugLogStateOf(state)};
    SerialLine line{state.Serial, op, log, state.Run.ProgramPointer, state.Config.ReplyTimeout};
    LineSession session;
    QeDataLogger logger{state.Run};
    BoardStep step{{state.Boards, state.Units, state.Run}, op, &logger};
    StepDriver link{step};
};

}  // namespace vendra::test
