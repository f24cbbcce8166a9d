// The reader's grammar and its limits, on file bytes that real editors and tools produce.
#include <gtest/gtest.h>

#include <string>

#include "ProgramTestUtil.h"
#include "core/app/SystemState.h"
#include "core/program/CommandTable.h"
#include "core/program/LineFormat.h"
#include "core/program/ProgramEdit.h"
#include "core/program/ProgramFile.h"

namespace vendra {
namespace {

using test::LoadBytes;

const ProgramLine& Line(const SystemState& s, uint32_t i) {
    return s.Program.Lines[i];
}

TEST(ProgramReader, KeywordsAreExactAndStrayFieldsAreSkipped) {
    SystemState s;
    ASSERT_EQ(LoadBytes(s, "Delay,5\r\nfoo,bar\r\ndelay,6,7,8\r\nsdelay,3      ;c\r\n"), 1);
    ASSERT_EQ(s.Program.LineCount, 2u);
    EXPECT_EQ(Line(s, 0).Command, CmdDelay);
    EXPECT_EQ(Line(s, 0).Values[0], 6u);
    EXPECT_EQ(Line(s, 1).Command, CmdSdelay);
    EXPECT_STREQ(Line(s, 1).Comment, "c");
}

TEST(ProgramReader, MissingFieldsComeFromTheFollowingText) {
    // set_temp lacks its value: the next keyword is taken as it (0), that line is lost and its
    // remaining field skipped.
    SystemState s;
    ASSERT_EQ(LoadBytes(s, "set_temp,1\r\ndelay,5\r\nsdelay,2\r\n"), 1);
    ASSERT_EQ(s.Program.LineCount, 2u);
    EXPECT_EQ(Line(s, 0).Command, CmdSetTemp);
    EXPECT_EQ(Line(s, 0).Values[0], 1u);
    EXPECT_EQ(Line(s, 0).Values[1], 0u);
    EXPECT_EQ(Line(s, 1).Command, CmdSdelay);
}

TEST(ProgramReader, FieldConversions) {
    SystemState s;
    ASSERT_EQ(LoadBytes(s,
                        "link_me, 1 ,x,2,0,1,3,12abc,-1\r\n"
                        "set_AxisBoard_position,1,Y,41\r\n"
                        "cloop,,Start\r\n"
                        "compare_temp,1,2,,3,\"my label\"\r\n"
                        "user_value,5,4000000000,\"v\"\r\n"),
              1);
    ASSERT_EQ(s.Program.LineCount, 5u);
    const ProgramLine& link = Line(s, 0);
    EXPECT_EQ(link.Values[0], 1u);
    EXPECT_EQ(link.Values[1], MotorS);       // lower-case letter is no motor letter: code 0
    EXPECT_EQ(link.Values[6], 12u);          // digits up to the first other character
    EXPECT_EQ(link.Values[7], 0xFFFFFFFFu);  // signed conversion, stored as 32 bits
    EXPECT_EQ(Line(s, 1).Values[1], MotorY);
    EXPECT_EQ(Line(s, 2).Values[0], 0u);  // empty number field
    EXPECT_STREQ(Line(s, 2).JumpLabels[0], "Start");
    EXPECT_EQ(Line(s, 2).Values[1], 0u);
    const ProgramLine& cmp = Line(s, 3);
    EXPECT_EQ(cmp.Values[2], 0u);  // empty target: next line
    EXPECT_STREQ(cmp.JumpLabels[0], "");
    EXPECT_EQ(cmp.Values[3], 3u);
    EXPECT_STREQ(cmp.JumpLabels[2], "my label");
    EXPECT_EQ(Line(s, 4).Values[2], 4000000000u);
}

// A motor field whose letter is none of the nine reads as code 0, the code the parameter dialogs
// also make of it, and is written back as 'S': saved files hold only letters every reader knows.
TEST(ProgramReader, MotorLetterOutsideTheNineIsCodeZeroWrittenAsS) {
    for (const char* letter : {"x", "?", "B", "1"}) {
        SCOPED_TRACE(letter);
        SystemState s;
        ASSERT_EQ(LoadBytes(s, std::string("wait_AxisBoard_response,2,") + letter +
                                   "\r\nlink_me,1," + letter + ",2,0,1,3,4,5\r\n"),
                  1);
        ASSERT_EQ(s.Program.LineCount, 2u);
        EXPECT_EQ(Line(s, 0).Values[1], 0u);
        EXPECT_EQ(Line(s, 1).Values[1], 0u);
        char text[kLineBufferSize];
        FormatLine(s.Program, 0, LineForm::File, text, sizeof text);
        EXPECT_STREQ(text, "wait_AxisBoard_response,2,S      ;");
        FormatLine(s.Program, 1, LineForm::File, text, sizeof text);
        EXPECT_STREQ(text, "link_me,1,S,2,0,1,3,4,5      ;");
    }
}

// Ctrl-Z inside a comment is a byte of the comment, as any byte up to the line's end is; the
// lines after it are read.
TEST(ProgramReader, CtrlZInACommentIsPartOfIt) {
    SystemState s;
    ASSERT_EQ(LoadBytes(s,
                        "delay,1      ;before\x1a"
                        "after\r\ndelay,2      ;\x1a\r\nend_program\r\n"),
              1);
    ASSERT_EQ(s.Program.LineCount, 3u);
    EXPECT_STREQ(Line(s, 0).Comment,
                 "before\x1a"
                 "after");
    EXPECT_EQ(Line(s, 1).Values[0], 2u);
    EXPECT_STREQ(Line(s, 1).Comment, "\x1a");
    EXPECT_EQ(Line(s, 2).Command, CmdEndProgram);
}

TEST(ProgramReader, QuotedFieldsAndEmptyQuotes) {
    SystemState s;
    ASSERT_EQ(LoadBytes(s, "vsend,\"a, b; c\"      ;x\r\nvsend,\"\"      ;empty\r\n"), 1);
    ASSERT_EQ(s.Program.LineCount, 2u);
    EXPECT_STREQ(Line(s, 0).Text, "a, b; c");
    EXPECT_STREQ(Line(s, 1).Text, "");
    EXPECT_STREQ(Line(s, 1).Comment, "empty");

    // "" counts as nothing read, so an LF right after it does not end the field: the next line's
    // text runs into it.
    ASSERT_EQ(LoadBytes(s, "vsend,\"\"\nend_program\n"), 1);
    ASSERT_EQ(s.Program.LineCount, 1u);
    EXPECT_STREQ(Line(s, 0).Text, "end_program");
}

TEST(ProgramReader, LastLineWithoutLineEnd) {
    SystemState s;
    ASSERT_EQ(LoadBytes(s, "set_temp,1,5      ;first\r\nset_temp,2,6      ;last"), 1);
    ASSERT_EQ(s.Program.LineCount, 2u);
    EXPECT_STREQ(Line(s, 0).Comment, "first");
    EXPECT_STREQ(Line(s, 1).Comment, "last");
    EXPECT_EQ(Line(s, 1).Values[1], 6u);

    ASSERT_EQ(LoadBytes(s, "delay,40"), 1);
    ASSERT_EQ(s.Program.LineCount, 1u);
    EXPECT_EQ(Line(s, 0).Values[0], 40u);
    ASSERT_EQ(LoadBytes(s, "end_program"), 1);
    EXPECT_EQ(s.Program.LineCount, 1u);
    ASSERT_EQ(LoadBytes(s, ""), 1);
    EXPECT_EQ(s.Program.LineCount, 0u);
}

TEST(ProgramReader, StopsAtEndProgramOrEndOfFile) {
    SystemState s;
    LoadReport r;
    ASSERT_EQ(LoadBytes(s, "delay,1\r\nend_program      ;x\r\ndelay,2\r\nlabel,\"after\"\r\n", r),
              1);
    EXPECT_EQ(s.Program.LineCount, 2u);
    EXPECT_TRUE(r.EndFound);
    EXPECT_EQ(s.Labels.LabelCount, 1u);
    EXPECT_STREQ(Line(s, 1).Comment, "x");
    EXPECT_EQ(Line(s, 2).Command, 0);

    ASSERT_EQ(LoadBytes(s, "delay,1\r\ndelay,2\r\ndelay,3\r\n", r), 1);
    EXPECT_EQ(s.Program.LineCount, 3u);
    EXPECT_FALSE(r.EndFound);
}

TEST(ProgramReader, LfOnlyFilesReadLineByLine) {
    const std::string crlf =
        "set_temp,1,5      ;one\r\nlabel,\"top\"      ;Program Label\r\nloop,top      ;two\r\n"
        "end_program      ;End of Program\r\n";
    std::string lf;
    for (char c : crlf) {
        if (c != '\r') lf += c;
    }
    SystemState a, b;
    ASSERT_EQ(LoadBytes(a, crlf), 1);
    ASSERT_EQ(LoadBytes(b, lf), 1);
    ASSERT_EQ(a.Program.LineCount, 4u);
    ASSERT_EQ(b.Program.LineCount, 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(FormatLine(a.Program, i, LineForm::File),
                  FormatLine(b.Program, i, LineForm::File));
    }
    EXPECT_STREQ(Line(b, 0).Comment, "one");
    EXPECT_STREQ(Line(b, 2).JumpLabels[0], "top");
}

TEST(ProgramReader, CtrlZEndsTheFile) {
    SystemState s;
    LoadReport r;
    ASSERT_EQ(LoadBytes(s,
                        "delay,1      ;a\r\n\x1a"
                        "delay,2\r\n",
                        r),
              1);
    EXPECT_EQ(s.Program.LineCount, 1u);
    // In a comment it is a byte of the comment (the next line is still read).
    ASSERT_EQ(LoadBytes(s,
                        "delay,1      ;a\x1a"
                        "delay,2\r\n"),
              1);
    EXPECT_EQ(s.Program.LineCount, 1u);
    EXPECT_STREQ(Line(s, 0).Comment,
                 "a\x1a"
                 "delay,2");
    ASSERT_EQ(LoadBytes(s, "delay,1\x1a,delay,2\r\n"), 1);
    EXPECT_EQ(s.Program.LineCount, 1u);
    EXPECT_EQ(Line(s, 0).Values[0], 1u);
    // Inside quotes it is text like any other byte.
    ASSERT_EQ(LoadBytes(s,
                        "vsend,\"a\x1a"
                        "b\"\r\ndelay,2\r\n"),
              1);
    EXPECT_EQ(s.Program.LineCount, 2u);
    EXPECT_STREQ(Line(s, 0).Text,
                 "a\x1a"
                 "b");
}

TEST(ProgramReader, OverlongFieldsAreCutAndTheRestSkipped) {
    const std::string longText(400, 't');
    const std::string longComment(300, 'c');
    const std::string longLabel(120, 'L');
    SystemState s;
    LoadReport r;
    ASSERT_EQ(LoadBytes(s,
                        "vsend,\"" + longText + "\"      ;" + longComment + "\r\n" + "label,\"" +
                            longLabel + "\"\r\nloop," + longLabel + "\r\n" + "delay," +
                            std::string(500, '9') + "\r\nsdelay,7\r\n",
                        r),
              1);
    ASSERT_EQ(s.Program.LineCount, 5u);
    EXPECT_EQ(std::string(Line(s, 0).Text), longText.substr(0, 149));
    EXPECT_EQ(std::string(Line(s, 0).Comment), longComment.substr(0, 149));
    EXPECT_EQ(std::string(Line(s, 1).Text), longLabel.substr(0, 99));
    EXPECT_EQ(std::string(Line(s, 2).JumpLabels[0]), longLabel.substr(0, 99));
    EXPECT_EQ(Line(s, 4).Command, CmdSdelay);
    EXPECT_EQ(Line(s, 4).Values[0], 7u);
    EXPECT_EQ(r.FieldsCut, 5u);  // text, comment, label name, jump name, number
    EXPECT_TRUE(r.Lossy());
    // The cut label still works as a jump target.
    s.Run.ProgramPointer = 2;
    EXPECT_EQ(FindLabel(s.Labels, Line(s, 2).JumpLabels[0], s.Run.ProgramPointer), 1);
    EXPECT_EQ(s.Run.ProgramPointer.load(), 0);
}

TEST(ProgramReader, NeverStoresPastTheProgramOrLabelLimits) {
    std::string big;
    for (int i = 0; i < 10005; ++i) big += "delay," + std::to_string(i + 1) + "\r\n";
    big += "end_program\r\n";
    SystemState s;
    LoadReport r;
    ASSERT_EQ(LoadBytes(s, big, r), 1);
    EXPECT_EQ(s.Program.LineCount, kMaxProgramLines);
    EXPECT_EQ(Line(s, 9999).Values[0], 10000u);
    EXPECT_TRUE(r.LinesDropped);
    EXPECT_FALSE(r.EndFound);

    std::string labels;
    for (int i = 0; i < 1005; ++i) labels += "label,\"L" + std::to_string(i) + "\"\r\n";
    ASSERT_EQ(LoadBytes(s, labels, r), 1);
    EXPECT_EQ(s.Program.LineCount, 1005u);
    EXPECT_EQ(s.Labels.LabelCount, kMaxLabels);
    EXPECT_EQ(r.LabelsDropped, 6u);
    EXPECT_STREQ(s.Labels.Entries[999].Name, "L998");
    EXPECT_EQ(s.Labels.Entries[999].Target, 999);

    // Exactly 10000 lines is no loss.
    std::string full;
    for (int i = 0; i < 9999; ++i) full += "no_op\r\n";
    full += "end_program\r\n";
    ASSERT_EQ(LoadBytes(s, full, r), 1);
    EXPECT_EQ(s.Program.LineCount, kMaxProgramLines);
    EXPECT_FALSE(r.Lossy());
    EXPECT_TRUE(r.EndFound);
}

TEST(ProgramReader, LoadResetsTheRunTables) {
    SystemState s;
    s.Run.TempRegisters[5] = 9;
    s.Run.LinksPresent = 1;
    s.Boards.MotorD[3].RetryCount = 9;
    s.Boards.MotorAxis[2][AxisX].EncoderState = 1;
    s.Boards.Qe[1][0].LinkUnit = 3;
    ASSERT_EQ(LoadBytes(s, "delay,5\r\n"), 1);
    EXPECT_EQ(s.Run.TempRegisters[5].load(), 0u);
    EXPECT_EQ(s.Run.LinksPresent.load(), 0u);
    EXPECT_EQ(s.Boards.MotorD[3].RetryCount.load(), 3);
    EXPECT_EQ(s.Boards.MotorAxis[2][AxisX].EncoderState.load(), 0);
    EXPECT_EQ(s.Boards.Qe[1][0].LinkUnit.load(), kNotLinked);
}

// A NUL byte ends a text as the program holds it: the rest of that field is lost, and the load
// says so, naming the lines, like any other cut.
TEST(ProgramReader, NulBytesInTextsLabelsAndCommentsAreReportedAsCuts) {
    using namespace std::string_literals;
    SystemState s;
    LoadReport r;
    ASSERT_EQ(LoadBytes(s,
                        "vsend,\"ab\0cd\"\r\n"s            // 1: text
                        "delay,5      ;note\0hidden\r\n"s  // 2: comment
                        "label,\"to\0p\"\r\n"s             // 3: label name
                        "loop,x\0y\r\n"s                   // 4: jump name
                        "delay,1\0"
                        "2\r\n"s                    // 5: a number stops there anyway
                        "delay,7      ;clean\r\n"s  // 6
                        "end_program\r\n"s,
                        r),
              1);
    ASSERT_EQ(s.Program.LineCount, 7u);
    EXPECT_STREQ(Line(s, 0).Text, "ab");
    EXPECT_STREQ(Line(s, 1).Comment, "note");
    EXPECT_EQ(r.NulLines, (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(r.Lossy());
    EXPECT_EQ(DescribeLosses(r),
              "A NUL byte cut a text, label or comment on line(s) 1, 2, 3, 4; what followed it "
              "there was not loaded.\n");

    std::string many;
    for (int i = 0; i < 12; ++i) many += "vsend,\"a\0b\"\r\n"s;
    ASSERT_EQ(LoadBytes(s, many, r), 1);
    EXPECT_EQ(DescribeLosses(r),
              "A NUL byte cut a text, label or comment on line(s) 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 "
              "and 2 more; what followed it there was not loaded.\n");
}

// A line whose last field is empty ("") or missing, with no comment after it, takes its field
// from the next line, and that line is lost. The reading stays as it is; the load names the line.
TEST(ProgramReader, ALineThatRunsIntoTheNextIsReportedWithItsLine) {
    const struct Case {
        const char* name;
        std::string bytes;
        std::vector<uint32_t> lines;
        std::string listing;  // the lines as loaded, in file form
    } cases[] = {
        {"empty text, then a line",
         "wait_DBoard_done,3,\"\"\r\ndelay,100\r\nend_program\r\n",
         {1},
         "wait_DBoard_done,3,\"delay\"      ;|end_program      ;End of Program|"},
        {"empty text with a comment",
         "vsend,\"\"      ;c\r\ndelay,100\r\n",
         {},
         "vsend,\"\"      ;c|delay,100      ;|"},
        {"empty text on the last line",
         "delay,1\r\nvsend,\"\"\r\n\r\n",
         {},
         "delay,1      ;|vsend,\"\"      ;|"},
        {"empty text, a blank line, then end_program",
         "vsend,\"\"\n\nend_program\n",
         {1},
         "vsend,\"end_program\"      ;|"},
        {"a number missing",
         "set_temp,1\r\ndelay,5\r\nsdelay,2\r\n",
         {1},
         "set_temp,1,0      ;|sdelay,2      ;|"},
        {"a field after a comment", "delay      ;c\r\n40\r\n", {1}, "delay,40      ;|"},
        {"two in a row",
         "vsend,\"\"\r\ndelay,1\r\nlabel,\"\"\r\nend_program\r\n",
         {1, 2},
         "vsend,\"delay\"      ;|label,\"end_program\"      ;Program Label|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SystemState s;
        LoadReport r;
        ASSERT_EQ(LoadBytes(s, c.bytes, r), 1);
        std::string listing;
        for (uint32_t i = 0; i < s.Program.LineCount; ++i)
            listing += FormatLine(s.Program, i, LineForm::File) + "|";
        EXPECT_EQ(listing, c.listing);
        EXPECT_EQ(r.RunOnLines, c.lines);
        EXPECT_EQ(r.Lossy(), !c.lines.empty());
    }

    SystemState s;
    LoadReport r;
    ASSERT_EQ(LoadBytes(s, cases[0].bytes, r), 1);
    EXPECT_EQ(DescribeLosses(r),
              "Line 1's text runs into line 2: its last field is empty (\"\") or missing and no "
              "comment follows it, so the next line was read as that field.\n");
}

}  // namespace
}  // namespace vendra
