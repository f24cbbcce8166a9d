// The terminal's line buffers (table-driven), and its session on the simulated line: the typed
// line goes out exactly as typed, answers come back as lines, a flood without CR is shown in
// pieces, the line is held and given back, and a closed port leaves the session inert.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "core/tools/Terminal.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra {
namespace {

using test::ScriptedOperator;
using test::SimNetwork;

struct Arrival {
    std::string bytes;  // empty: only time passes
    uint64_t atMs;
    std::vector<std::string> lines;  // shown after this step
};

struct LinesCase {
    const char* name;
    std::vector<Arrival> steps;
};

const std::string kLong(4000, 'a');
const std::string kFlood(10000, 'f');

TEST(TerminalLines, ReceivedBytesBecomeLines) {
    const LinesCase cases[] = {
        {"OneLine", {{"X0>106\r", 0, {"X0>106"}}}},
        {"ShortReplyWaitsForMore", {{">\r", 0, {}}, {"", 5000, {}}, {"D3>\r", 6000, {">", "D3>"}}}},
        {"SeveralInOneRead", {{"one\rtwo\rthr", 0, {"one", "two"}}, {"ee\r", 1, {"three"}}}},
        // The second's wait starts again with every byte: a slow line is not cut.
        {"NoCarriageReturnShownOneSecondAfterTheLastByte",
         {{"abcd", 0, {}}, {"e", 500, {}}, {"", 1000, {}}, {"", 1499, {}}, {"", 1500, {"abcde"}}}},
        {"FewerThanFourWithoutCrStayHidden", {{"abc", 0, {}}, {"", 60000, {}}}},
        {"LongLineIsSplit", {{kLong + "\r", 0, {kLong.substr(0, 3999), "a"}}}},
        // A line of exactly the buffer's size is one line, whenever its CR comes.
        {"FullLineThenCr",
         {{kLong.substr(0, 3999) + "\rbcd\r", 0, {kLong.substr(0, 3999), "bcd"}}}},
        {"FullLineCrLater",
         {{kLong.substr(0, 3999), 0, {}}, {"\r", 600, {kLong.substr(0, 3999)}}, {"", 5000, {}}}},
        {"FullLineWithoutCr",
         {{kLong.substr(0, 3999), 0, {}}, {"", 1000, {kLong.substr(0, 3999)}}}},
        {"FloodWithoutCr",
         {{kFlood, 0, {kFlood.substr(0, 3999), kFlood.substr(0, 3999)}},
          {"", 999, {}},
          {"", 1000, {kFlood.substr(0, 2002)}},
          {"", 5000, {}}}},
        {"EmptyLine", {{"\rabc\r", 0, {"", "abc"}}}},
    };
    for (const LinesCase& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalLines t;
        for (const Arrival& a : c.steps) {
            auto lines = a.bytes.empty() ? t.Tick(a.atMs)
                                         : t.Receive(a.bytes.data(), a.bytes.size(), a.atMs);
            EXPECT_EQ(lines, a.lines) << "at " << a.atMs;
        }
    }
}

TEST(TerminalLines, DueTimeAndDiscard) {
    TerminalLines t;
    EXPECT_EQ(t.MsUntilDue(0), -1);
    t.Receive("abcd", 4, 100);
    EXPECT_EQ(t.MsUntilDue(100), 1000);
    EXPECT_EQ(t.MsUntilDue(700), 400);
    EXPECT_EQ(t.MsUntilDue(5000), 0);
    t.DiscardReceived();
    EXPECT_EQ(t.MsUntilDue(5000), -1);
    EXPECT_TRUE(t.Tick(9000).empty());
    EXPECT_EQ(t.WaitingBytes(), 0u);
}

TEST(TerminalLines, TypedLineGoesOutOnCrOrWhenFull) {
    TerminalLines t;
    std::string out;
    for (char c : std::string("X0v0")) EXPECT_EQ(t.Type(c), "");
    EXPECT_EQ(t.Type('\r'), "X0v0\r");
    // Nothing is edited out: a backspace goes with the line.
    for (char c : std::string("ab\bc")) out += t.Type(c);
    EXPECT_EQ(out, "");
    EXPECT_EQ(t.Type('\r'), "ab\bc\r");
    // A line that reaches the buffer's size goes out as it stands; nothing typed is lost.
    std::string sent;
    for (int i = 0; i < 5000; ++i) sent += t.Type('z');
    EXPECT_EQ(sent, std::string(3999, 'z'));
    EXPECT_EQ(t.TypedLength(), 1001u);
    EXPECT_EQ(t.Type('\r'), std::string(1001, 'z') + "\r");
}

// What the terminal's worker hands its window, kept for the test's thread.
struct CollectingView : TerminalView {
    void ShowLines(std::vector<std::string> more) override {
        std::lock_guard<std::mutex> lock(mutex);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    void LineGone() override { gone = true; }
    void ScanProgress(int) override {}
    void ScanButtonEnabled(bool) override {}
    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return lines.size();
    }
    std::mutex mutex;
    std::vector<std::string> lines;
    std::atomic<bool> gone{false};
};

class TerminalSessionTest : public ::testing::Test {
  protected:
    void StartNetwork(const std::string& units, std::vector<std::string> faults = {},
                      sim::Options options = {}) {
        options.faults = std::move(faults);
        ASSERT_TRUE(net.Start(units, options));
        core = std::make_unique<Core>(op);
        ASSERT_TRUE(net.Open(core->Line));
        terminal =
            std::make_unique<Terminal>(NetworkStateOf(core->State), op, core->Line, core->Network);
    }
    void Type(const std::string& keys) {
        for (char c : keys) terminal->KeyPress(c);
    }
    // The lines the worker has shown within `ms` (stopping once `stopAfter` came).
    std::vector<std::string> Collect(uint32_t ms, size_t stopAfter = 1) {
        const uint64_t end = TickUs() / 1000 + ms;
        while (TickUs() / 1000 < end && view.Count() < stopAfter) SleepMs(5);
        std::lock_guard<std::mutex> lock(view.mutex);
        return view.lines;
    }

    SimNetwork net;
    ScriptedOperator op;
    CollectingView view;
    std::unique_ptr<Core> core;
    std::unique_ptr<Terminal> terminal;
};

TEST_F(TerminalSessionTest, TypedLineGoesOutAsTypedAndTheAnswerComesBack) {
    StartNetwork("X0:ver=106");
    ASSERT_EQ(terminal->Open(view), Terminal::Opened::Active);
    EXPECT_EQ(core->State.Serial.Line.Owner(), LineUser::Terminal);
    Type("X0v0");
    SleepMs(50);
    EXPECT_TRUE(net->ReceivedFrames().empty());
    Type("\r");
    ASSERT_TRUE(net->WaitForFrames(1, 2000));
    EXPECT_EQ(net->ReceivedFrames(), std::vector<std::string>{"X0v0\r"});
    EXPECT_EQ(Collect(2000), std::vector<std::string>{"x0>106"});
    // Raw: nothing went to the communications log.
    EXPECT_EQ(core->CommLog.LineCount(), 0u);

    terminal->Close();
    EXPECT_FALSE(core->State.Serial.Line.Busy());
    EXPECT_FALSE(terminal->Active());
}

TEST_F(TerminalSessionTest, RefusedWhileTheLineIsTakenInertWithoutPortAndRateGivenBack) {
    StartNetwork("D3");
    {
        LineSession runner = core->Line.Take(LineUser::Runner);
        EXPECT_EQ(terminal->Open(view), Terminal::Opened::Refused);
    }
    // A rate changed while open is given back on close, to CurrentBaud and the port.
    ASSERT_EQ(terminal->Open(view), Terminal::Opened::Active);
    core->State.Serial.CurrentBaud = 9600;
    terminal->Close();
    EXPECT_EQ(core->State.Serial.CurrentBaud.load(), 57600u);
    {
        LineSession line = core->Line.Take(LineUser::MainWindow);
        char reply[20];
        EXPECT_EQ(core->Network.QueryUnit(line, "D3v0\r", reply, sizeof reply), 1);
        net->ClearLog();
        line.Close();
    }
    ASSERT_EQ(terminal->Open(view), Terminal::Opened::Inert);
    EXPECT_FALSE(terminal->Active());
    Type("D3v0\r");
    EXPECT_FALSE(terminal->StartScan());
    SleepMs(50);
    EXPECT_TRUE(net->Frames().empty());
    EXPECT_TRUE(view.lines.empty());
}

TEST_F(TerminalSessionTest, FloodWithoutCrIsShownInPiecesAndWholly) {
    StartNetwork("D3", {"overlong:match=D3v0:len=10000", "nocr:match=D3v0"});
    ASSERT_EQ(terminal->Open(view), Terminal::Opened::Active);
    Type("D3v0\r");
    const uint64_t start = TickUs();
    auto lines = Collect(4000, 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 3999u);
    EXPECT_EQ(lines[1].size(), 3999u);
    std::string all = lines[0] + lines[1] + lines[2];
    EXPECT_EQ(all.size(), 6u + 10000u);
    EXPECT_EQ(all.substr(0, 6), "D3>200");
    // The last piece waited about a second for a CR that never came.
    EXPECT_GE((TickUs() - start) / 1000, 900u);
    EXPECT_LT((TickUs() - start) / 1000, 3000u);
}

TEST_F(TerminalSessionTest, ALineIsShownWholeWhenFullOrArrivingSlowly) {
    sim::Options paced;
    paced.pace = true;
    paced.boardBaud = 9600;  // about 1.6 s for the slow line's 1,507 bytes
    const struct {
        const char* name;
        const char* fault;
        sim::Options options;
        size_t chars;
    } rows[] = {{"exactly full, then CR", "overlong:match=D3v0:len=3993", {}, 3999},
                {"slower than a second", "overlong:match=D3v0:len=1500", paced, 1506}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        StartNetwork("D3", {row.fault}, row.options);
        view.lines.clear();
        ASSERT_EQ(terminal->Open(view), Terminal::Opened::Active);
        Type("D3v0\r");
        const auto lines = Collect(2500, 2);
        EXPECT_EQ(lines.size(), 1u);
        if (!lines.empty()) {
            EXPECT_EQ(lines[0].size(), row.chars);
            EXPECT_EQ(lines[0].substr(0, 8), "D3>20001");
        }
        terminal.reset();
        core.reset();
        net.Sim().Stop();
    }
}

}  // namespace
}  // namespace vendra
