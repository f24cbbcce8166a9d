// The status timer's texts for known runs.
#include <gtest/gtest.h>

#include "RunnerRig.h"
#include "core/app/StartupReset.h"
#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/program/CommandTable.h"
#include "core/program/ProgramModel.h"
#include "core/runner/StatusDisplay.h"

namespace vendra {
namespace {

using test::RunnerRig;

struct StatusFixture : ::testing::Test {
    SystemState state;
    StatusDisplay display{RunnerStateOf(state)};

    void StartRun(uint32_t start) {
        Statistics& s = state.Run.Stats;
        s.RunStartTime = start;
        s.ReplyDelayMin = 9999999;
        s.ReplyDelayMax = 0;
        state.Run.DisplayRefresh = 1;
        state.Run.ProgramRunning = 1;
    }
};

TEST_F(StatusFixture, BeforeAnyRunOnlyBaudrateAndCaptionChange) {
    state.Serial.CurrentBaud = 115200;
    state.App.ProgramName = "None Loaded";
    StatusView v = display.Tick(5000);
    EXPECT_EQ(v.baudrate, "115200");
    EXPECT_EQ(v.caption, "Vendra for Windows - Def. File Loaded: None Loaded");
    EXPECT_FALSE(v.programTime || v.motorComm || v.line || v.programLow);
    EXPECT_FALSE(v.debugControlsEnabled);
    EXPECT_EQ(v.runEnabled, false);
}

TEST_F(StatusFixture, RefreshWithoutARunEmptiesTimeAndAverage) {
    state.Run.DisplayRefresh = 1;
    StatusView v = display.Tick(5000);
    EXPECT_EQ(v.programTime, "");
    EXPECT_EQ(v.programAverage, "");
    EXPECT_FALSE(v.motorComm);
    EXPECT_EQ(v.line, "1");
}

TEST_F(StatusFixture, RunWithoutMoves) {
    StartRun(1000);
    StatusView v = display.Tick(3500);
    EXPECT_EQ(v.programTime, "2.500 sec");
    EXPECT_EQ(v.motorComm, "0");
    EXPECT_EQ(v.avgMove, "0 msec");
    EXPECT_EQ(v.mtrPercent, "0.0%");
    EXPECT_EQ(v.programLow, "9999999 msec");  // no reply yet
    EXPECT_EQ(v.programHigh, "0 msec");
    EXPECT_FALSE(v.programAverage) << "no reply: the average keeps its text";
    EXPECT_EQ(v.progCommand, "0");
    EXPECT_EQ(v.programStatus, "0");
}

TEST_F(StatusFixture, MovesRepliesAndFrames) {
    StartRun(10000);
    Statistics& s = state.Run.Stats;
    s.MovesCompleted = 2;
    s.MotorBusyTime = 300 + 500;
    s.ReplyDelaySum = 10;
    s.ReplyCount = 4;
    s.ReplyDelayMin = 1;
    s.ReplyDelayMax = 5;
    s.FramesSent = 17;
    s.RepliesCounted = 16;
    StatusView v = display.Tick(14000);
    EXPECT_EQ(v.avgMove, "400 msec");
    EXPECT_EQ(v.mtrPercent, "20.00%");
    EXPECT_EQ(v.motorComm, "2");
    EXPECT_EQ(v.programAverage, "2 msec");  // integer division
    EXPECT_EQ(v.programLow, "1 msec");
    EXPECT_EQ(v.programHigh, "5 msec");
    EXPECT_EQ(v.progCommand, "17");
    EXPECT_EQ(v.programStatus, "16");
    EXPECT_EQ(s.TimerTicks.load(), 1u);
}

TEST_F(StatusFixture, StatusLabelsChangeOnlyWhenTheirTextDoes) {
    state.Program.LineCount = 3;
    state.Program.Lines[1].Command = CmdCloop;
    CopyField(state.Program.Lines[1].Comment, "again");
    state.Run.StatusLine = 1;
    state.Run.CloopCounter = 2;
    StartRun(1);
    StatusView v = display.Tick(100);
    EXPECT_EQ(v.line, "2");
    EXPECT_EQ(v.command, "cloop");
    EXPECT_EQ(v.comments, "again");
    EXPECT_EQ(v.cloop, "2\r");  // a CR follows the number
    EXPECT_EQ(state.Run.LineText.Get(), "2");

    v = display.Tick(200);
    EXPECT_FALSE(v.line || v.command || v.comments || v.cloop);
    state.Run.CloopCounter = 1;
    v = display.Tick(300);
    EXPECT_EQ(v.cloop, "1\r");
    EXPECT_FALSE(v.line);
}

TEST_F(StatusFixture, RefreshStopsOneTickAfterTheRunEnds) {
    StartRun(1);
    display.Tick(100);
    EXPECT_EQ(state.Run.DisplayRefresh.load(), 1u);
    state.Run.ProgramRunning = 0;
    EXPECT_TRUE(display.Tick(200).programTime);
    EXPECT_EQ(state.Run.DisplayRefresh.load(), 0u);
    EXPECT_FALSE(display.Tick(300).programTime);
}

// The "Command" and "Comments" fields say nothing until a run (or the debugger) has set them:
// not at start-up, not after a program was loaded.
TEST(StatusTexts, EmptyUntilARunSetsThem) {
    RunnerRig rig;
    StatusDisplay display{RunnerStateOf(rig.state)};
    auto refresh = [&] {
        rig.state.Run.DisplayRefresh = 1;
        return display.Tick(TickMs());
    };
    ResetStartupState(rig.state);  // the first activation's reset, then its refresh
    StatusView v = refresh();
    EXPECT_EQ(v.line, "1");
    EXPECT_EQ(v.command.value_or(""), "");
    EXPECT_EQ(v.comments.value_or(""), "");
    EXPECT_EQ(rig.state.Run.CommandText.Get(), "");

    ASSERT_TRUE(rig.Load("delay,1      ;first\nset_temp,1,1\n"));
    v = refresh();
    EXPECT_EQ(v.command.value_or(""), "");
    EXPECT_EQ(rig.state.Run.CommandText.Get(), "");
    EXPECT_EQ(rig.state.Run.CommentText.Get(), "");

    ASSERT_TRUE(rig.RunToEnd());
    v = refresh();
    EXPECT_EQ(v.line, "2");
    EXPECT_EQ(v.command, "set_temp");
}

// At a breakpoint the runner ticks "Prog. Debug", whose handling puts the pointer back to line
// 1; whichever happens first, the status ends up describing the line the pointer is on.
TEST(StatusTexts, BreakpointStatusFollowsThePointer) {
    RunnerRig rig;
    // The window runs the box's handling as soon as the box is set (as on the GUI thread).
    rig.op.onCheckBox = [&](CheckBox box, bool checked) {
        if (box == CheckBox::ProgramDebug) rig.control.ProgramDebugClick(checked);
    };
    ASSERT_TRUE(
        rig.Load("set_temp,1,1      ;one\nset_temp,2,1\nset_temp,3,1\n"
                 "set_temp,4,1      ;four\nend_program\n"));
    UpdateBreakpoints(rig.state.Run, rig.op, {"4", "0", "0", "0", "0", "0"});
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(3), 1u);
    EXPECT_EQ(rig.Reg(4), 0u);
    ASSERT_EQ(rig.Pointer(), 0);
    StatusDisplay display{RunnerStateOf(rig.state)};
    StatusView v = display.Tick(TickMs());
    EXPECT_EQ(v.line, "1");
    EXPECT_EQ(v.command, "set_temp");
    EXPECT_EQ(v.comments, "one");
}

TEST_F(StatusFixture, ButtonsFollowTheLoadedProgramAndTheCommTest) {
    state.App.ProgramLoaded = 1;
    StatusView v = display.Tick(1);
    EXPECT_TRUE(v.debugControlsEnabled);
    EXPECT_EQ(v.runEnabled, true);
    LineOwner::Guard test = state.Serial.Line.Take(LineUser::CommTest);
    v = display.Tick(2);
    EXPECT_TRUE(v.debugControlsEnabled);
    EXPECT_FALSE(v.runEnabled.has_value());
}

}  // namespace
}  // namespace vendra
