// A board network on a real pty for the transaction tests: the simulated network (SimNetwork),
// the port opened on it, and a BoardLink with its log and logger over a fresh SystemState.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app/SystemState.h"
#include "core/serial/BoardTransaction.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/QeDataLogger.h"
#include "core/serial/SerialPort.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra::test {

class TransactionRig : public ::testing::Test {
  protected:
    // Starts the simulator with `units` ("D3,U2,..."); every unit is marked present in the
    // UnitMap (SetAbsent takes one out again).
    void Start(const std::string& units, sim::Options options = {}) {
        if (options.defaultSpeed == 10000.0) options.defaultSpeed = 0;  // moves end at once
        ASSERT_TRUE(net.Start(units, options));
        simulator = &net.Sim();
        ASSERT_TRUE(net.Open(port));
        net.MarkPresent(state.Units);
    }
    void TearDown() override { port.ClosePort(); }
    std::vector<std::string> Frames() const { return simulator->ReceivedFrames(); }
    // The last frame the simulator received, once it has every frame the host sent.
    std::string LastFrame() const {
        simulator->WaitForFrames(state.Run.Stats.FramesSent.load(), 2000);
        auto f = Frames();
        return f.empty() ? std::string() : f.back();
    }
    int Tx(unsigned unit, uint8_t family, const std::string& text) {
        return link.BoardTransaction(unit, family, text);
    }
    void SetAbsent(UnitGroup g, unsigned unit) { state.Units.present[int(g)][unit] = 0; }

    SimNetwork net;  // declared first: the port and the link go before the simulator
    sim::Simulator* simulator = nullptr;
    const std::filesystem::path& folder = net.Folder();
    SystemState state;
    ScriptedOperator op;
    SerialPort port{state.Serial, op};
    CommDebugLog log{CommDebugLogStateOf(state)};
    QeDataLogger logger{state.Run};
    RunStopper stopper{state.Run};
    BoardLink link{LinkStateOf(state), op, port, log, logger, stopper};
};

}  // namespace vendra::test
