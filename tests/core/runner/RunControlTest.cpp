// Run control: Run, Abort, Single Step, Reset Pointer, "Prog. Debug", breakpoints and the
// breakpoint dialog's operations, with the runner thread really running.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>

#include "RunnerRig.h"

namespace vendra::test {
namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Lines 1..6 each mark their register; line 7 ends.
const char* const kSixMarks =
    "set_temp,1,1\nset_temp,2,1\nset_temp,3,1\nset_temp,4,1\nset_temp,5,1\nset_temp,6,1\n"
    "end_program\n";

TEST(RunControl, RunWithoutProgramSaysSo) {
    RunnerRig rig;
    rig.control.RunButtonClick();
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "No Define file loaded");
    EXPECT_EQ(boxes[0].title, "Run Button Error ...........");
    EXPECT_EQ(boxes[0].flags, 48u);
    EXPECT_FALSE(rig.runner.Running());
}

TEST(RunControl, RunResetsTheRun) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("delay,50\nend_program\n"));
    rig.state.Run.Stats.FramesSent = 12;
    rig.state.Run.CloopCounter = 4;
    rig.state.Run.CloopActive = 1;
    rig.state.Run.StopRun = 1;
    rig.control.RunButtonClick();
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 1u);
    EXPECT_TRUE(rig.state.SystemBusy());
    EXPECT_EQ(rig.state.Run.Stats.FramesSent.load(), 0u);
    EXPECT_EQ(rig.state.Run.Stats.ReplyDelayMin.load(), 9999999u);
    EXPECT_NE(rig.state.Run.Stats.RunStartTime.load(), 0u);
    EXPECT_EQ(rig.state.Run.CloopCounter.load(), 0u);
    EXPECT_EQ(rig.state.Run.CloopActive.load(), 0u);
    EXPECT_EQ(rig.state.Run.DisplayRefresh.load(), 1u);
    // A second Run while the first one runs is ignored.
    rig.control.RunButtonClick();
    ASSERT_TRUE(rig.runner.Wait(3000));
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    EXPECT_FALSE(rig.state.SystemBusy());
}

TEST(RunControl, EveryRunStartOnASimulatedNetworkSaysSo) {
    const std::string said =
        "SIMULATED NETWORK: this run drives simulated boards, no byte goes to a real device";
    for (uint32_t simulated : {0u, 1u}) {
        RunnerRig rig;
        ASSERT_TRUE(rig.Load("end_program\n"));
        rig.state.Serial.Simulated = simulated;
        for (int run = 0; run < 2; ++run) {
            rig.control.RunButtonClick();
            ASSERT_TRUE(rig.runner.Wait(3000));
        }
        const auto messages = rig.op.SystemMessages();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), said), simulated ? 2 : 0);
    }
}

TEST(RunControl, SingleSteppingWithResetPointer) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load(kSixMarks));
    // Unchecked: neither Single Step nor Reset Pointer does anything.
    rig.state.Run.ProgramPointer = 3;
    rig.control.SingleStepClick();
    rig.control.ResetPointerClick();
    EXPECT_EQ(rig.state.Run.StepRequest.load(), 0u);
    EXPECT_EQ(rig.Pointer(), 3);

    rig.control.ProgramDebugClick(true);
    EXPECT_EQ(rig.Pointer(), 0);
    EXPECT_EQ(rig.state.Run.StatusLine.load(), 0);
    rig.control.RunButtonClick();
    ASSERT_TRUE(rig.runner.Running());
    ASSERT_TRUE(WaitUntil([&] { return rig.runner.WaitingForStep(); }));
    EXPECT_EQ(rig.Reg(1), 0u) << "a stepping run waits for Single Step";

    auto step = [&](int expectPointer) {
        ASSERT_TRUE(WaitUntil([&] { return rig.runner.WaitingForStep(); }));
        rig.control.SingleStepClick();
        ASSERT_TRUE(WaitUntil([&] { return rig.Pointer() == expectPointer; }));
        // The status shows the line that executes next.
        ASSERT_TRUE(WaitUntil([&] { return rig.state.Run.StatusLine.load() == expectPointer; }));
    };
    step(1);
    step(2);
    EXPECT_EQ(rig.Reg(1), 1u);
    EXPECT_EQ(rig.Reg(2), 1u);
    EXPECT_EQ(rig.Reg(3), 0u);

    rig.state.Run.TempRegisters[1] = 0;
    rig.control.ResetPointerClick();
    EXPECT_EQ(rig.Pointer(), 0);
    EXPECT_EQ(rig.state.Run.RestartPending.load(), 1u);
    step(1);
    EXPECT_EQ(rig.Reg(1), 1u) << "after Reset Pointer the next step runs line 1";
    EXPECT_EQ(rig.Reg(3), 0u);

    // Unchecking "Prog. Debug" ends the waiting runner: only one runner ever exists.
    rig.control.ProgramDebugClick(false);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    ASSERT_TRUE(rig.runner.Wait(2000));
    EXPECT_EQ(rig.Reg(3), 0u);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(6), 1u);
}

// Abort ends a delay at once, however long it was to last: the motors started before it are
// stopped within half a second of the request, not when the delay runs out.
TEST(RunControl, AbortDuringADelayEndsItAndStopsTheMotors) {
    for (const char* delay : {"delay,60000", "sdelay,65534"}) {
        SCOPED_TRACE(delay);
        RunnerRig rig;
        ASSERT_TRUE(rig.Connect("D3:speed=100"));
        ASSERT_TRUE(rig.Load(std::string("DBoard,3,\"A100000\"\n") + delay +
                             "\nset_temp,1,1\nend_program\n"));
        rig.control.RunButtonClick();
        ASSERT_TRUE(rig.simulator->WaitForFrames(1, 2000));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(rig.simulator->GetMotor("D3")->moving);
        const int64_t abortedUs = sim::MonotonicUs();
        rig.control.AbortButtonClick();
        EXPECT_EQ(rig.state.Run.StopRun.load(), 1u);
        ASSERT_TRUE(rig.simulator->WaitForFrames(2, 2000));
        const std::vector<sim::FrameRecord> frames = rig.simulator->Frames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[1].text, "GG!\r");
        std::cout << "[ figure ] " << delay << ": Abort to stop frame "
                  << (frames[1].timeUs - abortedUs) / 1000.0 << " ms\n";
        EXPECT_LT(frames[1].timeUs - abortedUs, 500'000);
        EXPECT_FALSE(rig.simulator->GetMotor("D3")->moving);
        ASSERT_TRUE(rig.runner.Wait(2000));
        EXPECT_EQ(rig.Reg(1), 0u);
        EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    }
}

TEST(RunControl, AbortWhileSteppingEndsAtTheNextBoardCommand) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("set_temp,1,1\nset_temp,2,1\nDBoard,0,\"A5\"\nset_temp,3,1\nend_program\n"));
    rig.control.ProgramDebugClick(true);
    rig.control.RunButtonClick();
    auto step = [&] {
        ASSERT_TRUE(WaitUntil([&] { return rig.runner.WaitingForStep(); }));
        rig.control.SingleStepClick();
    };
    ASSERT_TRUE(WaitUntil([&] { return rig.runner.WaitingForStep(); }));
    rig.control.AbortButtonClick();
    step();  // line 1 runs; the next turn sends the stop frame and waits 400 ms
    ASSERT_TRUE(WaitUntil([&] { return rig.Pointer() == 1; }));
    EXPECT_EQ(rig.Reg(1), 1u);
    EXPECT_TRUE(rig.runner.Running()) << "an abort alone does not end a stepping run";
    step();
    ASSERT_TRUE(WaitUntil([&] { return rig.Pointer() == 2; }));
    step();  // the board command sees the stop order
    ASSERT_TRUE(rig.runner.Wait(3000));
    EXPECT_EQ(rig.Reg(3), 0u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
}

TEST(RunControl, BreakpointStopsBeforeItsLine) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load(kSixMarks));
    UpdateBreakpoints(rig.state.Run, rig.op, {"5", "0", "0", "0", "0", "0"});
    ASSERT_EQ(rig.state.Run.BreakpointsEnabled.load(), 1u);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(4), 1u);
    EXPECT_EQ(rig.Reg(5), 0u) << "the breakpoint line must not run";
    EXPECT_EQ(rig.state.Run.DebugMode.load(), 1u);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 1u);
    EXPECT_EQ(rig.op.CheckBoxState(CheckBox::ProgramDebug), 1);
    // The box's own handling (run by the window) puts the pointer back to line 1.
    rig.control.ProgramDebugClick(true);
    EXPECT_EQ(rig.Pointer(), 0);
    // Run is refused until "Prog. Debug" is unchecked.
    rig.control.RunButtonClick();
    EXPECT_FALSE(rig.runner.Running());
    rig.control.ProgramDebugClick(false);
    EXPECT_FALSE(rig.state.SystemBusy());
}

TEST(RunControl, BreakpointsAreIgnoredWhileStepping) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load(kSixMarks));
    UpdateBreakpoints(rig.state.Run, rig.op, {"2", "0", "0", "0", "0", "0"});
    rig.control.ProgramDebugClick(true);
    rig.control.RunButtonClick();
    for (int p = 1; p <= 3; ++p) {
        ASSERT_TRUE(WaitUntil([&] { return rig.runner.WaitingForStep(); }));
        rig.control.SingleStepClick();
        ASSERT_TRUE(WaitUntil([&] { return rig.Pointer() == p; }));
    }
    EXPECT_EQ(rig.Reg(2), 1u);
    EXPECT_TRUE(rig.runner.Running());
    rig.control.ProgramDebugClick(false);
    ASSERT_TRUE(rig.runner.Wait(2000));
}

TEST(BreakpointDialog, RangeCheckAndEnabling) {
    RunnerRig rig;
    RunState& run = rig.state.Run;
    UpdateBreakpoints(run, rig.op, {"10001", "10000", "abc", " 12x", "-3", "7"});
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Breakpoint #1 range error. Please redo.");
    EXPECT_EQ(boxes[0].title, "VDWin - User Input Error");
    EXPECT_EQ(boxes[0].flags, 0x1010u);
    EXPECT_EQ(boxes[1].text, "Breakpoint #5 range error. Please redo.");
    EXPECT_EQ(run.BreakpointLines[1].load(), 0u);  // kept its old value
    EXPECT_EQ(run.BreakpointLines[2].load(), 10000u);
    EXPECT_EQ(run.BreakpointLines[3].load(), 0u);
    EXPECT_EQ(run.BreakpointLines[4].load(), 12u);
    EXPECT_EQ(run.BreakpointLines[6].load(), 7u);
    EXPECT_EQ(run.BreakpointsEnabled.load(), 1u);

    // Unchecking the box disables them; the values come back when the dialog opens again.
    rig.control.BreakpointsClick(false);
    EXPECT_EQ(run.BreakpointsEnabled.load(), 0u);
    auto texts = ActivateBreakpointDialog(run);
    EXPECT_EQ(texts, (std::array<std::string, 6>{"0", "10000", "0", "12", "0", "7"}));
    EXPECT_EQ(run.BreakpointsEnabled.load(), 1u);

    UpdateBreakpoints(run, rig.op, {"0", "0", "0", "0", "0", "0"});
    EXPECT_EQ(run.BreakpointsEnabled.load(), 0u);
}

TEST(RunControl, AbortWhenIdleClosesTheLogger) {
    RunnerRig rig;
    std::string path = rig.File("abort_idle.log");
    ASSERT_TRUE(rig.logger.Open(path, 2));
    rig.control.AbortButtonClick();
    EXPECT_EQ(rig.state.Run.QeLoggerOpen.load(), 0u);
    EXPECT_EQ(rig.state.Run.AbortRequest.load(), 1u);
    EXPECT_EQ(rig.state.Run.StopRun.load(), 1u);
}

TEST(RunControl, DestroyingTheRunnerEndsALongDelay) {
    auto start = Clock::now();
    {
        RunnerRig rig;
        ASSERT_TRUE(rig.Load("sdelay,60\nend_program\n"));
        rig.control.RunButtonClick();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(MsSince(start), 3500);
}

}  // namespace
}  // namespace vendra::test
