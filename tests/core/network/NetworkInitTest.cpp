// Network initialisation against the board simulator on a real pty.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/app/Core.h"
#include "core/base/Clock.h"
#include "core/network/BaudChange.h"
#include "core/network/NetworkInit.h"
#include "sim/Simulator.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra {
namespace {

namespace fs = std::filesystem;
using test::ScriptedOperator;

constexpr int kPort = 3;
constexpr UnitGroup kGroups[] = {UnitGroup::DBoard, UnitGroup::UBoard, UnitGroup::HBoard,
                                 UnitGroup::AxisBoard, UnitGroup::QBoard};

// The frames a full scan sends for a network of D3, X1 and Q0.
std::vector<std::string> ExpectedScanFrames() {
    std::vector<std::string> frames{"GG*\r"};
    const char letters[] = "DUHXQ";
    const char hex[] = "0123456789ABCDEF";
    for (char letter : std::string(letters)) {
        for (int a = 0; a < 16; ++a) {
            frames.push_back(std::string{letter, hex[a]} + "v0\r");
            if ((letter == 'D' && a == 3) || (letter == 'X' && a == 1))
                frames.push_back(std::string{letter, hex[a]} + "v3\r");
        }
    }
    return frames;
}

class NetworkInitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        core = std::make_unique<Core>(op);
        core->Line.SetDeviceFolder(dir.string());
        core->State.Config.CommPortNumber = kPort;
        core->State.Serial.CurrentBaud = 57600;
    }
    void TearDown() override { core.reset(); }
    // D3 (an ARM part, CPU code 11), X1 (CPU code 10), Q0 on COM<port>. The initialisation opens
    // the port itself.
    void StartSimulator(const std::string& units = "D3:cpu=11,X1:cpu=10,Q0", int port = kPort) {
        ASSERT_TRUE(net.Start(units, {}, port));
        sim = &net.Sim();
    }
    void RunInitialisation() {
        ASSERT_TRUE(core->CommInitWorker.StartNetworkInitialisation());
        ASSERT_TRUE(core->CommInitWorker.WaitUntilIdle(60000));
    }
    SystemState& S() { return core->State; }

    test::SimNetwork net;  // outlives the core
    const fs::path& dir = net.Folder();
    sim::Simulator* sim = nullptr;
    ScriptedOperator op;
    std::unique_ptr<Core> core;
};

TEST_F(NetworkInitTest, FullScanFindsTheUnitsInOrderAndShowsThem) {
    StartSimulator();
    S().Config.ReplyTimeout = 120;
    RunInitialisation();

    EXPECT_EQ(sim->ReceivedFrames(), ExpectedScanFrames());

    const UnitMap& units = S().Units;
    EXPECT_TRUE(units.IsPresent(UnitGroup::DBoard, 3));
    EXPECT_TRUE(units.IsPresent(UnitGroup::AxisBoard, 1));
    EXPECT_TRUE(units.IsPresent(UnitGroup::QBoard, 0));
    EXPECT_FALSE(units.IsPresent(UnitGroup::DBoard, 2));
    const int counts[] = {1, 0, 0, 1, 1};
    for (int g = 0; g < kUnitGroups; ++g) EXPECT_EQ(units.unitCount[g].load(), counts[g]);
    EXPECT_EQ(units.totalUnits.load(), 3);
    EXPECT_EQ(units.lastFoundFamily.load(), 7);
    EXPECT_EQ(units.lastFoundAddress.load(), 0);
    EXPECT_EQ(units.armCpu[0][3].load(), 1u);  // CPU code 11
    EXPECT_EQ(units.armCpu[3][1].load(), 0u);  // CPU code 10
    EXPECT_EQ(units.anyArmUnit.load(), 1u);
    EXPECT_EQ(S().Config.ReplyTimeout.load(), 120);  // the scan's InitTimeout is undone
    EXPECT_FALSE(S().Serial.Line.Busy());
    EXPECT_EQ(S().Serial.PortOpen.load(), 1u);
    EXPECT_EQ(S().Serial.QuietWait.load(), 1u);

    // Counts rise as the scan runs: one text per address.
    auto dHistory = op.UnitCountHistory(UnitGroup::DBoard);
    ASSERT_EQ(dHistory.size(), 16u);
    EXPECT_EQ(dHistory[2], "0");
    EXPECT_EQ(dHistory[3], "1");
    const char* finalCounts[] = {"1", "0", "0", "1", "1"};
    for (int g = 0; g < kUnitGroups; ++g) EXPECT_EQ(op.UnitCount(kGroups[g]), finalCounts[g]);

    // Each present unit is marked, every other indicator disabled.
    for (int g = 0; g < kUnitGroups; ++g)
        for (int a = 0; a < 16; ++a)
            EXPECT_EQ(op.Indicator(kGroups[g], a),
                      units.present[g][a].load() ? UnitIndicator::Marked : UnitIndicator::Disabled);

    for (MenuItem item :
         {MenuItem::TerminalAndNetworkScanning, MenuItem::AxisInformation, MenuItem::ChangeBaudrate,
          MenuItem::SerialNetworkTest, MenuItem::CommDebugBox, MenuItem::ArmConfiguration})
        EXPECT_EQ(op.MenuEnabled(item), 1) << static_cast<int>(item);
    EXPECT_EQ(op.SystemMessages(),
              (std::vector<std::string>{"Please wait, Initializing the Serial Network",
                                        "Initialization Complete ....."}));
    EXPECT_EQ(op.Beeps(), (std::vector<unsigned>{beep::Information, beep::Information}));
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(NetworkInitTest, ProbeScanChangesNothingAndReportsOnlyItsOwnAnswers) {
    StartSimulator("D3,U5");
    core->Network.SetSettleMs(0);
    RunInitialisation();
    op.ClearRecords();
    std::vector<uint32_t> before;
    for (int g = 0; g < kUnitGroups; ++g)
        for (int a = 0; a < 16; ++a) before.push_back(S().Units.present[g][a].load());

    LineSession line = core->Line.Take(LineUser::NetworkInit);
    EXPECT_EQ(core->Network.ScanFamily(line, UnitGroup::UBoard, true), 1);
    EXPECT_EQ(core->Network.ScanFamily(line, UnitGroup::HBoard, true), 0);
    std::vector<uint32_t> after;
    for (int g = 0; g < kUnitGroups; ++g)
        for (int a = 0; a < 16; ++a) after.push_back(S().Units.present[g][a].load());
    EXPECT_EQ(after, before);
    EXPECT_EQ(S().Units.totalUnits.load(), 2);
    EXPECT_EQ(S().Units.lastFoundFamily.load(), 1);
    EXPECT_EQ(S().Units.lastFoundAddress.load(), 5);
    EXPECT_TRUE(op.UnitCountHistory(UnitGroup::UBoard).empty());
    EXPECT_EQ(op.Indicator(UnitGroup::UBoard, 5), UnitIndicator::Reset);  // untouched

    // With the port closed a probe sends nothing and shows the count "0".
    line.Close();
    sim->ClearLog();
    EXPECT_EQ(core->Network.ScanFamily(line, UnitGroup::DBoard, true), 0);
    EXPECT_EQ(op.UnitCount(UnitGroup::DBoard), "0");
    EXPECT_TRUE(sim->ReceivedFrames().empty());
}

TEST_F(NetworkInitTest, NoCommPortAbove40AndUnopenablePortLeaveTheNetworkEmpty) {
    StartSimulator();
    core->Network.SetSettleMs(0);
    auto expectEmptyNetwork = [&](const char* why) {
        EXPECT_EQ(S().Units.totalUnits.load(), 0) << why;
        EXPECT_EQ(S().Serial.PortOpen.load(), 0u) << why;
        EXPECT_TRUE(sim->ReceivedFrames().empty()) << why;
        for (MenuItem item :
             {MenuItem::AxisInformation, MenuItem::ChangeBaudrate, MenuItem::ArmConfiguration})
            EXPECT_EQ(op.MenuEnabled(item), 0) << why;
        for (UnitGroup g : kGroups)
            for (int a = 0; a < 16; ++a) EXPECT_EQ(op.Indicator(g, a), UnitIndicator::Reset);
        EXPECT_EQ(op.MenuEnabled(MenuItem::SerialNetworkTest), -1) << why;  // kept as it was
    };

    S().Serial.CurrentBaud = 0;  // "No Comm"
    RunInitialisation();
    expectEmptyNetwork("No Comm");
    EXPECT_TRUE(op.Boxes().empty());

    // A port number out of range says so (a 20-digit number in Config.cfg reads as -1).
    for (int32_t number : {41, 0, -1}) {
        op.ClearRecords();
        S().Serial.CurrentBaud = 57600;
        S().Config.CommPortNumber = number;
        RunInitialisation();
        expectEmptyNetwork("port out of range");
        auto boxes = op.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Can not open Communications Port\nThe port number " +
                                     std::to_string(number) +
                                     " is out of range (1 to 40): choose another in Configure "
                                     "System.");
        EXPECT_EQ(boxes[0].title, "VDWin Communications Port ERROR");
        EXPECT_EQ(boxes[0].flags, 48u);
    }

    op.ClearRecords();
    S().Config.CommPortNumber = 9;
    fs::create_symlink(dir / "gone", dir / "COM9");
    RunInitialisation();
    expectEmptyNetwork("port 9");
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can not open Communications Port\n" + (dir / "COM9").string() +
                                 ": no such device (is the adapter plugged in, and the port "
                                 "number right?)");
    EXPECT_EQ(boxes[0].title, "VDWin Communications Port ERROR");
    EXPECT_EQ(boxes[0].flags, 48u);
}

// A port number without a COM link opens the system's device of that number, and says which.
TEST_F(NetworkInitTest, SystemDeviceOpenedForAPortNumberIsNamed) {
    StartSimulator("D3", 5);
    core->Network.SetSettleMs(0);
    core->Line.SetSystemDevicePrefix((dir / "COM").string());  // port 6 is <dir>/COM5
    S().Config.CommPortNumber = 6;
    RunInitialisation();
    EXPECT_TRUE(S().Units.IsPresent(UnitGroup::DBoard, 3));
    EXPECT_EQ(op.SystemMessages().back(),
              "Initialization Complete ..... (COM6 is not in the "
              "working folder, " +
                  (dir / "COM5").string() + " was opened)");
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(NetworkInitTest, WrongAddressReplyCountsAsNoAnswer) {
    StartSimulator("D3,D4");
    core->Network.SetSettleMs(0);
    std::string error;
    ASSERT_GT(sim->AddFault("wrongaddr:match=D3v0", &error), 0) << error;
    RunInitialisation();
    EXPECT_FALSE(S().Units.IsPresent(UnitGroup::DBoard, 3));
    EXPECT_TRUE(S().Units.IsPresent(UnitGroup::DBoard, 4));
    EXPECT_EQ(op.UnitCount(UnitGroup::DBoard), "1");
    EXPECT_EQ(op.Indicator(UnitGroup::DBoard, 3), UnitIndicator::Disabled);
}

TEST_F(NetworkInitTest, LineVanishingDuringTheScanEndsItWithOneMessage) {
    StartSimulator("D3,H2");
    core->Network.SetSettleMs(0);
    ASSERT_GT(sim->AddFault("vanish:match=U8v0"), 0);
    uint64_t start = TickUs();
    RunInitialisation();
    EXPECT_LT((TickUs() - start) / 1000, 10000u);
    auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Communications Port lost"), std::string::npos);
    EXPECT_TRUE(S().Units.IsPresent(UnitGroup::DBoard, 3));
    EXPECT_FALSE(S().Units.IsPresent(UnitGroup::HBoard, 2));  // never reached
    EXPECT_EQ(op.UnitCount(UnitGroup::HBoard), "0");
    EXPECT_EQ(S().Serial.PortOpen.load(), 0u);
    EXPECT_EQ(op.SystemMessages().back(), "Initialization Complete .....");
}

TEST_F(NetworkInitTest, SecondStartWhileRunningWaitsAndUsesTheNewPort) {
    StartSimulator("D3", kPort);
    sim::Options other;
    other.folder = dir.string();
    other.port = 4;
    other.units = sim::Simulator::ParseUnits("U2");
    sim::Simulator sim4(other);
    ASSERT_TRUE(sim4.Start()) << sim4.Error();
    core->Network.SetSettleMs(200);

    ASSERT_TRUE(core->CommInitWorker.StartNetworkInitialisation());
    ASSERT_TRUE(sim->WaitForFrames(1, 5000));  // the first run is on port 3
    S().Config.CommPortNumber = 4;             // the configuration dialog changed the port
    EXPECT_FALSE(core->CommInitWorker.StartNetworkInitialisation());
    EXPECT_TRUE(core->CommInitWorker.Running());
    ASSERT_TRUE(core->CommInitWorker.WaitUntilIdle(60000));

    // The first run was not disturbed; the second ran after it on the new port.
    EXPECT_EQ(sim->ReceivedFrames().size(), 1u + 80u + 1u);
    EXPECT_EQ(sim4.ReceivedFrames().size(), 1u + 80u + 1u);
    EXPECT_FALSE(S().Units.IsPresent(UnitGroup::DBoard, 3));
    EXPECT_TRUE(S().Units.IsPresent(UnitGroup::UBoard, 2));
    EXPECT_EQ(op.SystemMessages().size(), 4u);
    EXPECT_FALSE(S().Serial.Line.Busy());
}

TEST_F(NetworkInitTest, DestroyingTheCoreStopsARunningScanPromptly) {
    StartSimulator("QF");
    core->Network.SetSettleMs(0);
    ASSERT_TRUE(core->CommInitWorker.StartNetworkInitialisation());
    ASSERT_TRUE(sim->WaitForFrames(10, 5000));
    uint64_t start = TickUs();
    core.reset();
    EXPECT_LT((TickUs() - start) / 1000, 300u);
}

TEST_F(NetworkInitTest, ChangeBaudTellsTheBoardsThenMovesThePort) {
    StartSimulator("D3");
    core->Network.SetSettleMs(0);
    RunInitialisation();
    sim->ClearLog();
    LineSession line = core->Line.Take(LineUser::MainWindow);
    EXPECT_EQ(ChangeBaud(op, line, 115200), 1);
    EXPECT_EQ(sim->ReceivedFrames(), (std::vector<std::string>{"GG!\r", "GGc4\r"}));
    for (const auto& f : sim->Frames()) EXPECT_EQ(f.hostBaud, 57600u);
    EXPECT_EQ(S().Serial.CurrentBaud.load(), 115200u);
    EXPECT_EQ(sim->BoardBaud(), 115200u);
    char reply[20];
    EXPECT_EQ(core->Network.QueryUnit(line, "D3v0\r", reply, sizeof reply), 1);

    // "No Comm": no change frame, the port keeps its rate.
    sim->ClearLog();
    EXPECT_EQ(ChangeBaud(op, line, 0), 0);
    EXPECT_EQ(sim->ReceivedFrames(), (std::vector<std::string>{"GG!\r"}));
    EXPECT_EQ(S().Serial.CurrentBaud.load(), 0u);
}

}  // namespace
}  // namespace vendra
