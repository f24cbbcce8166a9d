// Flow, register and operator commands of the runner, on programs loaded from .def text and run
// on the runner thread (no boards needed).
#include <gtest/gtest.h>

#include "RunnerRig.h"

namespace vendra::test {
namespace {

struct CloopCase {
    uint32_t count;
    uint32_t runs;
};
class CloopCount : public ::testing::TestWithParam<CloopCase> {};

TEST_P(CloopCount, RepeatsTheBlockCountTimesMore) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("set_temp,1,0\n"
                 "label,\"block\"\n"
                 "inc_temp,1,1\n"
                 "cloop," +
                 std::to_string(GetParam().count) +
                 ",block\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), GetParam().runs);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    EXPECT_EQ(rig.state.Run.CloopActive.load(), 0u);
}
INSTANTIATE_TEST_SUITE_P(Counts, CloopCount,
                         ::testing::Values(CloopCase{0, 1}, CloopCase{1, 2}, CloopCase{2, 3}));

TEST(RunnerFlow, NestedCloopsShareOneCounter) {
    // The inner cloop (count 1) takes over the outer one's counter (3 - 1 = 2) on the outer's
    // later passes, so the inner block runs 2, 3 and 3 times.
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("set_temp,1,0\n"
                 "set_temp,2,0\n"
                 "inc_temp,1,1\n"
                 "inc_temp,2,1\n"
                 "cloop,1,4\n"
                 "compare_temp,1,3,0,8,0\n"
                 "cloop,3,3\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 3u);
    EXPECT_EQ(rig.Reg(2), 8u);
}

TEST(RunnerFlow, JumpsByNumberAndLabel) {
    RunnerRig rig;
    // Back to line 1 by number until the register reaches 3; then label "NextLine" and 0 both
    // continue with the following line; a jump to line 8 skips line 7.
    ASSERT_TRUE(
        rig.Load("inc_temp,1,1\n"
                 "compare_temp,1,3,1,3,3\n"
                 "loop,NextLine\n"
                 "loop,0\n"
                 "inc_temp,2,1\n"
                 "loop,8\n"
                 "set_temp,3,99\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 3u);
    EXPECT_EQ(rig.Reg(2), 1u);
    EXPECT_EQ(rig.Reg(3), 0u);
    EXPECT_EQ(rig.Pointer(), 7);  // end_program keeps the pointer on its line
}

TEST(RunnerFlow, JumpToTheLabelOfLineOne) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("label,\"start\"\n"
                 "inc_temp,1,1\n"
                 "compare_temp,1,2,start,NextLine,NextLine\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 2u);
}

TEST(RunnerFlow, JumpBeyondTheEndEndsTheRunCleanly) {
    for (const char* target : {"50", "4294967295", "4"}) {
        RunnerRig rig;
        // No end_program: the program is three lines long.
        ASSERT_TRUE(rig.Load(std::string("inc_temp,1,1\nloop,") + target + "\ninc_temp,2,1\n"));
        ASSERT_EQ(rig.state.Program.LineCount, 3u);
        ASSERT_TRUE(rig.RunToEnd()) << target;
        EXPECT_EQ(rig.Reg(1), 1u) << target;
        EXPECT_EQ(rig.Reg(2), 0u) << target;
        EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
        EXPECT_EQ(rig.Pointer(), 3);
        EXPECT_TRUE(rig.op.Boxes().empty());
    }
}

TEST(RunnerFlow, ProgramWithoutEndStopsAfterItsLastLine) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("inc_temp,1,1\ninc_temp,1,1\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 2u);
    EXPECT_EQ(rig.Pointer(), 2);
    // A second run starts again at line 1.
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 4u);
}

TEST(RunnerFlow, EmptyProgramEndsAtOnce) {
    RunnerRig rig;
    rig.state.App.ProgramLoaded = 1;
    ASSERT_TRUE(rig.RunToEnd(2000));
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
}

TEST(RunnerRegisters, ArithmeticLimits) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("set_temp,1,65000\n"
                 "inc_temp,1,1000\n"  // saturates at 65535
                 "set_temp,2,5\n"
                 "dec_temp,2,5\n"  // not below: stays 5
                 "set_temp,3,5\n"
                 "dec_temp,3,3\n"   // 2
                 "set_temp,41,7\n"  // out of range: nothing
                 "set_temp,40,9\n"
                 "move_temp_temp,0,4\n"  // from register 0: nothing
                 "move_temp_temp,1,73\n"
                 "inc_temp,41,1\n"
                 "user_value,5,0,\"Big\"\n"
                 "inc_temp,5,1000000000\n"  // a sum past 32 bits still saturates
                 "end_program\n"));
    rig.state.Run.TempRegisters[4] = 123;
    rig.op.QueueUserValue(true, 4000000000u);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 65535u);
    EXPECT_EQ(rig.Reg(2), 5u);
    EXPECT_EQ(rig.state.Run.TempRegisterChanged[2].load(), 1u);
    EXPECT_EQ(rig.Reg(3), 2u);
    EXPECT_EQ(rig.Reg(41), 0u);
    EXPECT_EQ(rig.Reg(40), 9u);
    EXPECT_EQ(rig.Reg(4), 123u);
    EXPECT_EQ(rig.Reg(73), 65535u);
    EXPECT_EQ(rig.state.Run.TempRegisterChanged[73].load(), 1u);
    EXPECT_EQ(rig.Reg(5), 65535u);
}

TEST(RunnerRegisters, ChangedFlagsOnlyForWrites) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("set_temp,41,7\nmove_temp_temp,0,6\nmove_resp_temp,50\nend_program\n"));
    for (auto& flag : rig.state.Run.TempRegisterChanged) flag = 0;
    ASSERT_TRUE(rig.RunToEnd());
    for (int n = 0; n < kTempRegisters; ++n)
        EXPECT_EQ(rig.state.Run.TempRegisterChanged[n].load(), 0u) << n;
}

TEST(RunnerRegisters, CompareIsUnsigned) {
    RunnerRig rig;
    // Register 0 (0) against 1: less. Register 1 (4000000000) against 5: greater.
    ASSERT_TRUE(
        rig.Load("compare_temp,0,1,3,9,9\n"
                 "set_temp,2,1\n"
                 "user_value,1,0,\"v\"\n"
                 "compare_temp,1,5,9,9,6\n"
                 "set_temp,3,1\n"
                 "move_resp_temp,4\n"
                 "end_program\n"));
    rig.op.QueueUserValue(true, 4000000000u);
    rig.state.Boards.LastResponseValue = -2;
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(2), 0u);
    EXPECT_EQ(rig.Reg(3), 0u);
    EXPECT_EQ(rig.Reg(4), 4294967294u);  // the reply value as unsigned
    EXPECT_EQ(rig.Pointer(), 6);
}

struct InputCase {
    uint32_t type;
    int button;
    uint32_t landed;  // the register mark of the line the run continued at
    unsigned flags;
};
class UserInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(UserInput, JumpsByTheButtonPressed) {
    const InputCase c = GetParam();
    std::string targets = c.type == 0 ? "" : (c.type == 3 || c.type == 5) ? "4,6,8," : "4,6,";
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("user_input," + std::to_string(c.type) + "," + targets +
                         "\"Continue?\"\n"
                         "set_temp,1,2\nloop,9\n"
                         "set_temp,1,4\nloop,9\n"
                         "set_temp,1,6\nloop,9\n"
                         "set_temp,1,8\n"
                         "end_program\n"));
    rig.op.QueueButton(c.button);
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), c.landed);
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Continue?");
    EXPECT_EQ(boxes[0].title, "VDWin User Message");
    EXPECT_EQ(boxes[0].flags, c.flags);
    EXPECT_EQ(rig.op.Beeps(), std::vector<unsigned>{0x20});
}
INSTANTIATE_TEST_SUITE_P(
    AllTypes, UserInput,
    ::testing::Values(InputCase{0, mb::IdOk, 2, 0x40}, InputCase{1, mb::IdOk, 4, 0x41},
                      InputCase{1, mb::IdCancel, 6, 0x41}, InputCase{2, mb::IdYes, 4, 0x44},
                      InputCase{2, mb::IdNo, 6, 0x44}, InputCase{3, mb::IdYes, 4, 0x43},
                      InputCase{3, mb::IdNo, 6, 0x43}, InputCase{3, mb::IdCancel, 8, 0x43},
                      InputCase{4, mb::IdRetry, 4, 0x45}, InputCase{4, mb::IdCancel, 6, 0x45},
                      InputCase{5, mb::IdAbort, 4, 0x42}, InputCase{5, mb::IdRetry, 6, 0x42},
                      InputCase{5, mb::IdIgnore, 8, 0x42}));

TEST(RunnerUser, WaitShowsItsMessage) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("user_wait\nset_temp,1,1\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please Click on the OK button to Continue.");
    EXPECT_EQ(boxes[0].title, "VDWin Message");
    EXPECT_EQ(boxes[0].flags, 0x40u);
    EXPECT_EQ(rig.Reg(1), 1u);
}

TEST(RunnerUser, ValueAsksAndStoresInItsRegister) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("user_value,12,250,\"Speed?\"\n"
                 "user_value,13,7,\"Kept?\"\n"
                 "end_program\n"));
    rig.state.Run.TempRegisters[13] = 55;
    rig.op.QueueUserValue(true, 777);
    rig.op.QueueUserValue(false, 1);  // cancelled: register 13 keeps its value
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(12), 777u);
    EXPECT_EQ(rig.state.Run.TempRegisterChanged[12].load(), 1u);
    EXPECT_EQ(rig.Reg(13), 55u);
    EXPECT_EQ(rig.op.UserValueQuestions(), (std::vector<std::string>{"Speed?", "Kept?"}));
    EXPECT_EQ(rig.state.Run.UserValueCell.load(), 777u);
}

TEST(RunnerUser, ValuePassesItsInitialValue) {
    // An Operator that reports the initial value it was given.
    struct Echo : ScriptedOperator {
        uint32_t seen = 0;
        bool AskUserValue(const std::string&, uint32_t& value) override {
            seen = value;
            return true;
        }
    };
    Echo op;
    Core core{op};
    SystemState& state = core.State;
    Runner& runner = core.RunnerWorker;
    state.Program.LineCount = 1;
    state.Program.Lines[0].Command = CmdUserValue;
    state.Program.Lines[0].Values[1] = 3;
    state.Program.Lines[0].Values[2] = 4000000000u;
    state.Run.RestartPending = 1;
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(runner.Wait(3000));
    EXPECT_EQ(op.seen, 4000000000u);
    EXPECT_EQ(state.Run.TempRegisters[3].load(), 4000000000u);
}

// Values a hand-edited file can hold: each ends the run with a message naming the line; none
// indexes a table.
struct BadCase {
    const char* program;
    const char* expect;  // part of the message
};
class BadValues : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadValues, EndTheRunWithAMessage) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load(std::string("set_temp,1,1\n") + GetParam().program +
                         "\nset_temp,2,1\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 1u);
    EXPECT_EQ(rig.Reg(2), 0u) << "the run went on after the bad line";
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    ASSERT_FALSE(rig.op.Boxes().empty());
    EXPECT_NE(rig.LastBoxText().find(GetParam().expect), std::string::npos) << rig.LastBoxText();
}
INSTANTIATE_TEST_SUITE_P(
    FromFiles, BadValues,
    ::testing::Values(BadCase{"compare_temp,74,0,1,1,1", "Line 2: temporary register 74"},
                      BadCase{"compare_temp,4294967295,0,1,1,1", "register 4294967295"},
                      BadCase{"user_value,200,0,\"x\"", "register 200"},
                      BadCase{"set_DBoard_position,0,80", "register 80"},
                      BadCase{"set_AxisBoard_position,0,X,90", "register 90"},
                      BadCase{"set_AxisBoard_position,0,A,41", "axis W, X, Y or Z"},
                      BadCase{"user_input,6,\"x\"", "user_input type 6"},
                      BadCase{"DBoard,16,\"A100\"", "unit address 16"},
                      BadCase{"wait_UBoard_done,99,\"\"", "unit address 99"},
                      BadCase{"HBoard_check_done,4000000000,0,0", "unit address 4000000000"},
                      BadCase{"link_me,3,S,20,0,1,3,5,5", "QBoard unit 20"},
                      BadCase{"link_me,3,X,1,2,1,3,5,5", "encoder channel 2"},
                      BadCase{"link_me,17,U,1,0,1,3,5,5", "unit address 17"}));

TEST(RunnerLines, UnknownCodesAndUnusedSelectorsDoNothing) {
    RunnerRig rig;
    ASSERT_TRUE(
        rig.Load("no_op\n"
                 "link_me,3,W,1,0,1,3,5,5\n"
                 "wait_AxisBoard_done,0,Q,\"\"\n"
                 "AxisBoard_check_done,0,S,6,6\n"
                 "set_temp,1,1\nend_program\n"));
    rig.state.Program.Lines[0].Command = 200;  // no such command
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 1u);
    EXPECT_TRUE(rig.op.Boxes().empty());
    EXPECT_EQ(rig.state.Boards.Qe[1][0].LinkCode.load(), kNotLinked);  // W stores no link
}

TEST(RunnerLines, LinkMeStoresTheLink) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("link_me,3,S,2,1,1,4,5,6\nlink_me,1,Y,2,0,0,300,1,2\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    const MotorRecord& d = rig.state.Boards.MotorD[3];
    EXPECT_EQ(d.EncoderUnit.load(), 2);
    EXPECT_EQ(d.EncoderChannel.load(), 1);
    EXPECT_EQ(d.EncoderState.load(), 1);
    EXPECT_EQ(d.RetryCount.load(), 4);
    EXPECT_EQ(d.PlusTolerance.load(), 5);
    EXPECT_EQ(d.MinusTolerance.load(), 6);
    EXPECT_EQ(rig.state.Boards.Qe[2][1].LinkUnit.load(), 3);
    EXPECT_EQ(rig.state.Boards.Qe[2][1].LinkCode.load(), 0);
    const MotorRecord& y = rig.state.Boards.MotorAxis[1][AxisY];
    EXPECT_EQ(y.EncoderUnit.load(), 2);
    EXPECT_EQ(y.RetryCount.load(), 300 & 0xFF);  // a byte, as the record holds it
    EXPECT_EQ(rig.state.Boards.Qe[2][0].LinkCode.load(), 5);
    EXPECT_EQ(rig.state.Run.LinksPresent.load(), 1u);
}

TEST(RunnerLines, CommDebugKeywordsKeepTheNumbering) {
    RunnerRig rig;
    rig.state.CommDebug.CommDebugEnabled = 0;
    ASSERT_TRUE(
        rig.Load("enable_comm_debug\n"
                 "DBoard,0,\"A100\"\n"
                 "disable_comm_debug\n"
                 "DBoard,0,\"A200\"\n"
                 "enable_comm_debug\n"
                 "DBoard,0,\"A300\"\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.op.CheckBoxState(CheckBox::CommDebug), 1);
    EXPECT_EQ(rig.state.CommDebug.CommDebugWindowOpen.load(), 1u);
    EXPECT_EQ(rig.log.Lines(0, 10), (std::vector<std::string>{"->2/0 - D0A100", "->6/1 - D0A300"}));
    EXPECT_EQ(rig.state.CommDebug.CommDebugLineNumber.load(), 2u);
}

TEST(RunnerLines, DelayWaitsItsTime) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Load("delay,150\nend_program\n"));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(rig.RunToEnd());
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_GE(ms, 151);
    EXPECT_LT(ms, 1000);
}

}  // namespace
}  // namespace vendra::test

namespace vendra::test {
namespace {

// With "No Comm" (no port ever opened) raw sends are not a lost line: nothing goes out, the
// exchange counts as unanswered and the run goes on to its end, without a message.
TEST(RunnerLines, RawSendsWithoutALineDoNotEndTheRun) {
    RunnerRig rig;
    rig.state.Serial.CurrentBaud = 0;
    ASSERT_TRUE(
        rig.Load("vsend,0,\"v0\"\n"
                 "vsendna,0,\"v0\"\n"
                 "DBoard,3,\"A100\"\n"
                 "set_temp,1,5\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 5u);
    EXPECT_TRUE(rig.op.Boxes().empty());
}

}  // namespace
}  // namespace vendra::test
