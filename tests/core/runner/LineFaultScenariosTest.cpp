// What each fault of the line does during the network scan and during a run, over the simulator:
// one table of scenarios with the outcome each must have. Faults hit H1 (the other units answer
// normally), so the table also shows that no other unit's exchange is disturbed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "core/app/Core.h"
#include "core/app/LoadProgramFile.h"
#include "core/program/ProgramFile.h"
#include "core/runner/RunTables.h"
#include "support/ScriptedOperator.h"
#include "support/SimNetwork.h"

namespace vendra::test {
namespace {

enum class Phase { Scan, Run };

struct Scenario {
    const char* name;
    Phase phase;
    const char* fault;  // the simulator's rule; "" for none
    // Scan: the units found, in scan order. Run: the registers the program set (1, 2, 3).
    const char* found;
    uint32_t reg1, reg2, reg3;
    const char* box;  // the start of the one message expected; "" for none
    int minMs;        // a run lasts at least this long (D3's move is 1.5 s)
};

// gtest names a failing row by this.
void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

constexpr const char* kNoAnswer = "HBoard unit 1 does not answer.\nThe program has been stopped.";

// Scan of D3, H1, X1 and Q0.
// Run: D3 travels 1.5 s, polled by a check-done loop while H1 is busy with its own exchanges; then
// a wait on H1, then a reply asked by vsendna and read by wait_HBoard_response.
const char* const kProgram =
    "HBoard,1,\"A100\"\n"
    "DBoard,3,\"A6000\"\n"
    "label,\"travel\"\n"
    "DBoard_check_done,3,moved,travel\n"
    "label,\"moved\"\n"
    "set_temp,1,1\n"
    "wait_HBoard_done,1,\"\"      ;H1 done\n"
    "set_temp,2,1\n"
    "vsendna,\"H1A200\"\n"
    "wait_HBoard_response,1\n"
    "set_temp,3,1\n"
    "end_program\n";

const Scenario kScenarios[] = {
    // ---- during the scan ----
    {"ScanClean", Phase::Scan, "", "D3,H1,X1,Q0", 0, 0, 0, "", 0},
    {"ScanNoReply", Phase::Scan, "noreply:match=H1v0", "D3,X1,Q0", 0, 0, 0, "", 0},
    {"ScanLate", Phase::Scan, "late:match=H1v0:ms=100", "D3,X1,Q0", 0, 0, 0, "", 0},
    // The unit did answer; its line only never ended.
    {"ScanNoCr", Phase::Scan, "nocr:match=H1v0", "D3,H1,X1,Q0", 0, 0, 0, "", 0},
    {"ScanOverlong", Phase::Scan, "overlong:match=H1v0", "D3,H1,X1,Q0", 0, 0, 0, "", 0},
    {"ScanGarbage", Phase::Scan, "garbage:match=H1v0", "D3,X1,Q0", 0, 0, 0, "", 0},
    // H1's reply in X1's place: the same unit digit, another family.
    {"ScanForeignLetter", Phase::Scan, "garbage:match=X1v0:text=H1>106", "D3,H1,Q0", 0, 0, 0, "",
     0},
    {"ScanWrongAddress", Phase::Scan, "wrongaddr:match=H1v0", "D3,X1,Q0", 0, 0, 0, "", 0},
    // An error status is still that unit's answer.
    {"ScanErrorStatus", Phase::Scan, "error:match=H1v0", "D3,H1,X1,Q0", 0, 0, 0, "", 0},
    {"ScanVanish", Phase::Scan, "vanish:match=H1v0", "D3", 0, 0, 0, "Communications Port lost", 0},
    // ---- during a run ----
    {"RunClean", Phase::Run, "", "", 1, 1, 1, "", 1400},
    {"RunNoReply", Phase::Run, "noreply:match=H1", "", 1, 0, 0, kNoAnswer, 1400},
    // H1's late replies land while D3 is polled (and hold up D3's on the line): D3's loop still
    // waits for D3's own "finished"; H1, never answering in time, is reported.
    {"RunLate", Phase::Run, "late:match=H1:ms=300", "", 1, 0, 0, kNoAnswer, 1400},
    {"RunNoCr", Phase::Run, "nocr:match=H1A100:once", "", 1, 1, 1, "", 3400},
    {"RunOverlong", Phase::Run, "overlong:match=H1", "", 1, 1, 1, "", 1400},
    {"RunGarbage", Phase::Run, "garbage:match=H1", "", 1, 0, 0, kNoAnswer, 1400},
    // H2's replies are not H1's: the wait on H1 is not ended by them.
    {"RunWrongAddress", Phase::Run, "wrongaddr:match=H1", "", 1, 0, 0, kNoAnswer, 1400},
    // The reply asked by vsendna never comes: the response wait says so.
    {"RunResponseLost", Phase::Run, "noreply:match=H1A200", "", 1, 1, 0, kNoAnswer, 1400},
    {"RunErrorStatus", Phase::Run, "error:match=H1A100", "", 0, 0, 0, "Parameter Error", 0},
    // The run waits for the line (here at most 300 ms), which never comes back.
    {"RunVanish", Phase::Run, "vanish:match=H1A100", "", 0, 0, 0, "Communications Port lost", 300},
};

std::string FoundUnits(const UnitMap& units) {
    static const char kLetters[] = "DUHXQ";
    std::string found;
    for (int g = 0; g < kUnitGroups; ++g)
        for (unsigned a = 0; a < 16; ++a)
            if (units.IsPresent(static_cast<UnitGroup>(g), a))
                found += (found.empty() ? "" : ",") + std::string(1, kLetters[g]) +
                         protocol::UnitDigit(a);
    return found;
}

void ExpectOneBox(const std::vector<MessageBoxCall>& boxes, const std::string& start) {
    if (start.empty()) {
        EXPECT_TRUE(boxes.empty()) << boxes[0].title << ": " << boxes[0].text;
        return;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.substr(0, start.size()), start) << boxes[0].text;
}

// A simulated network ("D3,H1,Q0") with the whole core on its line, as the program wires it.
struct Line {
    SimNetwork net;  // outlives the core
    ScriptedOperator op;
    Core core{op};

    bool Start(const std::string& units, const sim::Options& options) {
        core.Reconnect.SetLimitMs(300);
        if (!net.Start(units, options)) return false;
        core.Line.SetDeviceFolder(net.Folder().string());
        core.State.Config.CommPortNumber = 1;
        core.State.Serial.CurrentBaud = options.boardBaud;
        return true;
    }
    // Opens the line and marks every unit present, as a clean scan would.
    bool Open() {
        ResetRunTables(RunnerStateOf(core.State));
        net.MarkPresent(core.State.Units);
        return net.Open(core.Line);
    }
    bool Load(const std::string& text) {
        std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        if (file == nullptr) return false;
        LoadReport report;
        int ok = LoadProgram(core.State, file, report);
        std::fclose(file);
        core.State.App.ProgramLoaded = ok;
        return ok == 1;
    }
    // Runs the program to its end; the time it took in ms, or -1 when it did not end.
    long long Run() {
        auto start = std::chrono::steady_clock::now();
        core.RunControls.RunButtonClick();
        if (!core.RunnerWorker.Wait(20000)) return -1;
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    }
    uint32_t Reg(int n) const { return core.State.Run.TempRegisters[n].load(); }
};

class LineFaults : public ::testing::TestWithParam<Scenario> {};

TEST_P(LineFaults, EndAsExpected) {
    const Scenario& s = GetParam();
    sim::Options options;
    if (*s.fault) options.faults.push_back(s.fault);
    Line line;
    if (s.phase == Phase::Scan) {
        ASSERT_TRUE(line.Start("D3,H1,X1,Q0", options));
        line.core.State.Config.InitTimeout = 30;
        line.core.Network.SetSettleMs(0);
        LineSession session = line.core.Line.Take(LineUser::NetworkInit);
        line.core.Network.InitialiseNetwork(session);
        EXPECT_EQ(FoundUnits(line.core.State.Units), s.found);
        ExpectOneBox(line.op.Boxes(), s.box);
        return;
    }
    ASSERT_TRUE(line.Start("D3:speed=4000,H1,Q0", options));
    ASSERT_TRUE(line.Open());
    ASSERT_TRUE(line.Load(kProgram));
    long long ms = line.Run();
    ASSERT_GE(ms, 0) << "the run did not end";
    EXPECT_GE(ms, s.minMs);
    EXPECT_EQ(line.Reg(1), s.reg1);
    EXPECT_EQ(line.Reg(2), s.reg2);
    EXPECT_EQ(line.Reg(3), s.reg3);
    ExpectOneBox(line.op.Boxes(), s.box);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, LineFaults, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// One cycle of the pick-and-place example with the gripper's answers 300 ms late (so the scan has
// left it out, and its frames go unanswered by the program): the place move is still waited for
// to its end before the gripper is lowered again.
TEST(LineFaultsPickAndPlace, LateGripperAnswersDoNotCutTheTravelShort) {
    sim::Options options;
    options.faults.push_back("late:match=H1:ms=300");
    Line line;
    ASSERT_TRUE(line.Start("D3:speed=4000,H1:speed=8000,Q0", options));
    ASSERT_TRUE(line.Open());
    line.core.State.Units.present[int(UnitGroup::HBoard)][1] = 0;
    ASSERT_TRUE(
        line.Load("DBoard,3,\"A2000\"\n"
                  "wait_DBoard_done,3,\"\"      ;at the pick station\n"
                  "HBoard,1,\"A400\"\n"
                  "wait_HBoard_done,1,\"\"      ;gripper down\n"
                  "delay,250\n"
                  "HBoard,1,\"A0\"\n"
                  "label,\"lifting\"\n"
                  "HBoard_check_done,1,0,lifting\n"
                  "DBoard,3,\"A8000\"\n"
                  "label,\"travel\"\n"
                  "DBoard_check_done,3,placed,travel\n"
                  "label,\"placed\"\n"
                  "vsendna,\"H1A400\"\n"
                  "wait_HBoard_response,1\n"
                  "set_temp,1,1\n"
                  "end_program\n"));
    ASSERT_GE(line.Run(), 0);
    EXPECT_EQ(line.Reg(1), 1u);
    ExpectOneBox(line.op.Boxes(), "");
    // The gripper goes down again only after D3's 6000-step move (1.5 s at 4000 steps/s).
    int64_t travel = 0, lowered = 0;
    for (const sim::FrameRecord& f : line.net->Frames()) {
        if (f.text == "D3A8000\r") travel = f.timeUs;
        if (f.text == "H1A400\r" && travel != 0) lowered = f.timeUs;
    }
    ASSERT_NE(travel, 0);
    ASSERT_NE(lowered, 0);
    EXPECT_GE((lowered - travel) / 1000, 1450);
    EXPECT_EQ(line.net->GetMotor("D3")->position, 8000);
}

}  // namespace
}  // namespace vendra::test
