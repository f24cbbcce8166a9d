#include <gtest/gtest.h>

#include "core/program/AddressCheck.h"
#include "core/program/CommandTable.h"
#include "support/ScriptedOperator.h"

namespace vendra {
namespace {

void Fill(UserProgram& p, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) p.Lines[i] = ProgramLine{};
    p.Lines[count - 1].Command = CmdEndProgram;
    p.LineCount = count;
}

TEST(AddressCheck, AddressesUpToLineCountPass) {
    UserProgram p;
    Fill(p, 11);
    p.Lines[2].Command = CmdLoop;
    p.Lines[2].Values[0] = 11;
    EXPECT_EQ(AddressCheck(p).Ok, 1);
    p.Lines[2].Values[0] = 12;
    AddressCheckResult r = AddressCheck(p);
    EXPECT_EQ(r.Ok, 0);
    EXPECT_EQ(r.FaultyLine, 2);
    EXPECT_TRUE(r.EndFound);
    p.Lines[2].Values[0] = 0;  // a label target is stored as 0 and passes
    snprintf(p.Lines[2].JumpLabels[0], kTextSize, "nowhere");
    EXPECT_EQ(AddressCheck(p).Ok, 1);
}

TEST(AddressCheck, ChecksEachCommandsAddressValuesOnly) {
    UserProgram p;
    Fill(p, 10);
    auto set = [&](uint32_t i, uint8_t cmd, std::initializer_list<uint32_t> v) {
        p.Lines[i].Command = cmd;
        int k = 0;
        for (uint32_t x : v) p.Lines[i].Values[k++] = x;
    };
    set(0, CmdDBoardCheckDone, {15, 0, 11});         // busy past the end
    set(1, CmdAxisBoardCheckDone, {15, 100, 3, 4});  // unit and motor code are no addresses
    set(2, CmdCloop, {500, 10});
    set(3, CmdCompareTemp, {1, 9999, 0, 0, 11});
    set(4, CmdUserInput, {3, 0, 0, 11});
    set(5, CmdUserInput, {2, 0, 0, 11});  // type 2 has two targets: V3 is not one
    set(6, CmdUserInput, {7, 99, 99, 99});
    set(7, CmdDelay, {60000});
    AddressCheckResult r = AddressCheck(p);
    EXPECT_EQ(r.Ok, 0);
    EXPECT_EQ(r.FaultyLines, (std::vector<uint32_t>{0, 3, 4}));
    EXPECT_EQ(r.FaultyLine, 4);          // the last faulty line wins
    p.Lines[4].Values[3] = 0x80000000u;  // compared unsigned
    EXPECT_EQ(AddressCheck(p).FaultyLines.back(), 4u);
}

TEST(AddressCheck, MissingEndProgram) {
    UserProgram p;
    Fill(p, 5);
    p.Lines[4].Command = CmdNoOp;
    AddressCheckResult r = AddressCheck(p);
    EXPECT_EQ(r.Ok, 0);
    EXPECT_FALSE(r.EndFound);
    EXPECT_TRUE(r.FaultyLines.empty());
    EXPECT_EQ(r.FaultyLine, 4);

    test::ScriptedOperator op;
    int32_t faulty = -7;
    EXPECT_EQ(AddressCheck(p, op, faulty), 0);
    EXPECT_EQ(faulty, 4);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "No end_program FOUND!!! Please insert before saving.");
    EXPECT_EQ(op.Boxes()[0].title, "VDWin - User Program Error");
    EXPECT_EQ(op.Boxes()[0].flags, 0x1010u);
    EXPECT_EQ(op.Beeps(), std::vector<unsigned>{0x10});

    UserProgram empty;
    EXPECT_EQ(AddressCheck(empty).FaultyLine, -1);
    EXPECT_EQ(AddressCheck(empty).Ok, 0);
}

}  // namespace
}  // namespace vendra
