// The board step (Command, Poll) against the simulator over a real pty: the frames on the line,
// the decoded replies, the host bookkeeping, errors, time-outs and line faults.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "BoardStepRig.h"
#include "core/app/SystemState.h"
#include "core/base/Clock.h"

namespace vendra::test {
namespace {

using F = std::vector<std::string>;

class BoardStepTest : public TransactionRig {
  protected:
    void SetUp() override { Start("D3,U2,H1,X4,Q2"); }
    void ExpectNoBox() { EXPECT_TRUE(op.Boxes().empty()) << op.Boxes()[0].text; }
    void ExpectStopped(bool stopped) {
        EXPECT_EQ(state.Run.StopRun.load(), stopped ? 1u : 0u);
        EXPECT_EQ(state.Run.ProgramRunning.load(), stopped ? 0u : 1u);
    }
    void Running() {
        state.Run.ProgramRunning = 1;
        state.Run.StopRun = 0;
    }
};

TEST_F(BoardStepTest, DBoardMoveAndReadBack) {
    state.Boards.LastResponseValue = 77;
    EXPECT_EQ(Tx(3, family::DBoard, "A1000"), 1);
    EXPECT_EQ(LastFrame(), "D3A1000\r");
    EXPECT_EQ(link.LastReply(family::DBoard), "D3>");
    EXPECT_EQ(state.Boards.UnitStatusD[3].load(), '>');
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 1000);
    EXPECT_EQ(state.Boards.LastResponseValue.load(), 77);  // no value text: unchanged

    EXPECT_EQ(Tx(3, family::DBoard, "m\r"), 1);
    EXPECT_EQ(LastFrame(), "D3m\r");
    EXPECT_EQ(state.Boards.LastResponseValue.load(), 1000);
    EXPECT_EQ(state.Boards.LastResponseText.Get(), "1000");
    EXPECT_EQ(state.Boards.TransactionActive.load(), 0u);
    EXPECT_EQ(state.Serial.QuietWait.load(), 0u);
    ExpectNoBox();
}

TEST_F(BoardStepTest, PositionBookkeepingOfEveryFamily) {
    Tx(3, family::DBoard, "A100");
    Tx(3, family::DBoard, "RN+50");
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 150);
    Tx(3, family::DBoard, "N0");
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 0);
    Tx(3, family::DBoard, "F");
    EXPECT_EQ(state.Boards.MotorD[3].StepMode.load(), 0);
    Tx(3, family::DBoard, "H");
    EXPECT_EQ(state.Boards.MotorD[3].StepMode.load(), 1);

    Tx(2, family::UBoard, "M300");
    Tx(2, family::UBoard, "RN-20");
    EXPECT_EQ(LastFrame(), "U2RN-20\r");
    EXPECT_EQ(state.Boards.MotorU[2].Position.load(), 280);

    Tx(1, family::HBoard, "A7");
    EXPECT_EQ(LastFrame(), "H1A7\r");
    EXPECT_EQ(state.Boards.MotorH[1].Position.load(), 7);
    EXPECT_EQ(state.Boards.MotorD[1].Position.load(), 0);

    EXPECT_EQ(Tx(4, family::AxisUnit, "XA100,YA200"), 1);
    EXPECT_EQ(LastFrame(), "X4A100,Y4A200\r");
    EXPECT_EQ(state.Boards.MotorAxis[4][AxisX].Position.load(), 100);
    EXPECT_EQ(state.Boards.MotorAxis[4][AxisY].Position.load(), 200);
    EXPECT_EQ(state.Boards.UnitStatusAxis[4][AxisX].load(), '>');  // reply letter 'x'
    EXPECT_EQ(Tx(4, family::AxisZ, "ZM55\r"), 1);
    EXPECT_EQ(LastFrame(), "Z4M55\r");
    EXPECT_EQ(state.Boards.MotorAxis[4][AxisZ].Position.load(), 55);
    EXPECT_EQ(state.Boards.UnitStatusAxis[4][AxisZ].load(), '>');
    EXPECT_EQ(Tx(4, family::AxisY, "YRY+5,ZH"), 1);
    EXPECT_EQ(LastFrame(), "Y4RY+5,Z4H\r");
    EXPECT_EQ(state.Boards.MotorAxis[4][AxisY].Position.load(), 205);
    EXPECT_EQ(state.Boards.UnitStatusAxis[4][AxisY].load(), '>');
    ExpectNoBox();
}

TEST_F(BoardStepTest, AbsentUnitIsSentToButNotWaitedFor) {
    SetAbsent(UnitGroup::DBoard, 3);
    state.Config.ReplyTimeout = 2000;
    uint64_t t0 = TickUs();
    EXPECT_EQ(Tx(3, family::DBoard, "A5"), 1);
    EXPECT_LT(TickUs() - t0, 500000u);
    EXPECT_EQ(LastFrame(), "D3A5\r");
    EXPECT_EQ(state.Boards.UnitStatusD[3].load(), '\0');
    EXPECT_EQ(state.Run.Stats.ReplyCount.load(), 0u);
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 5);  // the bookkeeping follows the frame
}

TEST_F(BoardStepTest, GlobalFramesGoTheAxisBoardWay) {
    EXPECT_EQ(Tx(0, family::DBoard, "GG!\r"), 1);  // AxisBoard unit 0 absent: not awaited
    EXPECT_EQ(LastFrame(), "GG!\r");
    EXPECT_EQ(Tx(0, family::QBoard, "GG*"), 1);
    EXPECT_EQ(LastFrame(), "GG*\r");
    // The axis-board path waits when the unit is present; boards do not answer "GG": time-out.
    EXPECT_EQ(Tx(4, family::DBoard, "GG*"), 0);
    EXPECT_EQ(state.Boards.MotorD[0].Position.load(), 0);
    ExpectNoBox();
}

TEST_F(BoardStepTest, QBoardReadingsFillChannelsRegistersLinksAndLogger) {
    std::string path = folder.string() + "/qe.txt";
    ASSERT_TRUE(logger.Open(path, 3));
    ASSERT_TRUE(simulator->SetEncoderCount(2, 0, 120));
    ASSERT_TRUE(simulator->SetEncoderCount(2, 1, -40));
    state.Boards.Qe[2][0].LinkCode = 0;  // linked to DBoard 3
    state.Boards.Qe[2][0].LinkUnit = 3;
    Tx(3, family::DBoard, "F");  // step mode off: the linked count is halved
    state.Boards.LastResponseValue = 5;

    EXPECT_EQ(Tx(2, family::QBoard, "P"), 1);
    EXPECT_EQ(LastFrame(), "Q2P\r");
    EXPECT_EQ(state.Boards.Qe[2][0].Count.load(), 60);
    EXPECT_EQ(state.Boards.Qe[2][1].Count.load(), -40);
    EXPECT_EQ(state.Run.TempRegisters[44].load(), 120u);
    EXPECT_EQ(state.Run.TempRegisters[45].load(), static_cast<uint32_t>(-40));
    EXPECT_EQ(state.Boards.MotorD[3].LinkedEncoderCount.load(), 60);
    EXPECT_EQ(state.Boards.Qe[2][0].Text.Get(), "60");
    EXPECT_EQ(state.Boards.Qe[2][1].Text.Get(), "-40");
    EXPECT_EQ(state.Boards.LastResponseValue.load(), 5);  // readings are not a response value

    ASSERT_TRUE(simulator->SetEncoderCount(2, 1, 9));
    EXPECT_EQ(Tx(2, family::QBoard, "p1"), 1);
    EXPECT_EQ(state.Boards.Qe[2][1].Count.load(), 9);
    EXPECT_EQ(state.Run.TempRegisters[45].load(), 9u);
    logger.Close();
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(ss.str(), "120,-40,9\r\n");

    EXPECT_EQ(Tx(2, family::QBoard, "m"), 1);  // not a reading: an ordinary value
    EXPECT_EQ(state.Boards.LastResponseText.Get(), "0");
    ExpectNoBox();
}

TEST_F(BoardStepTest, RawFamilies) {
    // 99: text plus CR, reply read and decoded into the DBoard slot of the unit given.
    EXPECT_EQ(Tx(0, family::RawRead, "D3m"), 1);
    EXPECT_EQ(LastFrame(), "D3m\r");
    EXPECT_EQ(state.Boards.UnitStatusD[0].load(), '>');
    // 90..98: the reply is awaited but left in the queue; the position is kept for the unit.
    EXPECT_EQ(Tx(9, 98, "D3A42"), 1);
    EXPECT_EQ(state.Boards.MotorD[9].Position.load(), 42);
    EXPECT_EQ(link.PollReply(3, family::DBoard), 1);  // the reply left unread
    EXPECT_EQ(link.LastReply(family::DBoard), "D3>");
    // Other codes: sent exactly as given, never awaited, LastResponseText emptied.
    state.Boards.LastResponseText = std::string("x");
    state.Run.TempRegisters[7] = 12;
    std::string text = "D3A#TEMP7#\r";
    EXPECT_EQ(Tx(3, 200, text), 1);
    EXPECT_EQ(LastFrame(), "D3A12\r");
    EXPECT_EQ(text, "D3A#TEMP7#\r");  // the caller's text is left alone
    EXPECT_EQ(state.Boards.LastResponseText.Get(), "");
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 0);  // no bookkeeping
    ExpectNoBox();
}

TEST_F(BoardStepTest, BoardErrorsShowTheirBoxAndStopTheRun) {
    struct Case {
        unsigned unit;
        uint8_t family;
        const char* text;
        const char* match;
        char status;
        const char* boxText;
        const char* title;
    } cases[] = {
        {3, family::DBoard, "A1", "D3", '!', "Parameter Error", "Vendra DBoard Error"},
        {2, family::UBoard, "A1", "U2", 'E', "Watchdog Error", "Vendra UBoard Error"},
        {1, family::HBoard, "A1", "H1", 't', "TMC246 Error", "Vendra HBoard Error"},
        {4, family::AxisW, "WA1", "W4", 'h', "Motor NOT Homed", "Vendra AxisBoard Error"},
        {2, family::QBoard, "P", "Q2", 'e', "Encoder ERROR", "Vendra QBoard Error"},
        {0, family::RawRead, "D3A1", "D3", '#', "Syntax Error", "Vendra Board Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        simulator->ClearFaults();
        sim::Fault fault;
        fault.kind = sim::FaultKind::ErrorStatus;
        fault.match = c.match;
        fault.status = c.status;
        simulator->AddFault(fault);
        op.ClearRecords();
        Running();
        EXPECT_EQ(Tx(c.unit, c.family, c.text), 0);
        ASSERT_EQ(op.Boxes().size(), 1u);
        EXPECT_EQ(op.Boxes()[0].text, c.boxText);
        EXPECT_EQ(op.Boxes()[0].title, c.title);
        EXPECT_EQ(op.Boxes()[0].flags, 0x1010u);
        ExpectStopped(true);
        EXPECT_EQ(state.Boards.TransactionActive.load(), 0u);
        EXPECT_EQ(state.Serial.QuietWait.load(), 0u);
    }
    EXPECT_EQ(state.Boards.UnitStatusD[0].load(), '#');  // 99 files the status in the D slot
}

TEST_F(BoardStepTest, UnknownStatusIsSuccessWithItsText) {
    sim::Fault fault;
    fault.kind = sim::FaultKind::ErrorStatus;
    fault.status = 'Q';
    simulator->AddFault(fault);
    Running();
    EXPECT_EQ(Tx(3, family::DBoard, "A1"), 1);
    EXPECT_EQ(state.Boards.UnitStatusD[3].load(), 'Q');
    ExpectNoBox();
    ExpectStopped(false);
}

TEST_F(BoardStepTest, TimeOutsEndWithoutABoxAndWithoutStopping) {
    state.Config.ReplyTimeout = 100;
    simulator->AddFault("noreply:match=D3:once");
    Running();
    uint64_t t0 = TickUs();
    EXPECT_EQ(Tx(3, family::DBoard, "A1"), 0);
    uint64_t us = TickUs() - t0;
    EXPECT_GE(us, 100000u);
    EXPECT_LT(us, 1000000u);
    ExpectNoBox();
    ExpectStopped(false);
    EXPECT_EQ(state.Serial.QuietWait.load(), 0u);

    // A late reply misses its time-out and is purged before the next exchange.
    simulator->AddFault("late:match=D3:ms=250:once");
    EXPECT_EQ(Tx(3, family::DBoard, "A2"), 0);
    SleepMs(300);
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    EXPECT_EQ(state.Boards.LastResponseText.Get(), "2");
    ExpectStopped(false);
}

TEST_F(BoardStepTest, BrokenRepliesEndClearlyAndNeverOverflow) {
    Running();
    // Overlong: stored up to the reply buffer, the rest of the line dropped.
    simulator->AddFault("overlong:match=D3:len=200:once");
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    EXPECT_EQ(link.LastReply(family::DBoard).size(), kReplyLineChars);
    EXPECT_EQ(Tx(3, family::DBoard, "A9"), 1);  // the next exchange is clean
    EXPECT_EQ(link.LastReply(family::DBoard), "D3>");

    // Another unit's reply, and bytes that are no reply, are not this frame's answer: the
    // exchange times out without a word.
    state.Config.ReplyTimeout = 60;
    state.Boards.UnitStatusU[2] = 'x';
    simulator->AddFault("wrongaddr:match=U2:once");
    EXPECT_EQ(Tx(2, family::UBoard, "A1"), 0);
    EXPECT_EQ(state.Boards.UnitStatusU[2].load(), 'x');
    state.Boards.UnitStatusD[3] = 'x';
    simulator->AddFault("garbage:match=D3:text=\\x15~?\\x7f:once");
    EXPECT_EQ(Tx(3, family::DBoard, "A3"), 0);
    EXPECT_EQ(state.Boards.UnitStatusD[3].load(), 'x');
    ExpectNoBox();
    ExpectStopped(false);

    // Too short to carry a status: a reception error, not a success.
    simulator->AddFault("garbage:match=H1:text=H1:once");
    EXPECT_EQ(Tx(1, family::HBoard, "A1"), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "RXD: H1");
    EXPECT_EQ(op.Boxes()[0].title, "Communications RXD Error");
    ExpectStopped(true);

    // A reply whose letter is no axis letter cannot be an AxisBoard's: not taken either.
    Running();
    op.ClearRecords();
    simulator->AddFault("garbage:match=X4:text=Q4>:once");
    EXPECT_EQ(Tx(4, family::AxisX, "X"), 0);
    ExpectNoBox();
    ExpectStopped(false);
}

// A reply that misses its time-out, or comes from another unit, is never read as the answer to
// a later frame: it is discarded (and listed as such) and the exchange waits for its own.
TEST_F(BoardStepTest, LateAndForeignRepliesNeverPassForTheAnswer) {
    state.CommDebug.CommDebugEnabled = 1;
    state.CommDebug.CommDebugWindowOpen = 1;
    Running();
    state.Config.ReplyTimeout = 200;
    EXPECT_EQ(Tx(3, family::DBoard, "A77"), 1);
    // H1's answer comes 50 ms into D3's exchange, whose own answer takes 120 ms.
    simulator->AddFault("late:match=H1A400:ms=250:once");
    simulator->AddFault("late:match=D3m:ms=120:once");
    EXPECT_EQ(Tx(1, family::HBoard, "A400"), 0);
    state.Boards.UnitStatusD[3] = 'x';
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    EXPECT_EQ(link.LastReply(family::DBoard), "D3>77");
    EXPECT_EQ(state.Boards.LastResponseText.Get(), "77");
    EXPECT_EQ(state.Boards.UnitStatusD[3].load(), '>');
    // Nothing is left over to shift the next exchange.
    EXPECT_EQ(Tx(2, family::UBoard, "m"), 1);
    EXPECT_EQ(link.LastReply(family::UBoard), "U2>0");

    // A late answer that has arrived before the next frame is thrown away before it is sent.
    simulator->AddFault("late:match=H1A5:ms=250:once");
    EXPECT_EQ(Tx(1, family::HBoard, "A5"), 0);
    SleepMs(150);
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    EXPECT_EQ(link.LastReply(family::DBoard), "D3>77");

    // A poll takes only its unit's answer: H1's reply, left in the queue, is not D3's.
    EXPECT_EQ(Tx(0, 90, "H1A6"), 1);
    EXPECT_EQ(link.PollReply(3, family::DBoard), 0);
    EXPECT_TRUE(link.PollGotNoReply());
    ExpectStopped(true);
    ExpectNoBox();

    EXPECT_EQ(
        log.Lines(0, 100),
        F({"->1/0 - D3A77", "<-1 - D3>", "->1/2 - H1A400", "->1/3 - D3m", "<-4 - discarded: H1>\\r",
           "<-5 - D3>77", "->1/6 - U2m", "<-7 - U2>0", "->1/8 - H1A5", "<-9 - discarded: H1>\\r",
           "->1/10 - D3m", "<-11 - D3>77", "->1/12 - H1A6", "<-13 - discarded: H1>\\r"}));
}

// A unit answers in order: when its answer misses the time-out, its next frame waits for that
// answer first, so the answer to a move never passes for the answer to the next question. The
// grace runs from the time-out, so a long reply time-out leaves it too; boards answering in lower
// case are paired alike.
struct LateCase {
    bool lowerCase;
    int32_t replyTimeoutMs;
};

class LateAnswerTest : public TransactionRig, public ::testing::WithParamInterface<LateCase> {
  protected:
    void SetUp() override {
        sim::Options options;
        options.lowerCaseReplies = GetParam().lowerCase;
        Start("D3", options);
    }
};

TEST_P(LateAnswerTest, ALateAnswerIsNotTakenForTheSameUnitsNextAnswer) {
    const int32_t timeout = GetParam().replyTimeoutMs;
    const std::string d = GetParam().lowerCase ? "d3" : "D3";
    state.CommDebug.CommDebugEnabled = 1;
    state.CommDebug.CommDebugWindowOpen = 1;
    state.Run.ProgramRunning = 1;
    state.Config.ReplyTimeout = timeout;
    simulator->AddFault("late:match=D3A9:ms=" + std::to_string(timeout + 150) + ":once");
    EXPECT_EQ(Tx(3, family::DBoard, "A9"), 0);
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    EXPECT_EQ(link.LastReply(family::DBoard), d + ">9");
    EXPECT_EQ(log.Lines(0, 10), F({"->1/0 - D3A9", "<-1 - discarded: " + d + ">\\r", "->1/2 - D3m",
                                   "<-3 - " + d + ">9"}));

    // An answer that never comes is waited for no longer than the limit; then all goes on.
    simulator->AddFault("noreply:match=D3A8:once");
    uint64_t t0 = TickUs();
    EXPECT_EQ(Tx(3, family::DBoard, "A8"), 0);
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    uint64_t ms = (TickUs() - t0) / 1000;
    EXPECT_GE(ms, timeout + LineSession::kLateReplyMs);
    EXPECT_LT(ms, timeout + LineSession::kLateReplyMs + 300);
    EXPECT_EQ(link.LastReply(family::DBoard), d + ">8");
    // Once waited for, the unit is not again.
    EXPECT_EQ(Tx(3, family::DBoard, "A7"), 1);
    t0 = TickUs();
    EXPECT_EQ(Tx(3, family::DBoard, "m"), 1);
    EXPECT_LT(TickUs() - t0, 50000u);
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_EQ(state.Run.StopRun.load(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, LateAnswerTest,
                         ::testing::Values(LateCase{false, 100}, LateCase{true, 100},
                                           LateCase{false, 600}, LateCase{true, 600}),
                         [](const ::testing::TestParamInfo<LateCase>& info) {
                             return std::string(info.param.lowerCase ? "lower" : "upper") +
                                    std::to_string(info.param.replyTimeoutMs) + "ms";
                         });

TEST_F(BoardStepTest, ReplyWithoutCarriageReturnIsAFailedExchange) {
    Running();
    simulator->AddFault("nocr:match=D3:once");
    uint64_t t0 = TickUs();
    EXPECT_EQ(Tx(3, family::DBoard, "A1"), 0);
    EXPECT_LT(TickUs() - t0, 3000000u);  // the line's 2 s limit, no more
    ExpectNoBox();
    EXPECT_EQ(Tx(3, family::DBoard, "A2"), 1);
    EXPECT_EQ(link.LastReply(family::DBoard), "D3>");
}

TEST_F(BoardStepTest, VanishedDeviceIsReportedOnceAndStopsTheRun) {
    Running();
    simulator->AddFault("vanish:match=D3");
    uint64_t t0 = TickUs();
    EXPECT_EQ(Tx(3, family::DBoard, "A1"), 0);
    EXPECT_LT(TickUs() - t0, 3000000u);
    ExpectStopped(true);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].title, "VDWin Comm ERROR Message");
    EXPECT_EQ(state.Serial.PortOpen.load(), 0u);
    Running();
    EXPECT_EQ(Tx(3, family::DBoard, "A2"), 0);  // no line left: no wait, no second box
    ExpectStopped(true);
    EXPECT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(state.Boards.TransactionActive.load(), 0u);
}

TEST_F(BoardStepTest, OverlongCommandsAndBadUnitsAreRefused) {
    Running();
    std::string fits(46, 'x');  // Q, digit, 46 characters, CR: 49 plus the terminator
    EXPECT_EQ(Tx(2, family::QBoard, fits), 1);
    EXPECT_EQ(LastFrame().size(), 49u);
    size_t before = Frames().size();
    EXPECT_EQ(Tx(2, family::QBoard, fits + "x"), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_NE(op.Boxes()[0].text.find("too long"), std::string::npos);
    EXPECT_EQ(Frames().size(), before);  // nothing went on the line
    ExpectStopped(true);

    // A register reference can make a frame grow past its buffer.
    state.Run.TempRegisters[1] = 4000000000u;
    std::string text = "A1";
    while (text.size() < 140) text += ",#TEMP1#";
    Running();
    op.ClearRecords();
    EXPECT_EQ(Tx(3, family::DBoard, text), 0);
    EXPECT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 0);  // refused frames are not tracked

    Running();
    op.ClearRecords();
    EXPECT_EQ(Tx(16, family::DBoard, "A1"), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_NE(op.Boxes()[0].text.find("out of range"), std::string::npos);
}

TEST_F(BoardStepTest, TempReferencesAreExpandedBeforeSending) {
    state.Run.TempRegisters[3] = 2500;
    EXPECT_EQ(Tx(3, family::DBoard, "A#TEMP3#"), 1);
    EXPECT_EQ(LastFrame(), "D3A2500\r");
    EXPECT_EQ(state.Boards.MotorD[3].Position.load(), 2500);
    Tx(3, family::DBoard, "A#TEMP80#");  // no such register: sent as typed
    EXPECT_EQ(LastFrame(), "D3A#TEMP80#\r");
}

TEST_F(BoardStepTest, PollReplyReadsARequestedReply) {
    Running();
    EXPECT_EQ(Tx(0, 90, "W4A5"), 1);  // asked, reply left in the queue
    EXPECT_EQ(link.PollReply(4, family::AxisW), 1);
    EXPECT_EQ(state.Boards.UnitStatusAxis[4][AxisW].load(), '>');

    state.Boards.LastResponseValue = 7;
    EXPECT_EQ(Tx(0, 90, "D3m"), 1);
    EXPECT_EQ(link.PollReply(3, family::DBoard), 1);
    EXPECT_EQ(state.Boards.LastResponseValue.load(), 0);  // m reads back the last A: 0

    sim::Fault fault;
    fault.kind = sim::FaultKind::ErrorStatus;
    fault.match = "U2";
    fault.count = 1;
    simulator->AddFault(fault);
    EXPECT_EQ(Tx(0, 90, "U2A1"), 1);
    EXPECT_EQ(link.PollReply(2, family::UBoard), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].title, "Vendra UBoard Error");
    ExpectStopped(true);

    // Nothing asked: 300 ms, then the run stops without a message.
    Running();
    op.ClearRecords();
    uint64_t t0 = TickUs();
    EXPECT_EQ(link.PollReply(3, family::DBoard), 0);
    EXPECT_GE(TickUs() - t0, 300000u);
    ExpectNoBox();
    EXPECT_EQ(state.Run.StopRun.load(), 1u);
    EXPECT_EQ(state.Boards.TransactionActive.load(), 0u);
}

TEST_F(BoardStepTest, StatisticsAndCommDebugLog) {
    state.CommDebug.CommDebugEnabled = 1;
    state.CommDebug.CommDebugWindowOpen = 1;
    state.Run.ProgramPointer = 4;
    state.Run.Stats.ReplyDelayMin = 9999999;
    EXPECT_EQ(Tx(3, family::DBoard, "A100"), 1);
    EXPECT_NE(state.Run.Stats.MoveStartTime.load(), 0u);
    EXPECT_EQ(Tx(2, family::QBoard, "P"), 1);
    SetAbsent(UnitGroup::HBoard, 1);
    EXPECT_EQ(Tx(1, family::HBoard, "A1"), 1);
    const Statistics& st = state.Run.Stats;
    EXPECT_EQ(st.FramesSent.load(), 3u);
    EXPECT_EQ(st.ReplyCount.load(), 2u);
    EXPECT_EQ(st.RepliesCounted.load(), 2u);
    EXPECT_LE(st.ReplyDelayMin.load(), st.ReplyDelayMax.load());
    EXPECT_LE(st.ReplyDelaySum.load(), 2 * st.ReplyDelayMax.load());
    EXPECT_EQ(log.Lines(0, 10),
              F({"->5/0 - D3A100", "<-1 - D3>", "->5/2 - Q2P", "<-3 - q2>0,0", "->5/4 - H1A1"}));
}

}  // namespace
}  // namespace vendra::test
