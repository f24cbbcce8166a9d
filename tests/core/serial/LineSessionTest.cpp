// The line session against a pty whose far end the test plays: one owner at a time, settings that
// return at the end of their scope, the stop token that ends a wait, the pairing of a reply with
// its frame, and pieces of board output read through the one look-ahead.
#include <gtest/gtest.h>

#include <thread>

#include "PtyPeer.h"
#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/CommDebugLog.h"
#include "core/serial/LineSession.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

using test::PtyPeer;

class LineSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.Ok());
        state.CommDebug.CommDebugEnabled = 1;
        state.CommDebug.CommDebugWindowOpen = 1;
        session = line.Take(LineUser::Runner);
        ASSERT_TRUE(session.OpenDevice(peer.Path(), 57600));
    }

    SystemState state;
    test::ScriptedOperator op;
    PtyPeer peer;
    CommDebugLog log{CommDebugLogStateOf(state)};
    SerialLine line{state.Serial, op, log, state.Run.ProgramPointer, state.Config.ReplyTimeout};
    LineSession session;
};

TEST_F(LineSessionTest, OneOwnerAtATimeAndTheLineComesBackWithTheSession) {
    EXPECT_EQ(line.Owner(), LineUser::Runner);
    EXPECT_FALSE(line.Take(LineUser::Terminal));
    LineSession moved = std::move(session);
    EXPECT_FALSE(session);
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_FALSE(session.Send("D3\r"));  // an empty session does nothing
    moved.Release();
    EXPECT_FALSE(line.Busy());
    LineSession next = line.Take(LineUser::Terminal);
    EXPECT_TRUE(next);
    EXPECT_TRUE(next.IsOpen());  // the port stays open between owners
}

TEST_F(LineSessionTest, SettingsReturnToTheirValuesWhenTheirScopeEnds) {
    state.Config.ReplyTimeout = 120;
    state.Serial.TransmitDelay = 0;
    state.Serial.TimeStampFrames = 1;
    {
        LineSession::Setting timeout = session.ReplyTimeout(10000);
        LineSession::Setting pacing = session.Pacing(3);
        LineSession::Setting stamps = session.TimeStamps(false);
        EXPECT_EQ(session.ReplyTimeoutMs(), 10000);
        {
            LineSession::Setting inner = session.ReplyTimeout(50);
            EXPECT_EQ(session.ReplyTimeoutMs(), 50);
        }
        EXPECT_EQ(session.ReplyTimeoutMs(), 10000);
        EXPECT_EQ(state.Serial.TransmitDelay.load(), 3u);
        EXPECT_EQ(state.Serial.TimeStampFrames.load(), 0u);
    }
    EXPECT_EQ(state.Config.ReplyTimeout.load(), 120);
    EXPECT_EQ(state.Serial.TransmitDelay.load(), 0u);
    EXPECT_EQ(state.Serial.TimeStampFrames.load(), 1u);
}

TEST_F(LineSessionTest, TheStopTokenEndsAWaitAtOnce) {
    std::atomic<bool> stop{false};
    session.SetStopToken(StopToken(&stop));
    std::thread stopper([&] {
        SleepMs(100);
        stop = true;
    });
    ReplyRule rule;
    rule.family = family::DBoard;
    rule.unit = 3;
    const uint64_t start = TickUs();
    const Reply reply = session.Exchange("D3\r", rule, 10000);
    stopper.join();
    EXPECT_EQ(reply.got, Reply::Got::Stopped);
    EXPECT_LT((TickUs() - start) / 1000, 500u);
}

// Stale bytes go before the frame, a foreign answer is passed over, the unit's own is taken; the
// log shows each as what it was. What came after the answer stays for the next read.
TEST_F(LineSessionTest, AReplyIsPairedWithItsFrame) {
    peer.Send("D3>old\r");
    SleepMs(20);
    std::thread board([&] {
        peer.Receive(4);
        peer.Send("H3>1\rD3>2\rnext");
    });
    ReplyRule rule;
    rule.family = family::DBoard;
    rule.unit = 3;
    const Reply reply = session.Exchange("D3m\r", rule, 1000);
    board.join();
    EXPECT_EQ(reply.got, Reply::Got::Answered);
    EXPECT_EQ(reply.line, "D3>2");
    EXPECT_TRUE(reply.written);
    EXPECT_EQ(log.Lines(0, 10),
              (std::vector<std::string>{"<-0 - discarded: D3>old\\r", "->1/1 - D3m",
                                        "<-2 - discarded: H3>1\\r", "<-3 - D3>2"}));
    const LinePiece rest = session.ReadPiece("\r", 50, 50, 10);
    EXPECT_EQ(rest.how, LinePiece::End::Unended);
    EXPECT_EQ(rest.text, "next");
}

TEST_F(LineSessionTest, PiecesAreBoundedInLengthAndTime) {
    struct Row {
        const char* name;
        std::string bytes;
        const char* ends;
        size_t maxChars;
        LinePiece::End how;
        std::string text;
        char end;
    } const rows[] = {
        {"a CR LF line", "\n0001:A100\r\n", "\r", 20, LinePiece::End::Ended, "0001:A100", '\r'},
        {"a prompt after a line", "d3>\r:", ":", 20, LinePiece::End::Ended, "d3>\r", ':'},
        {"too long", std::string(30, 'x') + "\r", "\r", 20, LinePiece::End::TooLong,
         std::string(20, 'x'), '\0'},
        {"no end", "abc", "\r", 20, LinePiece::End::Unended, "abc", '\0'},
        {"nothing", "", "\r", 20, LinePiece::End::TimedOut, "", '\0'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        session.DiscardInput();
        peer.Send(row.bytes);
        SleepMs(10);
        const LinePiece piece = session.ReadPiece(row.ends, 100, 100, row.maxChars);
        EXPECT_EQ(piece.how, row.how);
        EXPECT_EQ(piece.text, row.text);
        EXPECT_EQ(piece.end, row.end);
    }
}

}  // namespace
}  // namespace vendra
