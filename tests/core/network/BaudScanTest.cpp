// The baud-rate scan against the simulator, whose boards ignore frames sent at another rate than
// their own: the passes and their frames, the rate found, the port put back, the progress shown,
// and a line that goes away during the scan.
#include <gtest/gtest.h>

#include <map>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "core/network/BaudScan.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra {
namespace {

using test::ScriptedOperator;
using test::SimNetwork;

// The frames of one pass: "GG*\r", then v0 of every address of D, U, H, X, Q.
std::vector<std::string> PassFrames() {
    std::vector<std::string> frames{"GG*\r"};
    for (char letter : std::string("DUHXQ"))
        for (int a = 0; a < 16; ++a)
            frames.push_back(std::string{letter, "0123456789ABCDEF"[a]} + "v0\r");
    return frames;
}

class BaudScanTest : public ::testing::Test {
  protected:
    // Boards at `boardBaud`, the port open at `hostBaud`.
    void StartNetwork(uint32_t boardBaud, uint32_t hostBaud, std::vector<std::string> faults = {}) {
        sim::Options options;
        options.boardBaud = boardBaud;
        options.faults = std::move(faults);
        ASSERT_TRUE(net.Start("D3,XA", options));
        core = std::make_unique<Core>(op);
        line = core->Line.Take(LineUser::Terminal);
        ASSERT_TRUE(net.Open(line));
        ASSERT_TRUE(line.SetBaud(hostBaud));
        core->State.Config.ReplyTimeout = 15;
    }
    BaudScanResult Scan() {
        BaudScanView view;
        view.Progress = [this](int p) { progress.push_back(p); };
        view.ScanButtonEnabled = [this](bool on) { button.push_back(on); };
        return ScanBaudRates(NetworkStateOf(core->State), op, line, core->Network, view);
    }
    // The frames the boards saw, by the rate the host had set, each list in order.
    std::map<uint32_t, std::vector<std::string>> FramesByRate(bool ignored) const {
        std::map<uint32_t, std::vector<std::string>> byRate;
        for (const sim::FrameRecord& f : net->Frames())
            if (f.ignored == ignored) byRate[f.hostBaud].push_back(f.text);
        return byRate;
    }

    SimNetwork net;
    ScriptedOperator op;
    std::unique_ptr<Core> core;
    LineSession line;  // the terminal's hold on the line, which the scan runs on
    std::vector<int> progress;
    std::vector<bool> button;
};

std::vector<int> ProgressSteps(int probes) {
    std::vector<int> steps{0};
    for (int i = 1; i <= probes; ++i) steps.push_back(4 * i);
    steps.push_back(0);
    return steps;
}

TEST_F(BaudScanTest, FindsBoardsAt57600AfterThreeEmptyPassesAndPutsThePortBack) {
    StartNetwork(57600, 9600);
    BaudScanResult r = Scan();
    EXPECT_EQ(r.FoundRate, 57600u);
    EXPECT_EQ(r.Passes, 4);
    EXPECT_FALSE(r.LineLost);

    // Passes at 9600, 19200 and 38400 reached no board; the fourth was answered.
    const auto ignored = FramesByRate(true);
    const auto accepted = FramesByRate(false);
    for (uint32_t rate : {9600u, 19200u, 38400u}) {
        ASSERT_TRUE(ignored.count(rate)) << rate;
        EXPECT_EQ(ignored.at(rate), PassFrames()) << rate;
        EXPECT_FALSE(accepted.count(rate)) << rate;
    }
    ASSERT_TRUE(accepted.count(57600));
    EXPECT_EQ(accepted.at(57600), PassFrames());
    EXPECT_EQ(net->SentReplies(), (std::vector<std::string>{"D3>200\r", "xA>200\r"}));

    const auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Found one or more boards with a baudrate of 57600");
    EXPECT_EQ(boxes[0].title, "Communication Scan Complete!");
    EXPECT_EQ(boxes[0].flags, mb::Warning);
    // The rate found is reported, not adopted.
    EXPECT_EQ(core->State.Serial.CurrentBaud.load(), 9600u);
    char reply[20];
    EXPECT_EQ(core->Network.QueryUnit(line, "D3v0\r", reply, sizeof reply), 0);
    EXPECT_EQ(net->HostBaud(), 9600u);

    EXPECT_EQ(progress, ProgressSteps(20));
    EXPECT_EQ(button, (std::vector<bool>{false, true}));
    // The probes change nothing of what the network initialisation found.
    EXPECT_EQ(core->State.Units.totalUnits.load(), 0);
    EXPECT_TRUE(op.UnitCountHistory(UnitGroup::DBoard).empty());
}

class BaudScanHighRateTest : public BaudScanTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(BaudScanHighRateTest, BoardsAbove115200AreNotFound) {
    StartNetwork(GetParam(), 57600);
    BaudScanResult r = Scan();
    EXPECT_EQ(r.FoundRate, 0u);
    EXPECT_EQ(r.Passes, 5);
    const auto ignored = FramesByRate(true);
    for (uint32_t rate : {9600u, 19200u, 38400u, 57600u, 115200u}) {
        ASSERT_TRUE(ignored.count(rate)) << rate;
        EXPECT_EQ(ignored.at(rate), PassFrames()) << rate;
    }
    EXPECT_TRUE(net->ReceivedFrames().empty());
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "Sorry, no boards found on the network");
    EXPECT_EQ(op.Boxes()[0].title, "Communication Scan Complete!");
    EXPECT_EQ(core->State.Serial.CurrentBaud.load(), 57600u);
    EXPECT_EQ(progress, ProgressSteps(25));
}

INSTANTIATE_TEST_SUITE_P(Rates, BaudScanHighRateTest, ::testing::Values(230400u, 460800u));

TEST_F(BaudScanTest, NoPortOrNoCommDoesNothing) {
    StartNetwork(57600, 57600);
    core->State.Serial.CurrentBaud = 0;
    EXPECT_EQ(Scan().Passes, 0);
    core->State.Serial.CurrentBaud = 57600;
    line.Close();
    EXPECT_EQ(Scan().Passes, 0);
    EXPECT_TRUE(net->Frames().empty());
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_TRUE(progress.empty());
}

TEST_F(BaudScanTest, LineVanishingEndsTheScanWithOneMessage) {
    StartNetwork(9600, 9600, {"vanish:match=X3v0"});
    const uint64_t start = TickUs();
    BaudScanResult r = Scan();
    EXPECT_LT((TickUs() - start) / 1000, 3000u);
    EXPECT_TRUE(r.LineLost);
    EXPECT_EQ(r.FoundRate, 0u);
    const auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Communications Port lost"), std::string::npos);
    EXPECT_EQ(button.back(), false);  // nothing left to scan with
    EXPECT_EQ(progress.back(), 0);
    EXPECT_FALSE(line.IsOpen());
}

}  // namespace
}  // namespace vendra
