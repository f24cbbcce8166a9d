#include <gtest/gtest.h>

#include <cstring>

#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/ProgramEdit.h"

namespace vendra {
namespace {

void SetLine(UserProgram& p, uint32_t i, uint8_t command, const char* text = "") {
    ClearLine(p.Lines[i]);
    p.Lines[i].Command = command;
    CopyField(p.Lines[i].Text, text);
}

TEST(CommandTable, KeywordsAndCodes) {
    uint8_t code = 99;
    EXPECT_EQ(FindCommand("no_op", code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(FindCommand("wait_AxisBoard_response", code), 1);
    EXPECT_EQ(code, 22);
    EXPECT_EQ(FindCommand("qboard", code), 1);
    EXPECT_EQ(code, 23);
    EXPECT_EQ(FindCommand("end_program", code), 1);
    EXPECT_EQ(code, 44);
    // The four motor families own five codes each, in the same order.
    EXPECT_STREQ(CommandTable[kUBoardFirstCode + 2], "UBoard_check_done");
    EXPECT_STREQ(CommandTable[kHBoardFirstCode + 4], "wait_HBoard_response");
    EXPECT_STREQ(CommandTable[kAxisBoardFirstCode + 1], "set_AxisBoard_position");

    code = 77;
    EXPECT_EQ(FindCommand("Delay", code), 0);  // case-sensitive
    EXPECT_EQ(FindCommand("delay ", code), 0);
    EXPECT_EQ(FindCommand("", code), 0);
    EXPECT_EQ(FindCommand(nullptr, code), 0);
    EXPECT_EQ(code, 77);
    // Every keyword finds its own slot and fits it.
    for (int i = 0; i < kCommandCount; ++i) {
        ASSERT_EQ(FindCommand(CommandTable[i], code), 1);
        EXPECT_EQ(code, i);
        EXPECT_LT(std::strlen(CommandTable[i]), size_t(kKeywordSlotSize));
    }
}

TEST(CommandTable, MotorCodesBothWays) {
    const char letters[] = "SUHWXYZQA";
    const uint32_t codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 100};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(MotorCode(letters[i]), codes[i]);
        EXPECT_EQ(MotorLetter(codes[i]), letters[i]);
    }
    // Anything else is code 0, which is written as 'S'.
    EXPECT_EQ(MotorCode('x'), MotorS);  // lower case is no motor letter
    EXPECT_EQ(MotorCode('\0'), MotorS);
    EXPECT_EQ(MotorCode('?'), MotorS);
    EXPECT_EQ(MotorLetter(8), 'S');
    EXPECT_EQ(MotorLetter(255), 'S');
}

TEST(ProgramEdit, ClearProgramEmptiesLinesAndLabels) {
    SystemState s;
    SetLine(s.Program, 9999, CmdLabel, "x");
    s.Program.Lines[9999].Values[10] = 5;
    CopyField(s.Program.Lines[9999].JumpLabels[3], "y");
    s.Program.LineCount = 10000;
    RebuildLabelTable(s.Program, s.Labels);
    ASSERT_EQ(s.Labels.LabelCount, 2u);

    ClearProgram(s.Program, s.Labels);
    EXPECT_EQ(s.Program.LineCount, 0u);
    const ProgramLine& l = s.Program.Lines[9999];
    EXPECT_EQ(l.Command, 0);
    EXPECT_EQ(l.Values[10], 0u);
    EXPECT_STREQ(l.Text, "");
    EXPECT_STREQ(l.JumpLabels[3], "");
    EXPECT_EQ(s.Labels.LabelCount, 1u);
    EXPECT_STREQ(s.Labels.Entries[0].Name, "NextLine");
    EXPECT_STREQ(s.Labels.Entries[1].Name, "");
}

// A program: 0 label "top", 1 link_me, 2 loop to "top", 3 end_program.
void SmallProgram(SystemState& s) {
    ClearProgram(s.Program, s.Labels);
    SetLine(s.Program, 0, CmdLabel, "top");
    SetLine(s.Program, 1, CmdLinkMe);
    for (int i = 0; i < 8; ++i) s.Program.Lines[1].Values[i] = 10 + i;
    SetLine(s.Program, 2, CmdLoop);
    CopyField(s.Program.Lines[2].JumpLabels[0], "top");
    SetLine(s.Program, 3, CmdEndProgram);
    s.Program.LineCount = 4;
    RebuildLabelTable(s.Program, s.Labels);
}

TEST(ProgramEdit, InsertMovesEveryFieldAndKeepsLabelsWorking) {
    SystemState s;
    SmallProgram(s);
    ASSERT_EQ(InsertBlankLine(s.Program, s.Labels, 0), 1);
    ASSERT_EQ(InsertBlankLine(s.Program, s.Labels, 2), 1);  // above link_me (now at 2, moves to 3)
    EXPECT_EQ(s.Program.LineCount, 6u);
    EXPECT_EQ(s.Program.Lines[0].Command, CmdNoOp);
    EXPECT_EQ(s.Program.Lines[2].Command, CmdNoOp);
    const ProgramLine& link = s.Program.Lines[3];
    ASSERT_EQ(link.Command, CmdLinkMe);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(link.Values[i], 10u + i) << i;
    EXPECT_STREQ(s.Program.Lines[4].JumpLabels[0], "top");

    // The label now sits on line 2 (index 1): a jump lands there.
    EXPECT_EQ(s.Labels.Entries[1].Target, 2);
    s.Run.ProgramPointer = 40;
    EXPECT_EQ(FindLabel(s.Labels, "top", s.Run.ProgramPointer), 1);
    EXPECT_EQ(s.Run.ProgramPointer.load() + 1, 1);  // the runner's increment gives index 1

    ASSERT_EQ(DeleteLine(s.Program, s.Labels, 0), 1);
    ASSERT_EQ(DeleteLine(s.Program, s.Labels, 1), 1);
    EXPECT_EQ(s.Program.LineCount, 4u);
    EXPECT_EQ(s.Program.Lines[1].Command, CmdLinkMe);
    EXPECT_EQ(s.Program.Lines[1].Values[7], 17u);
    EXPECT_EQ(s.Program.Lines[4].Command, 0);  // the freed slot is cleared
    EXPECT_STREQ(s.Program.Lines[4].Text, "");
    EXPECT_EQ(s.Labels.Entries[1].Target, 1);
    EXPECT_EQ(FindLabel(s.Labels, "top", s.Run.ProgramPointer), 1);
    EXPECT_EQ(s.Run.ProgramPointer.load(), -1);  // line 1: -1 before the runner's increment
}

TEST(ProgramEdit, InsertAndDeleteLimits) {
    SystemState s;
    EXPECT_EQ(DeleteLine(s.Program, s.Labels, 0), 0);  // empty program
    EXPECT_EQ(s.Labels.LabelCount, 1u);
    SmallProgram(s);
    EXPECT_EQ(DeleteLine(s.Program, s.Labels, 4), 0);  // past the end
    EXPECT_EQ(InsertBlankLine(s.Program, s.Labels, 5), 0);
    EXPECT_EQ(s.Program.LineCount, 4u);
    EXPECT_EQ(InsertBlankLine(s.Program, s.Labels, 4), 1);  // appending at the end is allowed

    for (uint32_t i = 0; i < kMaxProgramLines; ++i) SetLine(s.Program, i, CmdDelay);
    s.Program.Lines[9999].Values[0] = 7;
    s.Program.LineCount = kMaxProgramLines;
    EXPECT_EQ(InsertBlankLine(s.Program, s.Labels, 0), 0);
    EXPECT_EQ(s.Program.LineCount, kMaxProgramLines);
    EXPECT_EQ(s.Program.Lines[9999].Values[0], 7u);
    EXPECT_EQ(s.Program.Lines[0].Command, CmdDelay);
}

TEST(ProgramEdit, LabelLookup) {
    SystemState s;
    ClearProgram(s.Program, s.Labels);
    SetLine(s.Program, 0, CmdNoOp);
    SetLine(s.Program, 1, CmdLabel, "twice");
    SetLine(s.Program, 2, CmdLabel, "NextLine");
    SetLine(s.Program, 3, CmdLabel, "twice");
    SetLine(s.Program, 4, CmdLabel, "Twice");
    s.Program.LineCount = 5;
    RebuildLabelTable(s.Program, s.Labels);
    EXPECT_EQ(s.Labels.LabelCount, 5u);  // duplicates are all entered

    s.Run.ProgramPointer = 3;
    EXPECT_EQ(FindLabel(s.Labels, "twice", s.Run.ProgramPointer), 1);
    EXPECT_EQ(s.Run.ProgramPointer.load(), 0);  // the first: line 2, pointer 2 - 2
    EXPECT_EQ(FindLabel(s.Labels, "Twice", s.Run.ProgramPointer), 1);
    EXPECT_EQ(s.Run.ProgramPointer.load(), 3);

    s.Run.ProgramPointer = 3;
    EXPECT_EQ(FindLabel(s.Labels, "NextLine", s.Run.ProgramPointer),
              1);  // built-in entry wins, never moves the pointer
    EXPECT_EQ(s.Run.ProgramPointer.load(), 3);
    EXPECT_EQ(FindLabel(s.Labels, "missing", s.Run.ProgramPointer), 0);
    EXPECT_EQ(FindLabel(s.Labels, "twice ", s.Run.ProgramPointer), 0);
    EXPECT_EQ(FindLabel(s.Labels, "", s.Run.ProgramPointer), 0);
    EXPECT_EQ(s.Run.ProgramPointer.load(), 3);
}

TEST(ProgramEdit, LabelTableHoldsAtMost999Names) {
    SystemState s;
    ClearProgram(s.Program, s.Labels);
    std::string longName(140, 'n');
    for (uint32_t i = 0; i < 1200; ++i) {
        std::string name = i == 0 ? longName : "L" + std::to_string(i);
        SetLine(s.Program, i, CmdLabel, name.c_str());
    }
    s.Program.LineCount = 1200;
    RebuildLabelTable(s.Program, s.Labels);
    EXPECT_EQ(s.Labels.LabelCount, kMaxLabels);
    EXPECT_EQ(std::strlen(s.Labels.Entries[1].Name), 99u);  // cut to the entry's size
    EXPECT_STREQ(s.Labels.Entries[999].Name, "L998");
    s.Run.ProgramPointer = 0;
    EXPECT_EQ(FindLabel(s.Labels, "L999", s.Run.ProgramPointer),
              0);  // line past the 999th label is not in the table
    EXPECT_EQ(FindLabel(s.Labels, "L998", s.Run.ProgramPointer), 1);
    EXPECT_EQ(s.Run.ProgramPointer.load(), 997);  // line 999
}

}  // namespace
}  // namespace vendra
