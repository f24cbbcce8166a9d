// Motion waits and encoder verification against simulated motors and encoders.
#include <gtest/gtest.h>

#include <algorithm>

#include "RunnerRig.h"

namespace vendra::test {
namespace {

std::vector<std::string> Matching(const std::vector<std::string>& frames,
                                  const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const auto& f : frames)
        for (const auto& p : prefixes)
            if (f.rfind(p, 0) == 0) {
                out.push_back(f);
                break;
            }
    return out;
}

class Motion : public ::testing::Test {
  protected:
    // D3 (A sets the position register; moves end at once, so every reading is of a motor at
    // rest) linked to Q0 channel 0 with the given encoder offset, or an unlinked channel 0 that
    // reads `fixed`.
    bool ConnectLinked(RunnerRig& rig, int64_t offset, bool linked = true, int64_t fixed = 0) {
        if (!rig.Connect("D3:aset=1:speed=0,Q0")) return false;
        if (!linked) return rig.simulator->SetEncoderCount(0, 0, fixed);
        sim::LinkConfig link;
        link.qboard = 0;
        link.channel = 0;
        link.motor.family = sim::Family::DBoard;
        link.motor.unit = 3;
        link.offset = offset;
        return rig.simulator->SetEncoderLink(link);
    }
};

const char* const kMoveAndWait =
    "link_me,3,S,0,0,1,3,5,5\n"
    "DBoard,3,\"M1000\"\n"
    "wait_DBoard_done,3,\"w\"\n"
    "end_program\n";

TEST_F(Motion, InToleranceNeedsNoCorrection) {
    RunnerRig rig;
    ASSERT_TRUE(ConnectLinked(rig, 3));
    ASSERT_TRUE(rig.Load(kMoveAndWait));
    ASSERT_TRUE(rig.RunToEnd());
    auto frames = rig.simulator->ReceivedFrames();
    EXPECT_TRUE(Matching(frames, {"D3D"}).empty());
    // Polled until done, then the encoder pair read once more for the check.
    EXPECT_EQ(frames.back(), "Q0P\r");
    EXPECT_EQ(frames[frames.size() - 2], "D3\r");
    EXPECT_EQ(rig.state.Boards.Qe[0][0].Count.load(), 1003);
    EXPECT_EQ(rig.state.Boards.MotorD[3].LinkedEncoderCount.load(), 1003);
    EXPECT_EQ(rig.state.Run.Stats.MovesCompleted.load(), 1u);
}

TEST_F(Motion, OutOfToleranceIsCorrectedOnce) {
    RunnerRig rig;
    ASSERT_TRUE(ConnectLinked(rig, 10));  // the encoder reads 10 counts ahead
    ASSERT_TRUE(rig.Load(kMoveAndWait));
    ASSERT_TRUE(rig.RunToEnd());
    auto frames = rig.simulator->ReceivedFrames();
    // The position register takes the encoder's count, then the motor moves to where it should.
    EXPECT_EQ(Matching(frames, {"D3D"}), (std::vector<std::string>{"D3DA1010\r", "D3DM1000\r"}));
    EXPECT_EQ(rig.state.Boards.Qe[0][0].Count.load(), 1000);
    EXPECT_EQ(rig.state.Boards.MotorD[3].Position.load(), 1000);
    EXPECT_EQ(rig.simulator->GetMotor("D3")->position, 1000);
    EXPECT_TRUE(rig.op.Boxes().empty());
}

TEST_F(Motion, CorrectionsStopAtTheRetryCount) {
    RunnerRig rig;
    ASSERT_TRUE(ConnectLinked(rig, 0, /*linked=*/false, /*fixed=*/1010));
    ASSERT_TRUE(rig.Load(kMoveAndWait));
    ASSERT_TRUE(rig.RunToEnd());
    auto corrections = Matching(rig.simulator->ReceivedFrames(), {"D3D"});
    std::vector<std::string> expect;
    for (int i = 0; i < 3; ++i) {
        expect.push_back("D3DA1010\r");
        expect.push_back("D3DM1000\r");
    }
    EXPECT_EQ(corrections, expect);
    EXPECT_EQ(rig.state.Run.ProgramRunning.load(), 0u);
    EXPECT_TRUE(rig.op.Boxes().empty()) << "the program continues without a message";
}

TEST_F(Motion, NegativeEncoderCountIsCorrectedThroughZero) {
    RunnerRig rig;
    ASSERT_TRUE(ConnectLinked(rig, 0, /*linked=*/false, /*fixed=*/-20));
    ASSERT_TRUE(
        rig.Load("link_me,3,S,0,0,1,1,5,5\n"
                 "DBoard,3,\"M1000\"\n"
                 "wait_DBoard_done,3,\"w\"\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    auto frames = Matching(rig.simulator->ReceivedFrames(), {"D3D", "D3\r", "Q0P"});
    auto first = std::find(frames.begin(), frames.end(), "D3DA0\r");
    ASSERT_NE(first, frames.end());
    EXPECT_EQ(
        std::vector<std::string>(first, frames.end()),
        (std::vector<std::string>{"D3DA0\r", "D3DM20\r", "D3\r", "Q0P\r", "Q0P\r", "D3DA1000\r"}));
}

TEST_F(Motion, EncoderStateZeroIsNeverCorrected) {
    RunnerRig rig;
    ASSERT_TRUE(ConnectLinked(rig, 0, false, 5000));
    ASSERT_TRUE(
        rig.Load("link_me,3,S,0,0,0,3,5,5\n"
                 "DBoard,3,\"M1000\"\n"
                 "wait_DBoard_done,3,\"w\"\n"
                 "DBoard_check_done,3,0,0\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_TRUE(Matching(rig.simulator->ReceivedFrames(), {"D3D"}).empty());
}

TEST_F(Motion, CheckDoneJumpsByTheMotorState) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3"));
    // While the move runs, the busy target loops back; once done, the done target ends.
    ASSERT_TRUE(
        rig.Load("DBoard,3,\"M300\"\n"
                 "inc_temp,1,1\n"
                 "DBoard_check_done,3,5,2\n"
                 "set_temp,2,1\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_GT(rig.Reg(1), 1u) << "the motor was busy at least once";
    EXPECT_EQ(rig.Reg(2), 0u);
    EXPECT_FALSE(rig.simulator->GetMotor("D3")->moving);
}

// Only a blocking wait gives up on a silent unit, after three unanswered polls of its own: a
// check-done line counts a time-out as "not finished", and silence elsewhere (other lines, other
// units) is not added to a wait's count. (A wait line's text is not left empty here: an empty
// quoted field does not end at the line's end, so the next line would be read as that text.)
TEST_F(Motion, SilentPollsEndOnlyTheWaitThatMadeThem) {
    struct Case {
        const char* name;
        const char* program;
        const char* fault;  // of the simulated D3; D4 is marked present but never answers
        bool completes;
    };
    const Case cases[] = {
        {"check-done lines on a silent unit go on",
         "DBoard_check_done,4,0,0\nDBoard_check_done,4,0,0\nDBoard_check_done,4,0,0\n"
         "DBoard_check_done,4,0,0\nset_temp,1,1\nend_program\n",
         nullptr, true},
        {"silence of another unit and line does not count in a wait",
         "DBoard_check_done,4,0,0\nDBoard_check_done,4,0,0\nwait_DBoard_done,3,\"w\"\n"
         "set_temp,1,1\nend_program\n",
         "noreply:match=D3:once", true},
        {"a wait with two silent polls of its own goes on",
         "wait_DBoard_done,3,\"w\"\nwait_DBoard_done,3,\"w\"\nset_temp,1,1\nend_program\n",
         "noreply:match=D3:count=2", true},
        {"a wait with three silent polls ends the run",
         "DBoard_check_done,4,0,0\nwait_DBoard_done,3,\"w\"\nset_temp,1,1\nend_program\n",
         "noreply:match=D3:count=3", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunnerRig rig;
        ASSERT_TRUE(rig.Connect("D3", [&](sim::Options& o) {
            if (c.fault) o.faults.push_back(c.fault);
        }));
        rig.state.Units.present[int(UnitGroup::DBoard)][4] = 1;
        rig.state.Config.ReplyTimeout = 60;  // long enough for a loaded machine's replies
        ASSERT_TRUE(rig.Load(c.program));
        ASSERT_TRUE(rig.RunToEnd(5000));
        EXPECT_EQ(rig.Reg(1), c.completes ? 1u : 0u);
        auto boxes = rig.op.Boxes();
        if (c.completes) {
            EXPECT_TRUE(boxes.empty()) << boxes[0].text;
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text,
                      "DBoard unit 3 does not answer.\nThe program has been stopped.");
        }
    }
}

TEST_F(Motion, CheckDoneOnQBoardsAndUnknownCodes) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3,Q1"));
    LineSession session = rig.line.Take(LineUser::Runner);
    BoardStep step({rig.state.Boards, rig.state.Units, rig.state.Run}, rig.op, &rig.logger);
    step.UseSession(&session);
    MotionControl motion(RunnerStateOf(rig.state), rig.op, step, [](uint32_t) {});
    EXPECT_EQ(motion.CheckDone(4, family::QBoard, true), 1) << "absent QBoard: done";
    EXPECT_TRUE(rig.simulator->ReceivedFrames().empty());
    EXPECT_EQ(motion.CheckDone(1, family::QBoard, true), 1);
    EXPECT_EQ(rig.simulator->ReceivedFrames(), std::vector<std::string>{"Q1\r"});
    EXPECT_EQ(motion.CheckDone(3, 8, true), 0) << "no such motor is never done";
    EXPECT_EQ(rig.simulator->ReceivedFrames().size(), 1u);
}

TEST_F(Motion, WholeAxisBoardWaitsForXYZWInOrder) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("X1"));
    ASSERT_TRUE(rig.simulator->SetMotorSpeed("Y1", 2000));
    ASSERT_TRUE(
        rig.Load("AxisBoard,1,\"XM50,YM200\"\n"
                 "wait_AxisBoard_done,1,A,\"w\"\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    auto polls = Matching(rig.simulator->ReceivedFrames(), {"W1\r", "X1\r", "Y1\r", "Z1\r"});
    ASSERT_GE(polls.size(), 6u);
    // Every poll of a later axis follows the one before it: a busy axis sends the next poll
    // back to X.
    for (size_t i = 0; i < polls.size(); ++i) {
        if (polls[i] == "Y1\r") {
            EXPECT_EQ(polls[i - 1], "X1\r") << i;
        }
        if (polls[i] == "Z1\r") {
            EXPECT_EQ(polls[i - 1], "Y1\r") << i;
        }
        if (polls[i] == "W1\r") {
            EXPECT_EQ(polls[i - 1], "Z1\r") << i;
        }
    }
    EXPECT_GT(std::count(polls.begin(), polls.end(), "Y1\r"), 1) << "Y was busy at least once";
    EXPECT_EQ(std::count(polls.begin(), polls.end(), "Z1\r"), 1);
    EXPECT_EQ(std::count(polls.begin(), polls.end(), "W1\r"), 1);
    EXPECT_EQ(std::vector<std::string>(polls.end() - 4, polls.end()),
              (std::vector<std::string>{"X1\r", "Y1\r", "Z1\r", "W1\r"}));
    EXPECT_FALSE(rig.simulator->GetMotor("Y1")->moving);
}

TEST_F(Motion, AxisLinkIsVerifiedWithItsLetter) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("X1:aset=1:speed=0,Q2"));
    sim::LinkConfig link;
    link.qboard = 2;
    link.channel = 1;
    link.motor.family = sim::Family::AxisBoard;
    link.motor.unit = 1;
    link.motor.axis = 2;  // Y
    link.offset = -30;
    ASSERT_TRUE(rig.simulator->SetEncoderLink(link));
    ASSERT_TRUE(
        rig.Load("link_me,1,Y,2,1,1,3,5,5\n"
                 "AxisBoard,1,\"YM400\"\n"
                 "wait_AxisBoard_done,1,Y,\"w\"\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    // The axis letter of the correction texts takes the unit digit like any axis command.
    EXPECT_EQ(Matching(rig.simulator->ReceivedFrames(), {"Y1A", "Y1M"}),
              (std::vector<std::string>{"Y1M400\r", "Y1A370\r", "Y1M400\r"}));
    EXPECT_EQ(rig.state.Boards.Qe[2][1].Count.load(), 400);
}

TEST_F(Motion, WaitResponseReadsTheAnswerOfThePreviousCommand) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3"));
    // vsendna leaves the reply in the queue; wait_DBoard_response reads it.
    ASSERT_TRUE(
        rig.Load("vsendna,\"D3m\"\n"
                 "wait_DBoard_response,3\n"
                 "set_temp,1,1\n"
                 "end_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 1u);
    EXPECT_EQ(rig.state.Boards.UnitStatusD[3].load(), '>');
}

TEST_F(Motion, WaitResponseWithoutAReplyStopsTheRun) {
    RunnerRig rig;
    ASSERT_TRUE(rig.Connect("D3"));
    ASSERT_TRUE(rig.Load("wait_DBoard_response,3\nset_temp,1,1\nend_program\n"));
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Reg(1), 0u);
    EXPECT_EQ(rig.LastBoxText(), "DBoard unit 3 does not answer.\nThe program has been stopped.");
}

}  // namespace
}  // namespace vendra::test
