// A simulator on a fresh temporary folder with the host's end of the line open.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "HostLine.h"
#include "sim/NetworkFile.h"
#include "sim/Simulator.h"

namespace vendra::sim::test {

std::string MakeTempDir();
// Polls `condition` every ms until it holds or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 1000);
void RemoveTree(const std::string& dir);

class SimTest : public ::testing::Test {
  protected:
    void TearDown() override {
        host.Close();
        sim.reset();
        if (!dir.empty()) RemoveTree(dir);
    }
    // Starts a simulator with `units` (the --units form) and opens the host's end at `hostBaud`.
    void StartSim(const std::string& units, Options options = {}, uint32_t hostBaud = 57600) {
        dir = MakeTempDir();
        options.folder = dir;
        std::string error;
        ASSERT_TRUE(ParseUnits(units, options.units, error)) << error;
        sim = std::make_unique<Simulator>(options);
        ASSERT_TRUE(sim->Start()) << sim->Error();
        ASSERT_TRUE(host.Open(sim->LinkPath(), hostBaud));
    }
    // The same, with the boards and the host at `baud` and the simulator pacing at line speed.
    void StartPaced(const std::string& units, uint32_t baud) {
        Options options;
        options.pace = true;
        options.boardBaud = baud;
        StartSim(units, options, baud);
    }
    std::string Ask(const std::string& frame, int timeoutMs = 500) {
        auto line = host.Exchange(frame, timeoutMs);
        return line ? *line : "<none:" + host.Pending() + ">";
    }

    std::string dir;
    std::unique_ptr<Simulator> sim;
    HostLine host;
};

}  // namespace vendra::sim::test
