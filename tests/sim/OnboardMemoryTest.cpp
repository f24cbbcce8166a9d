// The units' program memories: size query, listing, load with prompts, erase, run, and the
// faults that break a listing off or put lines without ':' into it.
#include <gtest/gtest.h>

#include <fstream>

#include "SimFixture.h"
#include "sim/CommandLine.h"
#include "sim/NetworkFile.h"

namespace vendra::sim::test {
namespace {

using Lines = std::vector<std::string>;

class OnboardMemory : public SimTest {};

TEST_F(OnboardMemory, LoadsWithPromptsListsWithAddressesAndEndMarker) {
    StartSim("D5:vF=4000,X1,Q0,U2");
    EXPECT_EQ(Ask("D5vF\r"), "D5>4000\r");
    EXPECT_EQ(Ask("X1vF\r"), "x1>2048\r");

    // Load: a ':' before every line, ESC CR CR CR ends it; nothing is answered after that.
    ASSERT_TRUE(host.Write("D5Q1\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    for (const char* line : {"A1000\r", "\r", "P;1\r"}) {
        ASSERT_TRUE(host.Write(line));
        EXPECT_EQ(host.ReadCount(1), ":") << line;
    }
    EXPECT_TRUE(sim->ProgramLoading("D5"));
    ASSERT_TRUE(host.Write("\x1b\r\r\r"));
    EXPECT_EQ(host.ReadFor(50), "");
    EXPECT_FALSE(sim->ProgramLoading("D5"));
    EXPECT_EQ(*sim->ProgramLines("D5"), (Lines{"A1000", "", "P;1"}));

    // The listing gives each line's address; from a later address it starts there.
    ASSERT_TRUE(host.Write("D5D1\r"));
    EXPECT_EQ(host.ReadCount(26), "0001:A1000\r0007:\r0008:P;1\rd5c\r");
    ASSERT_TRUE(host.Write("D5D7\r"));
    EXPECT_EQ(host.ReadCount(19), "0007:\r0008:P;1\rd5c\r");

    // Other families: the axis letter and the QBoard's letter in the end marker; an empty memory
    // lists only the marker; address 0 or past the memory is a parameter error.
    EXPECT_EQ(Ask("Y1D1\r"), "y1c\r");
    EXPECT_EQ(Ask("Q0D1\r"), "q0c\r");
    EXPECT_EQ(Ask("D5D0\r"), "D5!\r");
    EXPECT_EQ(Ask("D5D4001\r"), "D5!\r");
    EXPECT_EQ(Ask("D5Q0\r"), "D5!\r");
    EXPECT_FALSE(sim->ProgramLoading("D5"));
}

TEST_F(OnboardMemory, EraseAndRunPerUnitAndGlobal) {
    StartSim("D5,U2,X1,Q0");
    for (const char* unit : {"D5", "U2", "X1", "Q0"})
        ASSERT_TRUE(sim->SetProgramLines(unit, {"x"}));

    // The axes and QBoard units answer their own star, erase and run commands.
    EXPECT_EQ(Ask("X1*\r"), "x1>\r");
    EXPECT_EQ(Ask("X1Z\r"), "x1>\r");
    EXPECT_EQ(Ask("X1K7\r"), "x1>\r");
    EXPECT_EQ(Ask("Q0QZ\r"), "Q0>\r");
    EXPECT_EQ(Ask("Q0QK3\r"), "Q0>\r");
    EXPECT_EQ(*sim->ProgramLines("X1"), Lines{});
    EXPECT_EQ(*sim->ProgramLines("Q0"), Lines{});
    EXPECT_EQ(*sim->ProgramRunAddress("X1"), 7u);
    EXPECT_EQ(*sim->ProgramRunAddress("Q0"), 3u);

    // Global frames: erase and run reach the DBoard, UBoard and HBoard units only; the star
    // stops every program. None is answered.
    ASSERT_TRUE(sim->SetProgramLines("X1", {"kept"}));
    ASSERT_TRUE(host.Write("GGZ\rGGK2\r"));
    ASSERT_TRUE(sim->WaitForFrames(7, 1000));
    EXPECT_EQ(*sim->ProgramLines("D5"), Lines{});
    EXPECT_EQ(*sim->ProgramLines("U2"), Lines{});
    EXPECT_EQ(*sim->ProgramLines("X1"), Lines{"kept"});
    EXPECT_EQ(*sim->ProgramRunAddress("D5"), 2u);
    ASSERT_TRUE(host.Write("GG*\r"));
    ASSERT_TRUE(sim->WaitForFrames(8, 1000));
    EXPECT_EQ(*sim->ProgramRunAddress("D5"), 0u);
    EXPECT_EQ(*sim->ProgramRunAddress("X1"), 0u);
    EXPECT_EQ(host.ReadFor(50), "");
}

TEST_F(OnboardMemory, AFullMemoryEndsTheLoadAndTheSizeFollowsItemF) {
    StartSim("H3:vF=12");
    ASSERT_TRUE(host.Write("H3Q1\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("12345\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("123456\r"));  // 7 + 7 > 12
    EXPECT_EQ(host.ReadLine(), "H3!\r");
    EXPECT_FALSE(sim->ProgramLoading("H3"));
    EXPECT_EQ(*sim->ProgramLines("H3"), Lines{"12345"});
    EXPECT_EQ(Ask("H3\r").substr(0, 2), "H3");  // frames are frames again

    EXPECT_FALSE(sim->SetProgramLines("H3", {"12345", "123456"}));
    ASSERT_TRUE(sim->SetItem("H3", 15, "14"));
    EXPECT_TRUE(sim->SetProgramLines("H3", {"12345", "123456"}));
    EXPECT_EQ(Ask("H3vF\r"), "H3>14\r");
}

TEST_F(OnboardMemory, StampedFramesReachTheUnitsButALoadKeepsTheStampAsText) {
    Options options;
    options.stampedFrames = true;
    StartSim("D5", options);
    EXPECT_EQ(Ask("123 : D5vF\r"), "D5>2048\r");
    ASSERT_TRUE(host.Write("77 : D5Q1\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("78 : A1\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("79 : \x1b\r"));  // program text too: the load goes on
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("\x1b\r\r\r"));
    EXPECT_EQ(host.ReadFor(50), "");
    EXPECT_EQ(*sim->ProgramLines("D5"), (Lines{"78 : A1", "79 : \x1b"}));
    EXPECT_EQ(Ask("12: D5vF\r", 100), "<none:>");  // no stamp: no unit
}

TEST_F(OnboardMemory, FaultsBreakAListingOffOrAddLinesWithoutColons) {
    StartSim("D5");
    ASSERT_TRUE(sim->SetProgramLines("D5", {"A1", "A2", "A3"}));
    ASSERT_EQ(sim->AddFault("cut:match=D5D:lines=2:once"), 1);
    ASSERT_TRUE(host.Write("D5D1\r"));
    EXPECT_EQ(host.ReadFor(100), "0001:A1\r0004:A2\r");

    std::string error;
    ASSERT_NE(sim->AddFault("noise:match=D5D:text=Board ready:once", &error), 0) << error;
    ASSERT_TRUE(host.Write("D5D4\r"));
    EXPECT_EQ(host.ReadFor(100), "Board ready\r0004:A2\rBoard ready\r0007:A3\rBoard ready\rd5c\r");

    // Mid-load: the prompts stop after the second line.
    ASSERT_NE(sim->AddFault("noreply:skip=2"), 0);
    ASSERT_TRUE(host.Write("D5Q1\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("B1\r"));
    EXPECT_EQ(host.ReadCount(1), ":");
    ASSERT_TRUE(host.Write("B2\r"));
    EXPECT_EQ(host.ReadFor(100), "");
}

TEST_F(OnboardMemory, SettingsGiveTheMemorysSizeAndStartingProgram) {
    std::string folder = MakeTempDir();
    std::ofstream(folder + "/start.txt") << "A100\r\n\r\nM5\nK1\n";
    std::string error;
    Options options;
    ASSERT_TRUE(ParseNetworkText("memory 30\nunit D5 program=" + folder + "/start.txt\nunit Q0\n",
                                 "net", options, error))
        << error;
    EXPECT_EQ(options.programSize, 30u);
    ASSERT_EQ(options.units.size(), 2u);
    EXPECT_EQ(*options.units[0].program, (Lines{"A100", "M5", "K1"}));
    Options beside;  // a relative program file is found beside the network file
    ASSERT_TRUE(ParseNetworkText("unit D5 program=start.txt\n", "net", beside, error, folder))
        << error;
    EXPECT_EQ(*beside.units[0].program, (Lines{"A100", "M5", "K1"}));

    CommandLine line;
    const char* args[] = {"vendra-sim", "--memory", "99", "--units", "U1"};
    ASSERT_TRUE(ParseCommandLine(5, args, line, error)) << error;
    EXPECT_EQ(line.options.programSize, 99u);
    const char* bad[] = {"vendra-sim", "--memory", "0"};
    EXPECT_FALSE(ParseCommandLine(3, bad, line, error));
    EXPECT_EQ(error, "--memory needs a number of characters 1..16777216");
    EXPECT_FALSE(ParseUnits("D1:program=" + folder + "/none.txt", options.units, error));
    EXPECT_EQ(error, "unit D1: cannot read the program file " + folder + "/none.txt");

    // A program larger than its memory is refused at the start, not cut.
    Options tooSmall = options;
    tooSmall.folder = folder;
    tooSmall.programSize = 8;
    Simulator refused(tooSmall);
    EXPECT_FALSE(refused.Start());
    EXPECT_EQ(refused.Error(),
              "unit D5: its program does not fit its memory of 8 characters (vF=N)");

    Options started;
    started.programSize = 30;
    StartSim("D5:program=" + folder + "/start.txt,Q0", started);
    EXPECT_EQ(Ask("D5vF\r"), "D5>30\r");
    EXPECT_EQ(Ask("Q0vF\r"), "Q0>30\r");
    ASSERT_TRUE(host.Write("D5D1\r"));
    EXPECT_EQ(host.ReadCount(27), "0001:A100\r0006:M5\r0009:K1\rd5c\r");
    RemoveTree(folder);
}

}  // namespace
}  // namespace vendra::sim::test
