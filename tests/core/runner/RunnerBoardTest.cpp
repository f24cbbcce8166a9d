// The runner against simulated boards over a pty: board commands, errors, time-outs, aborts, a
// vanishing line and the QBoard data logger's files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "RunnerRig.h"
#include "support/ScratchFolder.h"

namespace vendra::test {
namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

using test::ReadFile;

TEST(RunnerBoard, BoardCommandsReachTheirUnits) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3,U2,H1,X1,Q0"));
    ASSERT_TRUE(
        rig.Load("set_temp,7,250\n"
                 "DBoard,3,\"A1000\"\n"
                 "UBoard,2,\"M5\"\n"
                 "HBoard,1,\"M6\"\n"
                 "AxisBoard,1,\"XM100,YM200\"\n"
                 "set_DBoard_position,3,7\n"
                 "set_AxisBoard_position,1,Z,7\n"
                 "vsend,\"D3m\"\n"
                 "move_resp_temp,8\n"
                 "qboard,0,\"A12\"\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.simulator->ReceivedFrames(),
              (std::vector<std::string>{"D3A1000\r", "U2M5\r", "H1M6\r", "X1M100,Y1M200\r",
                                        "D3A250\r", "Z1A250\r", "D3m\r", "Q0A12\r"}));
    EXPECT_EQ(rig.Reg(8), 250u) << "the read-back of D3m";
    EXPECT_EQ(rig.state.Boards.MotorD[3].Position.load(), 250);
    EXPECT_EQ(rig.state.Boards.MotorAxis[1][AxisZ].Position.load(), 250);
    EXPECT_TRUE(rig.op.Boxes().empty());
    EXPECT_EQ(rig.state.Run.Stats.FramesSent.load(), 8u);
    EXPECT_EQ(rig.state.Run.Stats.RepliesCounted.load(), 8u);
}

TEST(RunnerBoard, BoardErrorStopsTheRunWithItsMessage) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Connect("D3", [](sim::Options& o) { o.faults.push_back("error:match=D3A100"); }));
    ASSERT_TRUE(rig.Load("set_temp,1,1\nDBoard,3,\"A100\"\nset_temp,2,1\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 1u);
    EXPECT_EQ(rig.Reg(2), 0u);
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Parameter Error");
    EXPECT_EQ(boxes[0].title, "Vendra DBoard Error");
    EXPECT_EQ(boxes[0].flags, 0x1010u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    EXPECT_EQ(rig.Pointer(), 1);
}

TEST(RunnerBoard, ReplyTimeOutDoesNotStopTheRun) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect(
        "D3", [](sim::Options& o) { o.faults.push_back("noreply:match=D3A100:once"); }));
    rig.state.Config.ReplyTimeout = 50;
    ASSERT_TRUE(rig.Load("DBoard,3,\"A100\"\nDBoard,3,\"A200\"\nset_temp,2,1\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(2), 1u);
    EXPECT_TRUE(rig.op.Boxes().empty());
    EXPECT_EQ(rig.state.Run.Stats.RepliesCounted.load(), 1u);
}

TEST(RunnerBoard, AbortDuringAMotionWaitEndsWhenTheWaitReturns) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3"));
    ASSERT_TRUE(
        rig.Load("DBoard,3,\"M100000\"\nwait_DBoard_done,3,\"w\"\nset_temp,1,1\n"
                 "end_program\n"));
    rig.control.RunButtonClick();
    ASSERT_TRUE(rig.simulator->WaitForFrames(3, 2000));  // the move and two status polls
    auto pressed = Clock::now();
    rig.control.AbortButtonClick();
    ASSERT_TRUE(rig.runner.Wait(3000));
    EXPECT_LT(MsSince(pressed), 500);
    EXPECT_EQ(rig.Reg(1), 0u);
    // The wait ended, then the runner stopped the motors.
    EXPECT_TRUE(WaitUntil([&] { return rig.simulator->ReceivedFrames().back() == "GG!\r"; }, 1000));
    EXPECT_TRUE(WaitUntil([&] { return !rig.simulator->GetMotor("D3")->moving; }, 1000));
}

TEST(RunnerBoard, BoardThatStopsAnsweringEndsTheWaitWithAMessage) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Connect("D3", [](sim::Options& o) { o.faults.push_back("noreply:match=D3:skip=3"); }));
    rig.state.Config.ReplyTimeout = 40;
    ASSERT_TRUE(
        rig.Load("DBoard,3,\"M100000\"\nwait_DBoard_done,3,\"w\"\nset_temp,1,1\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd(5000));
    EXPECT_EQ(rig.Reg(1), 0u);
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "DBoard unit 3 does not answer.\nThe program has been stopped.");
    EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");
}

// Without anyone to wait for the line (the program waits for it: LineHoldTest), a vanished line
// ends the run with the port's message.
TEST(RunnerBoard, VanishedLineEndsARunThatCannotWaitForIt) {
    RunnerRig rig;
    rig.runner.SetLineRecovery(nullptr);
    ASSERT_TRUE(rig.Connect("D3"));
    rig.state.Config.ReplyTimeout = 40;
    ASSERT_TRUE(
        rig.Load("DBoard,3,\"M100000\"\nwait_DBoard_done,3,\"w\"\nset_temp,1,1\n"
                 "end_program\n"));
    rig.control.RunButtonClick();
    ASSERT_TRUE(rig.simulator->WaitForFrames(3, 2000));
    rig.simulator->VanishLine();
    ASSERT_TRUE(rig.runner.Wait(5000));
    EXPECT_EQ(rig.Reg(1), 0u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    ASSERT_FALSE(rig.op.Boxes().empty());
    EXPECT_EQ(rig.op.Boxes()[0].text.substr(0, 24), "Communications Port lost");
}

TEST(RunnerBoard, LoggerWritesValuesPerLinePausesAndCloses) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("Q0"));
    rig.simulator->SetEncoderCount(0, 0, 120);
    rig.simulator->SetEncoderCount(0, 1, -40);
    const std::string log = rig.File("qe.log");
    ASSERT_TRUE(rig.Load("enable_qe_data_logger,3,\"" + log +
                         "\"\n"
                         "qboard,0,\"P\"\n"
                         "qboard,0,\"p0\"\n"
                         "qboard,0,\"P\"\n"
                         "pause_qe_data_logger\n"
                         "qboard,0,\"P\"\n"
                         "enable_qe_data_logger,3,\"other.log\"\n"
                         "qboard,0,\"p1\"\n"
                         "disable_qe_data_logger\n"
                         "qboard,0,\"P\"\n"
                         "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(ReadFile(log), "120,-40,120\r\n120,-40,-40\r\n");
    EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), 0u);
    EXPECT_EQ(rig.Reg(40), 120u);
    EXPECT_EQ(rig.Reg(41), static_cast<uint32_t>(-40));
}

TEST(RunnerBoard, LoggerContinuesAfterARunWithoutEndProgram) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("Q0"));
    rig.simulator->SetEncoderCount(0, 0, 120);
    rig.simulator->SetEncoderCount(0, 1, -40);
    const std::string log = rig.File("qe.log");
    ASSERT_TRUE(rig.Load("enable_qe_data_logger,2,\"" + log +
                         "\"\n"
                         "qboard,0,\"P\"\n"
                         "qboard,0,\"p0\"\n"));
    ASSERT_TRUE(rig.RunToEnd());
    // The run is over: everything it logged is in the file already, which stays open.
    EXPECT_EQ(ReadFile(log), "120,-40\r\n120,");
    EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), 1u);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(ReadFile(log), "120,-40\r\n120,120\r\n-40,120\r\n");

    // end_program closes it for good: the next enable starts the file afresh.
    ASSERT_TRUE(rig.Load("enable_qe_data_logger,2,\"" + log +
                         "\"\n"
                         "qboard,0,\"p1\"\n"
                         "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), 0u);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(ReadFile(log), "-40,");
}

// The logger is flushed whenever a run ends, so the file holds every reading taken so far; it
// stays open and keeps its state (active or paused, values per line, column) into later runs
// until a disable line, end_program, Abort or the end of the program closes it.
TEST(RunnerBoard, LoggerStaysOpenAcrossRunsAndLosesNoReading) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("Q0"));
    rig.simulator->SetEncoderCount(0, 0, 120);
    rig.simulator->SetEncoderCount(0, 1, -40);
    const std::string log = rig.File("qe.log");
    struct Run {
        std::string program;
        std::string file;  // the file's bytes once the run has ended
        uint32_t open, active;
    };
    const Run runs[] = {
        // Ends at the program's end.
        {"enable_qe_data_logger,2,\"" + log + "\"\nqboard,0,\"P\"\n", "120,-40\r\n", 1, 1},
        // Readings before this run's enable line go on into the same file.
        {"qboard,0,\"p1\"\nqboard,0,\"p0\"\nenable_qe_data_logger,5,\"" + rig.File("other.log") +
             "\"\nqboard,0,\"p1\"\n",
         "120,-40\r\n-40,120\r\n-40,", 1, 1},
        // Ended by a board error.
        {"qboard,0,\"P\"\nqboard,0,\"A1\"\nqboard,0,\"P\"\n",
         "120,-40\r\n-40,120\r\n-40,120\r\n-40,", 1, 1},
        // Paused, and still paused in the next run until an enable line.
        {"pause_qe_data_logger\nqboard,0,\"P\"\n", "120,-40\r\n-40,120\r\n-40,120\r\n-40,", 1, 0},
        {"qboard,0,\"p0\"\nenable_qe_data_logger,2,\"x\"\nqboard,0,\"p1\"\n"
         "disable_qe_data_logger\nqboard,0,\"P\"\n",
         "120,-40\r\n-40,120\r\n-40,120\r\n-40,-40\r\n", 0, 0},
    };
    ASSERT_GT(rig.simulator->AddFault("error:match=Q0A1"), 0);
    for (const Run& run : runs) {
        SCOPED_TRACE(run.program);
        ASSERT_TRUE(rig.Load(run.program));
        ASSERT_TRUE(rig.RunToEnd());
        EXPECT_EQ(ReadFile(log), run.file);
        EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), run.open);
        EXPECT_EQ(rig.state.Run.QeLoggerActive.load(), run.active);
    }
    EXPECT_FALSE(std::filesystem::exists(rig.File("other.log")));
    EXPECT_FALSE(std::filesystem::exists(rig.File("x")));
    ASSERT_EQ(rig.op.Boxes().size(), 1u);
    EXPECT_EQ(rig.op.Boxes()[0].title, "Vendra QBoard Error");
}

TEST(RunnerBoard, AbortClosesTheLoggerThroughTheRunner) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("Q0"));
    rig.simulator->SetEncoderCount(0, 0, 7);
    const std::string log = rig.File("qe.log");
    ASSERT_TRUE(rig.Load("enable_qe_data_logger,4,\"" + log +
                         "\"\n"
                         "qboard,0,\"p0\"\n"
                         "delay,200\n"
                         "qboard,0,\"p0\"\n"
                         "end_program\n"));
    rig.control.RunButtonClick();
    ASSERT_TRUE(WaitUntil([&] { return rig.Pointer() == 2; }));
    rig.control.AbortButtonClick();
    EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), 1u) << "the running runner owns the file";
    ASSERT_TRUE(rig.runner.Wait(3000));
    EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), 0u);
    EXPECT_EQ(ReadFile(log), "7,");
}

TEST(RunnerBoard, LoggerFileThatCannotBeCreated) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("enable_qe_data_logger,2,\"" + rig.File("no/such/folder/q.log") +
                         "\"\nset_temp,1,1\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error, Can not Create qe logger file");
    EXPECT_EQ(boxes[0].title, "VDWin Error Message");
    EXPECT_EQ(boxes[0].flags, 48u);
    EXPECT_EQ(rig.Reg(1), 1u) << "the run goes on without logging";
}

}  // namespace
}  // namespace vendra::test
