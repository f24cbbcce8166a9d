// A board network on a real pty for the transaction tests: the simulator in-process, the port
// opened on its COM link, and a BoardLink with its log and logger over a fresh SystemState.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/app/SystemState.h"
#include "core/serial/BoardTransaction.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/QeDataLogger.h"
#include "core/serial/SerialPort.h"
#include "sim/Simulator.h"
#include "support/ScriptedOperator.h"

namespace vendra::test {

class TransactionRig : public ::testing::Test {
  protected:
    // Starts the simulator with `units` ("D3,U2,..."); every unit is marked present in the
    // UnitMap unless listed in `absent`.
    void Start(const std::string& units, sim::Options options = {}) {
        folder = std::filesystem::temp_directory_path() /
                 ("vendra_tx_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        options.folder = folder.string();
        options.port = 1;
        std::string error;
        options.units = sim::Simulator::ParseUnits(units, &error);
        ASSERT_FALSE(options.units.empty()) << error;
        if (options.defaultSpeed == 10000.0) options.defaultSpeed = 0;  // moves end at once
        simulator = std::make_unique<sim::Simulator>(options);
        ASSERT_TRUE(simulator->Start()) << simulator->Error();
        port.SetDeviceFolder(folder.string());
        ASSERT_TRUE(port.OpenPort(1, options.boardBaud)) << port.LastError();
        state.Serial.CurrentBaud = options.boardBaud;
        for (const sim::UnitConfig& u : options.units) {
            static const UnitGroup groups[] = {UnitGroup::DBoard, UnitGroup::UBoard,
                                               UnitGroup::HBoard, UnitGroup::AxisBoard,
                                               UnitGroup::QBoard};
            state.Units.present[int(groups[int(u.family)])][u.address] = 1;
        }
    }
    void TearDown() override {
        port.ClosePort();
        if (simulator) simulator->Stop();
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }
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

    std::filesystem::path folder;
    SystemState state;
    ScriptedOperator op;
    SerialPort port{state.Serial, op};
    CommDebugLog log{state};
    QeDataLogger logger{state.Run};
    RunStopper stopper{state.Run};
    BoardLink link{state, op, port, log, logger, stopper};
    std::unique_ptr<sim::Simulator> simulator;
};

}  // namespace vendra::test
