// The on-board program transfer against the simulated boards over a real pty: the exact frames
// of every family, the size query, the listing, the load with its prompts, the bounded waits and
// the round trip.
#include <gtest/gtest.h>

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

TEST(OnboardTransfer, ReadFromALoneDBoardAsksNothing) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5:vF=4000"));
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"A1000", "", "P;1"}));
    rig.program.AppendLine("old");
    rig.program.OnboardModified = 1;

    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"GG*\r", "D5vF\r", "D5D1\r"}));
    EXPECT_EQ(rig.program.Lines(), (Lines{"A1000", "P;1"}));
    EXPECT_EQ(rig.program.BoardProgramSize.load(), 4000u);
    EXPECT_EQ(rig.program.Progress.Caption.Get(), "Operation Complete");
    EXPECT_EQ(rig.program.Progress.BarMaximum.load(), 4000u);
    EXPECT_EQ(rig.program.Progress.BarPosition.load(), 0u);
    EXPECT_EQ(rig.program.OnboardSaved.load(), 1u);
    EXPECT_EQ(rig.program.OnboardModified.load(), 0u);
    EXPECT_EQ(rig.program.OnboardCurrentLine.load(), 0);
    EXPECT_TRUE(rig.op.Boxes().empty());
    EXPECT_EQ(rig.state.App.SelectedBoardFamily.load(), 0);
    EXPECT_EQ(rig.state.App.SelectedBoardAddress.load(), 5);
    EXPECT_EQ(rig.state.Config.ReplyTimeout.load(), 120);

    // From a later address; lines without ':' or without text are skipped.
    rig.net->ClearLog();
    ASSERT_NE(rig.net->AddFault("noise:match=D5D:text=Listing"), 0);
    rig.program.OnboardStartAddress = 7;
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"GG*\r", "D5vF\r", "D5D7\r"}));
    EXPECT_EQ(rig.program.Lines(), (Lines{"P;1"}));
}

TEST(OnboardTransfer, WriteSendsEachLineAfterAPromptThenEscAndThreeCRs) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5:vF=4000"));
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"stale", "lines"}));
    rig.program.ReplaceLines({"A1000", "B;2", "C3"});
    rig.state.Config.TXDdelay = 3;

    EXPECT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(9), (Lines{"GG*\r", "GGZ\r", "D5Q1\r", "A1000\r", "B;2\r", "C3\r",
                                    "\x1b\r", "\r", "\r"}));
    EXPECT_EQ(*rig.net->ProgramLines("D5"), (Lines{"A1000", "B;2", "C3"}));
    EXPECT_FALSE(rig.net->ProgramLoading("D5"));
    EXPECT_EQ(rig.program.Progress.Caption.Get(), "Operation Complete");
    EXPECT_EQ(rig.program.Progress.BarMaximum.load(), 3u);

    // TXDdelay paces every byte while writing and is given back afterwards.
    EXPECT_EQ(rig.state.Serial.TransmitDelay.load(), 0u);
    std::vector<sim::FrameRecord> frames = rig.net->Frames();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_GE(frames[3].timeUs - frames[2].timeUs, 6 * 3000) << "A1000 CR at 3 ms a byte";
}

TEST(OnboardTransfer, AxisAndQBoardUnitsUseTheirOwnLetters) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("X1"));
    // A lone AxisBoard unit: only the axis is asked.
    rig.op.QueueBoardType(true, 5);  // Y
    ASSERT_TRUE(rig.net->SetProgramLines("X1", {"M500"}));
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"Y1*\r", "Y1vF\r", "Y1D1\r"}));
    EXPECT_EQ(rig.transfer.EndMarker(), "y1c");
    EXPECT_EQ(rig.program.Lines(), (Lines{"M500"}));
    EXPECT_EQ(rig.program.BoardProgramSize.load(), 2048u);

    rig.net->ClearLog();
    rig.op.QueueBoardType(true, 5);
    rig.program.ReplaceLines({"A1", "A2"});
    EXPECT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(8),
              (Lines{"Y1*\r", "Y1Z\r", "Y1Q1\r", "A1\r", "A2\r", "\x1b\r", "\r", "\r"}));
    EXPECT_EQ(*rig.net->ProgramLines("X1"), (Lines{"A1", "A2"}));

    rig.net->ClearLog();
    rig.op.QueueBoardType(true, 5);
    rig.op.QueueButton(mb::IdYes);
    EXPECT_EQ(rig.transfer.EraseOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"Y1*\r", "Y1Z\r"}));
    EXPECT_EQ(*rig.net->ProgramLines("X1"), Lines{});

    rig.net->ClearLog();
    rig.op.QueueBoardType(true, 5);
    rig.program.OnboardStartAddress = 9;
    EXPECT_EQ(rig.transfer.RunOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"Y1K9\r"}));
    EXPECT_EQ(*rig.net->ProgramRunAddress("X1"), 9u);
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "You are going to ERASE a program, Continue?");
    EXPECT_EQ(boxes[0].flags, 0x1014u);
    for (size_t i : {1, 2}) {
        EXPECT_EQ(boxes[i].text, "Operation Complete");
        EXPECT_EQ(boxes[i].title, "VDWin IEEPROM Editor Message");
        EXPECT_EQ(boxes[i].flags, 0x1010u);
    }
    EXPECT_EQ(rig.state.Config.ReplyTimeout.load(), 120);
}

TEST(OnboardTransfer, QBoardFramesAndTheStarCommandsLongerTimeOut) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("Q0:vF=100"));
    ASSERT_TRUE(rig.net->SetProgramLines("Q0", {"p0"}));
    // Answered after 400 ms: only the raised time-out keeps this late answer from being taken
    // for the size line.
    ASSERT_NE(rig.net->AddFault("late:match=Q0Q*:ms=400:once"), 0);
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"Q0Q*\r", "Q0vF\r", "Q0D1\r"}));
    EXPECT_EQ(rig.program.BoardProgramSize.load(), 100u);
    EXPECT_EQ(rig.program.Lines(), (Lines{"p0"}));

    rig.net->ClearLog();
    EXPECT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::Complete);
    rig.program.OnboardStartAddress = 2;
    EXPECT_EQ(rig.transfer.RunOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(8),
              (Lines{"Q0Q*\r", "Q0QZ\r", "Q0Q1\r", "p0\r", "\x1b\r", "\r", "\r", "Q0QK2\r"}));
    EXPECT_EQ(rig.state.Config.ReplyTimeout.load(), 120);
}

TEST(OnboardTransfer, SeveralUnitsAreChosenByTheOperator) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5,D6"));
    ASSERT_TRUE(rig.net->SetProgramLines("D6", {"six"}));
    rig.op.QueueBoardType(true, 0);
    rig.op.QueueBoardAddress(true, 6);
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.Frames(), (Lines{"GG*\r", "D6vF\r", "D6D1\r"}));
    EXPECT_EQ(rig.program.Lines(), (Lines{"six"}));

    // Cancelled: nothing is sent, nothing changes, the progress box says so.
    rig.net->ClearLog();
    rig.op.QueueBoardType(false, 0);
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::NoTarget);
    EXPECT_EQ(rig.program.Progress.Caption.Get(), "Error, Operation Aborted ......");
    EXPECT_EQ(rig.program.Lines(), (Lines{"six"}));
    rig.op.QueueBoardType(false, 0);
    EXPECT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::NoTarget);
    rig.op.QueueButton(mb::IdNo);
    EXPECT_EQ(rig.transfer.EraseOnboardProgram(), OnboardOutcome::Cancelled);
    EXPECT_TRUE(rig.Frames().empty());
}

TEST(OnboardTransfer, ABoardThatStopsAnsweringEndsTheOperationInBoundedTime) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5:vF=4000"));
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"A1", "A2", "A3", "A4"}));
    const int64_t bound = rig.state.Config.ReplyTimeout.load() + 300 + 400;

    // Mid-listing: the lines read so far stay.
    ASSERT_NE(rig.net->AddFault("cut:match=D5D:lines=2:once"), 0);
    auto start = Clock::now();
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Aborted);
    EXPECT_LT(MsSince(start), bound);
    EXPECT_EQ(rig.program.Lines(), (Lines{"A1", "A2"}));
    EXPECT_EQ(rig.program.Progress.Caption.Get(), "Error, Operation Aborted ......");
    EXPECT_EQ(rig.transfer.AbortReason(),
              "no answer from the board while waiting for the next line of the listing");

    // No answer to the size query.
    ASSERT_NE(rig.net->AddFault("noreply:match=D5vF:once"), 0);
    start = Clock::now();
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Aborted);
    EXPECT_LT(MsSince(start), bound);

    // Mid-load: the prompts stop after the first line; ESC CR CR CR takes the board out of its
    // load mode, so it does not take the next frames for program text.
    rig.net->ClearLog();
    rig.program.ReplaceLines({"B1", "B2", "B3"});
    ASSERT_NE(rig.net->AddFault("noreply:match=B1:once"), 0);
    start = Clock::now();
    EXPECT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::Aborted);
    EXPECT_LT(MsSince(start), bound);
    EXPECT_EQ(rig.Frames(7), (Lines{"GG*\r", "GGZ\r", "D5Q1\r", "B1\r", "\x1b\r", "\r", "\r"}));
    EXPECT_FALSE(rig.net->ProgramLoading("D5"));
    EXPECT_EQ(*rig.net->ProgramLines("D5"), (Lines{"B1"}));
    EXPECT_EQ(rig.state.Serial.TransmitDelay.load(), 0u);
    EXPECT_EQ(rig.transfer.AbortReason(),
              "no answer from the board while waiting for the board's ':' prompt");
}

TEST(OnboardTransfer, ALineThatGoesAwayEndsTheReadWithItsReason) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5"));
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"A1"}));
    ASSERT_NE(rig.net->AddFault("vanish:match=D5D"), 0);
    auto start = Clock::now();
    EXPECT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Aborted);
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(rig.transfer.AbortReason(), "the serial line went away");
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);  // reported once, by the port
    EXPECT_EQ(boxes[0].title, "VDWin Comm ERROR Message");
}

TEST(OnboardTransfer, AListingLongerThanTheEditorKeepsTheFirstLines) {
    TransferRig rig;
    ASSERT_TRUE(rig.Start("D5:vF=200000"));
    // The end marker is looked for first: a listing of exactly the editor's capacity is whole.
    const struct {
        size_t lines;
        OnboardOutcome outcome;
        const char* caption;
        std::string box;
    } cases[] = {
        {kOnboardCapacity, OnboardOutcome::Complete, "Operation Complete", "Operation Complete"},
        {kOnboardCapacity + 2, OnboardOutcome::Overflow, "Buffer Overflow, Operation Aborted",
         "Buffer Overflow, Operation Aborted\n\nThe board's program holds 2 lines more than the "
         "editor can keep: its first 50000 lines are kept."},
    };
    for (const auto& c : cases) {
        Lines lines(c.lines, "A");
        lines.front() = "first";
        lines[kOnboardCapacity - 1] = "last";
        ASSERT_TRUE(rig.net->SetProgramLines("D5", lines));
        rig.op.ClearRecords();
        EXPECT_EQ(RunOnboardOperation(rig.transfer, OnboardStateOf(rig.state), rig.op,
                                      OnboardOperation::Read),
                  c.outcome);
        ASSERT_EQ(rig.program.OnboardLineCount(), kOnboardCapacity);
        EXPECT_EQ(rig.program.Line(0), "first");
        EXPECT_EQ(rig.program.Line(kOnboardCapacity - 1), "last");
        EXPECT_EQ(rig.program.Progress.Caption.Get(), c.caption);
        EXPECT_EQ(rig.program.OnboardSaved.load(), 1u);
        ASSERT_EQ(rig.op.Boxes().size(), 1u);
        EXPECT_EQ(rig.op.Boxes()[0].text, c.box);
    }
}

// Boards that answer in lower case ("u2>60000", prompts and listing alike) transfer the same.
TEST(OnboardTransfer, AProgramWrittenAndReadBackIsEqual) {
    for (bool lowerCase : {false, true}) {
        SCOPED_TRACE(lowerCase ? "lower case" : "upper case");
        TransferRig rig;
        sim::Options options;
        options.lowerCaseReplies = lowerCase;
        ASSERT_TRUE(rig.Start("U2:vF=60000", options));
        Lines lines;
        for (int i = 0; i < 500; ++i)
            lines.push_back("XA" + std::to_string(i * 37) + (i % 7 == 0 ? ";note" : "") +
                            std::string(static_cast<size_t>(i % 40), '+'));
        lines.push_back(std::string(kOnboardLineChars, 'L'));
        rig.program.ReplaceLines(lines);
        ASSERT_EQ(rig.transfer.WriteOnboardProgram(), OnboardOutcome::Complete);
        rig.program.ReplaceLines({});
        ASSERT_EQ(rig.transfer.ReadOnboardProgram(), OnboardOutcome::Complete);
        EXPECT_EQ(rig.program.Lines(), lines);
        EXPECT_EQ(rig.program.BoardProgramSize.load(), 60000u);
    }
}

TEST(OnboardTransfer, WorkerHoldsTheLineShowsTheClosingMessageAndCancels) {
    TransferRig rig;
    sim::Options paced;
    paced.pace = true;
    paced.boardBaud = 9600;
    ASSERT_TRUE(rig.Start("D5:vF=100000", paced));
    ASSERT_TRUE(rig.net->SetProgramLines("D5", Lines(2000, "A12345")));
    rig.Release();
    OnboardWorker& worker = rig.core.OnboardTransferWorker;

    ASSERT_TRUE(worker.Start(OnboardOperation::Read));
    EXPECT_EQ(rig.state.Serial.Line.Owner(), LineUser::OnboardTransfer);
    EXPECT_FALSE(worker.Start(OnboardOperation::Write));  // one at a time
    // At 9600 baud the listing takes about 2.6 s: cancel once some lines are in.
    auto start = Clock::now();
    while (rig.program.OnboardLineCount() < 20 && MsSince(start) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.Stop();
    start = Clock::now();
    ASSERT_TRUE(worker.Wait(2000));
    EXPECT_LT(MsSince(start), 200);
    EXPECT_EQ(worker.LastOutcome(), OnboardOutcome::Cancelled);
    EXPECT_FALSE(rig.state.Serial.Line.Busy());
    size_t kept = rig.program.OnboardLineCount();
    EXPECT_GE(kept, 20u);
    EXPECT_LT(kept, 2000u);
    EXPECT_EQ(rig.program.Progress.Caption.Get(), "Operation Cancelled ......");
    auto boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Operation Cancelled ......\n\nThe " + std::to_string(kept) +
                                 " lines read so far are kept in the editor.");

    // A whole read: the handler's closing message.
    rig.op.ClearRecords();
    ASSERT_TRUE(rig.net->SetProgramLines("D5", {"A1"}));
    ASSERT_TRUE(worker.Start(OnboardOperation::Read));
    ASSERT_TRUE(worker.Wait(5000));
    EXPECT_EQ(worker.LastOutcome(), OnboardOutcome::Complete);
    EXPECT_EQ(rig.program.Lines(), Lines{"A1"});
    boxes = rig.op.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Operation Complete");
    EXPECT_EQ(boxes[0].title, "VDWin - Message");
    EXPECT_EQ(boxes[0].flags, 0x1010u);

    // Another activity holds the line: refused quietly.
    LineSession runner = rig.core.Line.Take(LineUser::Runner);
    EXPECT_FALSE(worker.Start(OnboardOperation::Run));
}

}  // namespace
}  // namespace vendra
