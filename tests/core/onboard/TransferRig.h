// A core whose port is open on a simulated board network, with the scripted operator: the rig of
// the on-board transfer tests. The rig holds the line for the transfer, as its worker would;
// Release gives it back for the tests that start the worker itself.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "core/app/Core.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra::test {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

inline int64_t MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

struct TransferRig {
    SimNetwork net;  // outlives the core
    ScriptedOperator op;
    Core core{op};
    SystemState& state = core.State;
    OnboardProgram& program = state.Onboard;
    OnboardTransfer& transfer = core.Onboard;
    LineSession session;

    bool Start(const std::string& units, sim::Options options = {}) {
        if (!net.Start(units, options)) return false;
        session = core.Line.Take(LineUser::OnboardTransfer);
        if (!net.Open(session)) return false;
        transfer.UseSession(&session);
        net.MarkPresent(state.Units);
        return true;
    }
    void Release() {
        transfer.UseSession(nullptr);
        session.Release();
    }
    ~TransferRig() { Release(); }
    // The frames the boards received, once at least `count` have (the last ones of an operation
    // may still be on their way when it returns).
    Lines Frames(size_t count = 0) const {
        if (count > 0) net->WaitForFrames(count, 2000);
        return net->ReceivedFrames();
    }
};

}  // namespace vendra::test
