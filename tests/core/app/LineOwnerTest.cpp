// One owner of the line: activities that ask for the line at the same moment from different
// threads never both get it, and the boards never see their frames interleaved.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <regex>
#include <thread>
#include <vector>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/program/ProgramFile.h"
#include "core/runner/RunTables.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra::test {
namespace {

TEST(LineOwner, ManyThreadsNeverHoldTheLineTogether) {
    LineOwner line;
    std::atomic<int> holders{0};
    std::atomic<int> overlaps{0};
    std::atomic<long> granted{0}, refused{0};
    const LineUser users[] = {LineUser::NetworkInit, LineUser::Runner,    LineUser::CommTest,
                              LineUser::Terminal,    LineUser::BoardInfo, LineUser::MainWindow};
    std::latch start(std::size(users));
    std::vector<std::thread> threads;
    for (LineUser user : users) {
        threads.emplace_back([&, user] {
            start.arrive_and_wait();
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
            while (std::chrono::steady_clock::now() < end) {
                LineOwner::Guard guard = line.Take(user);
                if (!guard) {
                    ++refused;
                    continue;
                }
                if (++holders != 1) ++overlaps;
                if (line.Owner() != user) ++overlaps;
                --holders;
                ++granted;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_GT(granted.load(), 0);
    EXPECT_GT(refused.load(), 0) << "the threads never met: the test proved nothing";
    EXPECT_EQ(line.Owner(), LineUser::Idle);
    EXPECT_FALSE(line.Take(LineUser::Idle)) << "nobody takes the line as Idle";
}

// The runner and the network initialisation asked for at the same moment from two threads. Each
// holds the line a while before its first frame (a delay line; the boards' settle time), so the
// second request always comes while the first activity runs.
TEST(LineOwner, RunnerAndNetworkInitialisationAskingAtOnceNeverInterleave) {
    const std::vector<std::string> programFrames = {"D3A100\r", "D3A200\r", "D3A300\r"};
    const std::regex scanFrame("[DUHXQ][0-9A-F]v[03]\r");
    int runnerWon = 0, initWon = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        SimNetwork net;
        ScriptedOperator op;
        Core core(op);
        SystemState& s = core.State;
        ASSERT_TRUE(net.Start("D3"));
        ASSERT_TRUE(net.Open(core.Line));
        net.MarkPresent(s.Units);
        core.Line.SetDeviceFolder(net.Folder().string());
        s.Config.CommPortNumber = 1;
        s.Config.InitTimeout = 3;  // a short scan: whether D3 is found in it does not matter here
        core.Network.SetSettleMs(250);
        ResetRunTables(RunnerStateOf(s));
        const std::string text =
            "delay,250\nDBoard,3,\"A100\"\nDBoard,3,\"A200\"\nDBoard,3,\"A300\"\nend_program\n";
        std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        ASSERT_NE(file, nullptr);
        LoadReport report;
        ASSERT_EQ(LoadProgram(s, file, report), 1);
        std::fclose(file);
        s.App.ProgramLoaded = 1;
        s.Run.RestartPending = 1;

        // The thread that arrives last at the latch runs on at once and usually wins: the order
        // changes each round so that both activities win some.
        std::latch start(2);
        bool runnerStarted = false, initStarted = false;
        auto askRunner = [&] {
            start.arrive_and_wait();
            runnerStarted = core.RunnerWorker.Start();
        };
        auto askInit = [&] {
            start.arrive_and_wait();
            initStarted = core.Initialisation.Start();
        };
        std::thread first = round % 2 ? std::thread(askRunner) : std::thread(askInit);
        std::thread second = round % 2 ? std::thread(askInit) : std::thread(askRunner);
        first.join();
        second.join();
        ASSERT_NE(runnerStarted, initStarted) << "exactly one of the two gets the line";
        ASSERT_TRUE(core.RunnerWorker.Wait(10000));
        ASSERT_TRUE(core.Initialisation.Wait(20000));
        EXPECT_EQ(s.Serial.Line.Owner(), LineUser::Idle);

        // Every byte the boards received belongs to the winner's frames, in its order.
        std::vector<std::string> frames = net->ReceivedFrames();
        std::string framed, received;
        for (const auto& f : frames) framed += f;
        for (const auto& e : net->ByteLogEntries())
            if (e.kind == sim::LogKind::Received) received += e.bytes;
        EXPECT_EQ(received, framed);
        if (runnerStarted) {
            ++runnerWon;
            EXPECT_EQ(frames, programFrames);
        } else {
            ++initWon;
            ASSERT_GE(frames.size(), 81u);
            EXPECT_EQ(frames[0], "GG*\r");
            for (size_t i = 1; i < frames.size(); ++i)
                EXPECT_TRUE(std::regex_match(frames[i], scanFrame)) << i << ": " << frames[i];
        }
        EXPECT_TRUE(op.Boxes().empty());
    }
    RecordProperty("runner_won", runnerWon);
    RecordProperty("initialisation_won", initWon);
}

}  // namespace
}  // namespace vendra::test
