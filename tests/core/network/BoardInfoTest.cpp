// The board information report against simulated units on a pty: the exact report of each kind
// of unit, the items asked per firmware version, absent units, bad answers, a line that goes away,
// and the worker's refusals and shutdown.
#include <gtest/gtest.h>

#include <sstream>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "core/network/BoardInfo.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra {
namespace {

using test::ScriptedOperator;
using test::SimNetwork;

const char* const kDate = "Compile Date: Jan 15 2024\rCompile Time: 12:00:00\r";

struct ReportCase {
    const char* name;
    const char* units;
    std::vector<std::string> faults;
    uint8_t family;
    uint8_t address;
    int queries;
    std::string report;
    std::vector<std::string> otherBoxes = {};  // titles of boxes before the report
};

std::vector<ReportCase> Cases() {
    return {
        {"Version104Cpu5",
         "D3:ver=104:cpu=5:v4=7:v2=65:v9=2",
         {},
         family::DBoard,
         3,
         10,
         "Software Version: 104.07\rBoard Test Level: 2\rBoard Revision Level: D\r"
         "Board Type: D Series Stepper Board\rCPU Type: AT80S8252\rDriver Type: TMC246 Driver\r"
         "Installed Options:\r   Basic Unit\r   Old Rev A Board\r   2K IEEPROM\r"},
        {"Version105Cpu12",
         "U2:ver=105:cpu=12:v4=20:v2=65:vC=1:v5=3",
         {},
         family::UBoard,
         2,
         16,
         std::string("Software Version: 105.20\rBoard Test Level: 1\rIAP Version:   1.05\r"
                     "Board Revision Level: 3D\rBoard Type: U Series Stepper Board\r"
                     "CPU Type: ARM7-LPC2138\rDriver Type: TMC246 Driver\r") +
             kDate +
             "Installed Options:\r   Basic Unit\r   Old Rev A Board\r   2048 character IEEPROM\r"
             "   Dual 8 bit DAC (MAX518)\r   Microstepping Interface\r   IAP Interface\r"},
        {"Version106Cpu11Revision4352",
         "H1:ver=106:cpu=11:v4=3:v6=4352:v2=65:vF=4096:vC=2:v11=1:v8=0",
         {},
         family::HBoard,
         1,
         16,
         std::string("Software Version: 106.03\rBoard Test Level: 1\rIAP Version:   1.05\r"
                     "Board Revision Level: 2B\rBoard Type: H Series Stepper Board\r"
                     "CPU Type: ARM7-LPC2106\rDriver Type: No Driver\r") +
             kDate +
             "Installed Options:\r   Basic Unit\r   Old Rev A Board\r   4096 character IEEPROM\r"
             "   SPI Interface\r"},
        {"Version200AxisW",
         "X1:ver=200:cpu=22:v4=33:v2=0:v11=3:v1B=1:v1C=4:v1D=32768:v8=5120",
         {},
         family::AxisW,
         1,
         30,
         std::string("Software Version: 200.33\rBoard Test Level: 1\rIAP Version:   1.05\r"
                     "Board Revision Level: 3D\rBoard Type: Four Axis Stepper Board\r"
                     "CPU Type: LPC1767 CORTEX-M3\rDriver Type: A3985 Driver\r") +
             kDate +
             "Installed Options:\r   Basic Unit\r   Watchdog Module\r   S-Curve Motor Control\r"
             "   PID Velocity Control\r   Flashes output in milliseconds\r"
             "   Option 8 Not Used 16\r"},
        {"Version200QBoardDifferentialEncoder",
         "Q0:ver=200:cpu=11:v4=10:v2=0:v6=1024:v11=1:v1B=1",
         {},
         family::QBoard,
         0,
         30,
         std::string("Software Version: 200.10\rBoard Test Level: 1\rIAP Version:   1.05\r"
                     "Board Revision Level: E\rBoard Type: Dual Channel Quadrature Counter\r"
                     "CPU Type: ARM7-LPC2106\rDriver Type: No Driver\r") +
             kDate +
             "Installed Options:\r   Basic Unit\r"
             "   Differential and Single Ended Q Encoder Interface\r   Watchdog Module\r"},
        {"QBoardSingleEndedEncoder",
         "Q2:ver=104:cpu=5:v2=0:v6=768",
         {},
         family::QBoard,
         2,
         10,
         "Software Version: 104.33\rBoard Test Level: 1\rBoard Revision Level: D\r"
         "Board Type: Dual Channel Quadrature Counter\rCPU Type: AT80S8252\r"
         "Driver Type: No Driver\rInstalled Options:\r   Basic Unit\r"
         "   Single Ended Q Encoder Interface\r"},
        {"QBoardType58",
         "Q1:ver=104:cpu=5:v1=58:v2=0:v6=1024",
         {},
         family::QBoard,
         1,
         10,
         "Software Version: 104.33\rBoard Test Level: 1\rBoard Revision Level: E\r"
         "Board Type: Pulse Counter Board without Encoder Interface\rCPU Type: AT80S8252\r"
         "Driver Type: No Driver\rInstalled Options:\r   Basic Unit\r"},
        {"QBoardType59",
         "Q3:ver=104:cpu=5:v1=59:v2=0:v6=1024",
         {},
         family::QBoard,
         3,
         10,
         "Software Version: 104.33\rBoard Test Level: 1\rBoard Revision Level: E\r"
         "Board Type: Analog Input Board without Encoder Interface\rCPU Type: AT80S8252\r"
         "Driver Type: No Driver\rInstalled Options:\r   Basic Unit\r"},
        {"NoAnswerToVersion",
         "D4:cpu=5:v4=0:v2=0",
         {"noreply:match=D4v0"},
         family::DBoard,
         4,
         10,
         "Software Version:   0.00\rBoard Test Level: 1\rBoard Revision Level: D\r"
         "Board Type: D Series Stepper Board\rCPU Type: AT80S8252\rDriver Type: TMC246 Driver\r"
         "Installed Options:\r   Basic Unit\r"},
        {"CodesOutsideTheTables",
         "D5:ver=104:cpu=26:v1=62:v8=6144:v2=0:v6=0",
         {},
         family::DBoard,
         5,
         10,
         "Software Version: 104.33\rBoard Test Level: 1\rIAP Version:   0.00\r"
         "Board Revision Level: 3A\rBoard Type: Unknown (62)\rCPU Type: Unknown (26)\r"
         "Driver Type: Unknown (24)\rCompile Date: \rCompile Time: \r"
         "Installed Options:\r   Basic Unit\r"},
        // Minus signs and blanks are no values; garbage, an overlong value (cut to what the
        // reply buffer holds; a number past 32 bits saturates, as every number read does), an
        // error status and silence leave the report standing.
        {"BadAnswers",
         "D6:ver=104:cpu=-5:v1=--3:v2=65:v9=abc:v5= 7",
         {"garbage:match=D6v4", "overlong:match=D6v8", "noreply:match=D6v6",
          "error:match=D6v7:status=#"},
         family::DBoard,
         6,
         10,
         "Software Version: 104.00\rBoard Test Level: 0\rBoard Revision Level: A\r"
         "Board Type: Prototype Controller Board\rCPU Type: P80C2051\r"
         "Driver Type: Unknown (-1)\rInstalled Options:\r   Basic Unit\r"
         "   Old Rev A Board\r   2K IEEPROM\r",
         {"Vendra DBoard Error"}},
    };
}

class BoardInfoTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(BoardInfoTest, ReportOfASimulatedUnit) {
    const ReportCase& c = GetParam();
    SimNetwork net;
    sim::Options options;
    options.faults = c.faults;
    ASSERT_TRUE(net.Start(c.units, options));
    ScriptedOperator op;
    Core core(op);
    ASSERT_TRUE(net.Open(core.Line));
    net.MarkPresent(core.State.Units);
    core.State.Config.ReplyTimeout = 40;
    op.QueueBoardType(true, c.family);
    op.QueueBoardAddress(true, c.address);

    ASSERT_TRUE(core.BoardInfo.Start());
    ASSERT_TRUE(core.BoardInfo.Wait(20000));

    const auto frames = net->ReceivedFrames();
    ASSERT_EQ(static_cast<int>(frames.size()), c.queries);
    const protocol::BoardFamilyInfo* f = protocol::FindFamily(c.family);
    for (int i = 0; i < c.queries; ++i) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%c%Xv%X\r", f->letter, c.address, i);
        EXPECT_EQ(frames[i], expected);
    }
    const auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), c.otherBoxes.size() + 1);
    for (size_t i = 0; i < c.otherBoxes.size(); ++i) EXPECT_EQ(boxes[i].title, c.otherBoxes[i]);
    EXPECT_EQ(boxes.back().title, "Axis Stats");
    EXPECT_EQ(boxes.back().flags, mb::Information);
    EXPECT_EQ(boxes.back().text, c.report);
    EXPECT_EQ(op.SystemMessages(),
              (std::vector<std::string>{"Please wait, Getting Board Information",
                                        "Board Information Recieved ..."}));
    EXPECT_EQ(op.Beeps(), std::vector<unsigned>{beep::Information});
    EXPECT_FALSE(core.State.Serial.Line.Busy());
    // A report only asks: no motor record and no statistic changes ("vF" is no full-step command,
    // "vA" starts no move).
    const SystemState& s = core.State;
    EXPECT_EQ(s.Run.Stats.FramesSent.load(), 0u);
    EXPECT_EQ(s.Run.Stats.ReplyCount.load(), 0u);
    EXPECT_EQ(s.Run.Stats.MoveStartTime.load(), 0u);
    for (unsigned u = 0; u < 16; ++u) {
        for (const MotorRecord* r : {&s.Boards.MotorD[u], &s.Boards.MotorU[u], &s.Boards.MotorH[u],
                                     &s.Boards.MotorAxis[u][0], &s.Boards.MotorAxis[u][1],
                                     &s.Boards.MotorAxis[u][2], &s.Boards.MotorAxis[u][3]}) {
            EXPECT_EQ(r->Position.load(), 0) << u;
            EXPECT_EQ(r->StepMode.load(), 1) << u;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Units, BoardInfoTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Every option bit set on a QBoard with an ARM part: the longest report there is.
TEST(BoardReport, LongestFormHas140Lines) {
    BoardInfoItems info;
    info.Version = 200;
    info.Minor = 33;
    info.CpuCode = 11;
    info.IeepromSize = 2048;
    info.RevisionWord = 1024;
    info.BoardType = 50;
    for (uint32_t& word : info.OptionWords) word = 0xFFFF;
    const std::string report = FormatBoardReport(info, family::QBoard);
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line, '\r');) lines.push_back(line);
    ASSERT_EQ(lines.size(), 140u);
    EXPECT_EQ(report.back(), '\r');
    EXPECT_EQ(lines[9], "Installed Options:");
    EXPECT_EQ(lines[12], "   Old Rev A Board");
    EXPECT_EQ(lines[18], "   2048 character IEEPROM");
    EXPECT_EQ(lines[139], "   Option 8 Not Used 16");
    // Option words 6 to 8 only for firmware 200 from minor 33 on, word 5 from CPU code 11 on.
    info.Items[17] = info.Items[27] = info.Items[28] = info.Items[29] = "65535";
    info.Items[0] = "200";
    info.Items[3] = "11";
    info.Items[4] = "32";
    TakeBoardInfoNumbers(info);
    EXPECT_EQ(info.OptionWords[4], 0xFFFFu);
    EXPECT_EQ(info.OptionWords[5] | info.OptionWords[6] | info.OptionWords[7], 0u);
    info.Items[4] = "33";
    TakeBoardInfoNumbers(info);
    EXPECT_EQ(info.OptionWords[7], 0xFFFFu);
    info.Items[3] = "10";
    TakeBoardInfoNumbers(info);
    EXPECT_EQ(info.OptionWords[4] | info.OptionWords[7], 0u);
}

TEST(BoardReport, PresenceMessages) {
    const std::pair<uint8_t, const char*> messages[] = {
        {family::DBoard, " DBoard Axis at address A is not Online!"},
        {family::UBoard, " UBoard Axis at address A is not Online!"},
        {family::HBoard, " HBoard Axis at address A is not Online!"},
        {family::AxisW, " W Axis at address A is not Online!"},
        {family::AxisX, " X Axis at address A is not Online!"},
        {family::AxisY, " Y Axis at address A is not Online!"},
        {family::AxisZ, " Z Axis at address A is not Online!"},
        {family::QBoard, " QBoard at address A is not Online!"},
    };
    for (const auto& [code, text] : messages) EXPECT_EQ(PresenceMessage(code, 10), text);
}

class BoardInfoWorkerTest : public ::testing::Test {
  protected:
    void StartNetwork(const std::string& units, sim::Options options = {}) {
        ASSERT_TRUE(net.Start(units, options));
        core = std::make_unique<Core>(op);
        ASSERT_TRUE(net.Open(core->Line));
        net.MarkPresent(core->State.Units);
        core->State.Config.ReplyTimeout = 40;
    }
    SimNetwork net;
    ScriptedOperator op;
    std::unique_ptr<Core> core;
};

TEST_F(BoardInfoWorkerTest, AbsentUnitGetsItsMessageAndNoQuery) {
    StartNetwork("D3,Q0");  // two units: the operator is asked which
    op.QueueBoardType(true, family::AxisY);
    op.QueueBoardAddress(true, 3);
    ASSERT_TRUE(core->BoardInfo.Start());
    ASSERT_TRUE(core->BoardInfo.Wait(5000));
    EXPECT_TRUE(net->ReceivedFrames().empty());
    const auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, " Y Axis at address 3 is not Online!");
    EXPECT_EQ(boxes[0].title, "Error Message");
    EXPECT_EQ(boxes[0].flags, mb::OkCancel);

    // A cancelled choice asks nothing either.
    op.ClearRecords();
    op.QueueBoardType(false, 0);
    ASSERT_TRUE(core->BoardInfo.Start());
    ASSERT_TRUE(core->BoardInfo.Wait(5000));
    EXPECT_TRUE(net->ReceivedFrames().empty());
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(BoardInfoWorkerTest, SecondRequestAndBusyLineAreRefusedQuietly) {
    sim::Options options;
    options.faults = {"late:match=D3v:ms=30"};
    StartNetwork("D3:ver=104", options);
    core->State.Config.ReplyTimeout = 200;
    op.QueueBoardType(true, family::DBoard);
    op.QueueBoardAddress(true, 3);
    ASSERT_TRUE(core->BoardInfo.Start());
    EXPECT_FALSE(core->BoardInfo.Start());
    EXPECT_EQ(core->State.Serial.Line.Owner(), LineUser::BoardInfo);
    ASSERT_TRUE(core->BoardInfo.Wait(10000));
    EXPECT_EQ(net->ReceivedFrames().size(), 10u);
    EXPECT_EQ(op.Boxes().size(), 1u);

    LineOwner::Guard other = core->State.Serial.Line.Take(LineUser::Runner);
    EXPECT_FALSE(core->BoardInfo.Start());
    EXPECT_FALSE(core->BoardInfo.Running());
}

TEST_F(BoardInfoWorkerTest, LineVanishingEndsTheQueriesWithOneMessageAndNoReport) {
    sim::Options options;
    options.faults = {"vanish:match=D3v5"};
    StartNetwork("D3:ver=200", options);
    op.QueueBoardType(true, family::DBoard);
    op.QueueBoardAddress(true, 3);
    const uint64_t start = TickUs();
    ASSERT_TRUE(core->BoardInfo.Start());
    ASSERT_TRUE(core->BoardInfo.Wait(10000));
    EXPECT_LT((TickUs() - start) / 1000, 2000u);
    const auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Communications Port lost"), std::string::npos);
    EXPECT_EQ(op.SystemMessages().back(), "Board Information not received");
    EXPECT_FALSE(core->State.Serial.Line.Busy());

    // Asked again with the port closed: said so, nothing hangs.
    op.ClearRecords();
    op.QueueBoardType(true, family::DBoard);
    op.QueueBoardAddress(true, 3);
    ASSERT_TRUE(core->BoardInfo.Start());
    ASSERT_TRUE(core->BoardInfo.Wait(5000));
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].title, "VDWin Comm ERROR Message");
}

TEST_F(BoardInfoWorkerTest, DestroyingTheCoreStopsAReportPromptly) {
    sim::Options options;
    options.faults = {"noreply:match=D3v"};
    StartNetwork("D3", options);
    core->State.Config.ReplyTimeout = 5000;
    op.QueueBoardType(true, family::DBoard);
    op.QueueBoardAddress(true, 3);
    ASSERT_TRUE(core->BoardInfo.Start());
    ASSERT_TRUE(net->WaitForFrames(1, 5000));
    const uint64_t start = TickUs();
    core.reset();
    EXPECT_LT((TickUs() - start) / 1000, 500u);
    EXPECT_EQ(net->ReceivedFrames().size(), 1u);
}

}  // namespace
}  // namespace vendra
