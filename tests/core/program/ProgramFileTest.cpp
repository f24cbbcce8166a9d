// Program file form and the save-then-load round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ProgramTestUtil.h"
#include "core/app/LoadProgramFile.h"
#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramEdit.h"
#include "core/program/ProgramFile.h"

namespace vendra {
namespace {

using test::LoadBytes;
using test::ReadFile;
using test::TempDir;

struct LineDesc {
    uint8_t command;
    std::vector<uint32_t> values = {};
    const char* text = "";
    std::vector<const char*> labels = {};
    const char* comment = "";
};

ProgramLine MakeLine(const LineDesc& desc) {
    ProgramLine line;
    line.Command = desc.command;
    for (size_t i = 0; i < desc.values.size(); ++i) line.Values[i] = desc.values[i];
    CopyField(line.Text, desc.text);
    for (size_t i = 0; i < desc.labels.size(); ++i) CopyField(line.JumpLabels[i], desc.labels[i]);
    CopyField(line.Comment, desc.comment);
    return line;
}

std::string FileForm(const LineDesc& desc) {
    UserProgram p;
    p.Lines[0] = MakeLine(desc);
    p.LineCount = 1;
    return FormatLine(p, 0, LineForm::File);
}

TEST(FormatLine, FileFormOfEachShape) {
    EXPECT_EQ(FileForm({CmdNoOp, {}, "", {}, "typed"}), "no_op      ;No Operation");
    EXPECT_EQ(FileForm({CmdVsend, {}, "D3A100", {}, "x"}), "vsend,\"D3A100\"      ;x");
    EXPECT_EQ(FileForm({CmdDBoard, {3}, "A1000"}), "DBoard,3,\"A1000\"      ;");
    EXPECT_EQ(FileForm({CmdSetHBoardPosition, {2, 41}}), "set_HBoard_position,2,41      ;");
    EXPECT_EQ(FileForm({CmdSetAxisBoardPosition, {1, 4, 42}}),
              "set_AxisBoard_position,1,X,42      ;");
    EXPECT_EQ(FileForm({CmdUBoardCheckDone, {1, 7, 0}}), "UBoard_check_done,1,7,0      ;");
    EXPECT_EQ(FileForm({CmdUBoardCheckDone, {1, 0, 0}, "", {"ready", "busy"}}),
              "UBoard_check_done,1,ready,busy      ;");
    EXPECT_EQ(FileForm({CmdAxisBoardCheckDone, {0, 6, 3, 4}}),
              "AxisBoard_check_done,0,Z,3,4      ;");
    EXPECT_EQ(FileForm({CmdWaitAxisBoardDone, {5, 3}, "t"}),
              "wait_AxisBoard_done,5,W,\"t\"      ;");
    EXPECT_EQ(FileForm({CmdWaitAxisBoardResponse, {5, 100}}), "wait_AxisBoard_response,5,A      ;");
    EXPECT_EQ(FileForm({CmdLinkMe, {1, 0, 2, 1, 1, 3, 10, 20}}),
              "link_me,1,S,2,1,1,3,10,20      ;");
    EXPECT_EQ(FileForm({CmdLoop, {0}, "", {"top"}}), "loop,top      ;");
    EXPECT_EQ(FileForm({CmdCloop, {4, 2}}), "cloop,4,2      ;");
    EXPECT_EQ(FileForm({CmdCompareTemp, {1, 500, 0, 0, 0}, "", {"lt", "eq", "gt"}}),
              "compare_temp,1,500,lt,eq,gt      ;");
    EXPECT_EQ(FileForm({CmdUserInput, {0}, "Go?"}), "user_input,0,\"Go?\"      ;");
    EXPECT_EQ(FileForm({CmdUserInput, {3, 4, 5, 6}, "Q"}), "user_input,3,4,5,6,\"Q\"      ;");
    EXPECT_EQ(FileForm({CmdUserInput, {4, 0, 0}, "R", {"again", "out"}}),
              "user_input,4,again,out,\"R\"      ;");
    EXPECT_EQ(FileForm({CmdUserValue, {0, 12, 4000000000u}, "How many?"}),
              "user_value,12,4000000000,\"How many?\"      ;");
    EXPECT_EQ(FileForm({CmdEnableQeDataLogger, {8}, "qe.csv"}),
              "enable_qe_data_logger,8,\"qe.csv\"      ;");
    EXPECT_EQ(FileForm({CmdLabel, {}, "top", {}, "mine"}), "label,\"top\"      ;Program Label");
    EXPECT_EQ(FileForm({CmdEndProgram}), "end_program      ;End of Program");
    // A code outside the table keeps its line as a no_op.
    EXPECT_EQ(FileForm({255, {1}, "x", {}, "blank"}), "no_op      ;blank");
    // A motor code outside the nine is written as 'S', which reads back as code 0, the code any
    // unknown letter reads as.
    EXPECT_EQ(FileForm({CmdWaitAxisBoardResponse, {5, 9}}), "wait_AxisBoard_response,5,S      ;");
}

TEST(FormatLine, MixedTargetsKeepBoth) {
    // Ready by label, busy by number: each target is written from its own slot.
    EXPECT_EQ(FileForm({CmdDBoardCheckDone, {3, 0, 5}, "", {"ready", ""}}),
              "DBoard_check_done,3,ready,5      ;");
    EXPECT_EQ(FileForm({CmdDBoardCheckDone, {3, 9, 0}, "", {"", "busy"}}),
              "DBoard_check_done,3,9,busy      ;");
    EXPECT_EQ(FileForm({CmdCompareTemp, {1, 2, 7, 0, 0}, "", {"", "eq", ""}}),
              "compare_temp,1,2,7,eq,0      ;");
    // A label name that holds separators is quoted so that it reads back whole.
    EXPECT_EQ(FileForm({CmdLoop, {0}, "", {"a, b;c"}}), "loop,\"a, b;c\"      ;");
}

TEST(FormatLine, DisplayFormAndLabelFlag) {
    UserProgram p;
    p.Lines[0] = MakeLine({CmdDelay, {250}, "", {}, "settle"});
    p.Lines[9999] = MakeLine({CmdLabel, {}, "end"});
    p.LineCount = 10000;
    char buf[kLineBufferSize];
    EXPECT_EQ(FormatLine(p, 0, LineForm::Display, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "0001 - delay,250      ;settle");
    EXPECT_EQ(FormatLine(p, 9999, LineForm::Display, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "10000 - label,\"end\"      ;Program Label");
    // A small buffer is never overrun.
    char small[8];
    FormatLine(p, 0, LineForm::Display, small, sizeof small);
    EXPECT_STREQ(small, "0001 - ");
}

// Every command, numeric and label forms, mixed targets, every user_input type, quoted texts with
// commas and semicolons, comments.
std::vector<LineDesc> EveryCommand() {
    return {
        {CmdNoOp, {}, "", {}, "typed over"},
        {CmdVsend, {}, "D3A1000, ok; yes", {}, "send, with; punctuation"},
        {CmdVsendna, {}, "GG!", {}, "stop all"},
        {CmdDBoard, {3}, "A1000", {}, "move"},
        {CmdSetDBoardPosition, {3, 41}, "", {}, "to reg 41"},
        {CmdDBoardCheckDone, {3, 2, 9}, "", {}, "numeric"},
        {CmdDBoardCheckDone, {3, 0, 0}, "", {"ready", "busy"}, "labels"},
        {CmdDBoardCheckDone, {3, 0, 5}, "", {"ready", ""}, "mixed"},
        {CmdWaitDBoardDone, {3}, "carried", {}, "wait comment kept"},
        {CmdWaitDBoardResponse, {3}, "", {}, ""},
        {CmdUBoard, {15}, "H", {}, "u"},
        {CmdSetUBoardPosition, {15, 72}},
        {CmdUBoardCheckDone, {15, 1, 1}},
        {CmdUBoardCheckDone, {15, 4, 0}, "", {"", "busy"}},
        {CmdWaitUBoardDone, {15}, ""},
        {CmdWaitUBoardResponse, {15}},
        {CmdHBoard, {0}, "F"},
        {CmdSetHBoardPosition, {0, 50}},
        {CmdHBoardCheckDone, {0, 0, 0}, "", {"ready", "busy"}},
        {CmdWaitHBoardDone, {0}, "x"},
        {CmdWaitHBoardResponse, {0}},
        {CmdAxisBoard, {1}, "XA100YA200"},
        {CmdSetAxisBoardPosition, {1, 3, 41}},
        {CmdSetAxisBoardPosition, {1, 100, 41}},
        {CmdAxisBoardCheckDone, {1, 4, 3, 4}},
        {CmdAxisBoardCheckDone, {1, 5, 0, 0}, "", {"ready", "busy"}},
        {CmdAxisBoardCheckDone, {1, 6, 0, 8}, "", {"ready", ""}},
        {CmdWaitAxisBoardDone, {1, 6}, "t"},
        {CmdWaitAxisBoardResponse, {1, 5}},
        {CmdQBoard, {2}, "R0"},
        {CmdLinkMe, {1, 4, 2, 1, 1, 255, 12, 34}, "", {}, "link"},
        {CmdDelay, {65534}},
        {CmdSdelay, {1}},
        {CmdLoop, {3}},
        {CmdLoop, {0}, "", {"ready"}},
        {CmdCloop, {2, 4}},
        {CmdCloop, {2, 0}, "", {"busy"}},
        {CmdSetTemp, {1, 65535}, "", {}, "own comment"},
        {CmdIncTemp, {2, 10}},
        {CmdDecTemp, {2, 3}},
        {CmdCompareTemp, {1, 100, 1, 2, 3}},
        {CmdCompareTemp, {1, 100, 0, 0, 0}, "", {"lt", "eq", "gt"}},
        {CmdCompareTemp, {1, 100, 0, 7, 0}, "", {"lt", "", "gt"}},
        {CmdMoveRespTemp, {5}},
        {CmdMoveTempTemp, {1, 73}},
        {CmdUserInput, {0}, "Press OK, then; wait"},
        {CmdUserInput, {1, 2, 3}, "one"},
        {CmdUserInput, {1, 0, 0}, "one", {"ok", "cancel"}},
        {CmdUserInput, {2, 4, 5}, "two"},
        {CmdUserInput, {2, 0, 0}, "two", {"yes", "no"}},
        {CmdUserInput, {3, 1, 2, 3}, "three"},
        {CmdUserInput, {3, 0, 0, 0}, "three", {"yes", "no", "cancel"}},
        {CmdUserInput, {4, 6, 7}, "four"},
        {CmdUserInput, {4, 0, 0}, "four", {"retry", "cancel"}},
        {CmdUserInput, {5, 1, 2, 3}, "five"},
        {CmdUserInput, {5, 0, 0, 0}, "five", {"abort", "retry", "ignore"}},
        {CmdUserInput, {5, 0, 9, 0}, "five mixed", {"abort", "", "ignore"}},
        {CmdUserInput, {9}, "unknown type"},
        {CmdUserWait, {}, "", {}, "typed"},
        {CmdUserValue, {0, 12, 4000000000u}, "Value?"},
        {CmdEnableCommDebug},
        {CmdDisableCommDebug},
        {CmdEnableQeDataLogger, {32}, "log, file.csv"},
        {CmdPauseQeDataLogger},
        {CmdDisableQeDataLogger},
        {CmdLabel, {}, "ready", {}, "typed"},
        {CmdLabel, {}, "a label, with; separators"},
        {CmdLoop, {0}, "", {"a label, with; separators"}},
        {CmdEndProgram, {}, "", {}, "typed"},
    };
}

void ExpectSameLine(const ProgramLine& a, const ProgramLine& b, uint32_t i) {
    EXPECT_EQ(a.Command, b.Command) << "line " << i;
    for (int v = 0; v < kValueCount; ++v) EXPECT_EQ(a.Values[v], b.Values[v]) << i << " V" << v;
    EXPECT_STREQ(a.Text, b.Text) << "line " << i;
    for (int k = 0; k < kJumpLabelSlots; ++k) EXPECT_STREQ(a.JumpLabels[k], b.JumpLabels[k]) << i;
    EXPECT_STREQ(a.Comment, b.Comment) << "line " << i;
}

TEST(ProgramFile, SaveThenLoadGivesTheSameProgram) {
    std::vector<LineDesc> descs = EveryCommand();
    SystemState original;
    for (size_t i = 0; i < descs.size(); ++i) original.Program.Lines[i] = MakeLine(descs[i]);
    original.Program.LineCount = static_cast<uint32_t>(descs.size());
    std::vector<bool> seen(kCommandCount);
    for (const LineDesc& s : descs) seen[s.command] = true;
    for (int c = 0; c < kCommandCount; ++c) EXPECT_TRUE(seen[c]) << CommandTable[c];

    TempDir dir;
    std::string error;
    ASSERT_EQ(SaveProgramTo(original.Program, dir.File("all.def"), &error), 1) << error;

    SystemState loaded;
    LoadReport report;
    ASSERT_EQ(LoadProgram(loaded, dir.File("all.def"), report), 1);
    EXPECT_FALSE(report.Lossy());
    EXPECT_TRUE(report.EndFound);
    EXPECT_TRUE(report.LinksFound);
    EXPECT_EQ(loaded.Run.LinksPresent.load(), 1u);
    ASSERT_EQ(loaded.Program.LineCount, original.Program.LineCount);
    // The save wrote the eight fixed comments into the original; everything else is as built.
    EXPECT_STREQ(original.Program.Lines[0].Comment, "No Operation");
    uint32_t setTemp = 0, readyLabel = 0;
    for (uint32_t i = 0; i < original.Program.LineCount; ++i) {
        const ProgramLine& l = original.Program.Lines[i];
        if (l.Command == CmdSetTemp) setTemp = i;
        if (l.Command == CmdLabel && std::strcmp(l.Text, "ready") == 0) readyLabel = i;
    }
    EXPECT_STREQ(original.Program.Lines[setTemp].Comment, "own comment");
    for (uint32_t i = 0; i < loaded.Program.LineCount; ++i) {
        ExpectSameLine(loaded.Program.Lines[i], original.Program.Lines[i], i);
    }
    // Labels: "ready" and the one with separators, in program order.
    ASSERT_EQ(loaded.Labels.LabelCount, 3u);
    EXPECT_STREQ(loaded.Labels.Entries[1].Name, "ready");
    EXPECT_EQ(loaded.Labels.Entries[1].Target, static_cast<int32_t>(readyLabel + 1));
    EXPECT_STREQ(loaded.Labels.Entries[2].Name, "a label, with; separators");

    // Saving the loaded program again gives the very same bytes.
    ASSERT_EQ(SaveProgramTo(loaded.Program, dir.File("again.def")), 1);
    EXPECT_EQ(ReadFile(dir.File("again.def")), ReadFile(dir.File("all.def")));
}

TEST(ProgramFile, SavedFileIsCrLfLinesOfTheFileForm) {
    SystemState s;
    s.Program.Lines[0] = MakeLine({CmdSetTemp, {1, 5}, "", {}, "first"});
    s.Program.Lines[1] = MakeLine({CmdEndProgram});
    s.Program.LineCount = 2;
    TempDir dir;
    s.App.ProgramPath.Set(dir.File("prog"));
    ASSERT_EQ(SaveProgram(s.Program, s.App.ProgramPath), 1);
    EXPECT_EQ(s.App.ProgramPath.Get(), dir.File("prog.def"));
    EXPECT_EQ(ReadFile(dir.File("prog.def")),
              "set_temp,1,5      ;first\r\nend_program      ;End of Program\r\n");
}

TEST(ProgramFile, DefinitionFileNameAppendsDefOnlyWithoutExtension) {
    EXPECT_EQ(DefinitionFileName("/a/prog"), "/a/prog.def");
    EXPECT_EQ(DefinitionFileName("/a/prog.txt"), "/a/prog.txt");
    EXPECT_EQ(DefinitionFileName("/a/prog.DEF"), "/a/prog.DEF");
    EXPECT_EQ(DefinitionFileName("/a.b/prog"), "/a.b/prog.def");
    EXPECT_EQ(DefinitionFileName("prog"), "prog.def");
}

}  // namespace
}  // namespace vendra
