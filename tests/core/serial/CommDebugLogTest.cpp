#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "core/app/SystemState.h"
#include "core/base/Clock.h"
#include "core/serial/CommDebugLog.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

class CommDebugLogTest : public ::testing::Test {
  protected:
    void On() {
        state.CommDebug.CommDebugEnabled = 1;
        state.CommDebug.CommDebugWindowOpen = 1;
    }
    SystemState state;
    CommDebugLog log{CommDebugLogStateOf(state)};
};

TEST_F(CommDebugLogTest, LineFormatsAndNumbering) {
    On();
    log.LogSentFrame(5, "D0A100\r");
    log.LogReceivedText("d0>");
    log.LogSentFrame(6, "D0\rjunk");
    ASSERT_EQ(log.LineCount(), 3u);
    EXPECT_EQ(log.Line(0), "->5/0 - D0A100");
    EXPECT_EQ(log.Line(1), "<-1 - d0>");
    EXPECT_EQ(log.Line(2), "->6/2 - D0");
    EXPECT_EQ(state.CommDebug.CommDebugLineNumber.load(), 3u);
    EXPECT_EQ(log.Line(3), "");
    std::string longFrame(400, 'x');
    log.LogSentFrame(1, longFrame);
    EXPECT_EQ(log.Line(3), "->1/3 - " + std::string(300, 'x'));
}

// Discarded bytes: one line per CR-ended piece, control bytes spelled out, numbered like the rest.
TEST_F(CommDebugLogTest, DiscardedBytesHaveTheirOwnLineForm) {
    log.LogDiscarded("H1>\r");  // not collecting: nothing
    On();
    log.LogSentFrame(2, "D3\r");
    log.LogDiscarded(std::string("H1>\rH1b\r\x15~\n\0", 12));
    log.LogReceivedText("D3b");
    log.LogDiscarded(std::string(400, 'x'));
    EXPECT_EQ(log.Lines(0, 10), (std::vector<std::string>{
                                    "->2/0 - D3", "<-1 - discarded: H1>\\r",
                                    "<-2 - discarded: H1b\\r", "<-3 - discarded: \\x15~\\n\\x00",
                                    "<-4 - D3b", "<-5 - discarded: " + std::string(300, 'x')}));
}

TEST_F(CommDebugLogTest, NothingIsAddedUnlessEnabledAndOpen) {
    log.LogSentFrame(1, "D0\r");
    state.CommDebug.CommDebugEnabled = 1;
    log.LogReceivedText("d0>");
    state.CommDebug.CommDebugEnabled = 0;
    state.CommDebug.CommDebugWindowOpen = 1;
    log.LogSentFrame(1, "D0\r");
    EXPECT_EQ(log.LineCount(), 0u);
    EXPECT_EQ(state.CommDebug.CommDebugLineNumber.load(), 0u);
}

TEST_F(CommDebugLogTest, ClearingRules) {
    On();
    log.LogSentFrame(1, "D0\r");
    state.Run.ProgramRunning = 1;
    EXPECT_FALSE(log.ClearScreen());  // refused during a run
    EXPECT_EQ(log.LineCount(), 1u);
    log.ClearCommDebugLog();  // the runner's clear is not refused
    EXPECT_EQ(log.LineCount(), 0u);
    EXPECT_EQ(log.Generation(), 1u);
    state.Run.ProgramRunning = 0;
    log.LogSentFrame(1, "D0\r");
    state.CommDebug.CommDebugEnabled = 0;  // disable_comm_debug: lines stay, no clear
    EXPECT_FALSE(log.ClearScreen());
    log.ClearCommDebugLog();
    EXPECT_EQ(log.LineCount(), 1u);
    state.CommDebug.CommDebugEnabled = 1;  // enable again: numbering goes on
    log.LogReceivedText("d0>");
    EXPECT_EQ(log.Line(1), "<-1 - d0>");
    EXPECT_TRUE(log.ClearScreen());
    EXPECT_EQ(state.CommDebug.CommDebugLineNumber.load(), 0u);
}

TEST_F(CommDebugLogTest, SaveWritesCrLfLines) {
    On();
    log.LogSentFrame(2, "Q1P\r");
    log.LogReceivedText("q1>1,2");
    std::string path = ::testing::TempDir() + "cdl_" + std::to_string(getpid()) + ".txt";
    std::string error;
    ASSERT_TRUE(log.SaveToFile(path, error)) << error;
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(ss.str(), "->2/0 - Q1P\r\n<-1 - q1>1,2\r\n");
    std::remove(path.c_str());
    EXPECT_FALSE(log.SaveToFile("/nonexistent-dir/x.txt", error));
    EXPECT_NE(error.find("/nonexistent-dir/x.txt"), std::string::npos);
}

TEST_F(CommDebugLogTest, ConcurrentAppendAndClearStayConsistent) {
    On();
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) log.LogSentFrame(i, "D1A100\r");
    });
    for (int i = 0; i < 50; ++i) {
        size_t n = log.LineCount();
        std::string last = n ? log.Line(n - 1) : std::string();  // "" when cleared meanwhile
        if (!last.empty()) {
            EXPECT_EQ(last.substr(0, 2), "->");
        }
        if (i % 10 == 0) log.ClearCommDebugLog();
    }
    writer.join();
    size_t n = log.LineCount();
    EXPECT_EQ(n, state.CommDebug.CommDebugLineNumber.load());
    if (n) {
        EXPECT_NE(log.Line(n - 1).find("/" + std::to_string(n - 1) + " - "), std::string::npos);
    }
}

// The figures the debugger window depends on: a million lines cost little time and memory.
TEST_F(CommDebugLogTest, MillionLinesAreCheapAndCompact) {
    On();
    uint64_t t0 = TickUs();
    for (int i = 0; i < 500000; ++i) {
        log.LogSentFrame(i, "D3A1000\r");
        log.LogReceivedText("d3>");
    }
    double seconds = (TickUs() - t0) / 1e6;
    double perLine = static_cast<double>(log.StorageBytes()) / 1e6;
    std::printf("comm_debug_1M_append_s: %.3f\ncomm_debug_bytes_per_line: %.1f\n", seconds,
                perLine);
    EXPECT_LT(perLine, 200.0);
    EXPECT_EQ(log.Line(999999), "<-999999 - d3>");
}

class FakeHost : public CommDebugWindowHost {
  public:
    explicit FakeHost(SystemState& s) : s_(s) {}
    void CreateCommDebugWindow() override {
        ++created;
        s_.CommDebug.CommDebugWindowReady = 1;
    }
    void DestroyCommDebugWindow() override {
        ++destroyed;
        s_.CommDebug.CommDebugWindowReady = 0;
    }
    int created = 0, destroyed = 0;

  private:
    SystemState& s_;
};

TEST(CommDebugSwitchTest, CheckBoxAndKeywords) {
    SystemState state;
    test::ScriptedOperator op;
    CommDebugLog log(CommDebugLogStateOf(state));
    FakeHost host(state);
    state.Serial.PortOpen = 0;
    EXPECT_FALSE(CommDebugSwitch(state.Serial, op, log, host, true));  // no line: no effect
    EXPECT_EQ(host.created, 0);
    EXPECT_EQ(state.CommDebug.CommDebugEnabled.load(), 0u);

    state.Serial.PortOpen = 1;
    EXPECT_TRUE(CommDebugSwitch(state.Serial, op, log, host, true));
    EXPECT_EQ(host.created, 1);
    EXPECT_EQ(state.CommDebug.CommDebugEnabled.load(), 1u);
    EXPECT_EQ(state.CommDebug.CommDebugWindowOpen.load(), 1u);
    log.LogSentFrame(1, "D0\r");
    DisableCommDebug(log);
    log.LogSentFrame(1, "D0\r");
    EXPECT_EQ(log.LineCount(), 1u);
    EnableCommDebug(op, log);  // window open: only logging resumes
    EXPECT_EQ(log.LineCount(), 1u);
    EXPECT_EQ(op.CheckBoxState(CheckBox::CommDebug), -1);

    state.Serial.PortOpen = 0;  // an open window can be closed even without a line
    EXPECT_TRUE(CommDebugSwitch(state.Serial, op, log, host, false));
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_EQ(state.CommDebug.CommDebugWindowOpen.load(), 0u);
    EXPECT_EQ(state.CommDebug.CommDebugWindowReady.load(), 0u);

    // enable_comm_debug with no window: flags, clear, then the box is ticked; its handling only
    // creates the window and keeps the lines logged meanwhile.
    state.Serial.PortOpen = 1;
    EnableCommDebug(op, log);
    EXPECT_EQ(op.CheckBoxState(CheckBox::CommDebug), 1);
    EXPECT_EQ(log.LineCount(), 0u);
    log.LogSentFrame(3, "D0\r");
    EXPECT_TRUE(CommDebugSwitch(state.Serial, op, log, host, true));
    EXPECT_EQ(host.created, 2);
    EXPECT_EQ(log.LineCount(), 1u);
}

}  // namespace
}  // namespace vendra
