// The on-board transfer with boards that share the line or misbehave: the question before a
// global command, the time stamp, the size reply, a board that does not answer or refuses a
// load, and bytes that never end a line; each with what the operator is told.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "TransferRig.h"
#include "core/onboard/OnboardTransfer.h"
#include "core/onboard/OnboardWorker.h"

namespace vendra {
namespace {

using test::Clock;
using test::Lines;
using test::MsSince;
using test::TransferRig;
using Op = OnboardOperation;

const char* const kTitle = "VDWin IEEPROM Editor Message";

OnboardOutcome Operate(TransferRig& rig, Op operation) {
    return RunOnboardOperation(rig.transfer, OnboardStateOf(rig.state), rig.op, operation);
}

TEST(OnboardTransferFaults, GlobalCommandsAskFirstWhenOtherStepperUnitsShareTheLine) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5,D1,HA,X3"));
    const std::string erases = "This also erases the programs of DBoard 1 and HBoard A. Go on?";
    const std::string starts = "This also starts the programs of DBoard 1 and HBoard A. Go on?";
    const struct {
        Op operation;
        int answer;
        std::string question;
        Lines frames;
    } cases[] = {
        {Op::Erase, mb::IdNo, erases, {}},
        {Op::Erase, mb::IdYes, erases, {"GG*\r", "GGZ\r"}},
        {Op::Write, mb::IdNo, erases, {}},
        {Op::Write, mb::IdYes, erases, {"GG*\r", "GGZ\r", "D5Q1\r", "A1\r", "\x1b\r", "\r", "\r"}},
        {Op::Run, mb::IdNo, starts, {}},
        {Op::Run, mb::IdYes, starts, {"GGK1\r"}},
    };
    for (const auto& c : cases) {
        for (const char* unit : {"D5", "D1", "HA", "X3"})
            ASSERT_TRUE(rig.net->SetProgramLines(unit, {"p"}));
        rig.net->ClearLog();
        rig.op.ClearRecords();
        rig.program.ReplaceLines({"A1"});
        rig.op.QueueBoardType(true, 0);
        rig.op.QueueBoardAddress(true, 5);
        if (c.operation == Op::Erase) rig.op.QueueButton(mb::IdYes);  // "... ERASE ..."
        rig.op.QueueButton(c.answer);
        const bool yes = c.answer == mb::IdYes;
        EXPECT_EQ(Operate(rig, c.operation),
                  yes ? OnboardOutcome::Complete : OnboardOutcome::Declined);
        EXPECT_EQ(rig.Frames(c.frames.size()), c.frames);
        auto boxes = rig.op.Boxes();
        const size_t asked = c.operation == Op::Erase ? 1 : 0;
        ASSERT_EQ(boxes.size(), asked + (yes ? 2 : 1));  // then "Operation Complete"
        EXPECT_EQ(boxes[asked].text, c.question);
        EXPECT_EQ(boxes[asked].title, kTitle);
        EXPECT_EQ(boxes[asked].flags, 0x34u);
        const bool touched = yes && c.operation != Op::Run;
        EXPECT_EQ(*rig.net->ProgramLines("D1"), touched ? Lines{} : Lines{"p"});
        EXPECT_EQ(*rig.net->ProgramRunAddress("HA"), yes && c.operation == Op::Run ? 1u : 0u);
        EXPECT_EQ(*rig.net->ProgramLines("X3"), Lines{"p"});
    }
}

TEST(OnboardTransferFaults, TimeStampLeavesTheLoadedLinesAndTheirEndUnstamped) {
    TransferRig rig;
    sim::Options options;
    options.stampedFrames = true;
    ASSERT_TRUE(rig.Start("D5", options));
    rig.state.Serial.TimeStampFrames = 1;
    rig.program.ReplaceLines({"A1000", "B2"});
    EXPECT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::Complete);
    Lines frames = rig.Frames(8);
    ASSERT_EQ(frames.size(), 8u);
    const std::regex stamped("[0-9]+ : (GG\\*|GGZ|D5Q1)\r");
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(std::regex_match(frames[i], stamped)) << frames[i];
    EXPECT_EQ(Lines(frames.begin() + 3, frames.end()),
              (Lines{"A1000\r", "B2\r", "\x1b\r", "\r", "\r"}));
    EXPECT_EQ(*rig.net->ProgramLines("D5"), (Lines{"A1000", "B2"}));
    EXPECT_FALSE(rig.net->ProgramLoading("D5"));
}

TEST(OnboardTransferFaults, TheSizeComesOnlyFromTheUnitsOwnLineWithANumberOfAtLeastOne) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5:vF=4000"));
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"A1"}));
    const struct {
        const char* fault;
        OnboardOutcome outcome;
        uint32_t size;  // 1234 is the size before
    } cases[] = {
        {"", OnboardOutcome::Complete, 4000},
        {"garbage:match=D5vF:text=D5>:once", OnboardOutcome::Complete, 1234},
        {"garbage:match=D5vF:text=d5>0:once", OnboardOutcome::Complete, 1234},
        {"garbage:match=D5vF:text=d5>2500:once", OnboardOutcome::Complete, 2500},
        {"error:match=D5vF:once", OnboardOutcome::Complete, 1234},
        {"noise:match=D5vF:text=D6>999:once", OnboardOutcome::Complete, 4000},
        {"wrongaddr:match=D5vF:once", OnboardOutcome::Aborted, 1234},
    };
    for (const auto& c : cases) {
        rig.program.BoardProgramSize = 1234;
        if (*c.fault) {
            ASSERT_NE(rig.net->AddFault(c.fault), 0) << c.fault;
        }
        EXPECT_EQ(rig.transfer.ReadOnboardProgram(), c.outcome) << c.fault;
        EXPECT_EQ(rig.program.BoardProgramSize.load(), c.size) << c.fault;
    }
}

TEST(OnboardTransferFaults, EraseAndRunSayWhenTheBoardDidNotAnswer) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("X1"));
    const std::string erase = "You are going to ERASE a program, Continue?";
    const struct {
        Op operation;
        const char* fault;
        std::vector<std::string> boxes;
    } cases[] = {
        {Op::Erase,
         "nocr:match=X1Z:once",
         {erase, "AxisBoard 1 did not answer.\nIts program may not have been erased."}},
        {Op::Run,
         "noreply:match=X1K:once",
         {"AxisBoard 1 did not answer.\nIts program may not have been started."}},
        {Op::Run, "error:match=X1K:once", {"Parameter Error"}},  // the board's own word only
    };
    for (const auto& c : cases) {
        rig.op.ClearRecords();
        ASSERT_NE(rig.net->AddFault(c.fault), 0);
        rig.op.QueueBoardType(true, 4);
        if (c.operation == Op::Erase) rig.op.QueueButton(mb::IdYes);
        EXPECT_EQ(Operate(rig, c.operation), OnboardOutcome::Aborted) << c.fault;
        std::vector<std::string> texts;
        for (const auto& box : rig.op.Boxes()) texts.push_back(box.text);
        EXPECT_EQ(texts, c.boxes) << c.fault;
        EXPECT_EQ(rig.op.Boxes().back().flags, 0x1010u);
    }
}

TEST(OnboardTransferFaults, ABoardThatRefusesTheLoadIsNotReportedAsLost) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("H3:vF=12"));
    const std::string aborted = "Error, Operation Aborted ......\n\n";
    const struct {
        Lines program;
        uint32_t address;
        const char* fault;
        size_t sent;  // lines sent before the refusal
        std::string box;
    } cases[] = {
        {{"12345", "123456", "x"},
         1,
         "",
         2,
         "HBoard 3 refused the program at line 2 of 3 (Parameter Error): it may not fit the "
         "board's memory.\nOnly the lines before it are on the board."},
        {{"A1", "B2", "C3"},
         1,
         "garbage:match=B2:text=h3n:once",
         2,
         "HBoard 3 refused the program at line 2 of 3 (IEEPROM not erased): it may not fit the "
         "board's memory.\nOnly the lines before it are on the board."},
        {{"A1"},
         20,
         "",
         0,
         "HBoard 3 refused to load a program at address 20 (Parameter Error).\nNothing was "
         "written to the board."},
    };
    for (const auto& c : cases) {
        rig.op.ClearRecords();
        rig.net->ClearLog();
        if (*c.fault) {
            ASSERT_NE(rig.net->AddFault(c.fault), 0);
        }
        rig.program.ReplaceLines(c.program);
        rig.program.OnboardStartAddress = c.address;
        const auto start = Clock::now();
        EXPECT_EQ(Operate(rig, Op::Write), OnboardOutcome::Refused);
        EXPECT_LT(MsSince(start), 300);  // no wait for a prompt that will not come
        ASSERT_EQ(rig.op.Boxes().size(), 1u);
        EXPECT_EQ(rig.op.Boxes()[0].text, aborted + c.box);
        // GG* GGZ H3Q<a>, the lines sent, then ESC CR CR CR in case the board still loads.
        const Lines frames = rig.Frames(6 + c.sent);
        ASSERT_EQ(frames.size(), 6 + c.sent);
        EXPECT_EQ(frames[3 + c.sent], "\x1b\r");
        EXPECT_FALSE(rig.net->ProgramLoading("H3"));
    }

    // Once the board has told its size, a program that cannot fit is not written at all.
    ASSERT_TRUE(rig.net->SetProgramLines("H3", {"12345"}));
    rig.program.OnboardStartAddress = 1;
    ASSERT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
    rig.program.ReplaceLines({"12345", "123456"});
    rig.net->ClearLog();
    rig.op.ClearRecords();
    EXPECT_EQ(Operate(rig, Op::Write), OnboardOutcome::Refused);
    EXPECT_TRUE(rig.Frames().empty());
    EXPECT_EQ(*rig.net->ProgramLines("H3"), Lines{"12345"});
    ASSERT_EQ(rig.op.Boxes().size(), 1u);
    EXPECT_EQ(rig.op.Boxes()[0].text,
              aborted +
                  "The program does not fit HBoard 3's memory: from address 1 it needs 13 "
                  "characters, the memory holds 12.\nNothing was written to the board.");
}

TEST(OnboardTransferFaults, BytesThatNeverEndALineEndTheTransferInBoundedTime) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5:vF=4000"));
    const int64_t bound = rig.state.Config.ReplyTimeout.load() + 300 + 250;

    // A listing line longer than the line buffer: a broken listing, the lines before it kept.
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"A1", std::string(400, 'L'), "A3"}));
    EXPECT_EQ(Operate(rig, Op::Read), OnboardOutcome::Broken);
    EXPECT_EQ(rig.program.Lines(), Lines{"A1"});
    EXPECT_EQ(rig.program.Progress.Caption.Get(), "Error, Operation Aborted ......");
    EXPECT_EQ(rig.op.Boxes().back().text,
              "Error, Operation Aborted ......\n\nThe board's answer broke off (a line of more "
              "than 299 characters while waiting for the next line of the listing).\nThe 1 line "
              "read so far are kept in the editor.");

    // Bytes 5 ms apart without a CR, for 5 s: the line ends within the reply time-out + 300 ms
    // of its first byte, in the listing and in the wait for the load's prompt.
    const std::string faults[] = {"garbage:text=" + std::string(1000, 'x'), "nocr", "slow:ms=5"};
    for (const char* match : {"D5D", "B1"}) {
        for (const std::string& fault : faults)
            ASSERT_NE(rig.net->AddFault(fault + ":once:match=" + match), 0);
        rig.program.ReplaceLines({"B1", "B2"});
        const auto start = Clock::now();
        const bool read = match[0] == 'D';
        EXPECT_EQ(read ? rig.transfer.ReadOnboardProgram() : rig.transfer.WriteOnboardProgram(),
                  OnboardOutcome::Broken);
        EXPECT_LT(MsSince(start), bound) << match;
        EXPECT_EQ(rig.transfer.AbortReason(),
                  std::string("no line end within 420 ms while waiting for ") +
                      (read ? "the next line of the listing" : "the board's ':' prompt"));
    }
}

}  // namespace
}  // namespace vendra
