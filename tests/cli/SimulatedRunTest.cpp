// The simulated network the programs start themselves: where its units come from, where its line
// is, and a session on it against the same session on a simulator started by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/RunOptions.h"
#include "cli/RunSession.h"
#include "core/network/LastScan.h"
#include "sim/NetworkFile.h"
#include "sim/Simulator.h"
#include "simline/SimulatedLine.h"
#include "support/ScratchFolder.h"
#include "support/SimNetwork.h"

namespace vendra::test {
namespace {

const std::string kExamples = VENDRA_EXAMPLES_DIR;

// The demo network as vendra-sim reads it from its file.
sim::Options DemoFromFile() {
    sim::Options options;
    std::string error;
    EXPECT_TRUE(sim::LoadNetworkFile(kExamples + "/demo-network.txt", options, error)) << error;
    return options;
}

TEST(SimulatedLine, UnitsComeFromTheFileTheKeptScanOrTheDemo) {
    const struct {
        const char* name;
        const char* networkFile;  // written and named when not null
        const char* kept;         // LastScan.cfg when not null
        const char* source;       // with the scratch folder's path for "@"
        std::vector<std::string> units;
    } kCases[] = {
        {"file", "unit D3\nunit Q2\n", "U2", "network file @/net.txt", {"D3", "Q2"}},
        {"kept", nullptr, "U2,X1", "the units of the last scan (U2,X1)", {"U2", "X1"}},
        {"demo", nullptr, nullptr, "the demo network", {"D3", "U2", "H1", "X1", "Q0"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        SimulatedNetworkChoice choice;
        std::string error;
        if (c.networkFile) std::ofstream(choice.networkFile = scratch("net.txt")) << c.networkFile;
        if (c.kept) choice.keptUnits = c.kept;
        SimulatedLine line;
        ASSERT_TRUE(line.Start(choice, error)) << error;
        EXPECT_EQ(line.Source(),
                  std::regex_replace(c.source, std::regex("@"), scratch.root.string()));
        EXPECT_EQ(line.Simulator()->UnitNames(), c.units);
        // Its link is in a folder of its own, never where a real COM<n> may be.
        const std::filesystem::path link = line.DevicePath();
        EXPECT_EQ(link.filename(), "COM1");
        EXPECT_NE(link.parent_path(), scratch.root);
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        if (std::string(c.name) == "demo") {
            // The compiled-in demo is the file's, on-board program included.
            SimNetwork byHand;
            ASSERT_TRUE(byHand.Start(DemoFromFile()));
            EXPECT_EQ(line.Simulator()->ProgramLines("D3"), byHand->ProgramLines("D3"));
            EXPECT_FALSE(line.Simulator()->ProgramLines("D3")->empty());
            EXPECT_EQ(line.Simulator()->BoardBaud(), 57600u);
        }
        line.Stop();
        EXPECT_FALSE(std::filesystem::exists(link.parent_path()));
    }
}

TEST(SimulatedLine, WhatCannotBeSimulatedIsRefusedWithItsReason) {
    const struct {
        std::string kept, fault, error;
    } kCases[] = {
        {"D3,Z9", "", "the units of the last scan: "},
        {"", "drop:match=D3", "the simulated network cannot start: "},
    };
    for (const auto& c : kCases) {
        SimulatedNetworkChoice choice;
        choice.keptUnits = c.kept;
        if (!c.fault.empty()) choice.faults = {c.fault};
        SimulatedLine line;
        std::string error;
        EXPECT_FALSE(line.Start(choice, error));
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
        EXPECT_FALSE(line.Running());
        EXPECT_EQ(line.DevicePath(), "");
    }
}

TEST(LastScan, KeptUnitsAreOneLineReplacedWhole) {
    ScratchFolder scratch;
    std::string error;
    EXPECT_EQ(LoadLastScanUnits(scratch.root.string()), "");
    ASSERT_TRUE(SaveLastScanUnits(scratch.root.string(), "D3,X1,Q0", error)) << error;
    ASSERT_TRUE(SaveLastScanUnits(scratch.root.string(), "H1", error)) << error;
    EXPECT_EQ(ReadFile(scratch("LastScan.cfg")), "H1\n");
    EXPECT_EQ(LoadLastScanUnits(scratch.root.string()), "H1");
    EXPECT_FALSE(std::filesystem::exists(scratch("LastScan.cfg.new")));
}

// The summary without its times, which differ from run to run.
std::string WithoutTimes(const std::string& summary) {
    return std::regex_replace(summary,
                              std::regex("\"(program_time_s|reply_avg_ms|reply_low_ms|"
                                         "reply_high_ms)\": [^,}]+"),
                              "\"$1\": T");
}

// A session on the simulated demo sends the frames, and ends with the summary, that the same
// session sends to and ends with on the demo network started by hand.
TEST(SimulatedLine, SessionSendsWhatItSendsToTheDemoStartedByHand) {
    SimNetwork byHand;
    ASSERT_TRUE(byHand.Start(DemoFromFile()));
    const std::string program = byHand.File("moves.def");
    std::ofstream(program) << "DBoard,3,\"A400\"\n"
                              "UBoard,2,\"A20\"\n"
                              "end_program\n";
    std::vector<std::string> frames[2];
    std::string summaries[2], said[2];
    for (int simulated = 0; simulated < 2; ++simulated) {
        SCOPED_TRACE(simulated ? "simulated" : "by hand");
        ScratchFolder folder;
        RunOptions options;
        options.program = program;
        options.json = true;
        options.folder = folder.root.string();
        options.simulate = simulated == 1;
        if (!simulated) options.device = byHand->LinkPath();
        std::ostringstream out, err;
        RunSession session(options, out, err, RunSession::Terminal{});
        ASSERT_EQ(session.Prepare(), 0) << err.str();
        session.Start();
        ASSERT_TRUE(session.WaitFinished(10000));
        EXPECT_EQ(session.Finish(), kRunEnded) << err.str();
        frames[simulated] = simulated ? session.Simulated().Simulator()->ReceivedFrames()
                                      : byHand->ReceivedFrames();
        summaries[simulated] = WithoutTimes(out.str());
        said[simulated] = err.str();
        // Only a real scan's units are kept for the next simulated start.
        EXPECT_EQ(LoadLastScanUnits(folder.root.string()), simulated ? "" : "D3,U2,H1,X1,Q0");
    }
    EXPECT_GT(frames[0].size(), 20u);  // the scan is in it
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(summaries[1], summaries[0]);
    EXPECT_NE(summaries[0].find("\"frames_sent\": 2"), std::string::npos) << summaries[0];
    EXPECT_EQ(said[0].find("SIMULATED NETWORK"), std::string::npos);
    EXPECT_NE(said[1].find("vendra-run: SIMULATED NETWORK (the demo network): no byte goes to a "
                           "real device\n"),
              std::string::npos)
        << said[1];
}

}  // namespace
}  // namespace vendra::test
